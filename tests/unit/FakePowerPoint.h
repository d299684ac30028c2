#pragma once
// A scriptable presentation program behind the automation seam, for tests of code that drives
// it through the wrappers. It holds presentations with slides (titles, hidden flags, notes
// pages with shapes) and one slide show per presentation, and answers every member the server
// calls, checking argument count and types the way a strict object model would. It can be made
// busy, can fail any member on demand, records every call, and counts the object references it
// has handed out that are still alive.
//
// Its dispatch ids are written out here from the object model's documentation on purpose, and
// not taken from the wrappers, so that a wrong id in a wrapper shows up as a failed call.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "presentation/Automation.h"
#include "presentation/PowerPointConnection.h"
#include "text/AsciiText.h"

enum class EFakeObject {
    Application,
    Presentations,
    Presentation,
    Slides,
    Slide,
    SlideShowSettings,
    SlideShowWindow,
    SlideShowView,
    SlideShowTransition,
    SlideRange,
    Shapes,
    Shape,
    TextFrame,
    TextRange,
};

inline const char* FakeObjectName(EFakeObject object)
{
    static const char* const names[] = {"Application", "Presentations", "Presentation", "Slides", "Slide",
                                        "SlideShowSettings", "SlideShowWindow", "SlideShowView",
                                        "SlideShowTransition", "SlideRange", "Shapes", "Shape", "TextFrame",
                                        "TextRange"};
    return names[static_cast<int>(object)];
}

// Error codes the fake raises.
namespace FakeError {
constexpr uint32_t kFailed = 0x80004005u;          // the program refuses (no show, no title, object gone)
constexpr uint32_t kMemberNotFound = 0x80020003u;  // no such dispatch id for this kind of call
constexpr uint32_t kTypeMismatch = 0x80020005u;
constexpr uint32_t kException = 0x80020009u;       // an injected failure
constexpr uint32_t kBadIndex = 0x8002000Bu;
constexpr uint32_t kBadParamCount = 0x8002000Eu;
constexpr uint32_t kCallRejected = 0x80010001u;    // busy
constexpr uint32_t kDisconnected = 0x80010108u;    // the fake itself is gone
}  // namespace FakeError

// Readable text for test output: ASCII as is, other code units as \uXXXX.
inline std::string FakeNarrow(const std::u16string& text)
{
    std::string narrow;
    for (char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7F) {
            narrow += static_cast<char>(unit);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
            narrow += escaped;
        }
    }
    return narrow;
}

// "I2 3", "I4 0", "BSTR \"a.ppt\"", "object", "empty".
inline std::string DescribeValue(const CAutomationValue& value)
{
    switch (value.GetType()) {
    case CAutomationValue::EType::Empty:
        return "empty";
    case CAutomationValue::EType::I2:
        return "I2 " + std::to_string(value.GetI2());
    case CAutomationValue::EType::I4:
        return "I4 " + std::to_string(value.GetI4());
    case CAutomationValue::EType::Text:
        return "BSTR \"" + FakeNarrow(value.GetText()) + "\"";
    case CAutomationValue::EType::Object:
        return value.GetObject() ? "object" : "null object";
    }
    return "?";
}

// Lets GoogleTest print values in failure messages.
inline void PrintTo(const CAutomationValue& value, std::ostream* out)
{
    *out << DescribeValue(value);
}

struct CFakeShape {
    bool m_hasTextFrame = true;
    std::u16string m_text;  // HasText of the frame is non-zero when this is not empty
};

struct CFakeSlide {
    bool m_hasTitle = true;
    std::u16string m_title;
    bool m_hidden = false;
    std::vector<CFakeShape> m_notesShapes;

    // A slide with a title placeholder, and a notes page like the program makes: the slide
    // image (no text frame) and the notes body.
    static CFakeSlide Titled(std::u16string title, std::u16string notes = {})
    {
        CFakeSlide slide;
        slide.m_title = std::move(title);
        slide.m_notesShapes = {CFakeShape{false, u""}, CFakeShape{true, std::move(notes)}};
        return slide;
    }
    // A slide without a title placeholder.
    static CFakeSlide Untitled(std::u16string notes = {})
    {
        CFakeSlide slide = Titled(u"", std::move(notes));
        slide.m_hasTitle = false;
        return slide;
    }
    CFakeSlide Hidden() &&
    {
        m_hidden = true;
        return std::move(*this);
    }
};

