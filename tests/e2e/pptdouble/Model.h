// The state the double plays: open presentations, their slides and their
// slide shows, and the rules by which a show moves. No COM and no windows
// here; the windows follow through ModelObserver.
#pragma once

#include <string>
#include <vector>

namespace ppt {

struct Slide {
    unsigned id = 0;  // stable while the slide exists: objects handed out refer to it
    bool hasTitle = true;
    std::wstring title;
    bool hidden = false;
    std::wstring notes;
};

// Positions are 1-based slide numbers; count + 1 is the black end screen
// after the last slide (the show still runs there).
struct Show {
    bool running = false;
    unsigned generation = 0;  // new for every start, so objects of an ended show stay dead
    int position = 0;
    long pointerType = 1;
};

struct Presentation {
    unsigned id = 0;
    std::wstring name;
    std::vector<Slide> slides;
    Show show;

    int Count() const { return static_cast<int>(slides.size()); }
};

class ModelObserver {
public:
    virtual void PresentationOpened(const Presentation& presentation) = 0;
    virtual void PresentationClosed(unsigned id) = 0;
    virtual void ShowChanged(const Presentation& presentation) = 0;  // started, moved or ended

protected:
    ~ModelObserver() = default;
};

// Failure text of an operation; empty when it worked.
using Error = std::wstring;

class Model {
public:
    void SetObserver(ModelObserver* observer) { m_observer = observer; }

    const std::vector<Presentation>& Presentations() const { return m_presentations; }
    Presentation* FindById(unsigned id);
    // The name as given, or without its extension, in any case.
    Presentation* FindByName(const std::wstring& name);
    Presentation* At(long position);  // 1-based; null when out of range

    // The slide and its 1-based number, or null when it was removed.
    Slide* FindSlide(Presentation& presentation, unsigned slideId, int* number = nullptr);

    Error Open(const std::wstring& name);
    Error Close(const std::wstring& name);

    Slide& AddSlide(Presentation& presentation);
    Error RemoveSlide(Presentation& presentation, int number);
    void ClearSlides(Presentation& presentation);
    // After slides changed: keeps a running show on a slide that exists.
    void SlidesChanged(Presentation& presentation);

    // When the show ends with the black screen, Next on the last slide goes
    // there and the next Next ends the show; without it Next ends the show at once.
    void SetEndScreen(bool on) { m_endScreen = on; }

    Error Run(Presentation& presentation);
    void Next(Presentation& presentation);
    void Previous(Presentation& presentation);
    void First(Presentation& presentation);
    void Last(Presentation& presentation);
    Error GotoSlide(Presentation& presentation, long number);
    void Exit(Presentation& presentation);

private:
    void Changed(const Presentation& presentation);

    std::vector<Presentation> m_presentations;
    ModelObserver* m_observer = nullptr;
    unsigned m_nextId = 1;
    bool m_endScreen = true;
};

}  // namespace ppt
