#include "presentation/AppMgrPowerPoint.h"

#include <algorithm>
#include <utility>

#include "appctl/ActionPlayer.h"
#include "platform/InputSynth.h"
#include "platform/WindowSystem.h"
#include "presentation/PowerPointConnection.h"
#include "presentation/PresentationShared.h"
#include "presentation/SlideText.h"
#include "text/AsciiText.h"

namespace {

// Room for any class name and title of the show-window search.
constexpr size_t kWindowTextLength = 1000;
constexpr char16_t kPptExtension[] = u".ppt";
constexpr size_t kPptExtensionLength = 4;

// Positions travel as 16-bit arguments, so no more than this many can be walked.
int32_t WalkableCount(int32_t count)
{
    return std::clamp<int32_t>(count, 0, INT16_MAX);
}

// The 0-based slide index the phone gets for a 1-based show position: position 0 gives 0xFFFF
// and the end screen gives the slide count.
uint16_t ShowIndex(int32_t position)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(position) - 1u);
}

// The name as window titles show it: without a ".ppt" extension, in any case.
std::u16string TitleName(const std::u16string& name)
{
    if (name.size() >= kPptExtensionLength &&
        EqualsIgnoringAsciiCase(std::u16string_view(name).substr(name.size() - kPptExtensionLength), kPptExtension))
        return name.substr(0, name.size() - kPptExtensionLength);
    return name;
}

bool TryGetShowWindow(const CPresentation& presentation, CSlideShowWindow& window)
{
    try {
        window = presentation.GetSlideShowWindow();
        return true;
    } catch (const CAutomationFailure& failure) {
        // The program refuses the window exactly when no show of the presentation runs; a
        // program that turned busy since the probe says nothing about the show.
        if (failure.IsBusyRefusal())
            throw;
        return false;
    }
}

}  // namespace

std::unique_ptr<CAppMgrPowerPoint> CAppMgrPowerPoint::Create(const CPresentationContext& context, uint32_t window,
                                                             const std::u16string& title)
{
    if (g_powerPointApp.IsEmpty())
        return nullptr;
    bool chosen = false;
    std::u16string chosenName;
    std::u16string chosenTitleName;
    try {
        const CPresentations presentations = g_powerPointApp.GetPresentations();
        const int32_t count = WalkableCount(presentations.GetCount());
        for (int32_t i = 1; i <= count; ++i) {
            std::u16string name = presentations.Item(static_cast<int16_t>(i)).GetName();
            std::u16string titleName = TitleName(name);
            // "Talk" is also in the title of "Talk2"'s window: the longest name is the right one.
            if (title.find(titleName) == std::u16string::npos || (chosen && chosenTitleName.size() >= titleName.size()))
                continue;
            chosen = true;
            chosenName = std::move(name);
            chosenTitleName = std::move(titleName);
        }
    } catch (const CAutomationFailure&) {
        return nullptr;
    }
    // Later calls use the name as the program reported it, whatever its extension. A window
    // that matches no presentation still gets a manager, as before; every call of it fails and
    // the phone sees the show as not available.
    if (!chosen)
        chosenName = kPptExtension;
    return std::make_unique<CAppMgrPowerPoint>(context, window, std::move(chosenName), std::move(chosenTitleName));
}

CAppMgrPowerPoint::CAppMgrPowerPoint(const CPresentationContext& context, uint32_t window,
                                     std::u16string presentationName, std::u16string showName)
    : CAppMgr(window), m_context(context), m_presentationName(std::move(presentationName)),
      m_showName(std::move(showName))
{
    m_appData.SetShowName(m_showName);
}

template <class Operation>
void CAppMgrPowerPoint::Guarded(Operation operation)
{
    try {
        operation();
    } catch (const CAutomationFailure&) {
        // Whatever the program refused, the phone learns that the show cannot be controlled
        // now; the next poll or key tries again.
        ResetData();
        SendData();
    }
}

void CAppMgrPowerPoint::Poll()
{
    if (m_context.m_shared.AdvancePollCounter() && m_context.m_holdOffScreenSaver && m_context.m_holdOffScreenSaver()) {
        m_context.m_input.KeyDown(kScreenSaverKey);
        m_context.m_input.KeyUp(kScreenSaverKey);
    }
    Guarded([this] {
        if (IsPowerPointBusy()) {
            ResetData();
            SendData();
            return;
        }
        CSlideShowView view;
        if (!GetSlideShowView(view, false)) {
            if (m_appData.IsRunning()) {
                m_appData.SetRunning(false);
                SendData();
            }
            return;
        }
        const uint16_t current = ShowIndex(view.GetCurrentShowPosition());
        if (current == m_appData.GetCurrentSlide() && m_appData.IsRunning())
            return;
        m_appData.SetCurrentSlide(current);
        const CPresentations presentations = g_powerPointApp.GetPresentations();
        try {
            presentations.Item(m_presentationName);
        } catch (const CAutomationFailure& failure) {
            if (failure.IsBusyRefusal())
                throw;
            // Closed since the view was read: the next poll sees it.
            return;
        }
        UpdateCurrentSlide();
        SendData();
    });
}

