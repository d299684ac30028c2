#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "appctl/AppDataPowerPoint.h"
#include "appctl/AppMgr.h"
#include "presentation/PowerPointObjects.h"
#include "presentation/PresentationShell.h"

// The manager of one presentation open in the presentation program. While the phone has it
// selected, it drives the presentation's slide show through the program's automation
// interface, keeps the slide data the phone shows and sends it, follows changes made at the
// PC, and keeps the screen saver from starting. Everything runs on the GUI thread.
//
// Every automation call is a round trip to the program, so each operation looks the
// presentation and its show up once and hands them down. The full refresh of a long
// presentation is read a few slides per timer tick, so that the GUI thread is never held for
// the whole walk; its record goes out once it is complete.
//
// Automation failures never leave the public operations: one that is not handled on the spot
// sends the phone the not-available record, and the connection goes on.
// True when name occurs in a window title as a whole file name, not as part of a longer one
// ("Talk.ppt" in "Slide Show - [Talk.ppt]", not in "[MyTalk.ppt]" or "[Talk.pptx]").
bool ContainsAsWholeName(const std::u16string& title, const std::u16string& name);

class CAppMgrPowerPoint : public CAppMgr {
public:
    // Phone key codes of the navigation keys, and the pointer codes only this manager knows.
    static constexpr uint16_t kKeyClear = 0x0008;
    static constexpr uint16_t kKeyLeft = 0xF807;
    static constexpr uint16_t kKeyRight = 0xF808;
    static constexpr uint16_t kKeyUp = 0xF809;
    static constexpr uint16_t kKeyDown = 0xF80A;
    static constexpr uint16_t kPointerLeft = 0xFF01;
    static constexpr uint16_t kPointerDown = 0xFF04;
    // Controls of the phone's presentation screen.
    static constexpr uint16_t kSlideListId = 1;
    static constexpr uint16_t kPenButtonId = 2;
    // The class of the program's slide show windows.
    static constexpr char16_t kShowWindowClass[] = u"screenClass";
    // The right Shift key: pressing it keeps the screen saver away and changes nothing on screen.
    static constexpr uint8_t kScreenSaverKey = 0xA1;
    // Slides the full refresh reads at a time: the first step runs within the selection, each
    // further one on a timer tick of its own, after whatever the phone sent meanwhile.
    static constexpr int32_t kSlidesPerStep = 10;
    static constexpr uint32_t kStepDelayMilliseconds = 10;

    // Binds to the open presentation whose name the document window's title contains; of
    // several, the longest name wins, of equal ones the first. Null when there is no
    // connection to the program or it fails while the presentations are read.
    static std::unique_ptr<CAppMgrPowerPoint> Create(const CPresentationContext& context, uint32_t window,
                                                     const std::u16string& title);
    // Binds to a presentation chosen already: `presentationName` as the program reports it,
    // `showName` as the phone shows it.
    CAppMgrPowerPoint(const CPresentationContext& context, uint32_t window, std::u16string presentationName,
                      std::u16string showName);
    // A refresh under way is dropped: its timer refers to this manager.
    ~CAppMgrPowerPoint() override;

    void Poll() override;
    void KeyEvent(uint8_t kind, uint16_t keyCode) override;
    uint32_t GetAppType() const override { return APPTYPE_POWERPOINT; }
    // The presentation's name as the program reports it.
    std::u16string GetName() const override { return m_presentationName; }
    // Value 1 turns the show's pointer into the pen, 0 back into the arrow.
    void OnButton(uint16_t controlId, uint8_t value) override;
    // Jumps to the chosen slide (index 0 is slide 1) unless it is hidden.
    void OnListBox(uint16_t controlId, uint8_t selectedIndex, const std::u16string& text) override;
    // Selection: starts the show (with bringToFront), reads every slide's title and notes and
    // sends all of it once read. Deselection drops a refresh under way. The manager never
    // reports itself active.
    void SetActive(bool active, bool bringToFront) override;
    // The notification after navigation: sends the slide data, unless a full refresh is under
    // way, whose record will tell the show as it stands then.
    void SendPendingData() override;

    // Sends the slide data as it stands.
    void SendData();
    const CAppDataPowerPoint& GetAppData() const { return m_appData; }
    bool IsRefreshing() const { return m_refresh.has_value(); }

private:
    // A full refresh under way: what its first step looked up, and the next slide to read.
    struct CRefresh {
        CPresentation m_presentation;
        CSlideShowView m_view;  // empty when no show ran
        CSlides m_slides;
        int32_t m_count = 0;
        int32_t m_next = 1;
        int m_steps = 0;
    };

    // Runs a public operation; an automation failure it lets through ends in the not-available
    // record instead of reaching the message loop.
    template <class Operation>
    void Guarded(Operation operation);

    const CApplication& Application() const;
    // The presentation, looked up once per operation; false when there is no connection or the
    // program does not have it (closed, renamed). A busy refusal reaches the caller, and so does
    // any failure of the program's collection itself when `programMustAnswer`: keys and polls
    // take that first call as their busy probe.
    // Connects for an action of the phone: to the running program, started if need be while
    // the presentation's window is there; true when connected.
    bool ReachProgram();
    bool LookUpPresentation(CPresentation& presentation, bool programMustAnswer) const;
    // The view of the presentation's running show; with `startIfStopped`, a stopped show with
    // slides is started first. False when there is no show to control.
    bool GetSlideShowView(const CPresentation& presentation, CSlideShowView& view, bool startIfStopped) const;
    // The show's position through `view`; false when the show has ended since the view was
    // taken. Any other failure reaches the caller.
    bool ReadPosition(const CPresentation& presentation, const CSlideShowView& view, int32_t& position) const;
    // Records where the show stands (not running, or on `position`) with that slide's notes; the
    // presentation answered, so a not-available record sent before is over.
    void SetShowState(bool running, int32_t position);

    void Navigate(uint16_t keyCode);
    void ShowSlide(const CPresentation& presentation, const CSlideShowView& view, int32_t slide);
    void ActivateShowWindow();
    void StartRefresh(bool bringToFront);
    void ContinueRefresh();
    void StopRefresh();
    std::string RefreshTimerName() const;
    void ResetData();

    CPresentationContext m_context;
    CAppDataPowerPoint m_appData;
    // The key of every call to the presentation and the text its show window's title contains.
    std::u16string m_presentationName;
    // The name the phone shows; the not-available record replaces it until the show is back.
    std::u16string m_showName;
    // Speaker notes of every slide from the last full refresh; element i belongs to slide i + 1.
    std::vector<std::u16string> m_notes;
    std::optional<CRefresh> m_refresh;
    // Changes whenever a refresh ends or starts, so that a step finds out it was abandoned.
    uint32_t m_refreshGeneration = 0;
};
