#include "app/ForegroundLockTimeout.h"

void CForegroundLockTimeout::HoldOff()
{
    DWORD timeout = 0;
    if (m_changed || !::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0) || timeout == 0) {
        return;
    }
    // The value travels in the pointer parameter. No SPIF_UPDATEINIFILE: not persisted.
    if (::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0)) {
        m_previous = timeout;
        m_changed = true;
    }
}

void CForegroundLockTimeout::Restore()
{
    if (!m_changed) {
        return;
    }
    m_changed = false;
    ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(m_previous)),
                            0);
}
