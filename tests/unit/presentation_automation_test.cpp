#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "FakePowerPoint.h"
#include "presentation/CallRetryPolicy.h"
#include "presentation/PowerPointConnection.h"
#include "presentation/PowerPointObjects.h"

namespace {

using Lines = std::vector<std::string>;

// A program with two presentations; Talk.ppt has a titled slide with notes, an untitled one and
// a hidden one, and its show is running on slide 1.
class AutomationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_fake.AddPresentation(u"Intro.ppt", {CFakeSlide::Titled(u"Welcome")});
        m_fake.AddPresentation(u"Talk.ppt", {CFakeSlide::Titled(u"Plan", u"Say hello"), CFakeSlide::Untitled(),
                                             CFakeSlide::Titled(u"Spare").Hidden()});
        m_app.AttachDispatch(m_fake.Connect());
    }

    CFakePowerPoint m_fake;
    CApplication m_app;
};

// Every wrapper at hand, fetched once so that each case below makes only its own call.
struct Objects {
    CApplication app;
    CPresentations presentations;
    CPresentation presentation;
    CSlideShowSettings settings;
    CSlideShowWindow window;
    CSlideShowView view;
    CSlides slides;
    CSlide slide;
    CSlideShowTransition transition;
    CSlideRange notesPage;
    CShapes shapes;
    CShapes notesShapes;
    CShape title;
    CShape notesBody;
    CTextFrame frame;
    CTextRange range;
};

Objects Fetch(const CApplication& app)
{
    Objects o;
    o.app = app;
    o.presentations = app.GetPresentations();
    o.presentation = o.presentations.Item(u"Talk.ppt");
    o.settings = o.presentation.GetSlideShowSettings();
    o.settings.Run();
    o.window = o.presentation.GetSlideShowWindow();
    o.view = o.window.GetView();
    o.slides = o.presentation.GetSlides();
    o.slide = o.slides.Item(1);
    o.transition = o.slide.GetSlideShowTransition();
    o.notesPage = o.slide.GetNotesPage();
    o.shapes = o.slide.GetShapes();
    o.notesShapes = o.notesPage.GetShapes();
    o.title = o.shapes.GetTitle();
    o.notesBody = o.notesShapes.Item(2);
    o.frame = o.notesBody.GetTextFrame();
    o.range = o.frame.GetTextRange();
    return o;
}

