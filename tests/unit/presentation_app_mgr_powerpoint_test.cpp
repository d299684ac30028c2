#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeInputSynth.h"
#include "FakePowerPoint.h"
#include "FakePresentationShell.h"
#include "TestTimerService.h"
#include "FakeWindowSystem.h"
#include "appctl/ActionPlayer.h"
#include "presentation/AppMgrPowerPoint.h"
#include "presentation/PowerPointConnection.h"
#include "presentation/PowerPointSource.h"
#include "presentation/PresentationShared.h"
#include "presentation/SlideText.h"

namespace {

using Lines = std::vector<std::string>;
using Titles = std::vector<std::u16string>;

constexpr uint32_t kDocument = 0x310;
constexpr uint32_t kOtherShowWindow = 0x500;
constexpr uint32_t kFrameWindow = 0x510;
constexpr uint32_t kShowWindow = 0x520;
const Lines kToShowWindow = {"foreground 0x520"};

// An application manager of another kind, for the notification timer.
class COtherMgr : public CAppMgr {
public:
    COtherMgr() : CAppMgr(0x999) {}
    uint32_t GetAppType() const override { return APPTYPE_GENERIC; }
    std::u16string GetName() const override { return u"Other"; }
};

// The program with two presentations: Other.ppt, and Talk.ppt with a titled slide, an untitled
// one, a hidden one and a last titled one. The desktop has Talk's show window behind two that
// must not be taken for it.
class PowerPointMgrTest : public ::testing::Test {
protected:
    PowerPointMgrTest()
    {
        m_fake.AddPresentation(u"Other.ppt", {CFakeSlide::Titled(u"Elsewhere")});
        m_fake.AddPresentation(u"Talk.ppt", {CFakeSlide::Titled(u"Plan", u"Say hello"), CFakeSlide::Untitled(u"Second"),
                                             CFakeSlide::Titled(u"Spare", u"Spare notes").Hidden(),
                                             CFakeSlide::Titled(u"End", u"Bye")});
        m_desktop.AddWindow(kOtherShowWindow, u"screenClass", u"PowerPoint Slide Show - [Other.ppt]");
        m_desktop.AddWindow(kFrameWindow, u"PPTFrameClass", u"Microsoft PowerPoint - [Talk.ppt]");
        m_desktop.AddWindow(kShowWindow, u"screenClass", u"PowerPoint Slide Show - [Talk.ppt]");
        m_connection.Connect(m_fake);
    }
    ~PowerPointMgrTest() override { m_connection.Disconnect(); }

    CAppMgrPowerPoint& Make(const std::u16string& title = u"Talk.ppt")
    {
        m_manager = CAppMgrPowerPoint::Create(m_context, kDocument, title);
        m_current = m_manager.get();
        if (!m_manager)
            throw std::runtime_error("no manager");
        return *m_manager;
    }
    // Talk selected by the phone, its show running on `position`, every record so far dropped.
    CAppMgrPowerPoint& Selected(int32_t position = 1)
    {
        Make().SetActive(true, true);
        Talk().m_position = position;
        Forget();
        return *m_manager;
    }
    void Forget()
    {
        m_sink.m_sent.clear();
        m_fake.ClearCalls();
        m_desktop.m_calls.clear();
    }
    CFakePresentation& Talk() { return m_fake.Presentation(u"Talk.ppt"); }

