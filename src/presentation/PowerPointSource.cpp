#include "presentation/PowerPointSource.h"

#include "presentation/AppMgrPowerPoint.h"
#include "presentation/PowerPointConnection.h"

bool CPowerPointSource::IsBusy()
{
    return m_context.m_connection.IsBusy();
}

std::unique_ptr<CAppMgr> CPowerPointSource::CreateManager(uint32_t window, const std::u16string& title)
{
    return CAppMgrPowerPoint::Create(m_context, window, title);
}
