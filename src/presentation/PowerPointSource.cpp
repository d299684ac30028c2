#include "presentation/PowerPointSource.h"

#include "presentation/AppMgrPowerPoint.h"
#include "presentation/PowerPointConnection.h"

bool CPowerPointSource::IsBusy()
{
    return m_context.m_connection.IsBusy();
}

std::unique_ptr<CAppMgr> CPowerPointSource::CreateManager(uint32_t window, const std::u16string& title)
{
    // The document window shows that the program runs: connecting reaches it without starting
    // anything, even before the program can be attached to.
    CPowerPointConnection& connection = m_context.m_connection;
    if (!connection.ConnectOrStart())
        return nullptr;
    std::unique_ptr<CAppMgr> manager = CAppMgrPowerPoint::Create(m_context, window, title);
    // A program that ended since the connection was made dropped it; the window is the new
    // one's, so it is reached once more.
    if (!manager && connection.IsEmpty() && connection.ConnectOrStart())
        manager = CAppMgrPowerPoint::Create(m_context, window, title);
    return manager;
}
