#include "presentation/AppMgrPowerPoint.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "appctl/ActionPlayer.h"
#include "platform/InputSynth.h"
#include "platform/WindowSystem.h"
#include "platform/TimerService.h"
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

// The program did not answer the call (busy, or ended): the failure tells nothing about the
// object asked for, and reaches the operation's caller.
bool NoAnswer(const CAutomationFailure& failure)
{
    return failure.IsBusyRefusal() || failure.IsServerGone();
}

bool TryGetShowWindow(const CPresentation& presentation, CSlideShowWindow& window)
{
    try {
        window = presentation.GetSlideShowWindow();
        return true;
    } catch (const CAutomationFailure& failure) {
        // The program refuses the window exactly when no show of the presentation runs; a
        // program that turned busy or ended since the probe says nothing about the show.
        if (NoAnswer(failure))
            throw;
        return false;
    }
}

}  // namespace

std::unique_ptr<CAppMgrPowerPoint> CAppMgrPowerPoint::Create(const CPresentationContext& context, uint32_t window,
                                                             const std::u16string& title)
{
    const CApplication& application = context.m_connection.GetApplication();
    if (application.IsEmpty())
        return nullptr;
    bool chosen = false;
    std::u16string chosenName;
    std::u16string chosenTitleName;
    try {
        const CPresentations presentations = application.GetPresentations();
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
    } catch (const CAutomationFailure& failure) {
        context.m_connection.DropIfGone(failure);
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

CAppMgrPowerPoint::~CAppMgrPowerPoint()
{
    StopRefresh();
}

template <class Operation>
void CAppMgrPowerPoint::Guarded(Operation operation)
{
    try {
        operation();
    } catch (const CAutomationFailure& failure) {
        // Whatever the program refused, the phone learns that the show cannot be controlled
        // now; the next poll or key tries again, through a new connection when the program
        // has ended.
        m_context.m_connection.DropIfGone(failure);
        ResetData();
        SendData();
    }
}

const CApplication& CAppMgrPowerPoint::Application() const
{
    return m_context.m_connection.GetApplication();
}

void CAppMgrPowerPoint::Poll()
{
    if (m_context.m_shared.AdvancePollCounter() && m_context.m_holdOffScreenSaver && m_context.m_holdOffScreenSaver()) {
        m_context.m_input.KeyDown(kScreenSaverKey);
        m_context.m_input.KeyUp(kScreenSaverKey);
    }
    // A record now would carry the refresh's half-read slide list; its own record tells the
    // show as it stands once complete.
    if (IsRefreshing())
        return;
    // The poll never starts the program, and its calls are probes: a busy program is not
    // waited for every few seconds.
    m_context.m_connection.AttachIfRunning();
    CCallRetryPolicy::CProbe probe(m_context.m_connection.GetCallPolicy());
    Guarded([this] {
        CPresentation presentation;
        CSlideShowView view;
        int32_t position = 0;
        const bool running = LookUpPresentation(presentation, true) && GetSlideShowView(presentation, view, false) &&
                             ReadPosition(presentation, view, position);
        if (!running) {
            if (m_appData.IsRunning()) {
                m_appData.SetRunning(false);
                SendData();
            }
            return;
        }
        if (ShowIndex(position) == m_appData.GetCurrentSlide() && m_appData.IsRunning())
            return;
        SetShowState(true, position);
        SendData();
    });
}

void CAppMgrPowerPoint::KeyEvent(uint8_t kind, uint16_t keyCode)
{
    Guarded([this, kind, keyCode] {
        const bool navigation = keyCode == kKeyLeft || keyCode == kKeyRight || keyCode == kKeyUp ||
                                keyCode == kKeyDown || keyCode == kKeyClear;
        // A navigation press asks no busy probe of its own: its first call answers that too.
        if (kind == 0 && navigation) {
            // Navigation may need the connection made; pointer codes never do.
            ReachProgram();
            Navigate(keyCode);
            return;
        }
        if (m_context.m_connection.IsBusy()) {
            ResetData();
            SendData();
            return;
        }
        const bool pointer = keyCode >= kPointerLeft && keyCode <= kPointerDown;
        if (kind == 0 && pointer)
            m_context.m_player.SetMouseDirection(DIRECTION_LEFT + (keyCode - kPointerLeft));
        else if (kind == 1 && pointer)
            m_context.m_player.SetMouseDirection(DIRECTION_NONE);
    });
}

void CAppMgrPowerPoint::Navigate(uint16_t keyCode)
{
    // The key's first call doubles as the busy probe: a program that does not answer it gets
    // the not-available record, and the key is dropped.
    CPresentation presentation;
    if (!LookUpPresentation(presentation, true))
        return;
    CSlideShowView view;
    bool running = false;
    int32_t position = 0;
    if (keyCode == kKeyClear) {
        if (GetSlideShowView(presentation, view, false))
            view.Exit();
    } else if (GetSlideShowView(presentation, view, true)) {
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
            const uint16_t current = static_cast<uint16_t>(view.GetCurrentShowPosition());
            const uint16_t total = m_appData.GetTotalSlides();
            if (total != 0 && current > total)
                view.First();
            else
                view.Next();
            break;
        }
        }
        running = ReadPosition(presentation, view, position);
        // Next on the last slide may have ended the show; it starts again at once.
        if (!running && keyCode == kKeyRight && GetSlideShowView(presentation, view, true))
            running = ReadPosition(presentation, view, position);
        ActivateShowWindow();
    }
    SetShowState(running, position);
    m_context.m_shared.RestartNotification();
}

