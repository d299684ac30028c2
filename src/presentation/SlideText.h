#pragma once
// The texts the phone gets from a slide: its title, on one line, and its speaker notes.
#include <string>

class CSlide;

// The title text as one line: line feeds, tabs and vertical tabs (the program's line breaks
// inside a paragraph) become spaces, carriage returns go, and the en dash U+0096 that old
// documents store becomes "-". Empty when the slide has no title placeholder; "-" when the
// title cannot be read.
std::u16string ReadSlideTitle(const CSlide& slide);

// The text of the first shape on the slide's notes page that has text, as the program stores
// it; empty when none has. A shape that refuses its text frame counts as one without text;
// other automation failures reach the caller.
std::u16string ReadSlideNotes(const CSlide& slide);

// The clean-ups, in the order they are applied.
std::u16string CleanSlideTitle(std::u16string text);
// "\r\n" becomes "\n" and a tab one space, so the phone breaks lines where the notes do.
std::u16string CleanSlideNotes(std::u16string text);
