#include "Members.h"

#include <oleauto.h>

#include <cwchar>

namespace ppt {

Outcome Outcome::Integer(long value)
{
    Outcome o;
    o.kind = Kind::Integer;
    o.integer = value;
    return o;
}

Outcome Outcome::Text(std::wstring value)
{
    Outcome o;
    o.kind = Kind::Text;
    o.text = std::move(value);
    return o;
}

Outcome Outcome::Object(const ObjectRef& ref)
{
    Outcome o;
    o.kind = Kind::Object;
    o.object = ref;
    return o;
}

Outcome Outcome::Exception(std::wstring why)
{
    Outcome o;
    o.kind = Kind::Failure;
    o.error = DISP_E_EXCEPTION;
    o.text = std::move(why);
    return o;
}

Outcome Outcome::Fail(HRESULT error, int badArgument)
{
    Outcome o;
    o.kind = Kind::Failure;
    o.error = error;
    o.badArgument = badArgument;
    return o;
}

namespace {

constexpr WORD kMethod = DISPATCH_METHOD;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
// The program's true value for its tri-state flags (not 1).
constexpr long kTrue = -1;

long Flag(bool on) { return on ? kTrue : 0; }

// Numbers are converted as the program's own type library would convert them.
bool ToLong(const VARIANT& value, long& out)
{
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I4)))
        return false;
    out = V_I4(&converted);
    return true;
}

ObjectRef Derive(const ObjectRef& from, ObjectType type)
{
    ObjectRef ref = from;
    ref.type = type;
    return ref;
}

Outcome OutOfRange(long index, long count)
{
    return Outcome::Exception(L"Item: index " + std::to_wstring(index) + L" is out of the range 1 to " +
                              std::to_wstring(count));
}

// ---- Application

Outcome AppPresentations(CallContext& call)
{
    return Outcome::Object(Derive(call.self, ObjectType::Presentations));
}

Outcome AppBusyProbe(CallContext&)
{
    return Outcome::Integer(kTrue);
}

// ---- Presentations

Outcome PresentationsCount(CallContext& call)
{
    return Outcome::Integer(static_cast<long>(call.state.model.Presentations().size()));
}

Outcome PresentationsItem(CallContext& call)
{
    Model& model = call.state.model;
    const VARIANT& index = call.args[0];
    Presentation* p = nullptr;
    if (V_VT(&index) == VT_BSTR) {
        const std::wstring name(V_BSTR(&index) ? V_BSTR(&index) : L"", SysStringLen(V_BSTR(&index)));
        p = model.FindByName(name);
        if (!p)
            return Outcome::Exception(L"Item: no open presentation is named " + name);
    } else {
        long position = 0;
        if (!ToLong(index, position))
            return Outcome::Fail(DISP_E_TYPEMISMATCH, 0);
        p = model.At(position);
        if (!p)
            return OutOfRange(position, static_cast<long>(model.Presentations().size()));
    }
    ObjectRef ref;
    ref.type = ObjectType::Presentation;
    ref.presentation = p->id;
    return Outcome::Object(ref);
}

// ---- Presentation

Outcome PresentationName(CallContext& call)
{
    return Outcome::Text(call.target.presentation->name);
}

Outcome PresentationSlides(CallContext& call)
{
    return Outcome::Object(Derive(call.self, ObjectType::Slides));
}

Outcome PresentationSettings(CallContext& call)
{
    return Outcome::Object(Derive(call.self, ObjectType::SlideShowSettings));
}

Outcome ShowWindowOf(const Presentation& p)
{
    if (!p.show.running)
        return Outcome::Exception(L"SlideShowWindow: no slide show of this presentation is running");
    ObjectRef ref;
    ref.type = ObjectType::SlideShowWindow;
    ref.presentation = p.id;
    ref.show = p.show.generation;
    return Outcome::Object(ref);
}

Outcome PresentationShowWindow(CallContext& call)
{
    return ShowWindowOf(*call.target.presentation);
}

// ---- SlideShowSettings, SlideShowWindow

Outcome SettingsRun(CallContext& call)
{
    Presentation& p = *call.target.presentation;
    const Error error = call.state.model.Run(p);
    if (!error.empty())
        return Outcome::Exception(L"Run: " + error);
    return ShowWindowOf(p);
}

Outcome WindowView(CallContext& call)
{
    return Outcome::Object(Derive(call.self, ObjectType::SlideShowView));
}

// ---- SlideShowView

Outcome ViewPointerPut(CallContext& call)
{
    long value = 0;
    if (!ToLong(call.args.back(), value))
        return Outcome::Fail(DISP_E_TYPEMISMATCH, static_cast<int>(call.args.size()) - 1);
    call.target.presentation->show.pointerType = value;
    return Outcome::None();
}