void CAppMgrPowerPoint::OnButton(uint16_t controlId, uint8_t value)
{
    if (controlId != kPenButtonId || value > 1)
        return;
    // Only a running show has a pointer to switch: the program is not started for it.
    m_context.m_connection.AttachIfRunning();
    Guarded([this, value] {
        CPresentation presentation;
        CSlideShowView view;
        if (LookUpPresentation(presentation, false) && GetSlideShowView(presentation, view, false))
            view.SetPointerType(value == 1 ? CSlideShowView::kPointerPen : CSlideShowView::kPointerDefault);
    });
}

void CAppMgrPowerPoint::OnListBox(uint16_t controlId, uint8_t selectedIndex, const std::u16string& /*text*/)
{
    if (controlId != kSlideListId || !ReachProgram())
        return;
    Guarded([this, selectedIndex] {
        CPresentation presentation;
        if (!LookUpPresentation(presentation, true)) {
            ResetData();
            SendData();
            return;
        }
        CSlideShowView view;
        bool running = false;
        int32_t position = 0;
        if (GetSlideShowView(presentation, view, true)) {
            ShowSlide(presentation, view, selectedIndex + 1);
            running = ReadPosition(presentation, view, position);
        }
        SetShowState(running, position);
        m_context.m_shared.RestartNotification();
    });
}

void CAppMgrPowerPoint::SetActive(bool active, bool bringToFront)
{
    if (!active) {
        StopRefresh();
        return;
    }
    ReachProgram();
    Guarded([this, bringToFront] { StartRefresh(bringToFront); });
}

void CAppMgrPowerPoint::SendPendingData()
{
    if (!IsRefreshing())
        SendData();
}

void CAppMgrPowerPoint::SendData()
{
    m_context.m_dataSink.SendApplicationData(m_hWnd, GetAppType(), m_appData.Encode());
}

bool CAppMgrPowerPoint::ReachProgram()
{
    // Once the user has closed the program its document window is gone: a key that comes
    // before the list drops the entry must not start a hidden instance that no one sees and
    // that would then run for the rest of the session.
    if (m_context.m_windowSystem.GetStyle(m_hWnd) == 0)
        return m_context.m_connection.AttachIfRunning();
    return m_context.m_connection.ConnectOrStart();
}

bool CAppMgrPowerPoint::LookUpPresentation(CPresentation& presentation, bool programMustAnswer) const
{
    if (Application().IsEmpty())
        return false;
    CPresentations presentations;
    try {
        presentations = Application().GetPresentations();
    } catch (const CAutomationFailure& failure) {
        if (programMustAnswer || NoAnswer(failure))
            throw;
        return false;
    }
    try {
        presentation = presentations.Item(m_presentationName);
        return true;
    } catch (const CAutomationFailure& failure) {
        if (NoAnswer(failure))
            throw;
        return false;
    }
}

bool CAppMgrPowerPoint::GetSlideShowView(const CPresentation& presentation, CSlideShowView& view,
                                         bool startIfStopped) const
{
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
            if (NoAnswer(failure))
                throw;
            return false;
        }
        if (!TryGetShowWindow(presentation, window))
            return false;
    }
    try {
        view = window.GetView();
    } catch (const CAutomationFailure& failure) {
        if (NoAnswer(failure))
            throw;
        return false;
    }
    return true;
}

bool CAppMgrPowerPoint::ReadPosition(const CPresentation& presentation, const CSlideShowView& view,
                                     int32_t& position) const
{
    try {
        position = view.GetCurrentShowPosition();
        return true;
    } catch (const CAutomationFailure& failure) {
        // A view outlives its show only as a dead object; a show still running means the read
        // itself failed.
        CSlideShowWindow window;
        if (NoAnswer(failure) || TryGetShowWindow(presentation, window))
            throw;
        return false;
    }
}

void CAppMgrPowerPoint::SetShowState(bool running, int32_t position)
{
    m_appData.SetShowName(m_showName);
    m_appData.SetRunning(running);
    if (!running)
        return;
    const uint16_t current = ShowIndex(position);
    m_appData.SetCurrentSlide(current);
    // The notes are those of the last full refresh; slides added since have none yet.
    const bool known = current < m_appData.GetTotalSlides() && current < m_notes.size();
    m_appData.SetSpeakerNotes(known ? m_notes[current] : std::u16string());
}

