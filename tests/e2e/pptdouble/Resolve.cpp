#include "Resolve.h"

#include "Text.h"

namespace ppt {

namespace {

constexpr int kNotesImage = 1;
constexpr int kNotesHeader = 2;
constexpr int kNotesBody = 3;

bool OnSlide(ObjectType type)
{
    switch (type) {
    case ObjectType::Slide:
    case ObjectType::SlideShowTransition:
    case ObjectType::SlideRange:
    case ObjectType::Shapes:
    case ObjectType::Shape:
    case ObjectType::TextFrame:
    case ObjectType::TextRange:
        return true;
    default:
        return false;
    }
}

bool OnShape(ObjectType type)
{
    return type == ObjectType::Shape || type == ObjectType::TextFrame || type == ObjectType::TextRange;
}

}  // namespace

Error Resolve(Model& model, const ObjectRef& ref, Resolved& out)
{
    out = Resolved{};
    if (ref.type == ObjectType::Application || ref.type == ObjectType::Presentations)
        return {};
    out.presentation = model.FindById(ref.presentation);
    if (!out.presentation)
        return L"the presentation was closed";
    if (ref.type == ObjectType::SlideShowWindow || ref.type == ObjectType::SlideShowView) {
        const Show& show = out.presentation->show;
        if (!show.running || show.generation != ref.show)
            return L"the slide show has ended";
    }
    if (OnSlide(ref.type)) {
        out.slide = model.FindSlide(*out.presentation, ref.slide, &out.slideNumber);
        if (!out.slide)
            return L"the slide was deleted";
    }
    if (OnShape(ref.type) && !DescribeShape(*out.slide, ref.owner, ref.shape).exists)
        return L"the shape was deleted";
    return {};
}

std::string PathOf(Model& model, const ObjectRef& ref)
{
    if (ref.type == ObjectType::Application || ref.type == ObjectType::Presentations)
        return "-";
    Presentation* p = model.FindById(ref.presentation);
    std::string path = p ? PercentEncode(p->name) : "?";
    if (ref.type == ObjectType::SlideShowWindow || ref.type == ObjectType::SlideShowView)
        return path + "/show" + std::to_string(ref.show);
    if (!OnSlide(ref.type))
        return path;
    int number = 0;
    if (p)
        model.FindSlide(*p, ref.slide, &number);
    path += number ? "/" + std::to_string(number) : std::string("/?");
    if (ref.owner != ShapeOwner::None)
        path += ref.owner == ShapeOwner::Slide ? "/slide" : "/notes";
    if (OnShape(ref.type))
        path += "/" + std::to_string(ref.shape);
    return path;
}

int ShapeCount(const Slide& slide, ShapeOwner owner)
{
    if (owner == ShapeOwner::Slide)
        return slide.hasTitle ? 1 : 0;
    if (owner == ShapeOwner::NotesPage)
        return kNotesBody;
    return 0;
}

ShapeFacts DescribeShape(const Slide& slide, ShapeOwner owner, int number)
{
    ShapeFacts facts;
    if (number < 1 || number > ShapeCount(slide, owner))
        return facts;
    facts.exists = true;
    if (owner == ShapeOwner::Slide) {
        facts.hasTextFrame = true;
        facts.text = slide.title;
    } else if (number == kNotesImage) {
        facts.hasTextFrame = false;
    } else if (number == kNotesHeader) {
        facts.hasTextFrame = true;
    } else {
        facts.hasTextFrame = true;
        facts.text = slide.notes;
    }
    return facts;
}

}  // namespace ppt