    CFakePowerPoint m_fake;
    CFakeWindowSystem m_desktop;
    CFakeInputSynth m_input;
    CActionPlayer m_player{m_input, [] { return 10; }};
    CFakeAppDataSink m_sink;
    CTestTimerService m_timer;
    CAppMgr* m_current = nullptr;
    CPresentationShared m_shared{m_timer, [this] {
                                     if (m_current)
                                         m_current->SendPendingData();
                                 }};
    bool m_holdOff = true;
    CPowerPointConnection m_connection;
    CPresentationContext m_context{m_connection, m_sink,   m_shared,
                                   m_desktop,    m_input,  m_player,
                                   [this] { return m_holdOff; }};
    std::unique_ptr<CAppMgrPowerPoint> m_manager;
};

// ---- choosing the presentation

TEST_F(PowerPointMgrTest, BindsToTheLongestPresentationNameInTheTitle)
{
    struct Case {
        const char* what;
        std::vector<std::u16string> names;
        std::u16string title;
        std::u16string key;
        std::u16string showName;
    };
    const Case cases[] = {
        {"longer name wins", {u"Talk.ppt", u"Talk2.ppt"}, u"Talk2.ppt", u"Talk2.ppt", u"Talk2"},
        {"whatever the order", {u"Talk2.ppt", u"Talk.ppt"}, u"Microsoft PowerPoint - [Talk2.ppt]", u"Talk2.ppt", u"Talk2"},
        {"equal length: the first", {u"AB.ppt", u"CD.ppt"}, u"CD AB", u"AB.ppt", u"AB"},
        {"extension in capitals", {u"Deck.PPT"}, u"Deck", u"Deck.PPT", u"Deck"},
        {"other extension kept as the key", {u"Deck.pptx"}, u"Deck.pptx", u"Deck.pptx", u"Deck.pptx"},
        {"ppt and pptx side by side", {u"Deck.pptx", u"Deck.ppt"}, u"Deck.ppt", u"Deck.ppt", u"Deck"},
        {"title compared with case", {u"talk.ppt"}, u"Talk.ppt", u".ppt", u""},
        {"no presentation open", {}, u"Talk.ppt", u".ppt", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CFakePowerPoint fake;
        for (const std::u16string& name : c.names)
            fake.AddPresentation(name);
        ASSERT_TRUE(m_connection.Connect(fake));
        const auto manager = CAppMgrPowerPoint::Create(m_context, kDocument, c.title);
        ASSERT_NE(manager, nullptr);
        EXPECT_EQ(manager->GetName(), c.key);
        EXPECT_EQ(manager->GetAppData().GetShowName(), c.showName);
        EXPECT_EQ(manager->GetAppType(), 16u);
        EXPECT_EQ(manager->GetWindow(), kDocument);
        m_connection.Disconnect();
    }
}

// The source is what the application list calls: no manager without the program or when it
// fails while the presentations are read.
TEST_F(PowerPointMgrTest, SourceMakesNoManagerWhenThePresentationsCannotBeRead)
{
    CPowerPointSource source(m_context);
    EXPECT_NE(source.CreateManager(kDocument, u"Talk.ppt"), nullptr);
    EXPECT_FALSE(source.IsBusy());
    m_fake.SetBusy(true);
    EXPECT_TRUE(source.IsBusy());
    EXPECT_EQ(source.CreateManager(kDocument, u"Talk.ppt"), nullptr);
    m_fake.SetBusy(false);

    const std::pair<EFakeObject, int32_t> failing[] = {
        {EFakeObject::Application, 2001}, {EFakeObject::Presentations, 11}, {EFakeObject::Presentation, 2025}};
    for (const auto& [object, id] : failing) {
        m_fake.FailNext(object, id, EInvokeKind::PropertyGet);
        EXPECT_EQ(source.CreateManager(kDocument, u"Talk.ppt"), nullptr) << FakeObjectName(object);
    }
    m_connection.Disconnect();
    EXPECT_EQ(source.CreateManager(kDocument, u"Talk.ppt"), nullptr);
    EXPECT_FALSE(source.IsBusy());
}

// A presentation saved under another extension is driven under its own name: its show starts,
// its show window comes forward, and every call names it.
TEST_F(PowerPointMgrTest, PresentationWithAnotherExtensionIsControlled)
{
    m_fake.AddPresentation(u"Deck.pptx", {CFakeSlide::Titled(u"One"), CFakeSlide::Titled(u"Two")});
    m_desktop.AddWindow(0x600, u"screenClass", u"PowerPoint Slide Show - [Deck.pptx]");
    CAppMgrPowerPoint& manager = Make(u"Deck.pptx");
    m_fake.ClearCalls();
    manager.SetActive(true, true);
    EXPECT_TRUE(m_fake.Presentation(u"Deck.pptx").m_running);
    EXPECT_EQ(m_desktop.m_calls, Lines{"foreground 0x600"});
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_titles, (Titles{u"One", u"Two"}));
    EXPECT_TRUE(m_sink.m_sent[0].m_running);
    for (const CFakeCall& call : m_fake.Calls()) {
        if (call.m_object == EFakeObject::Presentations && call.m_dispatchId == 0) {
            EXPECT_EQ(call.m_arguments, std::vector<CAutomationValue>{CAutomationValue::Text(u"Deck.pptx")});
        }
    }
}

// ---- the full refresh

TEST_F(PowerPointMgrTest, SelectionStartsTheShowAndSendsEverySlide)
{
    CAppMgrPowerPoint& manager = Make();
    m_fake.ClearCalls();
    manager.SetActive(false, true);
    EXPECT_TRUE(m_fake.Calls().empty());
    EXPECT_TRUE(m_sink.m_sent.empty());

    manager.SetActive(true, true);
    EXPECT_TRUE(Talk().m_running);
    EXPECT_FALSE(manager.IsActive());
    EXPECT_EQ(m_desktop.m_calls, kToShowWindow);
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    const CSentSlideData& sent = m_sink.m_sent[0];
    EXPECT_TRUE(sent.m_wellFormed);
    EXPECT_EQ(sent.m_appId, kDocument);
    EXPECT_EQ(sent.m_appType, 16u);
    EXPECT_EQ(sent.m_currentSlide, 0);
    EXPECT_EQ(sent.m_totalSlides, 4);
    EXPECT_TRUE(sent.m_running);
    EXPECT_EQ(sent.m_showName, u"Talk");
    EXPECT_EQ(sent.m_notes, u"Say hello");
    EXPECT_EQ(sent.m_titles, (Titles{u"Plan", u"", u"(Hidden slide)", u"End"}));
    EXPECT_FALSE(m_timer.IsRunning(CPresentationShared::kNotificationTimer));
}

TEST_F(PowerPointMgrTest, RefreshWithoutBringingForwardLeavesTheShowAlone)
{
    Make().SetActive(true, false);
    EXPECT_FALSE(Talk().m_running);
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_currentSlide, 0);
    EXPECT_FALSE(m_sink.m_sent[0].m_running);
    EXPECT_EQ(m_sink.m_sent[0].m_notes, u"");
    EXPECT_EQ(m_sink.m_sent[0].m_totalSlides, 4);

    // A running show is read but not brought forward.
    Talk().StartShow();
    Talk().m_position = 2;
    m_manager->SetActive(true, false);
    ASSERT_EQ(m_sink.m_sent.size(), 2u);
    EXPECT_EQ(m_sink.m_sent[1].m_currentSlide, 1);
    EXPECT_EQ(m_sink.m_sent[1].m_notes, u"Second");
    EXPECT_TRUE(m_desktop.m_calls.empty());
}

TEST(SlideText, TitlesBecomeOneLineAndNotesKeepTheirLines)
{
    struct Case {
        std::u16string raw;
        std::u16string title;
        std::u16string notes;
    };
    const Case cases[] = {
        {u"Plan\rA\tB", u"PlanA B", u"Plan\rA B"},
        {u"a\r\nb\tc", u"a b c", u"a\nb c"},
        {u"a\vb\nc", u"a b c", u"a\vb\nc"},
        {u"1\u00962", u"1-2", u"1\u00962"},
        {u"\r\r\n\n", u"  ", u"\r\n\n"},  // no rescan after a replacement
        {u"", u"", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanSlideTitle(c.raw), c.title) << FakeNarrow(c.raw);
        EXPECT_EQ(CleanSlideNotes(c.raw), c.notes) << FakeNarrow(c.raw);
    }
}