void CAppMgrPowerPoint::KeyEvent(uint8_t kind, uint16_t keyCode)
{
    Guarded([this, kind, keyCode] {
        if (IsPowerPointBusy()) {
            ResetData();
            SendData();
            return;
        }
        const bool pointer = keyCode >= kPointerLeft && keyCode <= kPointerDown;
        if (kind == 0 && pointer)
            m_context.m_player.SetMouseDirection(DIRECTION_LEFT + (keyCode - kPointerLeft));
        else if (kind == 1 && pointer)
            m_context.m_player.SetMouseDirection(DIRECTION_NONE);
        else if (kind == 0)
            Navigate(keyCode);
    });
}

void CAppMgrPowerPoint::Navigate(uint16_t keyCode)
{
    if (keyCode != kKeyLeft && keyCode != kKeyRight && keyCode != kKeyUp && keyCode != kKeyDown && keyCode != kKeyClear)
        return;
    CSlideShowView view;
    if (keyCode == kKeyClear) {
        if (GetSlideShowView(view, false))
            view.Exit();
    } else if (GetSlideShowView(view, true)) {
        switch (keyCode) {
        case kKeyLeft:
            view.Previous();
            break;
        case kKeyUp:
            view.First();
            break;
        case kKeyDown:
            view.Last();
            break;
        default: {
            // On the end screen, forward means back to the start. Without a slide count (no
            // full refresh since this manager was made) Next does it: it ends the show, which
            // is started again below.
            const uint16_t position = static_cast<uint16_t>(view.GetCurrentShowPosition());
            const uint16_t total = m_appData.GetTotalSlides();
            if (total != 0 && position > total)
                view.First();
            else
                view.Next();
            // Next on the last slide may have ended the show; it starts again at once.
            CSlideShowView restarted;
            GetSlideShowView(restarted, true);
            break;
        }
        }
        ActivateShowWindow();
    }
    Notify();
}

void CAppMgrPowerPoint::OnButton(uint16_t controlId, uint8_t value)
{
    if (controlId != kPenButtonId || value > 1)
        return;
    Guarded([this, value] {
        CSlideShowView view;
        if (GetSlideShowView(view, false))
            view.SetPointerType(value == 1 ? CSlideShowView::kPointerPen : CSlideShowView::kPointerDefault);
    });
}

void CAppMgrPowerPoint::OnListBox(uint16_t controlId, uint8_t selectedIndex, const std::u16string& /*text*/)
{
    if (controlId != kSlideListId)
        return;
    Guarded([this, selectedIndex] {
        ShowSlide(selectedIndex + 1);
        if (g_powerPointApp.IsEmpty())
            return;
        try {
            LookUpPresentation();
        } catch (const CAutomationFailure&) {
            ResetData();
            SendData();
            return;
        }
        UpdateCurrentSlide();
        m_context.m_shared.RestartNotification();
    });
}

void CAppMgrPowerPoint::SetActive(bool active, bool bringToFront)
{
    if (!active)
        return;
    Guarded([this, bringToFront] { RefreshAll(bringToFront); });
}

void CAppMgrPowerPoint::SendData()
{
    m_context.m_dataSink.SendApplicationData(m_hWnd, GetAppType(), m_appData.Encode());
}

bool CAppMgrPowerPoint::GetSlideShowView(CSlideShowView& view, bool startIfStopped)
{
    if (g_powerPointApp.IsEmpty())
        return false;
    CPresentation presentation;
    try {
        presentation = LookUpPresentation();
    } catch (const CAutomationFailure& failure) {
        if (failure.IsBusyRefusal())
            throw;
        return false;
    }
    CSlideShowWindow window;
    if (!TryGetShowWindow(presentation, window)) {
        if (!startIfStopped)
            return false;
        // A failure here is no missing show but a program in trouble: it reaches the caller.
        if (presentation.GetSlides().GetCount() <= 0)
            return false;
        try {
            presentation.GetSlideShowSettings().Run();
        } catch (const CAutomationFailure& failure) {
            if (failure.IsBusyRefusal())
                throw;
            return false;
        }
        if (!TryGetShowWindow(presentation, window))
            return false;
    }
    try {
        view = window.GetView();
    } catch (const CAutomationFailure& failure) {
        if (failure.IsBusyRefusal())
            throw;
        return false;
    }
    return true;
}

CPresentation CAppMgrPowerPoint::LookUpPresentation() const
{
    return g_powerPointApp.GetPresentations().Item(m_presentationName);
}

