#include "platform/win32/Win32InputSynth.h"

#include <windows.h>

#include "action/KeyScanCodes.h"

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

// Results of SendInput carry nothing useful (input blocked by a higher-integrity window is
// dropped without a sign) and are not checked.
void SendMouse(DWORD flags, LONG dx, LONG dy)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

void SendButton(DWORD flag)
{
    if (flag != 0)
        SendMouse(flag, 0, 0);
}

// The scan code of a key that sits where the layout puts it (letters, digits, punctuation)
// comes from the layout the foreground window types with: on AZERTY the A key is where US has
// Q. The keys with the extended flag sit in the same place on every layout, and the system's
// mapping answers some of them wrongly (Print Screen as Alt+SysRq), so the table decides them.
WORD ScanCodeOf(uint8_t vk, const CKeyScanCode& us)
{
    if (us.m_extended)
        return us.m_code;
    const HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(GetForegroundWindow(), nullptr));
    const UINT mapped = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout);
    return mapped != 0 && mapped <= 0xFF ? static_cast<WORD>(mapped) : us.m_code;
}

void SendKey(uint8_t vk, IInputSynth::KeyPlace place, DWORD upFlag)
{
    const CKeyScanCode us = UsKeyScanCode(vk, place == IInputSynth::KeyPlace::Keypad);
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = ScanCodeOf(vk, us);
    input.ki.dwFlags = upFlag | (us.m_extended ? KEYEVENTF_EXTENDEDKEY : 0);
    SendInput(1, &input, sizeof input);
}

}  // namespace

void CWin32InputSynth::KeyDown(uint8_t vk, KeyPlace place)
{
    SendKey(vk, place, 0);
}

void CWin32InputSynth::KeyUp(uint8_t vk, KeyPlace place)
{
    SendKey(vk, place, KEYEVENTF_KEYUP);
}

// Relative motion: without MOUSEEVENTF_ABSOLUTE the system reads dx and dy as signed steps.
void CWin32InputSynth::MoveMouse(int32_t dx, int32_t dy)
{
    SendMouse(MOUSEEVENTF_MOVE, dx, dy);
}

void CWin32InputSynth::ButtonDown(Button button)
{
    SendButton(DownFlag(button));
}

void CWin32InputSynth::ButtonUp(Button button)
{
    SendButton(UpFlag(button));
}
