#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CAppListEntry;
class CRCMsg;

// How the link stands, as the tray shows it.
enum class ELinkState { Unavailable, Waiting, Connected };

// What the protocol server asks of the session above it. All calls come on the GUI thread.
class IProtocolOwner {
public:
    virtual ~IProtocolOwner() = default;

    // 0 accepts the phone; anything else is sent back as a disconnect reason.
    virtual uint8_t OnPhoneConnected() = 0;
    // The phone disconnected or the connection was lost: what it held is let go and its
    // selection ends. The server reopens the link itself once the current message is handled.
    virtual void OnPhoneGone() = 0;
    // Returns the selected id or 0; name is in/out: the phone's name in, the selection's out
    // (cleared when the id is unknown).
    virtual uint32_t SelectApplication(uint32_t id, std::u16string& name) = 0;
    // True when the array was filled.
    virtual bool FillApplicationList(std::vector<CAppListEntry>& entries, bool onlyIfChanged) = 0;
    // A key or user-interface event for the selected application.
    virtual void OnApplicationEvent(const CRCMsg& message) = 0;
    // Whether the phone holds keys, buttons or pointer motion down.
    virtual bool IsHoldingInput() const = 0;
    virtual void OnLinkState(ELinkState state) = 0;
    // The current attempt could not open the port; the server is stopped.
    virtual void OnPortFailed() = 0;
};