struct CFakePresentation {
    std::u16string m_name;
    std::vector<CFakeSlide> m_slides;
    bool m_open = true;

    // The slide show. Positions are 1-based; one past the last slide is the end screen.
    bool m_running = false;
    int32_t m_position = 0;
    int32_t m_pointerType = 0;
    // Grows with every start, so window and view objects of an earlier show stop working.
    uint32_t m_showNumber = 0;

    int32_t SlideCount() const { return static_cast<int32_t>(m_slides.size()); }
    bool IsVisible(int32_t position) const
    {
        return position >= 1 && position <= SlideCount() && !m_slides[static_cast<size_t>(position - 1)].m_hidden;
    }
    // Starts (or restarts) the show on its first visible slide.
    void StartShow()
    {
        m_running = true;
        ++m_showNumber;
        m_pointerType = 0;
        m_position = FirstVisible();
    }
    void EndShow()
    {
        m_running = false;
        m_position = 0;
    }
    int32_t FirstVisible() const
    {
        for (int32_t i = 1; i <= SlideCount(); ++i) {
            if (IsVisible(i))
                return i;
        }
        return 1;
    }
    int32_t LastVisible() const
    {
        for (int32_t i = SlideCount(); i >= 1; --i) {
            if (IsVisible(i))
                return i;
        }
        return SlideCount();
    }
};

// One recorded call: the object it went to (and the presentation that object belongs to, empty
// for the application and the collection), the member and the arguments.
struct CFakeCall {
    EFakeObject m_object;
    int32_t m_dispatchId;
    EInvokeKind m_kind;
    std::vector<CAutomationValue> m_arguments;
    std::u16string m_presentation;

    // "Presentations 0 method (BSTR \"a.ppt\")", "SlideShowView 2005 put (I4 2)".
    std::string Describe() const
    {
        static const char* const kinds[] = {"method", "get", "put"};
        std::string line = std::string(FakeObjectName(m_object)) + " " + std::to_string(m_dispatchId) + " " +
                           kinds[static_cast<int>(m_kind)];
        if (!m_arguments.empty()) {
            line += " (";
            for (size_t i = 0; i < m_arguments.size(); ++i)
                line += (i ? ", " : "") + DescribeValue(m_arguments[i]);
            line += ")";
        }
        return line;
    }
};

class CFakePowerPoint;

// One reference to an object of the fake model, as a call returns it. Which object it is: the
// kind, the presentation, the 0-based slide, whether it belongs to the notes page, and the
// 0-based notes shape (-1 for the slide's title shape).
class CFakeObjectRef : public IAutomationObject {
public:
    CFakeObjectRef(CFakePowerPoint* model, EFakeObject object);
    ~CFakeObjectRef() override;
    CFakeObjectRef(const CFakeObjectRef&) = delete;
    CFakeObjectRef& operator=(const CFakeObjectRef&) = delete;

    CAutomationValue Invoke(int32_t dispatchId, EInvokeKind kind, const std::vector<CAutomationValue>& arguments) override;

    CFakePowerPoint* m_model;
    EFakeObject m_object;
    std::shared_ptr<CFakePresentation> m_presentation;
    int m_slide = -1;
    bool m_notesPage = false;
    int m_shape = -1;
    uint32_t m_showNumber = 0;
};

class CFakePowerPoint : public IAutomationConnector {
public:
    CFakePowerPoint() = default;
    CFakePowerPoint(const CFakePowerPoint&) = delete;
    CFakePowerPoint& operator=(const CFakePowerPoint&) = delete;
    // References still held elsewhere (say, by a connection that outlives it) then fail every call.
    ~CFakePowerPoint() override
    {
        for (CFakeObjectRef* ref : m_live)
            ref->m_model = nullptr;
    }