// Each member makes exactly one call: its dispatch id, kind and argument types, and its
// result comes back typed.
TEST_F(AutomationTest, EveryMemberMakesItsOwnCall)
{
    struct Case {
        std::string expectedCall;
        std::function<void(const Objects&)> call;
    };
    m_fake.m_probeValue = 77;
    const std::vector<Case> cases = {
        {"Application 2001 get", [](const Objects& o) { EXPECT_FALSE(o.app.GetPresentations().IsEmpty()); }},
        {"Application 2032 get", [](const Objects& o) { EXPECT_EQ(o.app.ReadBusyProbe(), 77); }},
        {"Presentations 11 get", [](const Objects& o) { EXPECT_EQ(o.presentations.GetCount(), 2); }},
        {"Presentations 0 method (I2 1)", [](const Objects& o) { EXPECT_FALSE(o.presentations.Item(1).IsEmpty()); }},
        {"Presentations 0 method (BSTR \"intro.ppt\")",
         [](const Objects& o) { EXPECT_FALSE(o.presentations.Item(u"intro.ppt").IsEmpty()); }},
        {"Presentation 2025 get", [](const Objects& o) { EXPECT_EQ(o.presentation.GetName(), u"Talk.ppt"); }},
        {"Presentation 2011 get", [](const Objects& o) { EXPECT_FALSE(o.presentation.GetSlides().IsEmpty()); }},
        {"Presentation 2015 get",
         [](const Objects& o) { EXPECT_FALSE(o.presentation.GetSlideShowSettings().IsEmpty()); }},
        {"Presentation 2047 get",
         [](const Objects& o) { EXPECT_FALSE(o.presentation.GetSlideShowWindow().IsEmpty()); }},
        {"SlideShowWindow 2003 get", [](const Objects& o) { EXPECT_FALSE(o.window.GetView().IsEmpty()); }},
        {"SlideShowView 2027 get", [](const Objects& o) { EXPECT_EQ(o.view.GetCurrentShowPosition(), 1); }},
        {"SlideShowView 2005 put (I4 2)", [](const Objects& o) { o.view.SetPointerType(CSlideShowView::kPointerPen); }},
        {"SlideShowView 2018 method", [](const Objects& o) { o.view.Last(); }},
        {"SlideShowView 2020 method", [](const Objects& o) { o.view.Previous(); }},
        {"SlideShowView 2017 method", [](const Objects& o) { o.view.First(); }},
        {"SlideShowView 2019 method", [](const Objects& o) { o.view.Next(); }},
        {"SlideShowView 2021 method (I4 3, I4 0)", [](const Objects& o) { o.view.GotoSlide(3); }},
        {"Slides 11 get", [](const Objects& o) { EXPECT_EQ(o.slides.GetCount(), 3); }},
        {"Slides 0 method (I2 3)", [](const Objects& o) { EXPECT_FALSE(o.slides.Item(3).IsEmpty()); }},
        {"Slide 2003 get", [](const Objects& o) { EXPECT_FALSE(o.slide.GetShapes().IsEmpty()); }},
        {"Slide 2005 get", [](const Objects& o) { EXPECT_FALSE(o.slide.GetSlideShowTransition().IsEmpty()); }},
        {"Slide 2022 get", [](const Objects& o) { EXPECT_FALSE(o.slide.GetNotesPage().IsEmpty()); }},
        {"SlideShowTransition 2007 get", [](const Objects& o) { EXPECT_EQ(o.transition.GetHidden(), 0); }},
        {"SlideRange 2003 get", [](const Objects& o) { EXPECT_FALSE(o.notesPage.GetShapes().IsEmpty()); }},
        {"Shapes 2 get", [](const Objects& o) { EXPECT_EQ(o.notesShapes.GetCount(), 2); }},
        {"Shapes 0 method (I2 1)", [](const Objects& o) { EXPECT_FALSE(o.notesShapes.Item(1).IsEmpty()); }},
        {"Shapes 2004 get", [](const Objects& o) { EXPECT_NE(o.shapes.GetHasTitle(), 0); }},
        {"Shapes 2006 get", [](const Objects& o) { EXPECT_FALSE(o.shapes.GetTitle().IsEmpty()); }},
        {"Shape 121 get", [](const Objects& o) { EXPECT_FALSE(o.title.GetTextFrame().IsEmpty()); }},
        {"TextFrame 2003 get", [](const Objects& o) { EXPECT_NE(o.frame.GetHasText(), 0); }},
        {"TextFrame 2004 get", [](const Objects& o) { EXPECT_FALSE(o.frame.GetTextRange().IsEmpty()); }},
        {"TextRange 0 get", [](const Objects& o) { EXPECT_EQ(o.range.GetText(), u"Say hello"); }},
        {"SlideShowView 2025 method", [](const Objects& o) { o.view.Exit(); }},
    };
    const Objects objects = Fetch(m_app);
    for (const Case& c : cases) {
        m_fake.ClearCalls();
        c.call(objects);
        EXPECT_EQ(m_fake.CallLines(), Lines{c.expectedCall});
    }
    EXPECT_EQ(m_fake.Presentation(u"Talk.ppt").m_pointerType, 2);
    EXPECT_FALSE(m_fake.Presentation(u"Talk.ppt").m_running);

    m_fake.ClearCalls();
    objects.settings.Run();
    EXPECT_EQ(m_fake.CallLines(), Lines{"SlideShowSettings 2008 method"});
    EXPECT_TRUE(m_fake.Presentation(u"Talk.ppt").m_running);
}

