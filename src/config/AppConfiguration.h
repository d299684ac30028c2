#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "action/ActionSequence.h"

class IFileSystem;

// One application profile: how a controllable application's windows are recognised, how its
// window is treated when the phone sends a command, and which actions each phone key plays.
// Loaded from one INI file with the sections [Application] and [KeyMapping].
class CAppConfiguration {
public:
    // Phone key code -> the sequence its mapping value parsed into.
    using KeyMapping = std::map<uint32_t, CActionSequence>;

    // Where mappings of key names that name no phone key are kept: no phone key has this code.
    static constexpr uint32_t kUnknownKeyCode = 0xFFFFFFFF;

    // Longest texts kept; longer ones are cut.
    static constexpr size_t kMaxNameChars = 99;
    static constexpr size_t kMaxExecutableChars = 199;
    static constexpr size_t kMaxTitleChars = 199;
    static constexpr size_t kMaxClassNameChars = 299;
    static constexpr size_t kMaxMappingChars = 1023;
    // Room for the key names of the mapping section, each with its terminator.
    static constexpr size_t kKeyNameBufferChars = 2048;

    explicit CAppConfiguration(IFileSystem& fileSystem);
    CAppConfiguration(const CAppConfiguration&) = delete;
    CAppConfiguration& operator=(const CAppConfiguration&) = delete;
    virtual ~CAppConfiguration();

    // Reads the profile file; a file that is missing or unreadable reads as empty, so every
    // setting takes its default. False when the profile identifies nothing (no class name,
    // executable or title): then it has no key mapping and never matches.
    bool Load(const std::u16string& path);

    // Whether a window belongs to this profile. The class name list, when present, decides
    // alone; otherwise the executable's file name (any case) or a title substring (exact case).
    // `executablePath` may be a full path or a bare file name.
    bool Matches(const std::u16string& className, const std::u16string& executablePath,
                 const std::u16string& title) const;

    const std::u16string& GetPath() const { return m_path; }
    const std::u16string& GetName() const { return m_name; }
    const std::u16string& GetClassName() const { return m_className; }
    const std::u16string& GetExecutable() const { return m_executable; }
    const std::u16string& GetTitle() const { return m_title; }
    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool GetBringToTop() const { return m_bringToTop; }
    bool GetAutoRestore() const { return m_autoRestore; }
    const KeyMapping& GetKeyMapping() const { return m_keyMapping; }

private:
    IFileSystem& m_fileSystem;
    std::u16string m_path;
    bool m_autoRestore = false;
    bool m_bringToTop = true;
    bool m_enabled = true;
    std::u16string m_name;
    std::u16string m_className;
    std::u16string m_executable;
    std::u16string m_title;
    KeyMapping m_keyMapping;
};