    // ---- the documents
    CFakePresentation& AddPresentation(std::u16string name, std::vector<CFakeSlide> slides = {})
    {
        auto presentation = std::make_shared<CFakePresentation>();
        presentation->m_name = std::move(name);
        presentation->m_slides = std::move(slides);
        m_presentations.push_back(presentation);
        return *presentation;
    }
    // Objects of a closed presentation fail every call.
    void ClosePresentation(const std::u16string& name)
    {
        for (auto it = m_presentations.begin(); it != m_presentations.end(); ++it) {
            if ((*it)->m_name == name) {
                (*it)->m_open = false;
                m_presentations.erase(it);
                return;
            }
        }
    }
    CFakePresentation& Presentation(const std::u16string& name)
    {
        for (auto& presentation : m_presentations) {
            if (presentation->m_name == name)
                return *presentation;
        }
        throw std::out_of_range("no such fake presentation");
    }

    // ---- connecting
    // Attaching finds the program only while it runs; connecting starts it.
    std::shared_ptr<IAutomationObject> Attach() override
    {
        ++m_attaches;
        if (m_unavailable || !m_running)
            return nullptr;
        return std::make_shared<CFakeObjectRef>(this, EFakeObject::Application);
    }
    std::shared_ptr<IAutomationObject> Connect() override
    {
        ++m_connects;
        if (m_unavailable)
            return nullptr;
        m_running = true;
        return std::make_shared<CFakeObjectRef>(this, EFakeObject::Application);
    }
    // The program ends: every reference handed out so far fails as disconnected, and the
    // program can be attached to again only once it is started.
    void End()
    {
        for (CFakeObjectRef* ref : m_live)
            ref->m_model = nullptr;
        m_live.clear();
        m_running = false;
    }
    bool m_unavailable = false;  // Connect yields nothing: the program is not installed
    bool m_running = true;
    int m_connects = 0;
    int m_attaches = 0;

    // ---- behaviour
    // While busy, every call fails as a busy program rejects it.
    void SetBusy(bool busy) { m_busy = busy; }
    // With true, Next on the last visible slide ends the show instead of showing the end screen.
    bool m_nextPastLastEndsShow = false;
    // Runs at every call received, before it is answered.
    std::function<void()> m_onCall;
    // The value the busy probe (Application 2032) reads.
    int32_t m_probeValue = 1;

    // Fails the member on every call from now on, or only on the next `count` calls.
    void FailAlways(EFakeObject object, int32_t dispatchId, EInvokeKind kind, uint32_t code = FakeError::kException)
    {
        m_failures[{object, dispatchId, kind}] = {-1, code};
    }
    void FailNext(EFakeObject object, int32_t dispatchId, EInvokeKind kind, int count = 1,
                  uint32_t code = FakeError::kException)
    {
        m_failures[{object, dispatchId, kind}] = {count, code};
    }
    void ClearFailures() { m_failures.clear(); }

    // ---- observing
    const std::vector<CFakeCall>& Calls() const { return m_calls; }
    std::vector<std::string> CallLines() const
    {
        std::vector<std::string> lines;
        for (const CFakeCall& call : m_calls)
            lines.push_back(call.Describe());
        return lines;
    }
    void ClearCalls() { m_calls.clear(); }
    size_t CountCalls(EFakeObject object, int32_t dispatchId, EInvokeKind kind) const
    {
        size_t count = 0;
        for (const CFakeCall& call : m_calls)
            count += call.m_object == object && call.m_dispatchId == dispatchId && call.m_kind == kind;
        return count;
    }
    // Object references handed out (the application included) that nobody has released yet.
    size_t LiveObjects() const { return m_live.size(); }

    // ---- called by the references
    void Register(CFakeObjectRef* ref) { m_live.insert(ref); }
    void Unregister(CFakeObjectRef* ref) { m_live.erase(ref); }
    CAutomationValue Dispatch(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                              const std::vector<CAutomationValue>& args);

private:
    using Key = std::tuple<EFakeObject, int32_t, EInvokeKind>;
    struct Failure {
        int remaining;  // -1: always
        uint32_t code;
    };

