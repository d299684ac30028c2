#pragma once
// The program's one connection to the presentation program. It is made once while the main
// frame is created and dropped when the main frame is destroyed; while it is empty, every
// presentation operation does nothing. Used on the GUI thread only.
#include <memory>

#include "presentation/PowerPointObjects.h"

// Makes the presentation program's Application object: on Windows through COM, in tests a fake.
class IAutomationConnector {
public:
    virtual ~IAutomationConnector() = default;
    // Null when the program is not installed or cannot be started.
    virtual std::shared_ptr<IAutomationObject> Connect() = 0;
};

// Empty until ConnectPowerPoint succeeds; test it for emptiness before calling through it.
extern CApplication g_powerPointApp;

// Replaces any earlier connection; true when the new one was made. A failed attempt leaves the
// connection empty.
bool ConnectPowerPoint(IAutomationConnector& connector);
void DisconnectPowerPoint();
// True when the program does not answer a probe call; false when it does or when there is no
// connection.
bool IsPowerPointBusy();
