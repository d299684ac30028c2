#pragma once
#include <cstdint>
#include <functional>

#include "action/ActionSequence.h"
#include "appctl/HeldInput.h"
#include "platform/InputSynth.h"

// Pointer motion directions of SetMouseDirection.
constexpr int32_t DIRECTION_NONE = 0;
constexpr int32_t DIRECTION_LEFT = 1;
constexpr int32_t DIRECTION_RIGHT = 2;
constexpr int32_t DIRECTION_UP = 3;
constexpr int32_t DIRECTION_DOWN = 4;

// States of the mouse buttons as the player drives them.
constexpr int32_t BUTTONS_NONE = 0;
constexpr int32_t BUTTONS_LEFT = 1;
constexpr int32_t BUTTONS_MIDDLE = 2;
constexpr int32_t BUTTONS_RIGHT = 3;
constexpr int32_t BUTTONS_LEFT_LATCHED = 4;  // held long enough to stay down for dragging

// Plays action sequences as synthesized input: key-downs when a phone key goes down, key-ups
// when it comes up; moves the pointer with acceleration while a direction is held; and latches
// the left button when it has been held for about a second.
//
// The program has one player, made by the shell and handed to whoever plays input. Everything,
// OnTick included, runs on the GUI thread; no locking.
class CActionPlayer {
public:
    // The mouse speed setting: the largest pointer step in pixels, read on every tick.
    using SpeedSource = std::function<int32_t()>;

    CActionPlayer(IInputSynth& input, SpeedSource mouseSpeed);
    ~CActionPlayer();
    CActionPlayer(const CActionPlayer&) = delete;
    CActionPlayer& operator=(const CActionPlayer&) = delete;

    // The down half of every action, in order. The window is the controlled application's;
    // input goes to whichever window has the focus, so it is not used.
    void Press(const CActionSequence& sequence, uint32_t window);
    // The up half of every action, in order.
    void Release(const CActionSequence& sequence, uint32_t window);

    // DIRECTION_*; a new direction starts again at a step of 1 pixel, the same one keeps its
    // speed. Other values stop the pointer.
    void SetMouseDirection(int32_t direction);

    // The motion clock: the shell calls it every 55 ms on the GUI thread while NeedsTick says
    // so. Also measures how long the left button has been held.
    void OnTick();

    // Whether OnTick has anything to do: the pointer moves, or a left button pressed through
    // the player has not been held long enough to latch yet.
    bool NeedsTick() const;

    // Whether anything the phone pressed is still in force: a key, a modifier, a mouse button
    // (latched or not) or pointer motion.
    bool IsHolding() const;
    // Lets go of all of it, the last pressed first, and stops the pointer: the phone that held
    // it is gone or has moved on, and will not send the key-ups.
    void ReleaseAll();

    int32_t GetButtonState() const { return m_buttonState; }
    int32_t GetDirection() const { return m_direction; }

private:
    void PressAction(const CAction& action);
    void ReleaseAction(const CAction& action);
    void PressKey(const CAction& action);
    void ReleaseKey(const CAction& action);
    void PressMouse(int32_t code);
    void ReleaseMouse(int32_t code);
    int32_t ReadSpeed() const;

    CHeldInput m_input;  // the shell's input, with what is held down remembered
    SpeedSource m_mouseSpeed;
    int32_t m_buttonState = BUTTONS_NONE;
    int32_t m_direction = DIRECTION_NONE;
    int32_t m_ticks = 0;  // ticks since the last button press that changed the state
    int32_t m_step = 0;   // pixels of the next motion step
};