    std::shared_ptr<CFakeObjectRef> Make(const CFakeObjectRef& from, EFakeObject object)
    {
        auto ref = std::make_shared<CFakeObjectRef>(this, object);
        ref->m_presentation = from.m_presentation;
        ref->m_slide = from.m_slide;
        ref->m_notesPage = from.m_notesPage;
        ref->m_shape = from.m_shape;
        ref->m_showNumber = from.m_showNumber;
        return ref;
    }
    static CAutomationValue Object(std::shared_ptr<CFakeObjectRef> ref) { return CAutomationValue::Object(std::move(ref)); }
    static CAutomationValue Flag(bool value) { return CAutomationValue::I4(value ? -1 : 0); }  // msoTrue is -1

    static void ExpectArgs(const std::vector<CAutomationValue>& args, std::initializer_list<CAutomationValue::EType> types)
    {
        if (args.size() != types.size())
            throw CAutomationFailure(FakeError::kBadParamCount);
        size_t i = 0;
        for (CAutomationValue::EType type : types) {
            if (args[i++].GetType() != type)
                throw CAutomationFailure(FakeError::kTypeMismatch);
        }
    }
    static bool Is(int32_t id, EInvokeKind kind, int32_t wantedId, EInvokeKind wantedKind)
    {
        return id == wantedId && kind == wantedKind;
    }
    // A 1-based position from a 16-bit argument, checked against the collection's size.
    static size_t PositionArg(const std::vector<CAutomationValue>& args, size_t count)
    {
        ExpectArgs(args, {CAutomationValue::EType::I2});
        const int position = args[0].GetI2();
        if (position < 1 || static_cast<size_t>(position) > count)
            throw CAutomationFailure(FakeError::kBadIndex);
        return static_cast<size_t>(position - 1);
    }

    CFakeSlide& SlideOf(const CFakeObjectRef& self)
    {
        auto& slides = self.m_presentation->m_slides;
        if (self.m_slide < 0 || static_cast<size_t>(self.m_slide) >= slides.size())
            throw CAutomationFailure(FakeError::kFailed);  // the slide was deleted
        return slides[static_cast<size_t>(self.m_slide)];
    }
    CFakeShape& NotesShapeOf(const CFakeObjectRef& self)
    {
        auto& shapes = SlideOf(self).m_notesShapes;
        if (self.m_shape < 0 || static_cast<size_t>(self.m_shape) >= shapes.size())
            throw CAutomationFailure(FakeError::kFailed);
        return shapes[static_cast<size_t>(self.m_shape)];
    }

    CAutomationValue Application(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                 const std::vector<CAutomationValue>& args);
    CAutomationValue Presentations(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                   const std::vector<CAutomationValue>& args);
    CAutomationValue PresentationMember(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                        const std::vector<CAutomationValue>& args);
    CAutomationValue SlideShow(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                               const std::vector<CAutomationValue>& args);
    CAutomationValue SlideMember(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                 const std::vector<CAutomationValue>& args);
    CAutomationValue ShapeMember(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                 const std::vector<CAutomationValue>& args);
    void Navigate(CFakePresentation& show, int32_t id);

    std::vector<std::shared_ptr<CFakePresentation>> m_presentations;
    std::set<CFakeObjectRef*> m_live;
    std::vector<CFakeCall> m_calls;
    std::map<Key, Failure> m_failures;
    bool m_busy = false;
};

inline CFakeObjectRef::CFakeObjectRef(CFakePowerPoint* model, EFakeObject object) : m_model(model), m_object(object)
{
    m_model->Register(this);
}

inline CFakeObjectRef::~CFakeObjectRef()
{
    if (m_model)
        m_model->Unregister(this);
}

inline CAutomationValue CFakeObjectRef::Invoke(int32_t dispatchId, EInvokeKind kind,
                                               const std::vector<CAutomationValue>& arguments)
{
    if (!m_model)
        throw CAutomationFailure(FakeError::kDisconnected);
    return m_model->Dispatch(*this, dispatchId, kind, arguments);
}

