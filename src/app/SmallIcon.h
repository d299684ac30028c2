#pragma once
#include <windows.h>

// A 16x16 icon loaded from the program's resources, destroyed with its owner.
class CSmallIcon {
public:
    CSmallIcon() = default;
    CSmallIcon(const CSmallIcon&) = delete;
    CSmallIcon& operator=(const CSmallIcon&) = delete;
    ~CSmallIcon()
    {
        if (m_icon) ::DestroyIcon(m_icon);
    }

    void Load(UINT resourceId)
    {
        if (m_icon) ::DestroyIcon(m_icon);
        m_icon = static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, 16, 16, 0));
    }
    HICON Get() const { return m_icon; }

private:
    HICON m_icon = nullptr;
};
