#pragma once
#include <windows.h>

#include <utility>

// A bitmap owned by one object and deleted with it.
class CUniqueBitmap {
public:
    CUniqueBitmap() = default;
    explicit CUniqueBitmap(HBITMAP bitmap) : m_bitmap(bitmap) {}
    CUniqueBitmap(const CUniqueBitmap&) = delete;
    CUniqueBitmap& operator=(const CUniqueBitmap&) = delete;
    CUniqueBitmap(CUniqueBitmap&& other) noexcept : m_bitmap(std::exchange(other.m_bitmap, nullptr)) {}
    CUniqueBitmap& operator=(CUniqueBitmap&& other) noexcept
    {
        if (this != &other) {
            Reset(std::exchange(other.m_bitmap, nullptr));
        }
        return *this;
    }
    ~CUniqueBitmap() { Reset(); }

    HBITMAP Get() const { return m_bitmap; }
    explicit operator bool() const { return m_bitmap != nullptr; }

    void Reset(HBITMAP bitmap = nullptr)
    {
        if (m_bitmap) {
            ::DeleteObject(m_bitmap);
        }
        m_bitmap = bitmap;
    }

private:
    HBITMAP m_bitmap = nullptr;
};

// A memory device context compatible with another one, deleted at the end of its scope.
class CMemoryDC {
public:
    explicit CMemoryDC(HDC compatibleWith) : m_dc(::CreateCompatibleDC(compatibleWith)) {}
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    ~CMemoryDC()
    {
        if (m_dc) ::DeleteDC(m_dc);
    }

    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

// Selects an object into a device context and puts the previous one back at the end of its
// scope, so that the object can be deleted later without being selected anywhere.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    ~CSelectObject()
    {
        if (m_previous && m_previous != HGDI_ERROR) ::SelectObject(m_dc, m_previous);
    }

    bool Selected() const { return m_previous && m_previous != HGDI_ERROR; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// BeginPaint and EndPaint around one WM_PAINT.
class CPaintScope {
public:
    explicit CPaintScope(HWND window) : m_window(window), m_dc(::BeginPaint(window, &m_paint)) {}
    CPaintScope(const CPaintScope&) = delete;
    CPaintScope& operator=(const CPaintScope&) = delete;
    ~CPaintScope() { ::EndPaint(m_window, &m_paint); }

    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};
