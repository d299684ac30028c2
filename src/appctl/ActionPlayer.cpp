#include "appctl/ActionPlayer.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr int32_t kDefaultMouseSpeed = 100;
// Ticks of 55 ms after which a held left button stays down when released (about a second).
constexpr int32_t kLatchTicks = 19;

constexpr uint8_t kVkShift = 0x10;
constexpr uint8_t kVkControl = 0x11;
constexpr uint8_t kVkAlt = 0x12;
constexpr uint8_t kVkLeftWindows = 0x5B;

struct ModifierKey {
    int32_t bit;
    uint8_t vk;
};
// Pressed and released in this same order.
constexpr ModifierKey kModifierKeys[] = {{MODIFIER_SHIFT, kVkShift},
                                         {MODIFIER_CTRL, kVkControl},
                                         {MODIFIER_ALT, kVkAlt},
                                         {MODIFIER_WIN, kVkLeftWindows}};

// Input calls take the low 8 bits of a key code. Of those, 0 and 255 are not keys at all
// (the input call accepts 1 to 254), so they send nothing.
bool ToVirtualKey(int32_t code, uint8_t& vk)
{
    vk = static_cast<uint8_t>(code & 0xFF);
    return vk != 0 && vk != 0xFF;
}

IInputSynth::KeyPlace PlaceOf(const CAction& action)
{
    return action.m_keypad ? IInputSynth::KeyPlace::Keypad : IInputSynth::KeyPlace::Main;
}

}  // namespace

CActionPlayer::CActionPlayer(IInputSynth& input, SpeedSource mouseSpeed)
    : m_input(input), m_mouseSpeed(std::move(mouseSpeed))
{
}

CActionPlayer::~CActionPlayer() = default;

void CActionPlayer::Press(const CActionSequence& sequence, uint32_t /*window*/)
{
    for (size_t i = 0; i < sequence.GetCount(); ++i)
        PressAction(sequence.GetAt(i));
}

void CActionPlayer::Release(const CActionSequence& sequence, uint32_t /*window*/)
{
    for (size_t i = 0; i < sequence.GetCount(); ++i)
        ReleaseAction(sequence.GetAt(i));
}

void CActionPlayer::PressAction(const CAction& action)
{
    if (action.m_kind == ACTION_KEY) {
        for (const ModifierKey& modifier : kModifierKeys) {
            if (action.m_modifiers & modifier.bit)
                m_input.KeyDown(modifier.vk);
        }
        PressKey(action);
    } else if (action.m_kind == ACTION_MOUSE) {
        PressMouse(action.m_code);
    }
}

// The key first, then the modifiers in the order they went down.
void CActionPlayer::ReleaseAction(const CAction& action)
{
    if (action.m_kind == ACTION_KEY) {
        ReleaseKey(action);
        for (const ModifierKey& modifier : kModifierKeys) {
            if (action.m_modifiers & modifier.bit)
                m_input.KeyUp(modifier.vk);
        }
    } else if (action.m_kind == ACTION_MOUSE) {
        ReleaseMouse(action.m_code);
    }
}

void CActionPlayer::PressKey(const CAction& action)
{
    uint8_t vk = 0;
    if (ToVirtualKey(action.m_code, vk))
        m_input.KeyDown(vk, PlaceOf(action));
}

void CActionPlayer::ReleaseKey(const CAction& action)
{
    uint8_t vk = 0;
    if (ToVirtualKey(action.m_code, vk))
        m_input.KeyUp(vk, PlaceOf(action));
}

