#pragma once
#include <windows.h>

#include <cstdint>

#include "platform/WindowSystem.h"

// The window system of the interactive desktop, through user32.
class CWin32WindowSystem : public IWindowSystem {
public:
    // 64-bit Windows keeps window handles within 32 bits, sign-extended: the id is the low
    // half, and sign extension gives the handle back.
    static HWND ToHandle(uint32_t window)
    {
        return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(window)));
    }
    static uint32_t ToId(HWND window) { return static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(window)); }

    bool EnumTopLevelWindows(std::vector<uint32_t>& windows) override;
    bool EnumDescendants(uint32_t parent, std::vector<uint32_t>& windows) override;
    uint32_t GetStyle(uint32_t window) override;
    bool IsVisible(uint32_t window) override;
    std::u16string GetWindowClass(uint32_t window, size_t bufferLength) override;
    std::u16string GetWindowTitle(uint32_t window, size_t bufferLength) override;
    uint32_t GetOwnerProcessId(uint32_t window) override;
    bool SetForeground(uint32_t window) override;
    bool GetPlacementShowState(uint32_t window, uint32_t& showState) override;
    bool SetPlacementShowNormal(uint32_t window) override;
    void ShowNormal(uint32_t window) override;
};
