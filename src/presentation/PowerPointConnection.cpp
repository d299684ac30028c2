#include "presentation/PowerPointConnection.h"

bool CPowerPointConnection::Connect(IAutomationConnector& connector)
{
    m_application.ReleaseDispatch();
    m_application.AttachDispatch(connector.Connect());
    return !m_application.IsEmpty();
}

bool CPowerPointConnection::AttachIfRunning()
{
    if (m_application.IsEmpty() && m_connector)
        m_application.AttachDispatch(m_connector->Attach());
    return !m_application.IsEmpty();
}

bool CPowerPointConnection::ConnectOrStart()
{
    // Starting goes through the program's class: a program that runs already is handed back
    // rather than started twice, even when it has not made itself known to attach to yet.
    if (m_application.IsEmpty() && m_connector)
        return Connect(*m_connector);
    return !m_application.IsEmpty();
}

void CPowerPointConnection::Disconnect()
{
    m_application.ReleaseDispatch();
}

bool CPowerPointConnection::DropIfGone(const CAutomationFailure& failure)
{
    if (!failure.IsServerGone())
        return false;
    Disconnect();
    return true;
}

bool CPowerPointConnection::IsBusy()
{
    if (!AttachIfRunning())
        return false;
    // Asked on every poll: a busy program answers "busy" at once instead of being retried.
    CCallRetryPolicy::CProbe probe(m_callPolicy);
    try {
        m_application.ReadBusyProbe();
        return false;
    } catch (const CAutomationFailure& failure) {
        return !DropIfGone(failure);
    }
}