void CAppMgrPowerPoint::ShowSlide(const CPresentation& presentation, const CSlideShowView& view, int32_t slide)
{
    try {
        if (presentation.GetSlides().Item(static_cast<int16_t>(slide)).GetSlideShowTransition().GetHidden() != 0)
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

void CAppMgrPowerPoint::StartRefresh(bool bringToFront)
{
    StopRefresh();
    if (Application().IsEmpty())
        return;
    CRefresh refresh;
    if (!LookUpPresentation(refresh.m_presentation, true)) {
        ResetData();
        SendData();
        return;
    }
    const bool hasView = GetSlideShowView(refresh.m_presentation, refresh.m_view, bringToFront);
    if (bringToFront && hasView)
        ActivateShowWindow();
    refresh.m_slides = refresh.m_presentation.GetSlides();
    refresh.m_count = WalkableCount(refresh.m_slides.GetCount());
    // Titles and notes of the last refresh go: a shorter walk below must not leave them behind.
    m_appData.SetTotalSlides(0);
    m_appData.SetTotalSlides(static_cast<uint16_t>(refresh.m_count));
    m_appData.SetCurrentSlide(hasView ? ShowIndex(refresh.m_view.GetCurrentShowPosition()) : 0);
    m_notes.assign(static_cast<size_t>(refresh.m_count), std::u16string());
    m_refresh = std::move(refresh);
    ContinueRefresh();
}

void CAppMgrPowerPoint::ContinueRefresh()
{
    // The step works on its own copy: while a call into the program waits for its answer, the
    // GUI thread may handle a message that ends or restarts this refresh.
    CRefresh refresh = *m_refresh;
    const uint32_t generation = m_refreshGeneration;
    const auto abandoned = [this, generation] { return generation != m_refreshGeneration; };
    const int32_t last = std::min(refresh.m_count, refresh.m_next + kSlidesPerStep - 1);
    for (; refresh.m_next <= last; ++refresh.m_next) {
        const int32_t i = refresh.m_next;
        CSlide slide;
        try {
            slide = refresh.m_slides.Item(static_cast<int16_t>(i));
        } catch (const CAutomationFailure& failure) {
            // Slides deleted meanwhile end the walk; slides added meanwhile are left for the
            // next refresh.
            if (NoAnswer(failure) || i <= refresh.m_slides.GetCount())
                throw;
            refresh.m_count = i - 1;
            break;
        }
        const bool hidden = slide.GetSlideShowTransition().GetHidden() != 0;
        std::u16string title = hidden ? m_context.m_hiddenSlideText : ReadSlideTitle(slide);
        std::u16string notes = CleanSlideNotes(ReadSlideNotes(slide));
        if (abandoned())
            return;
        m_appData.SetSlideTitle(i - 1, title);
        m_notes[static_cast<size_t>(i - 1)] = std::move(notes);
    }
    if (abandoned())
        return;
    ++refresh.m_steps;
    if (refresh.m_next <= refresh.m_count) {
        *m_refresh = std::move(refresh);
        m_context.m_shared.GetTimer().StartOneShot(RefreshTimerName(), kStepDelayMilliseconds, [this] {
            Guarded([this] {
                if (m_refresh)
                    ContinueRefresh();
            });
        });
        return;
    }
    m_refresh.reset();
    // The view of the first step still serves when the walk took no tick; after ticks the show
    // may have been ended or started meanwhile, so it is looked up again.
    if (refresh.m_steps > 1) {
        refresh.m_view = CSlideShowView();
        GetSlideShowView(refresh.m_presentation, refresh.m_view, false);
    }
    int32_t position = 0;
    const bool running = !refresh.m_view.IsEmpty() && ReadPosition(refresh.m_presentation, refresh.m_view, position);
    SetShowState(running, position);
    SendData();
}

void CAppMgrPowerPoint::StopRefresh()
{
    ++m_refreshGeneration;
    if (!m_refresh)
        return;
    m_refresh.reset();
    m_context.m_shared.GetTimer().Stop(RefreshTimerName());
}

std::string CAppMgrPowerPoint::RefreshTimerName() const
{
    // One name per window: only the selected manager refreshes, and the one it replaces stops
    // its own timer first.
    char name[40];
    std::snprintf(name, sizeof name, "slide refresh 0x%08X", static_cast<unsigned>(m_hWnd));
    return name;
}

void CAppMgrPowerPoint::ResetData()
{
    // The record that goes out now is the whole answer: a refresh under way would only mix
    // its slides into it.
    StopRefresh();
    m_appData.SetCurrentSlide(0);
    m_appData.SetTotalSlides(0);
    m_appData.SetShowName(m_context.m_notAvailableText);
    m_appData.SetSpeakerNotes(std::u16string());
    m_appData.SetRunning(false);
}