// Titles and notes as they reach the phone: cleaned, "-" for an unreadable title, hidden
// slides named as such whatever their title.
TEST_F(PowerPointMgrTest, RefreshCleansTitlesAndNotes)
{
    Talk().m_slides[0] = CFakeSlide::Titled(u"Plan\rA\tB", u"a\r\nb\tc");
    Talk().m_slides[1] = CFakeSlide::Untitled();
    m_fake.FailNext(EFakeObject::Shapes, 2006, EInvokeKind::PropertyGet, 1);  // the first title shape
    CAppMgrPowerPoint& manager = Make();
    manager.SetActive(true, true);
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_titles, (Titles{u"-", u"", u"(Hidden slide)", u"End"}));
    EXPECT_EQ(m_sink.m_sent[0].m_notes, u"a\nb c");

    manager.SetActive(true, true);
    ASSERT_EQ(m_sink.m_sent.size(), 2u);
    EXPECT_EQ(m_sink.m_sent[1].m_titles, (Titles{u"PlanA B", u"", u"(Hidden slide)", u"End"}));
}

// A presentation longer than one step is read over timer ticks. Whatever reaches the manager
// in between, the phone gets no record until the walk is done, and then one whole record that
// tells the show as it stands; keys still navigate meanwhile.
TEST_F(PowerPointMgrTest, LongRefreshIsReadOverTicksAndSentWhole)
{
    constexpr int kSlides = 25;
    std::vector<CFakeSlide> deck;
    for (int i = 1; i <= kSlides; ++i) {
        const std::u16string n(1, static_cast<char16_t>(u'@' + i));
        deck.push_back(CFakeSlide::Titled(u"T" + n, u"N" + n));
    }
    using M = CAppMgrPowerPoint;
    struct Case {
        const char* what;
        std::function<void(M&)> between;  // after the first step
        size_t records;                    // the refresh's, and a notification's after it
        uint16_t current;
        int32_t total = kSlides;
    };
    const Case cases[] = {
        {"nothing", [](M&) {}, 1, 0},
        {"a poll and a notification", [](M& m) { m.Poll(); m.SendPendingData(); }, 1, 0},
        {"Right", [](M& m) { m.KeyEvent(0, M::kKeyRight); m.KeyEvent(1, M::kKeyRight); }, 2, 1},
        {"list-box jump", [](M& m) { m.OnListBox(1, 19, u""); }, 2, 19},
        {"show ended at the PC", [this](M&) { Talk().EndShow(); }, 1, 0},
        {"slides deleted at the PC", [this](M&) { Talk().m_slides.resize(15); }, 1, 0},
        {"deselected", [](M& m) { m.SetActive(false, true); }, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Talk().m_slides = deck;
        Talk().EndShow();
        Forget();
        CAppMgrPowerPoint& manager = Make();
        manager.SetActive(true, true);
        EXPECT_TRUE(manager.IsRefreshing());
        EXPECT_EQ(m_fake.CountCalls(EFakeObject::Slides, 0, EInvokeKind::Method), 10u);
        EXPECT_TRUE(m_sink.m_sent.empty());
        c.between(manager);
        EXPECT_TRUE(m_sink.m_sent.empty());
        m_timer.Advance(2 * CAppMgrPowerPoint::kStepDelayMilliseconds);
        EXPECT_FALSE(manager.IsRefreshing());
        m_timer.Advance(1000);
        ASSERT_EQ(m_sink.m_sent.size(), c.records);
        const bool deleted = Talk().SlideCount() < kSlides;
        for (const CSentSlideData& sent : m_sink.m_sent) {
            EXPECT_TRUE(sent.m_wellFormed);
            EXPECT_EQ(sent.m_showName, u"Talk");
            EXPECT_EQ(sent.m_currentSlide, c.current);
            EXPECT_EQ(sent.m_running, Talk().m_running);
            ASSERT_EQ(sent.m_titles.size(), static_cast<size_t>(kSlides));
            EXPECT_EQ(sent.m_titles[14], u"TO");
            EXPECT_EQ(sent.m_titles[24], deleted ? u"" : u"TY");
        }
        if (c.records != 0 && Talk().m_running) {
            const std::u16string notes = c.current == 19 ? u"NT" : c.current == 1 ? u"NB" : u"NA";
            EXPECT_EQ(m_sink.m_sent[0].m_notes, notes);
        }
    }
}

// A program that stops answering halfway ends the refresh with the not-available record; a
// manager that goes halfway takes its step timer with it.
TEST_F(PowerPointMgrTest, RefreshCutShortSendsNotAvailableOrNothing)
{
    Talk().m_slides.assign(25, CFakeSlide::Titled(u"T", u"N"));
    CAppMgrPowerPoint& manager = Make();
    manager.SetActive(true, true);
    m_fake.SetBusy(true);
    m_timer.Advance(1000);
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_showName, u"Not Available");
    EXPECT_EQ(m_sink.m_sent[0].m_totalSlides, 0);
    EXPECT_FALSE(manager.IsRefreshing());
    m_fake.SetBusy(false);

    // A busy key halfway through ends the refresh just the same.
    m_sink.m_sent.clear();
    manager.SetActive(true, true);
    m_fake.SetBusy(true);
    manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    m_fake.SetBusy(false);
    m_timer.Advance(1000);
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_showName, u"Not Available");

    m_sink.m_sent.clear();
    manager.SetActive(true, true);
    m_manager.reset();
    m_current = nullptr;
    EXPECT_EQ(m_timer.DueIn("slide refresh 0x00000310"), -1);
    m_timer.Advance(1000);
    EXPECT_TRUE(m_sink.m_sent.empty());
}

// ---- navigation

