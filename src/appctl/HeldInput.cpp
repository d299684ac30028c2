#include "appctl/HeldInput.h"

#include <algorithm>

void CHeldInput::KeyDown(uint8_t vk, KeyPlace place)
{
    m_input.KeyDown(vk, place);
    Remember({false, vk, place});
}

void CHeldInput::KeyUp(uint8_t vk, KeyPlace place)
{
    m_input.KeyUp(vk, place);
    Forget({false, vk, place});
}

void CHeldInput::MoveMouse(int32_t dx, int32_t dy)
{
    m_input.MoveMouse(dx, dy);
}

void CHeldInput::ButtonDown(Button button)
{
    m_input.ButtonDown(button);
    Remember({true, static_cast<uint8_t>(button), KeyPlace::Main});
}

void CHeldInput::ButtonUp(Button button)
{
    m_input.ButtonUp(button);
    Forget({true, static_cast<uint8_t>(button), KeyPlace::Main});
}

void CHeldInput::Remember(Held held)
{
    if (std::find(m_held.begin(), m_held.end(), held) == m_held.end())
        m_held.push_back(held);
}

void CHeldInput::Forget(Held held)
{
    m_held.erase(std::remove(m_held.begin(), m_held.end(), held), m_held.end());
}

void CHeldInput::ReleaseAll()
{
    // Taken out first, so the list is empty even if an input call is re-entered.
    std::vector<Held> held;
    held.swap(m_held);
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
        if (it->button)
            m_input.ButtonUp(static_cast<Button>(it->code));
        else
            m_input.KeyUp(it->code, it->place);
    }
}