inline CAutomationValue CFakePowerPoint::Dispatch(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                                  const std::vector<CAutomationValue>& args)
{
    m_calls.push_back({self.m_object, id, kind, args, self.m_presentation ? self.m_presentation->m_name : u""});
    if (m_onCall)
        m_onCall();
    if (m_busy)
        throw CAutomationFailure(FakeError::kCallRejected);
    auto failure = m_failures.find({self.m_object, id, kind});
    if (failure != m_failures.end() && failure->second.remaining != 0) {
        if (failure->second.remaining > 0)
            --failure->second.remaining;
        throw CAutomationFailure(failure->second.code, u"injected failure");
    }
    if (self.m_presentation && !self.m_presentation->m_open)
        throw CAutomationFailure(FakeError::kFailed);

    switch (self.m_object) {
    case EFakeObject::Application:
        return Application(self, id, kind, args);
    case EFakeObject::Presentations:
        return Presentations(self, id, kind, args);
    case EFakeObject::Presentation:
        return PresentationMember(self, id, kind, args);
    case EFakeObject::SlideShowSettings:
    case EFakeObject::SlideShowWindow:
    case EFakeObject::SlideShowView:
        return SlideShow(self, id, kind, args);
    case EFakeObject::Slides:
    case EFakeObject::Slide:
    case EFakeObject::SlideShowTransition:
    case EFakeObject::SlideRange:
        return SlideMember(self, id, kind, args);
    case EFakeObject::Shapes:
    case EFakeObject::Shape:
    case EFakeObject::TextFrame:
    case EFakeObject::TextRange:
        return ShapeMember(self, id, kind, args);
    }
    throw CAutomationFailure(FakeError::kMemberNotFound);
}

inline CAutomationValue CFakePowerPoint::Application(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                                     const std::vector<CAutomationValue>& args)
{
    ExpectArgs(args, {});
    if (Is(id, kind, 2001, EInvokeKind::PropertyGet))
        return Object(Make(self, EFakeObject::Presentations));
    if (Is(id, kind, 2032, EInvokeKind::PropertyGet))
        return CAutomationValue::I4(m_probeValue);
    throw CAutomationFailure(FakeError::kMemberNotFound);
}

inline CAutomationValue CFakePowerPoint::Presentations(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                                       const std::vector<CAutomationValue>& args)
{
    if (Is(id, kind, 11, EInvokeKind::PropertyGet)) {
        ExpectArgs(args, {});
        return CAutomationValue::I4(static_cast<int32_t>(m_presentations.size()));
    }
    if (Is(id, kind, 0, EInvokeKind::Method)) {
        std::shared_ptr<CFakePresentation> found;
        if (args.size() == 1 && args[0].GetType() == CAutomationValue::EType::Text) {
            for (auto& presentation : m_presentations) {
                if (EqualsIgnoringAsciiCase(presentation->m_name, args[0].GetText())) {
                    found = presentation;
                    break;
                }
            }
            if (!found)
                throw CAutomationFailure(FakeError::kBadIndex);
        } else {
            found = m_presentations[PositionArg(args, m_presentations.size())];
        }
        auto ref = Make(self, EFakeObject::Presentation);
        ref->m_presentation = found;
        return Object(ref);
    }
    throw CAutomationFailure(FakeError::kMemberNotFound);
}

inline CAutomationValue CFakePowerPoint::PresentationMember(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                                            const std::vector<CAutomationValue>& args)
{
    ExpectArgs(args, {});
    CFakePresentation& presentation = *self.m_presentation;
    if (Is(id, kind, 2025, EInvokeKind::PropertyGet))
        return CAutomationValue::Text(presentation.m_name);
    if (Is(id, kind, 2011, EInvokeKind::PropertyGet))
        return Object(Make(self, EFakeObject::Slides));
    if (Is(id, kind, 2015, EInvokeKind::PropertyGet))
        return Object(Make(self, EFakeObject::SlideShowSettings));
    if (Is(id, kind, 2047, EInvokeKind::PropertyGet)) {
        if (!presentation.m_running)
            throw CAutomationFailure(FakeError::kFailed);
        auto window = Make(self, EFakeObject::SlideShowWindow);
        window->m_showNumber = presentation.m_showNumber;
        return Object(window);
    }
    throw CAutomationFailure(FakeError::kMemberNotFound);
}