TEST_F(PowerPointMgrTest, NavigationKeysMoveTheShowAndReportItHalfASecondLater)
{
    struct Case {
        const char* what;
        int32_t from;  // 0: no show running
        uint16_t key;
        int32_t to;  // 0: no show running
        bool toFront;
        bool nextEndsShow = false;
    };
    using M = CAppMgrPowerPoint;
    const Case cases[] = {
        {"Left", 2, M::kKeyLeft, 1, true},
        {"Left on the first slide", 1, M::kKeyLeft, 1, true},
        {"Right", 1, M::kKeyRight, 2, true},
        {"Right over a hidden slide", 2, M::kKeyRight, 4, true},
        {"Right on the last slide", 4, M::kKeyRight, 5, true},
        {"Right on the last slide ending the show", 4, M::kKeyRight, 1, true, true},
        {"Right on the end screen", 5, M::kKeyRight, 1, true},
        {"Up", 4, M::kKeyUp, 1, true},
        {"Down", 1, M::kKeyDown, 4, true},
        {"Clear", 2, M::kKeyClear, 0, false},
        {"Clear without a show", 0, M::kKeyClear, 0, false},
        {"Down starts a stopped show", 0, M::kKeyDown, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Selected();
        if (c.from == 0)
            Talk().EndShow();
        else
            Talk().m_position = c.from;
        m_fake.m_nextPastLastEndsShow = c.nextEndsShow;
        m_manager->KeyEvent(0, c.key);
        EXPECT_EQ(Talk().m_running, c.to != 0);
        EXPECT_EQ(Talk().m_position, c.to);
        EXPECT_EQ(m_desktop.m_calls, c.toFront ? kToShowWindow : Lines{});
        EXPECT_TRUE(m_sink.m_sent.empty());

        m_timer.Advance(499);
        EXPECT_TRUE(m_sink.m_sent.empty());
        m_timer.Advance(1);
        ASSERT_EQ(m_sink.m_sent.size(), 1u);
        const CSentSlideData& sent = m_sink.m_sent[0];
        EXPECT_EQ(sent.m_running, c.to != 0);
        EXPECT_EQ(sent.m_totalSlides, 4);
        const std::u16string notes[] = {u"Say hello", u"Second", u"Spare notes", u"Bye", u""};
        if (c.to != 0) {
            EXPECT_EQ(sent.m_currentSlide, c.to - 1);
            EXPECT_EQ(sent.m_notes, notes[c.to - 1]);
        }
    }
}

// A manager made by an application-list rebuild has no slide count until the phone selects it
// again; forward must still go forward, and from the end screen back to the start.
TEST_F(PowerPointMgrTest, RightWithoutASlideCountStillGoesForward)
{
    Make().SetActive(true, true);
    Make();  // the rebuild's new manager for the same window
    Talk().m_position = 1;
    m_manager->KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    EXPECT_EQ(Talk().m_position, 2);
    Talk().m_position = 5;
    m_manager->KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    EXPECT_TRUE(Talk().m_running);
    EXPECT_EQ(Talk().m_position, 1);
    m_timer.Advance(500);
    ASSERT_EQ(m_sink.m_sent.size(), 2u);
    EXPECT_EQ(m_sink.m_sent[1].m_totalSlides, 0);
    EXPECT_EQ(m_sink.m_sent[1].m_currentSlide, 0);
    EXPECT_EQ(m_sink.m_sent[1].m_notes, u"");
}

TEST_F(PowerPointMgrTest, ShowWithoutSlidesIsNotStartedButStillReported)
{
    Talk().m_slides.clear();
    Make().SetActive(true, true);
    EXPECT_FALSE(Talk().m_running);
    Forget();
    m_manager->KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    EXPECT_FALSE(Talk().m_running);
    EXPECT_TRUE(m_desktop.m_calls.empty());
    m_timer.Advance(500);
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_FALSE(m_sink.m_sent[0].m_running);
    EXPECT_EQ(m_sink.m_sent[0].m_totalSlides, 0);
}

TEST_F(PowerPointMgrTest, ReleasesAndOtherKeysChangeNothing)
{
    const std::pair<uint8_t, uint16_t> keys[] = {{1, CAppMgrPowerPoint::kKeyRight}, {2, CAppMgrPowerPoint::kKeyLeft},
                                                 {0, 0x0031}, {0, 0xF845}, {1, 0x0008}, {0, 0xFF05}, {0, 0xFF00}};
    CAppMgrPowerPoint& manager = Selected(2);
    for (const auto& [kind, code] : keys) {
        manager.KeyEvent(kind, code);
        EXPECT_EQ(m_fake.CallLines(), Lines{"Application 2032 get"}) << int(kind) << " " << code;
        m_fake.ClearCalls();
    }
    EXPECT_EQ(Talk().m_position, 2);
    EXPECT_FALSE(m_timer.IsRunning(CPresentationShared::kNotificationTimer));
    EXPECT_EQ(m_player.GetDirection(), DIRECTION_NONE);
    EXPECT_TRUE(m_sink.m_sent.empty());
}

TEST_F(PowerPointMgrTest, PointerCodesMoveThePointer)
{
    CAppMgrPowerPoint& manager = Selected();
    const int32_t directions[] = {DIRECTION_LEFT, DIRECTION_RIGHT, DIRECTION_UP, DIRECTION_DOWN};
    for (uint16_t code = 0xFF01; code <= 0xFF04; ++code) {
        manager.KeyEvent(0, code);
        EXPECT_EQ(m_player.GetDirection(), directions[code - 0xFF01]);
        manager.KeyEvent(1, code);
        EXPECT_EQ(m_player.GetDirection(), DIRECTION_NONE);
    }
    // Without the program the pointer still moves; while it is busy the key is ignored.
    m_connection.Disconnect();
    manager.KeyEvent(0, 0xFF02);
    EXPECT_EQ(m_player.GetDirection(), DIRECTION_RIGHT);
    manager.KeyEvent(1, 0xFF02);
    m_connection.Connect(m_fake);
    m_fake.SetBusy(true);
    manager.KeyEvent(0, 0xFF03);
    EXPECT_EQ(m_player.GetDirection(), DIRECTION_NONE);
    EXPECT_FALSE(m_sink.m_sent.empty());
}

// A burst of keys gives one record, 500 ms after the last key, of the manager that is current
// when the timer fires.
TEST_F(PowerPointMgrTest, BurstOfKeysSendsOneRecordAfterTheLast)
{
    CAppMgrPowerPoint& manager = Selected(1);
    for (int i = 0; i < 3; ++i) {
        manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
        m_timer.Advance(400);
    }
    EXPECT_TRUE(m_sink.m_sent.empty());
    m_timer.Advance(99);
    EXPECT_TRUE(m_sink.m_sent.empty());
    m_timer.Advance(1);
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_currentSlide, 4);  // the end screen
    EXPECT_FALSE(m_shared.IsNotificationPending());
    m_timer.Advance(5000);
    EXPECT_EQ(m_sink.m_sent.size(), 1u);

    // Another kind of manager current when it fires, or none: nothing is sent.
    COtherMgr other;
    for (CAppMgr* current : {static_cast<CAppMgr*>(&other), static_cast<CAppMgr*>(nullptr)}) {
        manager.KeyEvent(0, CAppMgrPowerPoint::kKeyLeft);
        m_current = current;
        m_timer.Advance(500);
        EXPECT_EQ(m_sink.m_sent.size(), 1u);
        m_current = &manager;
    }
}

