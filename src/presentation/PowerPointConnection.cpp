#include "presentation/PowerPointConnection.h"

bool CPowerPointConnection::Connect(IAutomationConnector& connector)
{
    m_application.ReleaseDispatch();
    m_application.AttachDispatch(connector.Connect());
    return !m_application.IsEmpty();
}

void CPowerPointConnection::Disconnect()
{
    m_application.ReleaseDispatch();
}

bool CPowerPointConnection::IsBusy() const
{
    try {
        m_application.ReadBusyProbe();
        return false;
    } catch (const CAutomationFailure&) {
        // No message filter is registered, so a busy program rejects the call at once.
        return true;
    }
}
