#include "Model.h"

#include <windows.h>

#include <algorithm>

namespace ppt {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

std::wstring WithoutExtension(const std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

// Numbers of the slides a show passes through; hidden ones are skipped.
int FirstShown(const Presentation& p)
{
    for (int i = 1; i <= p.Count(); ++i)
        if (!p.slides[i - 1].hidden)
            return i;
    return 0;
}

int LastShown(const Presentation& p)
{
    for (int i = p.Count(); i >= 1; --i)
        if (!p.slides[i - 1].hidden)
            return i;
    return 0;
}

int ShownAfter(const Presentation& p, int number)
{
    for (int i = number + 1; i <= p.Count(); ++i)
        if (!p.slides[i - 1].hidden)
            return i;
    return 0;
}

int ShownBefore(const Presentation& p, int number)
{
    for (int i = std::min(number - 1, p.Count()); i >= 1; --i)
        if (!p.slides[i - 1].hidden)
            return i;
    return 0;
}

}  // namespace

Presentation* Model::FindById(unsigned id)
{
    for (Presentation& p : m_presentations)
        if (p.id == id)
            return &p;
    return nullptr;
}

Presentation* Model::FindByName(const std::wstring& name)
{
    for (Presentation& p : m_presentations)
        if (SameText(p.name, name) || SameText(WithoutExtension(p.name), name))
            return &p;
    return nullptr;
}

Presentation* Model::At(long position)
{
    if (position < 1 || position > static_cast<long>(m_presentations.size()))
        return nullptr;
    return &m_presentations[static_cast<size_t>(position - 1)];
}

Slide* Model::FindSlide(Presentation& presentation, unsigned slideId, int* number)
{
    for (size_t i = 0; i < presentation.slides.size(); ++i) {
        if (presentation.slides[i].id == slideId) {
            if (number)
                *number = static_cast<int>(i + 1);
            return &presentation.slides[i];
        }
    }
    return nullptr;
}

Error Model::Open(const std::wstring& name)
{
    if (name.empty())
        return L"a presentation needs a name";
    // Two open files of one name would make look-ups by name ambiguous.
    for (const Presentation& p : m_presentations)
        if (SameText(p.name, name))
            return L"a presentation of this name is open already";
    Presentation p;
    p.id = m_nextId++;
    p.name = name;
    m_presentations.push_back(p);
    if (m_observer)
        m_observer->PresentationOpened(m_presentations.back());
    return {};
}

Error Model::Close(const std::wstring& name)
{
    for (auto it = m_presentations.begin(); it != m_presentations.end(); ++it) {
        if (!SameText(it->name, name))
            continue;
        Exit(*it);
        const unsigned id = it->id;
        m_presentations.erase(it);
        if (m_observer)
            m_observer->PresentationClosed(id);
        return {};
    }
    return L"no such presentation";
}

Slide& Model::AddSlide(Presentation& presentation)
{
    Slide slide;
    slide.id = m_nextId++;
    presentation.slides.push_back(slide);
    return presentation.slides.back();
}

Error Model::RemoveSlide(Presentation& presentation, int number)
{
    if (number < 1 || number > presentation.Count())
        return L"no such slide";
    presentation.slides.erase(presentation.slides.begin() + (number - 1));
    SlidesChanged(presentation);
    return {};
}

void Model::ClearSlides(Presentation& presentation)
{
    presentation.slides.clear();
    SlidesChanged(presentation);
}

void Model::SlidesChanged(Presentation& presentation)
{
    Show& show = presentation.show;
    if (!show.running)
        return;
    if (presentation.Count() == 0) {
        Exit(presentation);
        return;
    }
    show.position = std::clamp(show.position, 1, presentation.Count() + 1);
    Changed(presentation);
}

Error Model::Run(Presentation& presentation)
{
    if (presentation.Count() == 0)
        return L"the presentation has no slides";
    Show& show = presentation.show;
    // Running again restarts the show from the top in the same window.
    if (!show.running) {
        show.running = true;
        show.generation = m_nextId++;
        show.pointerType = 1;
    }
    const int first = FirstShown(presentation);
    show.position = first ? first : presentation.Count() + 1;
    Changed(presentation);
    return {};
}

void Model::Next(Presentation& presentation)
{
    Show& show = presentation.show;
    if (!show.running)
        return;
    if (show.position > presentation.Count()) {
        Exit(presentation);  // a click on the end screen ends the show
        return;
    }
    if (const int next = ShownAfter(presentation, show.position)) {
        show.position = next;
    } else if (m_endScreen) {
        show.position = presentation.Count() + 1;
    } else {
        Exit(presentation);
        return;
    }
    Changed(presentation);
}

void Model::Previous(Presentation& presentation)
{
    Show& show = presentation.show;
    if (!show.running)
        return;
    // On the first shown slide there is nothing before: the show stays.
    if (const int previous = ShownBefore(presentation, show.position))
        show.position = previous;
    Changed(presentation);
}

void Model::First(Presentation& presentation)
{
    Show& show = presentation.show;
    if (!show.running)
        return;
    if (const int first = FirstShown(presentation))
        show.position = first;
    Changed(presentation);
}

void Model::Last(Presentation& presentation)
{
    Show& show = presentation.show;
    if (!show.running)
        return;
    if (const int last = LastShown(presentation))
        show.position = last;
    Changed(presentation);
}

Error Model::GotoSlide(Presentation& presentation, long number)
{
    Show& show = presentation.show;
    if (!show.running)
        return L"no slide show is running";
    if (number < 1 || number > presentation.Count())
        return L"the slide number is out of range";
    show.position = static_cast<int>(number);  // hidden slides too: a jump shows what it names
    Changed(presentation);
    return {};
}

void Model::Exit(Presentation& presentation)
{
    Show& show = presentation.show;
    if (!show.running)
        return;
    show.running = false;
    show.position = 0;
    Changed(presentation);
}

void Model::Changed(const Presentation& presentation)
{
    if (m_observer)
        m_observer->ShowChanged(presentation);
}

}  // namespace ppt
