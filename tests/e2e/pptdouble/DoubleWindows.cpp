#include "DoubleWindows.h"

namespace ppt {

namespace {

const wchar_t kFrameClass[] = L"PPTFrameClass";
const wchar_t kDocumentClass[] = L"mdiClass";
const wchar_t kScreenClass[] = L"screenClass";
const wchar_t kFrameTitle[] = L"Presentation double";
constexpr UINT kFirstDocumentId = 1000;

std::wstring ScreenTitle(const Presentation& p)
{
    return L"Slide Show - [" + p.name + L"]";
}

std::wstring ScreenText(const Presentation& p)
{
    const int position = p.show.position;
    if (position > p.Count())
        return p.name + L": end of slide show";
    return p.name + L": slide " + std::to_wstring(position) + L" of " + std::to_wstring(p.Count());
}

}  // namespace

DoubleWindows::~DoubleWindows()
{
    for (auto& screen : m_screens)
        DestroyWindow(screen.second);
    if (m_frame)
        DestroyWindow(m_frame);  // takes the MDI client and the document windows with it
}

bool DoubleWindows::Create(HINSTANCE instance)
{
    m_instance = instance;
    WNDCLASSEXW frame = {};
    frame.cbSize = sizeof frame;
    frame.lpfnWndProc = FrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    frame.lpszClassName = kFrameClass;
    WNDCLASSEXW document = frame;
    document.lpfnWndProc = DocumentProc;
    document.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    document.lpszClassName = kDocumentClass;
    WNDCLASSEXW screen = frame;
    screen.lpfnWndProc = ScreenProc;
    screen.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    screen.lpszClassName = kScreenClass;
    if (!RegisterClassExW(&frame) || !RegisterClassExW(&document) || !RegisterClassExW(&screen))
        return false;

    m_frame = CreateWindowExW(0, kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 640,
                              480, nullptr, nullptr, instance, this);
    if (!m_frame)
        return false;
    CLIENTCREATESTRUCT client = {};
    client.idFirstChild = kFirstDocumentId;
    RECT area;
    GetClientRect(m_frame, &area);
    m_mdiClient = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDIClient", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE,
                                  0, 0, area.right, area.bottom, m_frame, nullptr, instance, &client);
    if (!m_mdiClient)
        return false;
    ShowWindow(m_frame, SW_SHOW);
    return true;
}

void DoubleWindows::PresentationOpened(const Presentation& presentation)
{
    const int offset = static_cast<int>(m_documents.size() % 8) * 24;
    HWND document = CreateMDIWindowW(kDocumentClass, presentation.name.c_str(), WS_VISIBLE, offset, offset, 360,
                                     240, m_mdiClient, m_instance, 0);
    if (document)
        m_documents[presentation.id] = document;
}

void DoubleWindows::PresentationClosed(unsigned id)
{
    auto it = m_documents.find(id);
    if (it == m_documents.end())
        return;
    SendMessageW(m_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(it->second), 0);
    m_documents.erase(it);
}

void DoubleWindows::ShowChanged(const Presentation& presentation)
{
    auto it = m_screens.find(presentation.id);
    if (!presentation.show.running) {
        if (it != m_screens.end()) {
            m_screenText.erase(it->second);
            DestroyWindow(it->second);
            m_screens.erase(it);
        }
        return;
    }
    if (it == m_screens.end()) {
        // A show fills the screen and takes the foreground when it starts.
        HWND screen = CreateWindowExW(0, kScreenClass, ScreenTitle(presentation).c_str(), WS_POPUP, 0, 0,
                                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                      m_instance, this);
        if (!screen)
            return;
        it = m_screens.emplace(presentation.id, screen).first;
        m_screenText[screen] = ScreenText(presentation);
        ShowWindow(screen, SW_SHOW);
        SetForegroundWindow(screen);
        return;
    }
    m_screenText[it->second] = ScreenText(presentation);
    InvalidateRect(it->second, nullptr, TRUE);
}

void DoubleWindows::PaintScreen(HWND hwnd)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT area;
    GetClientRect(hwnd, &area);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring& text = m_screenText[hwnd];
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK DoubleWindows::FrameProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DoubleWindows*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_CLOSE) {
        PostQuitMessage(0);  // closing the main window ends the program, as quit does
        return 0;
    }
    return DefFrameProcW(hwnd, self ? self->m_mdiClient : nullptr, message, wparam, lparam);
}

LRESULT CALLBACK DoubleWindows::DocumentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    // A document closes when its presentation is closed by command, not by its own close box.
    if (message == WM_CLOSE)
        return 0;
    return DefMDIChildProcW(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK DoubleWindows::ScreenProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DoubleWindows*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_PAINT && self) {
        self->PaintScreen(hwnd);
        return 0;
    }
    if (message == WM_CLOSE)
        return 0;  // a show ends through its view or by command
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace ppt
