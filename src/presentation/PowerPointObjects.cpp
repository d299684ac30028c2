#include "presentation/PowerPointObjects.h"

namespace {

// Dispatch ids of the members called, by object.
constexpr int32_t kAppPresentations = 2001;
constexpr int32_t kAppBusyProbe = 2032;

constexpr int32_t kCollectionItem = 0;  // Item of Presentations, Slides and Shapes
constexpr int32_t kCollectionCount = 11;  // Count of Presentations and Slides
constexpr int32_t kShapesCount = 2;

constexpr int32_t kPresentationName = 2025;
constexpr int32_t kPresentationSlides = 2011;
constexpr int32_t kPresentationSlideShowSettings = 2015;
constexpr int32_t kPresentationSlideShowWindow = 2047;

constexpr int32_t kSettingsRun = 2008;
constexpr int32_t kWindowView = 2003;

constexpr int32_t kViewPointerType = 2005;
constexpr int32_t kViewFirst = 2017;
constexpr int32_t kViewLast = 2018;
constexpr int32_t kViewNext = 2019;
constexpr int32_t kViewPrevious = 2020;
constexpr int32_t kViewGotoSlide = 2021;
constexpr int32_t kViewExit = 2025;
constexpr int32_t kViewCurrentShowPosition = 2027;

constexpr int32_t kSlideShapes = 2003;
constexpr int32_t kSlideSlideShowTransition = 2005;
constexpr int32_t kSlideNotesPage = 2022;
constexpr int32_t kTransitionHidden = 2007;
constexpr int32_t kRangeShapes = 2003;

constexpr int32_t kShapesHasTitle = 2004;
constexpr int32_t kShapesTitle = 2006;
constexpr int32_t kShapeTextFrame = 121;
constexpr int32_t kFrameHasText = 2003;
constexpr int32_t kFrameTextRange = 2004;
constexpr int32_t kRangeText = 0;

// Positions travel as 16-bit variants; names as strings.
std::vector<CAutomationValue> Position(int16_t position)
{
    return {CAutomationValue::I2(position)};
}

}  // namespace

CPresentations CApplication::GetPresentations() const
{
    return CPresentations(GetObjectProperty(kAppPresentations));
}

int32_t CApplication::ReadBusyProbe() const
{
    return GetIntProperty(kAppBusyProbe);
}

int32_t CPresentations::GetCount() const
{
    return GetIntProperty(kCollectionCount);
}

CPresentation CPresentations::Item(int16_t position) const
{
    return CPresentation(InvokeObject(kCollectionItem, EInvokeKind::Method, Position(position)));
}

CPresentation CPresentations::Item(const std::u16string& name) const
{
    return CPresentation(InvokeObject(kCollectionItem, EInvokeKind::Method, {CAutomationValue::Text(name)}));
}

std::u16string CPresentation::GetName() const
{
    return GetTextProperty(kPresentationName);
}

CSlides CPresentation::GetSlides() const
{
    return CSlides(GetObjectProperty(kPresentationSlides));
}

CSlideShowSettings CPresentation::GetSlideShowSettings() const
{
    return CSlideShowSettings(GetObjectProperty(kPresentationSlideShowSettings));
}

CSlideShowWindow CPresentation::GetSlideShowWindow() const
{
    return CSlideShowWindow(GetObjectProperty(kPresentationSlideShowWindow));
}

void CSlideShowSettings::Run() const
{
    InvokeVoid(kSettingsRun, EInvokeKind::Method);
}

CSlideShowView CSlideShowWindow::GetView() const
{
    return CSlideShowView(GetObjectProperty(kWindowView));
}

void CSlideShowView::SetPointerType(int32_t type) const
{
    SetIntProperty(kViewPointerType, type);
}

void CSlideShowView::First() const
{
    InvokeVoid(kViewFirst, EInvokeKind::Method);
}

void CSlideShowView::Last() const
{
    InvokeVoid(kViewLast, EInvokeKind::Method);
}

void CSlideShowView::Next() const
{
    InvokeVoid(kViewNext, EInvokeKind::Method);
}

void CSlideShowView::Previous() const
{
    InvokeVoid(kViewPrevious, EInvokeKind::Method);
}

void CSlideShowView::GotoSlide(int32_t slide) const
{
    const int32_t keepAnimations = 0;
    InvokeVoid(kViewGotoSlide, EInvokeKind::Method, {CAutomationValue::I4(slide), CAutomationValue::I4(keepAnimations)});
}

void CSlideShowView::Exit() const
{
    InvokeVoid(kViewExit, EInvokeKind::Method);
}

int32_t CSlideShowView::GetCurrentShowPosition() const
{
    return GetIntProperty(kViewCurrentShowPosition);
}

int32_t CSlides::GetCount() const
{
    return GetIntProperty(kCollectionCount);
}

CSlide CSlides::Item(int16_t position) const
{
    return CSlide(InvokeObject(kCollectionItem, EInvokeKind::Method, Position(position)));
}

CShapes CSlide::GetShapes() const
{
    return CShapes(GetObjectProperty(kSlideShapes));
}

CSlideShowTransition CSlide::GetSlideShowTransition() const
{
    return CSlideShowTransition(GetObjectProperty(kSlideSlideShowTransition));
}

CSlideRange CSlide::GetNotesPage() const
{
    return CSlideRange(GetObjectProperty(kSlideNotesPage));
}

int32_t CSlideShowTransition::GetHidden() const
{
    return GetIntProperty(kTransitionHidden);
}

CShapes CSlideRange::GetShapes() const
{
    return CShapes(GetObjectProperty(kRangeShapes));
}

int32_t CShapes::GetCount() const
{
    return GetIntProperty(kShapesCount);
}

CShape CShapes::Item(int16_t position) const
{
    return CShape(InvokeObject(kCollectionItem, EInvokeKind::Method, Position(position)));
}

int32_t CShapes::GetHasTitle() const
{
    return GetIntProperty(kShapesHasTitle);
}

CShape CShapes::GetTitle() const
{
    return CShape(GetObjectProperty(kShapesTitle));
}

CTextFrame CShape::GetTextFrame() const
{
    return CTextFrame(GetObjectProperty(kShapeTextFrame));
}

int32_t CTextFrame::GetHasText() const
{
    return GetIntProperty(kFrameHasText);
}

CTextRange CTextFrame::GetTextRange() const
{
    return CTextRange(GetObjectProperty(kFrameTextRange));
}

std::u16string CTextRange::GetText() const
{
    return GetTextProperty(kRangeText);
}