// Calls through empty wrappers reach nothing, raise nothing and yield zero, "" or empty.
TEST_F(AutomationTest, EmptyWrappersYieldNothing)
{
    CApplication app = m_app;
    app.ReleaseDispatch();
    EXPECT_TRUE(app.GetPresentations().IsEmpty());
    EXPECT_EQ(app.ReadBusyProbe(), 0);
    EXPECT_EQ(CPresentations().GetCount(), 0);
    EXPECT_TRUE(CPresentations().Item(1).IsEmpty());
    EXPECT_TRUE(CPresentations().Item(u"Talk.ppt").IsEmpty());
    EXPECT_EQ(CPresentation().GetName(), u"");
    EXPECT_TRUE(CPresentation().GetSlideShowWindow().GetView().IsEmpty());
    CSlideShowSettings().Run();
    const CSlideShowView view;
    view.SetPointerType(2);
    view.First();
    view.Next();
    view.GotoSlide(2);
    view.Exit();
    EXPECT_EQ(view.GetCurrentShowPosition(), 0);
    EXPECT_EQ(CSlides().Item(1).GetShapes().GetTitle().GetTextFrame().GetTextRange().GetText(), u"");
    EXPECT_EQ(CSlide().GetSlideShowTransition().GetHidden(), 0);
    EXPECT_EQ(CSlide().GetNotesPage().GetShapes().GetCount(), 0);
    EXPECT_EQ(CShapes().GetHasTitle(), 0);
    EXPECT_TRUE(CShape().GetTextFrame().IsEmpty());
    EXPECT_EQ(CTextFrame().GetHasText(), 0);
    EXPECT_TRUE(m_fake.Calls().empty());
    EXPECT_FALSE(m_app.IsEmpty());  // the copy was emptied, not the original
}

// Every reference a call hands out is released once its wrapper goes, whether or not the
// caller used it; only the application itself stays.
TEST_F(AutomationTest, ReturnedObjectsAreReleased)
{
    EXPECT_EQ(m_fake.LiveObjects(), 1u);
    {
        const Objects objects = Fetch(m_app);
        EXPECT_EQ(m_fake.LiveObjects(), 16u);  // the shared application and the fifteen others
    }
    EXPECT_EQ(m_fake.LiveObjects(), 1u);

    const CPresentation talk = m_app.GetPresentations().Item(u"Talk.ppt");
    EXPECT_EQ(talk.GetSlides().Item(1).GetShapes().GetTitle().GetTextFrame().GetTextRange().GetText(), u"Plan");
    EXPECT_THROW(talk.GetSlides().Item(2).GetNotesPage().GetShapes().Item(1).GetTextFrame(), CAutomationFailure);
    // Run returns the show's window, which is dropped at once.
    talk.GetSlideShowSettings().Run();
    EXPECT_EQ(m_fake.LiveObjects(), 2u);

    // A failed call leaks nothing either.
    EXPECT_THROW(talk.GetSlides().Item(9), CAutomationFailure);
    EXPECT_EQ(m_fake.LiveObjects(), 2u);
}

TEST_F(AutomationTest, WrappersShareAttachAndDetachTheirObject)
{
    CPresentations presentations = m_app.GetPresentations();
    EXPECT_EQ(m_fake.LiveObjects(), 2u);

    // A copy shares the same reference; the object goes with the last holder.
    CPresentations copy = presentations;
    EXPECT_EQ(copy.GetDispatch(), presentations.GetDispatch());
    presentations.ReleaseDispatch();
    EXPECT_TRUE(presentations.IsEmpty());
    EXPECT_EQ(copy.GetCount(), 2);
    EXPECT_EQ(m_fake.LiveObjects(), 2u);

    // Attaching another object drops the one held before.
    copy.AttachDispatch(m_app.GetPresentations().DetachDispatch());
    EXPECT_EQ(m_fake.LiveObjects(), 2u);
    std::shared_ptr<IAutomationObject> detached = copy.DetachDispatch();
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(m_fake.LiveObjects(), 2u);
    detached.reset();
    EXPECT_EQ(m_fake.LiveObjects(), 1u);

    // Assigning over a wrapper releases what it held.
    CPresentations a = m_app.GetPresentations();
    a = CPresentations();
    EXPECT_EQ(m_fake.LiveObjects(), 1u);
}