// The shared state goes before the shell's timer: a notification still pending must not call
// back into it.
TEST_F(PowerPointMgrTest, SharedStateCancelsItsPendingNotification)
{
    {
        CPresentationShared shared(m_timer, [] {});
        shared.RestartNotification();
        EXPECT_TRUE(m_timer.IsRunning(CPresentationShared::kNotificationTimer));
    }
    EXPECT_FALSE(m_timer.IsRunning(CPresentationShared::kNotificationTimer));
    {
        CPresentationShared shared(m_timer, [] {});
    }
    EXPECT_EQ(m_timer.m_stops, 1);
}

// ---- the slide list and the pen

TEST_F(PowerPointMgrTest, ListBoxJumpsToVisibleSlides)
{
    struct Case {
        const char* what;
        uint16_t control;
        uint8_t index;
        int32_t to;
        bool jumped;
    };
    const Case cases[] = {
        {"visible slide", 1, 3, 4, true},
        {"hidden slide refused", 1, 2, 1, false},
        {"the slide already shown", 1, 0, 1, false},
        {"index 255 tries slide 256", 1, 255, 1, true},
        {"another control", 2, 3, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Selected(1);
        m_manager->OnListBox(c.control, c.index, u"ignored");
        EXPECT_EQ(Talk().m_position, c.to);
        EXPECT_EQ(m_fake.CountCalls(EFakeObject::SlideShowView, 2021, EInvokeKind::Method) > 0, c.jumped);
        if (c.control != 1) {
            EXPECT_TRUE(m_fake.Calls().empty());
            continue;
        }
        EXPECT_EQ(m_desktop.m_calls, c.index == 2 ? Lines{} : kToShowWindow);
        m_timer.Advance(500);
        ASSERT_EQ(m_sink.m_sent.size(), 1u);
        EXPECT_EQ(m_sink.m_sent[0].m_currentSlide, c.to - 1);
    }
    // The 256th slide is asked for and tried, and the show's refusal is taken quietly.
    Selected(1);
    m_manager->OnListBox(1, 255, u"");
    const Lines lines = m_fake.CallLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Slides 0 method (I2 256)"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "SlideShowView 2021 method (I4 256, I4 0)"), lines.end());
}

TEST_F(PowerPointMgrTest, ListBoxJumpStartsTheShowAndReportsAClosedPresentation)
{
    CAppMgrPowerPoint& manager = Selected();
    Talk().EndShow();
    manager.OnListBox(1, 1, u"");
    EXPECT_TRUE(Talk().m_running);
    EXPECT_EQ(Talk().m_position, 2);

    m_timer.Advance(500);
    Forget();
    m_fake.ClosePresentation(u"Talk.ppt");
    manager.OnListBox(1, 1, u"");
    ASSERT_EQ(m_sink.m_sent.size(), 1u);  // at once
    EXPECT_EQ(m_sink.m_sent[0].m_showName, u"Not Available");
    EXPECT_EQ(m_sink.m_sent[0].m_totalSlides, 0);
    EXPECT_FALSE(m_timer.IsRunning(CPresentationShared::kNotificationTimer));
}

TEST_F(PowerPointMgrTest, PenButtonSwitchesThePointerOfARunningShow)
{
    struct Case {
        uint16_t control;
        uint8_t value;
        int32_t pointer;
    };
    const Case cases[] = {{2, 1, 2}, {2, 0, 0}, {2, 2, 7}, {1, 1, 7}, {0x102, 1, 7}};
    CAppMgrPowerPoint& manager = Selected();
    for (const Case& c : cases) {
        Talk().m_pointerType = 7;
        manager.OnButton(c.control, c.value);
        EXPECT_EQ(Talk().m_pointerType, c.pointer) << c.control << " " << int(c.value);
    }
    Talk().EndShow();
    m_fake.ClearCalls();
    manager.OnButton(2, 1);
    EXPECT_FALSE(Talk().m_running);
    EXPECT_EQ(m_fake.CountCalls(EFakeObject::SlideShowView, 2005, EInvokeKind::PropertyPut), 0u);
    EXPECT_TRUE(m_sink.m_sent.empty());
    EXPECT_FALSE(m_timer.IsRunning(CPresentationShared::kNotificationTimer));
}

// ---- polling

TEST_F(PowerPointMgrTest, PollFollowsTheShowAtThePc)
{
    CAppMgrPowerPoint& manager = Make();
    manager.SetActive(true, false);
    Forget();
    struct Step {
        const char* what;
        std::function<void()> atThePc;
        bool sent;
        bool running;
        uint16_t current;
    };
    const std::vector<Step> steps = {
        {"nothing running", [] {}, false, false, 0},
        {"show started", [&] { Talk().StartShow(); }, true, true, 0},
        {"no change", [] {}, false, true, 0},
        {"slide changed", [&] { Talk().m_position = 4; }, true, true, 3},
        {"position 0", [&] { Talk().m_position = 0; }, true, true, 0xFFFF},
        {"show ended", [&] { Talk().EndShow(); }, true, false, 0xFFFF},
        {"still ended", [] {}, false, false, 0xFFFF},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.atThePc();
        m_sink.m_sent.clear();
        manager.Poll();
        ASSERT_EQ(m_sink.m_sent.size(), step.sent ? 1u : 0u);
        EXPECT_EQ(manager.GetAppData().IsRunning(), step.running);
        EXPECT_EQ(manager.GetAppData().GetCurrentSlide(), step.current);
        if (step.sent) {
            EXPECT_EQ(m_sink.m_sent[0].m_running, step.running);
            EXPECT_EQ(m_sink.m_sent[0].m_currentSlide, step.current);
            EXPECT_EQ(m_sink.m_sent[0].m_notes, step.current == 3 ? u"Bye" : step.current == 0 ? u"Say hello" : u"");
        }
    }
    EXPECT_TRUE(m_desktop.m_calls.empty());
}

TEST_F(PowerPointMgrTest, BusyProgramIsReportedNotAvailableUntilItAnswers)
{
    CAppMgrPowerPoint& manager = Selected(2);
    m_fake.SetBusy(true);
    manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    manager.Poll();
    manager.Poll();
    ASSERT_EQ(m_sink.m_sent.size(), 3u);
    for (const CSentSlideData& sent : m_sink.m_sent) {
        EXPECT_EQ(sent.m_showName, u"Not Available");
        EXPECT_EQ(sent.m_totalSlides, 0);
        EXPECT_EQ(sent.m_currentSlide, 0);
        EXPECT_FALSE(sent.m_running);
        EXPECT_EQ(sent.m_notes, u"");
    }
    EXPECT_FALSE(m_timer.IsRunning(CPresentationShared::kNotificationTimer));
    m_fake.SetBusy(false);
    EXPECT_EQ(Talk().m_position, 2);

    // Once it answers, the next poll reports the show under its own name again.
    m_sink.m_sent.clear();
    manager.Poll();
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_showName, u"Talk");
    EXPECT_TRUE(m_sink.m_sent[0].m_running);
    EXPECT_EQ(m_sink.m_sent[0].m_currentSlide, 1);
}

