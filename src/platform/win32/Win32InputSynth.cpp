#include "platform/win32/Win32InputSynth.h"

#include <windows.h>

namespace {

DWORD DownFlag(IInputSynth::Button button)
{
    switch (button) {
    case IInputSynth::Button::Left:
        return MOUSEEVENTF_LEFTDOWN;
    case IInputSynth::Button::Middle:
        return MOUSEEVENTF_MIDDLEDOWN;
    case IInputSynth::Button::Right:
        return MOUSEEVENTF_RIGHTDOWN;
    }
    return 0;
}

DWORD UpFlag(IInputSynth::Button button)
{
    switch (button) {
    case IInputSynth::Button::Left:
        return MOUSEEVENTF_LEFTUP;
    case IInputSynth::Button::Middle:
        return MOUSEEVENTF_MIDDLEUP;
    case IInputSynth::Button::Right:
        return MOUSEEVENTF_RIGHTUP;
    }
    return 0;
}

void SendButton(DWORD flag)
{
    if (flag != 0)
        mouse_event(flag, 0, 0, 0, 0);
}

}  // namespace

// Scan code 0 and no extended flag: applications see the virtual-key code only. Results of
// the input calls carry nothing useful and are not checked.
void CWin32InputSynth::KeyDown(uint8_t vk)
{
    keybd_event(vk, 0, 0, 0);
}

void CWin32InputSynth::KeyUp(uint8_t vk)
{
    keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
}

// Relative motion: mouse_event reads dx and dy as signed values in its DWORD parameters.
void CWin32InputSynth::MoveMouse(int32_t dx, int32_t dy)
{
    mouse_event(MOUSEEVENTF_MOVE, static_cast<DWORD>(dx), static_cast<DWORD>(dy), 0, 0);
}

void CWin32InputSynth::ButtonDown(Button button)
{
    SendButton(DownFlag(button));
}

void CWin32InputSynth::ButtonUp(Button button)
{
    SendButton(UpFlag(button));
}