void CAppMgrPowerPoint::UpdateCurrentSlide()
{
    // The presentation answers again, so a not-available record sent before is over.
    m_appData.SetShowName(m_showName);
    CSlideShowView view;
    if (!GetSlideShowView(view, false)) {
        m_appData.SetRunning(false);
        return;
    }
    m_appData.SetRunning(true);
    const uint16_t current = ShowIndex(view.GetCurrentShowPosition());
    m_appData.SetCurrentSlide(current);
    // The notes are those of the last full refresh; slides added since have none yet.
    const bool known = current < m_appData.GetTotalSlides() && current < m_notes.size();
    m_appData.SetSpeakerNotes(known ? m_notes[current] : std::u16string());
}

void CAppMgrPowerPoint::ShowSlide(int32_t slide)
{
    CSlideShowView view;
    if (!GetSlideShowView(view, true))
        return;
    try {
        if (LookUpPresentation().GetSlides().Item(static_cast<int16_t>(slide)).GetSlideShowTransition().GetHidden() != 0)
            return;
    } catch (const CAutomationFailure&) {
        // The jump is tried all the same; the show refuses a slide it does not have.
    }
    try {
        if (view.GetCurrentShowPosition() != slide)
            view.GotoSlide(slide);
    } catch (const CAutomationFailure&) {
        // A slide past the end: the show stays where it is, and the phone is told where.
    }
    ActivateShowWindow();
}

bool ContainsAsWholeName(const std::u16string& title, const std::u16string& name)
{
    if (name.empty())
        return false;
    // What may stand around a file name in a window title.
    const auto isBoundary = [](char16_t c) {
        return c == u' ' || c == u'[' || c == u']' || c == u'(' || c == u')' || c == u'"' || c == u'\'' ||
               c == u'\t';
    };
    for (size_t at = title.find(name); at != std::u16string::npos; at = title.find(name, at + 1)) {
        const size_t end = at + name.size();
        if ((at == 0 || isBoundary(title[at - 1])) && (end == title.size() || isBoundary(title[end])))
            return true;
    }
    return false;
}

void CAppMgrPowerPoint::ActivateShowWindow()
{
    IWindowSystem& windows = m_context.m_windowSystem;
    std::vector<uint32_t> topLevel;
    // A failed enumeration may still have listed the window looked for.
    windows.EnumTopLevelWindows(topLevel);
    // "Talk.ppt" also occurs in the show titles of "MyTalk.ppt" and "Talk.pptx": a title where
    // the name stands as a whole word wins over the first one that merely contains it.
    uint32_t containing = 0;
    for (uint32_t window : topLevel) {
        if (windows.GetWindowClass(window, kWindowTextLength) != kShowWindowClass)
            continue;
        const std::u16string title = windows.GetWindowTitle(window, kWindowTextLength);
        if (ContainsAsWholeName(title, m_presentationName)) {
            windows.SetForeground(window);
            return;
        }
        if (containing == 0 && title.find(m_presentationName) != std::u16string::npos)
            containing = window;
    }
    if (containing != 0)
        windows.SetForeground(containing);
}

void CAppMgrPowerPoint::RefreshAll(bool bringToFront)
{
    CSlideShowView view;
    const bool hasView = GetSlideShowView(view, bringToFront);
    if (bringToFront && hasView)
        ActivateShowWindow();
    if (g_powerPointApp.IsEmpty())
        return;
    CSlides slides;
    try {
        slides = LookUpPresentation().GetSlides();
    } catch (const CAutomationFailure&) {
        ResetData();
        SendData();
        return;
    }
    const int32_t count = WalkableCount(slides.GetCount());
    // Titles and notes of the last refresh go: a shorter walk below must not leave them behind.
    m_appData.SetTotalSlides(0);
    m_appData.SetTotalSlides(static_cast<uint16_t>(count));
    m_appData.SetCurrentSlide(hasView ? ShowIndex(view.GetCurrentShowPosition()) : 0);
    m_notes.assign(static_cast<size_t>(count), std::u16string());
    // The count is read again for every slide: slides deleted meanwhile end the walk, and
    // slides added meanwhile are left for the next refresh.
    for (int32_t i = 1; i <= slides.GetCount() && i <= count; ++i) {
        const CSlide slide = slides.Item(static_cast<int16_t>(i));
        const bool hidden = slide.GetSlideShowTransition().GetHidden() != 0;
        m_appData.SetSlideTitle(i - 1, hidden ? m_context.m_hiddenSlideText : ReadSlideTitle(slide));
        m_notes[static_cast<size_t>(i - 1)] = CleanSlideNotes(ReadSlideNotes(slide));
    }
    UpdateCurrentSlide();
    SendData();
}

void CAppMgrPowerPoint::ResetData()
{
    m_appData.SetCurrentSlide(0);
    m_appData.SetTotalSlides(0);
    m_appData.SetShowName(m_context.m_notAvailableText);
    m_appData.SetSpeakerNotes(std::u16string());
    m_appData.SetRunning(false);
}

void CAppMgrPowerPoint::Notify()
{
    if (g_powerPointApp.IsEmpty())
        return;
    try {
        LookUpPresentation();
    } catch (const CAutomationFailure&) {
        return;
    }
    UpdateCurrentSlide();
    m_context.m_shared.RestartNotification();
}