// An object that answers every call with one preset result.
class CFixedResult : public IAutomationObject {
public:
    explicit CFixedResult(CAutomationValue result) : m_result(std::move(result)) {}
    CAutomationValue Invoke(int32_t, EInvokeKind, const std::vector<CAutomationValue>&) override { return m_result; }

private:
    CAutomationValue m_result;
};

TEST(AutomationResults, AreReadAsTheMemberTypeOrRefused)
{
    const auto object = std::make_shared<CFixedResult>(CAutomationValue());
    struct Case {
        const char* name;
        CAutomationValue result;
        bool intOk, textOk, objectOk;
    };
    const std::vector<Case> cases = {
        {"empty", CAutomationValue(), true, true, true},
        {"I2", CAutomationValue::I2(-5), true, false, false},
        {"I4", CAutomationValue::I4(70000), true, false, false},
        {"text", CAutomationValue::Text(u"a"), false, true, false},
        {"object", CAutomationValue::Object(object), false, false, true},
    };
    for (const Case& c : cases) {
        const CSlides slides(std::make_shared<CFixedResult>(c.result));
        const CTextRange range(std::make_shared<CFixedResult>(c.result));
        const CSlideShowWindow window(std::make_shared<CFixedResult>(c.result));
        if (c.intOk)
            EXPECT_EQ(slides.GetCount(), c.result.GetType() == CAutomationValue::EType::I2 ? -5 : c.result.GetI4()) << c.name;
        else
            EXPECT_THROW(slides.GetCount(), CAutomationFailure) << c.name;
        if (c.textOk)
            EXPECT_EQ(range.GetText(), c.result.GetText()) << c.name;
        else
            EXPECT_THROW(range.GetText(), CAutomationFailure) << c.name;
        if (c.objectOk)
            EXPECT_EQ(window.GetView().GetDispatch(), c.result.GetObject()) << c.name;
        else
            EXPECT_THROW(window.GetView(), CAutomationFailure) << c.name;
    }
}

TEST_F(AutomationTest, FailuresReachTheCallerWithTheirCode)
{
    const CPresentation talk = m_app.GetPresentations().Item(u"Talk.ppt");
    // No show is running: reading its window fails.
    EXPECT_THROW(talk.GetSlideShowWindow(), CAutomationFailure);

    talk.GetSlideShowSettings().Run();
    const CSlideShowView view = talk.GetSlideShowWindow().GetView();
    m_fake.FailNext(EFakeObject::SlideShowView, 2019, EInvokeKind::Method, 1, 0x80040001u);
    try {
        view.Next();
        ADD_FAILURE() << "Next did not fail";
    } catch (const CAutomationFailure& failure) {
        EXPECT_EQ(failure.GetCode(), 0x80040001u);
        EXPECT_EQ(failure.GetDescription(), u"injected failure");
    }
    EXPECT_EQ(view.GetCurrentShowPosition(), 1);
    view.Next();  // only the next call was to fail
    EXPECT_EQ(view.GetCurrentShowPosition(), 2);
}

