#pragma once
#include <cstdint>
#include <memory>
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

    // Binds to the open presentation whose name the document window's title contains; of
    // several, the longest name wins, of equal ones the first. Null when there is no
    // connection to the program or it fails while the presentations are read.
    static std::unique_ptr<CAppMgrPowerPoint> Create(const CPresentationContext& context, uint32_t window,
                                                     const std::u16string& title);
    // Binds to a presentation chosen already: `presentationName` as the program reports it,
    // `showName` as the phone shows it.
    CAppMgrPowerPoint(const CPresentationContext& context, uint32_t window, std::u16string presentationName,
                      std::u16string showName);

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
    // sends all of it. The manager never reports itself active.
    void SetActive(bool active, bool bringToFront) override;

    // Sends the slide data as it stands.
    void SendData();
    const CAppDataPowerPoint& GetAppData() const { return m_appData; }

private:
    // Runs a public operation; an automation failure it lets through ends in the not-available
    // record instead of reaching the message loop.
    template <class Operation>
    void Guarded(Operation operation);

    void Navigate(uint16_t keyCode);
    // The view of this presentation's running show; with `startIfStopped`, a stopped show with
    // slides is started first. False when there is no show to control.
    bool GetSlideShowView(CSlideShowView& view, bool startIfStopped);
    // Throws when the presentation cannot be found.
    CPresentation LookUpPresentation() const;
    void UpdateCurrentSlide();
    void ShowSlide(int32_t slide);
    void ActivateShowWindow();
    void RefreshAll(bool bringToFront);
    void ResetData();
    void Notify();

    CPresentationContext m_context;
    CAppDataPowerPoint m_appData;
    // The key of every call to the presentation and the text its show window's title contains.
    std::u16string m_presentationName;
    // The name the phone shows; the not-available record replaces it until the show is back.
    std::u16string m_showName;
    // Speaker notes of every slide from the last full refresh; element i belongs to slide i + 1.
    std::vector<std::u16string> m_notes;
};