inline CAutomationValue CFakePowerPoint::SlideShow(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                                   const std::vector<CAutomationValue>& args)
{
    CFakePresentation& show = *self.m_presentation;
    if (self.m_object == EFakeObject::SlideShowSettings) {
        ExpectArgs(args, {});
        if (!Is(id, kind, 2008, EInvokeKind::Method))
            throw CAutomationFailure(FakeError::kMemberNotFound);
        if (show.m_slides.empty())
            throw CAutomationFailure(FakeError::kFailed);
        show.StartShow();
        auto window = Make(self, EFakeObject::SlideShowWindow);
        window->m_showNumber = show.m_showNumber;
        return Object(window);
    }
    // Window and view belong to one run of the show.
    if (!show.m_running || self.m_showNumber != show.m_showNumber)
        throw CAutomationFailure(FakeError::kFailed);
    if (self.m_object == EFakeObject::SlideShowWindow) {
        ExpectArgs(args, {});
        if (!Is(id, kind, 2003, EInvokeKind::PropertyGet))
            throw CAutomationFailure(FakeError::kMemberNotFound);
        return Object(Make(self, EFakeObject::SlideShowView));
    }
    if (Is(id, kind, 2005, EInvokeKind::PropertyPut)) {
        ExpectArgs(args, {CAutomationValue::EType::I4});
        show.m_pointerType = args[0].GetI4();
        return {};
    }
    if (Is(id, kind, 2027, EInvokeKind::PropertyGet)) {
        ExpectArgs(args, {});
        return CAutomationValue::I4(show.m_position);
    }
    if (Is(id, kind, 2021, EInvokeKind::Method)) {
        ExpectArgs(args, {CAutomationValue::EType::I4, CAutomationValue::EType::I4});
        const int32_t slide = args[0].GetI4();
        if (slide < 1 || slide > show.SlideCount())
            throw CAutomationFailure(FakeError::kBadIndex);
        show.m_position = slide;
        return {};
    }
    if (kind == EInvokeKind::Method && (id == 2017 || id == 2018 || id == 2019 || id == 2020 || id == 2025)) {
        ExpectArgs(args, {});
        Navigate(show, id);
        return {};
    }
    throw CAutomationFailure(FakeError::kMemberNotFound);
}

// First, Last, Next, Previous and Exit. Next and Previous pass over hidden slides, as a show does.
inline void CFakePowerPoint::Navigate(CFakePresentation& show, int32_t id)
{
    const int32_t count = show.SlideCount();
    switch (id) {
    case 2017:
        show.m_position = show.FirstVisible();
        break;
    case 2018:
        show.m_position = show.LastVisible();
        break;
    case 2019: {
        if (show.m_position > count) {
            show.EndShow();
            break;
        }
        int32_t next = show.m_position + 1;
        while (next <= count && !show.IsVisible(next))
            ++next;
        if (next <= count)
            show.m_position = next;
        else if (m_nextPastLastEndsShow)
            show.EndShow();
        else
            show.m_position = count + 1;
        break;
    }
    case 2020: {
        if (show.m_position > count) {
            show.m_position = show.LastVisible();
            break;
        }
        int32_t previous = show.m_position - 1;
        while (previous >= 1 && !show.IsVisible(previous))
            --previous;
        if (previous >= 1)
            show.m_position = previous;
        break;
    }
    case 2025:
        show.EndShow();
        break;
    }
}

inline CAutomationValue CFakePowerPoint::SlideMember(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                                     const std::vector<CAutomationValue>& args)
{
    switch (self.m_object) {
    case EFakeObject::Slides:
        if (Is(id, kind, 11, EInvokeKind::PropertyGet)) {
            ExpectArgs(args, {});
            return CAutomationValue::I4(self.m_presentation->SlideCount());
        }
        if (Is(id, kind, 0, EInvokeKind::Method)) {
            auto slide = Make(self, EFakeObject::Slide);
            slide->m_slide = static_cast<int>(PositionArg(args, self.m_presentation->m_slides.size()));
            return Object(slide);
        }
        break;
    case EFakeObject::Slide:
        ExpectArgs(args, {});
        SlideOf(self);
        if (Is(id, kind, 2003, EInvokeKind::PropertyGet))
            return Object(Make(self, EFakeObject::Shapes));
        if (Is(id, kind, 2005, EInvokeKind::PropertyGet))
            return Object(Make(self, EFakeObject::SlideShowTransition));
        if (Is(id, kind, 2022, EInvokeKind::PropertyGet)) {
            auto notesPage = Make(self, EFakeObject::SlideRange);
            notesPage->m_notesPage = true;
            return Object(notesPage);
        }
        break;
    case EFakeObject::SlideShowTransition:
        ExpectArgs(args, {});
        if (Is(id, kind, 2007, EInvokeKind::PropertyGet))
            return Flag(SlideOf(self).m_hidden);
        break;
    case EFakeObject::SlideRange:
        ExpectArgs(args, {});
        SlideOf(self);
        if (Is(id, kind, 2003, EInvokeKind::PropertyGet))
            return Object(Make(self, EFakeObject::Shapes));
        break;
    default:
        break;
    }
    throw CAutomationFailure(FakeError::kMemberNotFound);
}