Outcome ViewPointerGet(CallContext& call)
{
    return Outcome::Integer(call.target.presentation->show.pointerType);
}

Outcome ViewFirst(CallContext& call)
{
    call.state.model.First(*call.target.presentation);
    return Outcome::None();
}

Outcome ViewLast(CallContext& call)
{
    call.state.model.Last(*call.target.presentation);
    return Outcome::None();
}

Outcome ViewNext(CallContext& call)
{
    call.state.model.Next(*call.target.presentation);
    return Outcome::None();
}

Outcome ViewPrevious(CallContext& call)
{
    call.state.model.Previous(*call.target.presentation);
    return Outcome::None();
}

Outcome ViewGotoSlide(CallContext& call)
{
    long number = 0;
    long reset = 0;
    if (!ToLong(call.args[0], number))
        return Outcome::Fail(DISP_E_TYPEMISMATCH, 0);
    // The reset flag only decides where slide animations restart; it is checked, not used.
    if (call.args.size() > 1 && !ToLong(call.args[1], reset))
        return Outcome::Fail(DISP_E_TYPEMISMATCH, 1);
    const Error error = call.state.model.GotoSlide(*call.target.presentation, number);
    if (!error.empty())
        return Outcome::Exception(L"GotoSlide: " + error);
    return Outcome::None();
}

Outcome ViewExit(CallContext& call)
{
    call.state.model.Exit(*call.target.presentation);
    return Outcome::None();
}

Outcome ViewPosition(CallContext& call)
{
    return Outcome::Integer(call.target.presentation->show.position);
}

// ---- Slides, Slide, SlideShowTransition, SlideRange

Outcome SlidesCount(CallContext& call)
{
    return Outcome::Integer(call.target.presentation->Count());
}

Outcome SlidesItem(CallContext& call)
{
    Presentation& p = *call.target.presentation;
    if (V_VT(&call.args[0]) == VT_BSTR)
        return Outcome::Exception(L"Item: slides are looked up by number");
    long number = 0;
    if (!ToLong(call.args[0], number))
        return Outcome::Fail(DISP_E_TYPEMISMATCH, 0);
    if (number < 1 || number > p.Count())
        return OutOfRange(number, p.Count());
    ObjectRef ref = Derive(call.self, ObjectType::Slide);
    ref.slide = p.slides[static_cast<size_t>(number - 1)].id;
    return Outcome::Object(ref);
}

Outcome SlideShapes(CallContext& call)
{
    ObjectRef ref = Derive(call.self, ObjectType::Shapes);
    ref.owner = ShapeOwner::Slide;
    return Outcome::Object(ref);
}

Outcome SlideTransition(CallContext& call)
{
    return Outcome::Object(Derive(call.self, ObjectType::SlideShowTransition));
}

Outcome SlideNotesPage(CallContext& call)
{
    return Outcome::Object(Derive(call.self, ObjectType::SlideRange));
}

Outcome TransitionHidden(CallContext& call)
{
    return Outcome::Integer(Flag(call.target.slide->hidden));
}

Outcome RangeShapes(CallContext& call)
{
    ObjectRef ref = Derive(call.self, ObjectType::Shapes);
    ref.owner = ShapeOwner::NotesPage;
    return Outcome::Object(ref);
}

// ---- Shapes, Shape, TextFrame, TextRange

Outcome ShapesCount(CallContext& call)
{
    return Outcome::Integer(ShapeCount(*call.target.slide, call.self.owner));
}

Outcome ShapesItem(CallContext& call)
{
    if (V_VT(&call.args[0]) == VT_BSTR)
        return Outcome::Exception(L"Item: shapes are looked up by number");
    long number = 0;
    if (!ToLong(call.args[0], number))
        return Outcome::Fail(DISP_E_TYPEMISMATCH, 0);
    const int count = ShapeCount(*call.target.slide, call.self.owner);
    if (number < 1 || number > count)
        return OutOfRange(number, count);
    ObjectRef ref = Derive(call.self, ObjectType::Shape);
    ref.shape = static_cast<int>(number);
    return Outcome::Object(ref);
}

bool HasTitle(CallContext& call)
{
    return call.self.owner == ShapeOwner::Slide && call.target.slide->hasTitle;
}

Outcome ShapesHasTitle(CallContext& call)
{
    return Outcome::Integer(Flag(HasTitle(call)));
}

Outcome ShapesTitle(CallContext& call)
{
    if (!HasTitle(call))
        return Outcome::Exception(L"Title: this placeholder does not exist");
    ObjectRef ref = Derive(call.self, ObjectType::Shape);
    ref.shape = 1;
    return Outcome::Object(ref);
}

ShapeFacts Facts(CallContext& call)
{
    return DescribeShape(*call.target.slide, call.self.owner, call.self.shape);
}