// A program that turns busy between the probe and the show lookup has not ended its show:
// the phone is told the show is not available, never that it stopped.
TEST_F(PowerPointMgrTest, BusyRefusalAfterTheProbeIsNotAStoppedShow)
{
    struct Case {
        const char* what;
        EFakeObject object;
        int32_t id;
        EInvokeKind kind;
    };
    const Case cases[] = {
        {"presentation lookup", EFakeObject::Presentations, 0, EInvokeKind::Method},
        {"show window", EFakeObject::Presentation, 2047, EInvokeKind::PropertyGet},
        {"show view", EFakeObject::SlideShowWindow, 2003, EInvokeKind::PropertyGet},
    };
    const std::pair<const char*, std::function<void(CAppMgrPowerPoint&)>> actions[] = {
        {"poll", [](CAppMgrPowerPoint& m) { m.Poll(); }},
        {"key", [](CAppMgrPowerPoint& m) { m.KeyEvent(0, CAppMgrPowerPoint::kKeyRight); }},
    };
    for (const auto& [actionName, action] : actions) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(actionName) + ": " + c.what);
            CAppMgrPowerPoint& manager = Selected(2);
            Talk().m_position = 3;  // a poll has something to report
            m_sink.m_sent.clear();
            m_fake.FailNext(c.object, c.id, c.kind, 1, FakeError::kCallRejected);
            action(manager);
            ASSERT_EQ(m_sink.m_sent.size(), 1u);
            EXPECT_EQ(m_sink.m_sent[0].m_showName, u"Not Available");
            EXPECT_EQ(m_sink.m_sent[0].m_totalSlides, 0);
            EXPECT_FALSE(m_sink.m_sent[0].m_running);
            EXPECT_EQ(Talk().m_position, 3);
            m_fake.ClearFailures();
        }
    }
}

TEST_F(PowerPointMgrTest, ScreenSaverKeyGoesWithEverySeventeenthPollOfAnyManager)
{
    const Lines shift = {"key+ 0xA1", "key- 0xA1"};
    CAppMgrPowerPoint& first = Make();
    auto second = CAppMgrPowerPoint::Create(m_context, kDocument + 1, u"Other.ppt");
    for (int poll = 1; poll <= 34; ++poll) {
        (poll % 2 ? first : *second).Poll();
        EXPECT_EQ(m_input.Take(), poll % 17 == 0 ? shift : Lines{}) << poll;
    }
    m_holdOff = false;
    for (int poll = 1; poll <= 34; ++poll)
        first.Poll();
    EXPECT_TRUE(m_input.Events().empty());
    // The counter went on all the same: the setting applies again from the next 17th poll.
    m_holdOff = true;
    for (int poll = 1; poll <= 17; ++poll)
        first.Poll();
    EXPECT_EQ(m_input.Take(), shift);
}

// ---- failures