// A slide's shapes hold its title shape (when it has one); a notes page's shapes are the
// slide's notes shapes.
inline CAutomationValue CFakePowerPoint::ShapeMember(const CFakeObjectRef& self, int32_t id, EInvokeKind kind,
                                                     const std::vector<CAutomationValue>& args)
{
    CFakeSlide& slide = SlideOf(self);
    const bool isTitle = !self.m_notesPage;
    switch (self.m_object) {
    case EFakeObject::Shapes: {
        const size_t count = isTitle ? (slide.m_hasTitle ? 1 : 0) : slide.m_notesShapes.size();
        if (Is(id, kind, 0, EInvokeKind::Method)) {
            const size_t index = PositionArg(args, count);
            auto shape = Make(self, EFakeObject::Shape);
            shape->m_shape = isTitle ? -1 : static_cast<int>(index);
            return Object(shape);
        }
        ExpectArgs(args, {});
        if (Is(id, kind, 2, EInvokeKind::PropertyGet))
            return CAutomationValue::I4(static_cast<int32_t>(count));
        if (Is(id, kind, 2004, EInvokeKind::PropertyGet))
            return Flag(isTitle && slide.m_hasTitle);
        if (Is(id, kind, 2006, EInvokeKind::PropertyGet)) {
            if (!isTitle || !slide.m_hasTitle)
                throw CAutomationFailure(FakeError::kFailed);
            auto shape = Make(self, EFakeObject::Shape);
            shape->m_shape = -1;
            return Object(shape);
        }
        break;
    }
    case EFakeObject::Shape:
    case EFakeObject::TextFrame:
    case EFakeObject::TextRange: {
        ExpectArgs(args, {});
        const bool hasFrame = isTitle || NotesShapeOf(self).m_hasTextFrame;
        const std::u16string& text = isTitle ? slide.m_title : NotesShapeOf(self).m_text;
        if (self.m_object == EFakeObject::Shape) {
            if (Is(id, kind, 2014, EInvokeKind::PropertyGet))
                return Flag(hasFrame);
            if (Is(id, kind, 121, EInvokeKind::PropertyGet)) {
                if (!hasFrame)
                    throw CAutomationFailure(FakeError::kFailed);
                return Object(Make(self, EFakeObject::TextFrame));
            }
        } else if (self.m_object == EFakeObject::TextFrame) {
            if (Is(id, kind, 2003, EInvokeKind::PropertyGet))
                return Flag(!text.empty());
            if (Is(id, kind, 2004, EInvokeKind::PropertyGet))
                return Object(Make(self, EFakeObject::TextRange));
        } else if (Is(id, kind, 0, EInvokeKind::PropertyGet)) {
            return CAutomationValue::Text(text);
        }
        break;
    }
    default:
        break;
    }
    throw CAutomationFailure(FakeError::kMemberNotFound);
}

// The connector the shell would give the connection, reaching the fake program.
class CFakeConnector : public IAutomationConnector {
public:
    explicit CFakeConnector(CFakePowerPoint& program) : m_program(program) {}
    std::shared_ptr<IAutomationObject> Attach() override { return m_program.Attach(); }
    std::shared_ptr<IAutomationObject> Connect() override { return m_program.Connect(); }

private:
    CFakePowerPoint& m_program;
};
