#include "presentation/SlideText.h"

#include <algorithm>
#include <cstdint>

#include "presentation/PowerPointObjects.h"

namespace {

// Replaces every occurrence of `from`, left to right, without rescanning what was put in.
void ReplaceAll(std::u16string& text, const std::u16string& from, const std::u16string& to)
{
    size_t at = 0;
    while ((at = text.find(from, at)) != std::u16string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
}

// Positions travel as 16-bit values, so a larger count cannot be walked.
int32_t WalkableCount(int32_t count)
{
    return std::clamp<int32_t>(count, 0, INT16_MAX);
}

}  // namespace

std::u16string CleanSlideTitle(std::u16string text)
{
    ReplaceAll(text, u"\n", u" ");
    ReplaceAll(text, u"\t", u" ");
    ReplaceAll(text, u"\r", u"");
    ReplaceAll(text, u"\v", u" ");
    ReplaceAll(text, u"\u0096", u"-");
    return text;
}

std::u16string CleanSlideNotes(std::u16string text)
{
    ReplaceAll(text, u"\r\n", u"\n");
    ReplaceAll(text, u"\t", u" ");
    return text;
}

std::u16string ReadSlideTitle(const CSlide& slide)
{
    std::u16string text;
    try {
        const CShapes shapes = slide.GetShapes();
        CShape title;
        try {
            title = shapes.GetTitle();
        } catch (const CAutomationFailure& failure) {
            // Title fails on a slide without a title placeholder; only then is HasTitle asked,
            // which saves a call on every titled slide.
            if (failure.IsBusyRefusal() || shapes.GetHasTitle() != 0)
                throw;
            return std::u16string();
        }
        text = title.GetTextFrame().GetTextRange().GetText();
    } catch (const CAutomationFailure&) {
        // One unreadable title must not cost the phone the whole slide list.
        return u"-";
    }
    return CleanSlideTitle(std::move(text));
}

std::u16string ReadSlideNotes(const CSlide& slide)
{
    const CShapes shapes = slide.GetNotesPage().GetShapes();
    const int32_t count = WalkableCount(shapes.GetCount());
    for (int32_t i = 1; i <= count; ++i) {
        const CShape shape = shapes.Item(static_cast<int16_t>(i));
        // The text frame is asked for directly: a shape without one (the slide image) refuses
        // it, which costs the same one call as asking HasTextFrame first would.
        CTextFrame frame;
        try {
            frame = shape.GetTextFrame();
        } catch (const CAutomationFailure& failure) {
            if (failure.IsBusyRefusal())
                throw;
            continue;
        }
        if (frame.GetHasText() != 0)
            return frame.GetTextRange().GetText();
    }
    return std::u16string();
}