// The fake plays a show the way the manager relies on: Run starts it on the first slide,
// Next and Previous pass over hidden slides, Next after the last slide shows the end screen
// and then ends the show, Exit ends it, and a view of an ended show stops working.
TEST_F(AutomationTest, FakeShowMovesLikeAShow)
{
    const CPresentation talk = m_app.GetPresentations().Item(u"Talk.ppt");
    talk.GetSlideShowSettings().Run();
    const CSlideShowView view = talk.GetSlideShowWindow().GetView();
    struct Step {
        std::function<void()> action;
        int32_t position;  // 0: the show has ended
    };
    const std::vector<Step> steps = {
        {[&] { view.Next(); }, 2},     {[&] { view.Next(); }, 4},  // slide 3 is hidden: end screen
        {[&] { view.Previous(); }, 2}, {[&] { view.Previous(); }, 1},
        {[&] { view.Previous(); }, 1}, {[&] { view.Last(); }, 2},
        {[&] { view.GotoSlide(3); }, 3}, {[&] { view.First(); }, 1},
        {[&] { view.Last(); }, 2},     {[&] { view.Next(); }, 4},
        {[&] { view.Next(); }, 0},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].action();
        EXPECT_EQ(m_fake.Presentation(u"Talk.ppt").m_position, steps[i].position) << "step " << i;
    }
    EXPECT_FALSE(m_fake.Presentation(u"Talk.ppt").m_running);
    EXPECT_THROW(view.GetCurrentShowPosition(), CAutomationFailure);

    // A new run makes new objects; the old view stays dead.
    talk.GetSlideShowSettings().Run();
    EXPECT_THROW(view.Next(), CAutomationFailure);
    m_fake.m_nextPastLastEndsShow = true;
    const CSlideShowView again = talk.GetSlideShowWindow().GetView();
    again.Last();
    again.Next();
    EXPECT_FALSE(m_fake.Presentation(u"Talk.ppt").m_running);

    // A presentation without slides does not start.
    m_fake.AddPresentation(u"Empty.ppt");
    EXPECT_THROW(m_app.GetPresentations().Item(u"Empty.ppt").GetSlideShowSettings().Run(), CAutomationFailure);
}

// The fake refuses what a strict object model refuses: wrong argument types and counts,
// unknown members, positions out of range.
TEST_F(AutomationTest, FakeRefusesMalformedCalls)
{
    const auto presentations = m_app.GetPresentations().GetDispatch();
    const auto slides = m_app.GetPresentations().Item(2).GetSlides().GetDispatch();
    struct Case {
        const char* name;
        std::shared_ptr<IAutomationObject> object;
        int32_t id;
        EInvokeKind kind;
        std::vector<CAutomationValue> args;
        uint32_t code;
    };
    const std::vector<Case> cases = {
        {"I4 position", slides, 0, EInvokeKind::Method, {CAutomationValue::I4(1)}, FakeError::kTypeMismatch},
        {"name for a slide", slides, 0, EInvokeKind::Method, {CAutomationValue::Text(u"a")}, FakeError::kTypeMismatch},
        {"no position", slides, 0, EInvokeKind::Method, {}, FakeError::kBadParamCount},
        {"position 0", slides, 0, EInvokeKind::Method, {CAutomationValue::I2(0)}, FakeError::kBadIndex},
        {"position past the end", presentations, 0, EInvokeKind::Method, {CAutomationValue::I2(3)}, FakeError::kBadIndex},
        {"unknown name", presentations, 0, EInvokeKind::Method, {CAutomationValue::Text(u"Talk")}, FakeError::kBadIndex},
        {"count as a method", slides, 11, EInvokeKind::Method, {}, FakeError::kMemberNotFound},
        {"argument to a property", slides, 11, EInvokeKind::PropertyGet, {CAutomationValue::I4(1)}, FakeError::kBadParamCount},
    };
    for (const Case& c : cases) {
        try {
            c.object->Invoke(c.id, c.kind, c.args);
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const CAutomationFailure& failure) {
            EXPECT_EQ(failure.GetCode(), c.code) << c.name;
        }
    }
}

class ConnectionTest : public AutomationTest {
protected:
    CPowerPointConnection m_connection;
};

TEST_F(ConnectionTest, WithoutTheProgramTheConnectionStaysEmpty)
{
    m_fake.m_unavailable = true;
    EXPECT_FALSE(m_connection.Connect(m_fake));
    EXPECT_TRUE(m_connection.IsEmpty());
    EXPECT_FALSE(m_connection.IsBusy());
    EXPECT_TRUE(m_fake.Calls().empty());
}

