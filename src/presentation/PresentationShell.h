#pragma once
// What the presentation managers need from the program around them. The shell binds each
// interface to its own objects (the connection, the protocol server, the timer service, the
// settings); tests bind them to fakes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CActionPlayer;
class CPowerPointConnection;
class CPresentationShared;
class IInputSynth;
class IWindowSystem;

// Where slide data goes: an application-data message to the phone.
class IAppDataSink {
public:
    virtual ~IAppDataSink() = default;
    virtual void SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload) = 0;
};

// Everything a presentation manager reaches outside itself. Each manager keeps a copy; the
// objects referred to must outlive every manager.
struct CPresentationContext {
    // The program's connection to the presentation program.
    CPowerPointConnection& m_connection;
    IAppDataSink& m_dataSink;
    // The notification timer and poll counter that all presentation managers share.
    CPresentationShared& m_shared;
    // The show-window search and its activation.
    IWindowSystem& m_windowSystem;
    // The Shift key that keeps the screen saver off.
    IInputSynth& m_input;
    // Pointer motion for the pointer codes.
    CActionPlayer& m_player;
    // The "Disable Screensaver" setting, read at each use so that a changed setting applies at once.
    std::function<bool()> m_holdOffScreenSaver;
    // Texts from the string table; the shell may replace them with translated ones.
    std::u16string m_notAvailableText = u"Not Available";
    std::u16string m_hiddenSlideText = u"(Hidden slide)";
};
