// The windows the server looks for: a "PPTFrameClass" main window holding an
// "MDIClient" with one "mdiClass" document window per open presentation,
// titled with its name, and a top-level "screenClass" window per running show
// whose title contains the presentation's name.
#pragma once

#include "Model.h"

#include <windows.h>

#include <map>
#include <string>

namespace ppt {

class DoubleWindows final : public ModelObserver {
public:
    DoubleWindows() = default;
    DoubleWindows(const DoubleWindows&) = delete;
    DoubleWindows& operator=(const DoubleWindows&) = delete;
    ~DoubleWindows();

    bool Create(HINSTANCE instance);
    HWND Frame() const { return m_frame; }
    HWND MdiClient() const { return m_mdiClient; }

    void PresentationOpened(const Presentation& presentation) override;
    void PresentationClosed(unsigned id) override;
    void ShowChanged(const Presentation& presentation) override;

private:
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK DocumentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK ScreenProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void PaintScreen(HWND hwnd);

    HINSTANCE m_instance = nullptr;
    HWND m_frame = nullptr;
    HWND m_mdiClient = nullptr;
    std::map<unsigned, HWND> m_documents;  // by presentation id
    std::map<unsigned, HWND> m_screens;    // by presentation id, while its show runs
    std::map<HWND, std::wstring> m_screenText;  // what each show window paints
};

}  // namespace ppt