void CActionPlayer::PressMouse(int32_t code)
{
    switch (code) {
    case MOUSE_LEFT:
    case MOUSE_RIGHT:
    case MOUSE_UP:
    case MOUSE_DOWN:
        SetMouseDirection(code - MOUSE_LEFT + DIRECTION_LEFT);
        break;
    case MOUSE_BUTTON1:
        // A latched button is still down: pressing it again only restarts the hold time, so
        // a quick release lets it go.
        if (m_buttonState == BUTTONS_LEFT_LATCHED) {
            m_buttonState = BUTTONS_LEFT;
            m_ticks = 0;
        } else if (m_buttonState == BUTTONS_NONE) {
            m_buttonState = BUTTONS_LEFT;
            m_ticks = 0;
            m_input.ButtonDown(IInputSynth::Button::Left);
        }
        break;
    case MOUSE_BUTTON2:
        if (m_buttonState == BUTTONS_NONE) {
            m_buttonState = BUTTONS_MIDDLE;
            m_ticks = 0;
            m_input.ButtonDown(IInputSynth::Button::Middle);
        }
        break;
    case MOUSE_BUTTON3:
        if (m_buttonState == BUTTONS_NONE) {
            m_buttonState = BUTTONS_RIGHT;
            m_ticks = 0;
            m_input.ButtonDown(IInputSynth::Button::Right);
        }
        break;
    default:
        break;
    }
}

void CActionPlayer::ReleaseMouse(int32_t code)
{
    switch (code) {
    case MOUSE_LEFT:
    case MOUSE_RIGHT:
    case MOUSE_UP:
    case MOUSE_DOWN:
        // Whichever direction is current stops; the step is reset when motion starts again.
        m_direction = DIRECTION_NONE;
        break;
    case MOUSE_BUTTON1:
        if (m_ticks < kLatchTicks) {
            m_buttonState = BUTTONS_NONE;
            m_input.ButtonUp(IInputSynth::Button::Left);
        } else {
            m_buttonState = BUTTONS_LEFT_LATCHED;
        }
        break;
    case MOUSE_BUTTON2:
        m_buttonState = BUTTONS_NONE;
        m_input.ButtonUp(IInputSynth::Button::Middle);
        break;
    case MOUSE_BUTTON3:
        m_buttonState = BUTTONS_NONE;
        m_input.ButtonUp(IInputSynth::Button::Right);
        break;
    default:
        break;
    }
}

bool CActionPlayer::IsHolding() const
{
    return m_input.IsHolding() || m_direction != DIRECTION_NONE || m_buttonState != BUTTONS_NONE;
}

void CActionPlayer::ReleaseAll()
{
    m_direction = DIRECTION_NONE;
    m_buttonState = BUTTONS_NONE;
    m_input.ReleaseAll();
}

void CActionPlayer::SetMouseDirection(int32_t direction)
{
    if (direction < DIRECTION_NONE || direction > DIRECTION_DOWN)
        direction = DIRECTION_NONE;
    if (direction != m_direction)
        m_step = 1;
    m_direction = direction;
}

// The stored setting is not range-checked. A speed below 1 would make the step shrink or turn
// negative (the pointer would stop or run backwards), so the player uses at least 1 pixel.
int32_t CActionPlayer::ReadSpeed() const
{
    const int32_t speed = m_mouseSpeed ? m_mouseSpeed() : kDefaultMouseSpeed;
    return std::max(speed, int32_t{1});
}

bool CActionPlayer::NeedsTick() const
{
    return m_direction != DIRECTION_NONE || (m_buttonState == BUTTONS_LEFT && m_ticks < kLatchTicks);
}

void CActionPlayer::OnTick()
{
    // Saturates rather than wrapping after years of uptime, so a held button still latches.
    if (m_ticks < std::numeric_limits<int32_t>::max())
        ++m_ticks;

    const int32_t speed = ReadSpeed();
    switch (m_direction) {
    case DIRECTION_LEFT:
        m_input.MoveMouse(-m_step, 0);
        break;
    case DIRECTION_RIGHT:
        m_input.MoveMouse(m_step, 0);
        break;
    case DIRECTION_UP:
        m_input.MoveMouse(0, -m_step);
        break;
    case DIRECTION_DOWN:
        m_input.MoveMouse(0, m_step);
        break;
    default:
        break;
    }

    // Accelerate by a tenth of the speed plus one, up to the speed. The sum can pass 32 bits
    // for a huge setting, so it is formed in 64 bits; the result is at most the speed.
    const int64_t next = static_cast<int64_t>(m_step) + speed / 10 + 1;
    m_step = static_cast<int32_t>(std::min<int64_t>(next, speed));
}
