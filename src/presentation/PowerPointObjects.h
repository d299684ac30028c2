#pragma once
// Typed wrappers over the presentation program's object model, one class per object type and
// one operation per member the server calls. Each call is one late-bound invocation; failures
// raise CAutomationFailure, and calls through an empty wrapper do nothing (see CDispatchDriver).
// Members that return an object return it in a wrapper of its class, which owns it.
#include <cstdint>
#include <string>

#include "presentation/DispatchDriver.h"

class CPresentations;
class CPresentation;
class CSlides;
class CSlide;
class CSlideShowSettings;
class CSlideShowWindow;
class CSlideShowView;
class CSlideShowTransition;
class CSlideRange;
class CShapes;
class CShape;
class CTextFrame;
class CTextRange;

class CApplication : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    CPresentations GetPresentations() const;
    // A property whose read fails exactly while the program is busy; its value means nothing.
    int32_t ReadBusyProbe() const;
};

class CPresentations : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    int32_t GetCount() const;
    // By 1-based position (a 16-bit argument) or by name (a string argument).
    CPresentation Item(int16_t position) const;
    CPresentation Item(const std::u16string& name) const;
};

class CPresentation : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    std::u16string GetName() const;
    CSlides GetSlides() const;
    CSlideShowSettings GetSlideShowSettings() const;
    // Fails when no slide show of this presentation is running.
    CSlideShowWindow GetSlideShowWindow() const;
};

class CSlideShowSettings : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    // Starts the show; the window object the program returns is released at once.
    void Run() const;
};

class CSlideShowWindow : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    CSlideShowView GetView() const;
};

class CSlideShowView : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    static constexpr int32_t kPointerPen = 2;
    static constexpr int32_t kPointerDefault = 0;

    void SetPointerType(int32_t type) const;
    void First() const;
    void Last() const;
    void Next() const;
    void Previous() const;
    // Jumps to a 1-based slide number without resetting the slide's animations.
    void GotoSlide(int32_t slide) const;
    void Exit() const;
    // 1-based position of the slide being shown; beyond the slide count on the end screen.
    int32_t GetCurrentShowPosition() const;
};

class CSlides : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    int32_t GetCount() const;
    CSlide Item(int16_t position) const;
};

class CSlide : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    CShapes GetShapes() const;
    CSlideShowTransition GetSlideShowTransition() const;
    CSlideRange GetNotesPage() const;
};

class CSlideShowTransition : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    // Non-zero when the slide is hidden.
    int32_t GetHidden() const;
};

class CSlideRange : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    CShapes GetShapes() const;
};

class CShapes : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    int32_t GetCount() const;
    CShape Item(int16_t position) const;
    // Non-zero when the slide has a title placeholder.
    int32_t GetHasTitle() const;
    CShape GetTitle() const;
};

class CShape : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    // Fails on a shape that cannot hold text (a picture, the slide image of a notes page).
    CTextFrame GetTextFrame() const;
};

class CTextFrame : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    int32_t GetHasText() const;
    CTextRange GetTextRange() const;
};

class CTextRange : public CDispatchDriver {
public:
    using CDispatchDriver::CDispatchDriver;
    std::u16string GetText() const;
};
