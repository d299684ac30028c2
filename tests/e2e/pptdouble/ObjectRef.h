// What an automation object handed out by the double stands for. Objects hold
// ids, never pointers, so an object whose presentation, slide or show has gone
// fails its calls instead of reaching freed state.
#pragma once

#include <string>

namespace ppt {

enum class ObjectType {
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

const char* TypeName(ObjectType type);
bool ParseTypeName(const std::string& name, ObjectType& type);

// A shape sits on a slide (only its title here) or on the slide's notes page.
enum class ShapeOwner { None, Slide, NotesPage };

struct ObjectRef {
    ObjectType type = ObjectType::Application;
    unsigned presentation = 0;
    unsigned slide = 0;
    unsigned show = 0;  // generation of the show (window and view)
    ShapeOwner owner = ShapeOwner::None;
    int shape = 0;  // 1-based number of the shape in its owner
};

}  // namespace ppt
