#include "ObjectRef.h"

namespace ppt {

namespace {

const char* const kNames[] = {
    "Application", "Presentations",       "Presentation", "Slides", "Slide",     "SlideShowSettings",
    "SlideShowWindow", "SlideShowView", "SlideShowTransition", "SlideRange", "Shapes", "Shape", "TextFrame",
    "TextRange",
};

constexpr int kCount = static_cast<int>(sizeof kNames / sizeof kNames[0]);
static_assert(kCount == static_cast<int>(ObjectType::TextRange) + 1, "one name per object type");

}  // namespace

const char* TypeName(ObjectType type)
{
    const int index = static_cast<int>(type);
    return index >= 0 && index < kCount ? kNames[index] : "?";
}

bool ParseTypeName(const std::string& name, ObjectType& type)
{
    for (int i = 0; i < kCount; ++i) {
        if (name == kNames[i]) {
            type = static_cast<ObjectType>(i);
            return true;
        }
    }
    return false;
}

}  // namespace ppt