Outcome ShapeHasTextFrame(CallContext& call)
{
    return Outcome::Integer(Flag(Facts(call).hasTextFrame));
}

Outcome ShapeTextFrame(CallContext& call)
{
    if (!Facts(call).hasTextFrame)
        return Outcome::Exception(L"TextFrame: this shape has no text frame");
    return Outcome::Object(Derive(call.self, ObjectType::TextFrame));
}

Outcome TextFrameHasText(CallContext& call)
{
    return Outcome::Integer(Flag(!Facts(call).text.empty()));
}

Outcome TextFrameTextRange(CallContext& call)
{
    return Outcome::Object(Derive(call.self, ObjectType::TextRange));
}

Outcome TextRangeText(CallContext& call)
{
    return Outcome::Text(Facts(call).text);
}

using T = ObjectType;

const Member kMembers[] = {
    {T::Application, 2001, kGet, L"Presentations", 0, 0, AppPresentations},
    {T::Application, 2032, kGet, nullptr, 0, 0, AppBusyProbe},
    {T::Presentations, 11, kGet, L"Count", 0, 0, PresentationsCount},
    {T::Presentations, 0, kMethod, L"Item", 1, 1, PresentationsItem},
    {T::Presentation, 2025, kGet, L"Name", 0, 0, PresentationName},
    {T::Presentation, 2011, kGet, L"Slides", 0, 0, PresentationSlides},
    {T::Presentation, 2015, kGet, L"SlideShowSettings", 0, 0, PresentationSettings},
    {T::Presentation, 2047, kGet, L"SlideShowWindow", 0, 0, PresentationShowWindow},
    {T::SlideShowSettings, 2008, kMethod, L"Run", 0, 0, SettingsRun},
    {T::SlideShowWindow, 2003, kGet, L"View", 0, 0, WindowView},
    {T::SlideShowView, 2005, kPut, L"PointerType", 1, 1, ViewPointerPut},
    {T::SlideShowView, 2005, kGet, L"PointerType", 0, 0, ViewPointerGet},
    {T::SlideShowView, 2017, kMethod, L"First", 0, 0, ViewFirst},
    {T::SlideShowView, 2018, kMethod, L"Last", 0, 0, ViewLast},
    {T::SlideShowView, 2019, kMethod, L"Next", 0, 0, ViewNext},
    {T::SlideShowView, 2020, kMethod, L"Previous", 0, 0, ViewPrevious},
    {T::SlideShowView, 2021, kMethod, L"GotoSlide", 1, 2, ViewGotoSlide},
    {T::SlideShowView, 2025, kMethod, L"Exit", 0, 0, ViewExit},
    {T::SlideShowView, 2027, kGet, L"CurrentShowPosition", 0, 0, ViewPosition},
    {T::Slides, 11, kGet, L"Count", 0, 0, SlidesCount},
    {T::Slides, 0, kMethod, L"Item", 1, 1, SlidesItem},
    {T::Slide, 2003, kGet, L"Shapes", 0, 0, SlideShapes},
    {T::Slide, 2005, kGet, L"SlideShowTransition", 0, 0, SlideTransition},
    {T::Slide, 2022, kGet, L"NotesPage", 0, 0, SlideNotesPage},
    {T::SlideShowTransition, 2007, kGet, L"Hidden", 0, 0, TransitionHidden},
    {T::SlideRange, 2003, kGet, L"Shapes", 0, 0, RangeShapes},
    {T::Shapes, 2, kGet, L"Count", 0, 0, ShapesCount},
    {T::Shapes, 0, kMethod, L"Item", 1, 1, ShapesItem},
    {T::Shapes, 2004, kGet, L"HasTitle", 0, 0, ShapesHasTitle},
    {T::Shapes, 2006, kGet, L"Title", 0, 0, ShapesTitle},
    {T::Shape, 2014, kGet, L"HasTextFrame", 0, 0, ShapeHasTextFrame},
    {T::Shape, 121, kGet, L"TextFrame", 0, 0, ShapeTextFrame},
    {T::TextFrame, 2003, kGet, L"HasText", 0, 0, TextFrameHasText},
    {T::TextFrame, 2004, kGet, L"TextRange", 0, 0, TextFrameTextRange},
    {T::TextRange, 0, kGet, L"Text", 0, 0, TextRangeText},
};

}  // namespace

const Member* FindMember(ObjectType type, DISPID id, WORD flags)
{
    for (const Member& member : kMembers)
        if (member.type == type && member.id == id && (member.kind & flags) != 0)
            return &member;
    return nullptr;
}

DISPID FindDispId(ObjectType type, const std::wstring& name)
{
    for (const Member& member : kMembers)
        if (member.type == type && member.name && _wcsicmp(member.name, name.c_str()) == 0)
            return member.id;
    return DISPID_UNKNOWN;
}

}  // namespace ppt