// A failure the operation does not handle itself never leaves it: the phone gets the
// not-available record at once and the next poll brings the show back.
TEST_F(PowerPointMgrTest, UnhandledAutomationFailuresSendNotAvailable)
{
    struct Case {
        const char* what;
        EFakeObject object;
        int32_t id;
        EInvokeKind kind;
        std::function<void(CAppMgrPowerPoint&)> action;
    };
    const Case cases[] = {
        {"Next", EFakeObject::SlideShowView, 2019, EInvokeKind::Method,
         [](CAppMgrPowerPoint& m) { m.KeyEvent(0, CAppMgrPowerPoint::kKeyRight); }},
        {"Exit", EFakeObject::SlideShowView, 2025, EInvokeKind::Method,
         [](CAppMgrPowerPoint& m) { m.KeyEvent(0, CAppMgrPowerPoint::kKeyClear); }},
        {"pointer", EFakeObject::SlideShowView, 2005, EInvokeKind::PropertyPut,
         [](CAppMgrPowerPoint& m) { m.OnButton(2, 1); }},
        {"notes during the refresh", EFakeObject::SlideRange, 2003, EInvokeKind::PropertyGet,
         [](CAppMgrPowerPoint& m) { m.SetActive(true, true); }},
        {"position during a poll", EFakeObject::SlideShowView, 2027, EInvokeKind::PropertyGet,
         [](CAppMgrPowerPoint& m) { m.Poll(); }},
        {"position during the list jump", EFakeObject::SlideShowView, 2027, EInvokeKind::PropertyGet,
         [](CAppMgrPowerPoint& m) { m.OnListBox(1, 3, u""); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CAppMgrPowerPoint& manager = Selected(2);
        m_fake.FailAlways(c.object, c.id, c.kind);
        EXPECT_NO_THROW(c.action(manager));
        ASSERT_FALSE(m_sink.m_sent.empty());
        EXPECT_EQ(m_sink.m_sent.back().m_showName, u"Not Available");
        EXPECT_EQ(m_sink.m_sent.back().m_totalSlides, 0);
        m_fake.ClearFailures();
        m_timer.Advance(500);
        m_sink.m_sent.clear();
        manager.Poll();
        ASSERT_EQ(m_sink.m_sent.size(), 1u);
        EXPECT_EQ(m_sink.m_sent[0].m_showName, u"Talk");
    }
}

// Slides added after the full refresh have no notes yet; nothing is read past what was kept.
TEST_F(PowerPointMgrTest, SlidesAddedAfterTheRefreshHaveNoNotes)
{
    CAppMgrPowerPoint& manager = Selected(4);
    Talk().m_slides.push_back(CFakeSlide::Titled(u"New", u"New notes"));
    Talk().m_slides.push_back(CFakeSlide::Titled(u"Newer", u"Newer notes"));
    Talk().m_position = 6;
    manager.Poll();
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_currentSlide, 5);
    EXPECT_EQ(m_sink.m_sent[0].m_notes, u"");
    manager.SetActive(true, true);
    EXPECT_EQ(m_sink.m_sent.back().m_notes, u"Newer notes");
    EXPECT_EQ(m_sink.m_sent.back().m_totalSlides, 6);
}

TEST_F(PowerPointMgrTest, WithoutTheProgramOnlyThePointerWorks)
{
    CAppMgrPowerPoint& manager = Make();
    m_connection.Disconnect();
    manager.SetActive(true, true);
    manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    manager.OnListBox(1, 1, u"");
    manager.OnButton(2, 1);
    manager.Poll();
    EXPECT_TRUE(m_sink.m_sent.empty());
    EXPECT_FALSE(m_timer.IsRunning(CPresentationShared::kNotificationTimer));
    EXPECT_TRUE(m_desktop.m_calls.empty());
    m_connection.Connect(m_fake);
}

// ---- cost

// Automation calls each phone action makes, show running and the selection done: each call
// is a round trip to the program, so these are the figures of the key path. Each operation
// looks the presentation (2 calls) and its show (2) up once; a navigation press asks no busy
// probe of its own, a release asks only that.
TEST_F(PowerPointMgrTest, AutomationCallsPerAction)
{
    struct Case {
        const char* what;
        std::function<void(CAppMgrPowerPoint&)> action;
        size_t calls;
    };
    using M = CAppMgrPowerPoint;
    const Case cases[] = {
        {"Left", [](M& m) { m.KeyEvent(0, M::kKeyLeft); }, 6},
        {"Right press and release", [](M& m) { m.KeyEvent(0, M::kKeyRight); m.KeyEvent(1, M::kKeyRight); }, 8},
        {"Up", [](M& m) { m.KeyEvent(0, M::kKeyUp); }, 6},
        {"Down", [](M& m) { m.KeyEvent(0, M::kKeyDown); }, 6},
        {"Clear", [](M& m) { m.KeyEvent(0, M::kKeyClear); }, 5},
        {"list-box jump", [](M& m) { m.OnListBox(1, 3, u""); }, 11},
        {"pen", [](M& m) { m.OnButton(2, 1); }, 5},
        {"pointer code", [](M& m) { m.KeyEvent(0, 0xFF01); }, 1},
        {"poll, no change", [](M& m) { m.Poll(); }, 5},
        {"poll, slide changed at the PC", [this](M& m) { Talk().m_position = 4; m.Poll(); }, 5},
    };
    for (const Case& c : cases) {
        CAppMgrPowerPoint& manager = Selected(2);
        manager.Poll();
        Forget();
        c.action(manager);
        m_timer.Advance(500);
        EXPECT_EQ(m_fake.Calls().size(), c.calls) << c.what;
    }
}

// The full refresh of N slides, each with a title and notes: 8 + 18 N calls with the show
// running, 5 more when it has to be started, and 2 more (the show looked up again) when the
// walk took more than one step.
TEST_F(PowerPointMgrTest, AutomationCallsOfTheFullRefresh)
{
    for (int slides : {1, 2, 10, 25}) {
        CFakePowerPoint fake;
        std::vector<CFakeSlide> deck;
        for (int i = 0; i < slides; ++i)
            deck.push_back(CFakeSlide::Titled(u"T", u"N"));
        fake.AddPresentation(u"Talk.ppt", deck);
        m_connection.Connect(fake);
        const auto manager = CAppMgrPowerPoint::Create(m_context, kDocument, u"Talk.ppt");
        const size_t steps = slides > CAppMgrPowerPoint::kSlidesPerStep ? 2 : 0;
        fake.ClearCalls();
        manager->SetActive(true, true);
        m_timer.Advance(1000);
        EXPECT_EQ(fake.Calls().size(), static_cast<size_t>(13 + 18 * slides) + steps) << slides;
        fake.ClearCalls();
        manager->SetActive(true, true);
        m_timer.Advance(1000);
        EXPECT_EQ(fake.Calls().size(), static_cast<size_t>(8 + 18 * slides) + steps) << slides;
        // Every object handed out went back, but the connection's own application.
        EXPECT_EQ(fake.LiveObjects(), 1u);
        m_connection.Disconnect();
    }
}

}  // namespace