TEST_F(ConnectionTest, ConnectsReplacesAndDisconnects)
{
    EXPECT_TRUE(m_connection.Connect(m_fake));
    EXPECT_EQ(m_connection.GetApplication().GetPresentations().GetCount(), 2);
    EXPECT_EQ(m_fake.LiveObjects(), 2u);  // the fixture's application and the connection's

    EXPECT_TRUE(m_connection.Connect(m_fake));
    EXPECT_EQ(m_fake.LiveObjects(), 2u);
    m_fake.m_unavailable = true;
    EXPECT_FALSE(m_connection.Connect(m_fake));
    EXPECT_TRUE(m_connection.IsEmpty());
    EXPECT_EQ(m_fake.LiveObjects(), 1u);

    m_fake.m_unavailable = false;
    m_connection.Connect(m_fake);
    m_connection.Disconnect();
    EXPECT_TRUE(m_connection.IsEmpty());
    EXPECT_EQ(m_fake.LiveObjects(), 1u);
    EXPECT_EQ(m_fake.m_connects, 5);  // the fixture connected once too
}

// Busy exactly when the probe read fails; its value does not matter.
TEST_F(ConnectionTest, BusyWhenTheProbeFails)
{
    ASSERT_TRUE(m_connection.Connect(m_fake));
    for (int32_t value : {0, 1, -1}) {
        m_fake.m_probeValue = value;
        EXPECT_FALSE(m_connection.IsBusy()) << value;
    }
    m_fake.SetBusy(true);
    EXPECT_TRUE(m_connection.IsBusy());
    EXPECT_THROW(m_connection.GetApplication().GetPresentations(), CAutomationFailure);
    m_fake.SetBusy(false);
    m_fake.FailNext(EFakeObject::Application, 2032, EInvokeKind::PropertyGet);
    EXPECT_TRUE(m_connection.IsBusy());
    EXPECT_FALSE(m_connection.IsBusy());
    EXPECT_EQ(m_fake.CountCalls(EFakeObject::Application, 2032, EInvokeKind::PropertyGet), 6u);
}


// Only a failure that says the program has ended drops the connection; one that was given up
// waiting counts as busy.
TEST_F(ConnectionTest, DropsTheConnectionOnlyWhenTheProgramIsGone)
{
    // (code, gone, busy): disconnected, server unavailable (what Wine reports), object not
    // connected, rejected, cancelled by the message filter, an exception of the program.
    const std::tuple<uint32_t, bool, bool> cases[] = {{0x80010108u, true, false}, {0x800706BAu, true, false},
                                                      {0x800401FDu, true, false}, {0x80010001u, false, true},
                                                      {0x80010002u, false, true}, {0x80020009u, false, false}};
    for (const auto& [code, gone, busy] : cases) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(m_connection.Connect(m_fake));
        const CAutomationFailure failure(code);
        EXPECT_EQ(failure.IsBusyRefusal(), busy);
        EXPECT_EQ(m_connection.DropIfGone(failure), gone);
        EXPECT_EQ(m_connection.IsEmpty(), gone);
    }
}

TEST(CallRetryPolicy, RetriesRefusalsWithinTheBudgetAndGivesUpWaitingCalls)
{
    CCallRetryPolicy policy;
    // On a test clock: a program that keeps refusing is tried again until the budget is spent.
    uint32_t clock = 0;
    int tries = 1;
    while (const auto wait = policy.OnRejected(clock, true)) {
        clock += *wait;
        ++tries;
        ASSERT_LT(tries, 1000);
    }
    EXPECT_EQ(clock, CCallRetryPolicy::kRetryBudget);
    EXPECT_GT(tries, 10);
    // Refused for good: no retry.
    EXPECT_FALSE(policy.OnRejected(0, false).has_value());
    EXPECT_FALSE(policy.ShouldCancel(CCallRetryPolicy::kPendingLimit - 1));
    EXPECT_TRUE(policy.ShouldCancel(CCallRetryPolicy::kPendingLimit));
    {
        // A probe is never retried and waits only briefly; after it, calls are retried again.
        CCallRetryPolicy::CProbe probe(policy);
        CCallRetryPolicy::CProbe nested(policy);
        EXPECT_FALSE(policy.OnRejected(0, true).has_value());
        EXPECT_TRUE(policy.ShouldCancel(CCallRetryPolicy::kProbePendingLimit));
    }
    EXPECT_TRUE(policy.OnRejected(0, true).has_value());
    EXPECT_FALSE(policy.ShouldCancel(CCallRetryPolicy::kProbePendingLimit));
}

}  // namespace
