// Finds what an object reference stands for in the model right now, and how
// its shapes are laid out.
#pragma once

#include "Model.h"
#include "ObjectRef.h"

#include <string>

namespace ppt {

struct Resolved {
    Presentation* presentation = nullptr;
    Slide* slide = nullptr;
    int slideNumber = 0;
};

// Empty when the object is alive; otherwise why its calls fail.
Error Resolve(Model& model, const ObjectRef& ref, Resolved& out);

// A readable, space-free name of the object for the call log, e.g. "Talk.ppt/3/notes/2".
std::string PathOf(Model& model, const ObjectRef& ref);

// A slide's shapes are its title, if it has one. Its notes page holds the slide
// image (no text frame), an empty header placeholder, and the notes body.
struct ShapeFacts {
    bool exists = false;
    bool hasTextFrame = false;
    std::wstring text;
};

int ShapeCount(const Slide& slide, ShapeOwner owner);
ShapeFacts DescribeShape(const Slide& slide, ShapeOwner owner, int number);

}  // namespace ppt