// ---- which show window comes forward

TEST(ShowWindowTitle, NameMustStandAsAWholeFileName)
{
    struct Case {
        const char16_t* title;
        const char16_t* name;
        bool whole;
    };
    const Case cases[] = {
        {u"PowerPoint Slide Show - [Talk.ppt]", u"Talk.ppt", true},
        {u"PowerPoint Slide Show - Talk.ppt", u"Talk.ppt", true},
        {u"Talk.ppt", u"Talk.ppt", true},
        {u"PowerPoint Slide Show - [MyTalk.ppt]", u"Talk.ppt", false},
        {u"PowerPoint Slide Show - [Talk.pptx]", u"Talk.ppt", false},
        {u"[MyTalk.ppt] and [Talk.ppt]", u"Talk.ppt", true},
        {u"PowerPoint Slide Show - [Talk.ppt]", u"", false},
        {u"", u"Talk.ppt", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ContainsAsWholeName(c.title, c.name), c.whole);
    }
}

// A show whose title merely contains the selected name (an earlier window of "MyTalk.ppt")
// must not be brought forward in place of the selected presentation's own show.
TEST_F(PowerPointMgrTest, SelectionBringsForwardItsOwnShowNotOneContainingItsName)
{
    m_desktop.AddWindow(0x700, u"screenClass", u"PowerPoint Slide Show - [MyTalk.ppt]");
    // In front of every other window, so a plain "contains" search would take it first.
    m_desktop.BringToFrontOfZOrder(0x700);
    CAppMgrPowerPoint& manager = Make();
    manager.SetActive(true, true);
    EXPECT_EQ(m_desktop.m_foreground, kShowWindow);
}

// ---- the program coming and going

// The program ends under a selected show: the key that finds it gone sends the not-available
// record and lets go of every object; the next key connects again and drives it. Once the
// presentation's window is gone too, a key starts no program. The list reaches a program
// started anew even while it still holds the ended one.
TEST_F(PowerPointMgrTest, ProgramThatEndedIsReachedAgainOnNextUse)
{
    m_connection.SetConnector(std::make_unique<CFakeConnector>(m_fake));
    m_desktop.AddWindow(kDocument, u"mdiClass", u"Talk.ppt");
    CAppMgrPowerPoint& manager = Selected(1);
    m_fake.End();
    manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    ASSERT_EQ(m_sink.m_sent.size(), 1u);
    EXPECT_EQ(m_sink.m_sent[0].m_showName, u"Not Available");
    EXPECT_TRUE(m_connection.IsEmpty());
    EXPECT_EQ(m_fake.LiveObjects(), 0u);

    const int connects = m_fake.m_connects;
    manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    m_timer.Advance(CPresentationShared::kNotifyDelayMilliseconds);
    EXPECT_EQ(m_fake.m_connects, connects + 1);
    ASSERT_EQ(m_sink.m_sent.size(), 2u);
    EXPECT_EQ(m_sink.m_sent[1].m_showName, u"Talk");
    EXPECT_TRUE(m_sink.m_sent[1].m_running);

    m_fake.End();
    m_desktop.Close(kDocument);
    manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    EXPECT_EQ(m_fake.m_connects, connects + 1);
    EXPECT_TRUE(m_connection.IsEmpty());

    m_fake.m_running = true;
    CPowerPointSource source(m_context);
    EXPECT_NE(source.CreateManager(kDocument, u"Talk.ppt"), nullptr);
}

// The poll only attaches to a running program, never starts it, and its calls are probes; a
// key's calls are not.
TEST_F(PowerPointMgrTest, PollNeverStartsTheProgramAndOnlyProbes)
{
    m_connection.SetConnector(std::make_unique<CFakeConnector>(m_fake));
    CAppMgrPowerPoint& manager = Selected(2);
    int probes = 0;
    int others = 0;
    m_fake.m_onCall = [&] { ++(m_connection.GetCallPolicy().IsProbing() ? probes : others); };
    manager.Poll();
    EXPECT_GT(probes, 0);
    EXPECT_EQ(others, 0);
    manager.KeyEvent(0, CAppMgrPowerPoint::kKeyRight);
    EXPECT_GT(others, 0);
    m_fake.m_onCall = nullptr;

    m_fake.End();
    const int connects = m_fake.m_connects;
    manager.Poll();
    manager.Poll();
    CPowerPointSource(m_context).IsBusy();
    EXPECT_EQ(m_fake.m_connects, connects);
    EXPECT_TRUE(m_connection.IsEmpty());
    m_fake.m_running = true;
    manager.Poll();
    EXPECT_FALSE(m_connection.IsEmpty());
    EXPECT_EQ(m_fake.m_connects, connects);
}
