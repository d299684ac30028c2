#include "presentation/PowerPointConnection.h"

CApplication g_powerPointApp;

bool ConnectPowerPoint(IAutomationConnector& connector)
{
    g_powerPointApp.ReleaseDispatch();
    g_powerPointApp.AttachDispatch(connector.Connect());
    return !g_powerPointApp.IsEmpty();
}

void DisconnectPowerPoint()
{
    g_powerPointApp.ReleaseDispatch();
}

bool IsPowerPointBusy()
{
    try {
        g_powerPointApp.ReadBusyProbe();
        return false;
    } catch (const CAutomationFailure&) {
        // No message filter is registered, so a busy program rejects the call at once.
        return true;
    }
}
