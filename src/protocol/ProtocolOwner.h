#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CAppListEntry;

// What the protocol server asks of its owner, the main frame.
class IProtocolOwner {
public:
    virtual ~IProtocolOwner() = default;

    // 0 accepts the phone; anything else is sent back as a disconnect reason.
    virtual uint8_t OnPhoneConnected() = 0;
    // The phone disconnected (its reason) or the connection was lost (255). The owner stops and
    // restarts the link from inside this call.
    virtual void OnPhoneDisconnected(uint8_t reason) = 0;
    // Returns the selected id or 0; name is in/out (see the main frame).
    virtual uint32_t SelectApplication(uint32_t id, std::u16string& name) = 0;
    // True when the array was filled.
    virtual bool FillApplicationList(std::vector<CAppListEntry>& entries, bool onlyIfChanged) = 0;
    // Synchronisation recovery timer (one shot, the owner calls OnSyncTimeout).
    virtual void StartSyncTimer(uint32_t milliseconds) = 0;
    virtual void OnSyncRegained() = 0;
    // Stalled-message timer: (re)started while a received message is incomplete; the owner calls
    // OnStallTimeout when it fires. Stopped when nothing is pending.
    virtual void StartStallTimer(uint32_t milliseconds) = 0;
    virtual void StopStallTimer() = 0;
};
