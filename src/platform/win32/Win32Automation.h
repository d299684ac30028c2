#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <utility>

#include "presentation/Automation.h"
#include "presentation/PowerPointConnection.h"

// Owns one reference to a COM interface and releases it once.
template <class T>
class CComRef {
public:
    CComRef() = default;
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    CComRef(CComRef&& other) noexcept : m_pointer(other.Detach()) {}
    CComRef& operator=(CComRef&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ~CComRef() { Reset(); }

    // Takes over a reference the caller owns, as a COM call hands it out.
    static CComRef Adopt(T* pointer)
    {
        CComRef ref;
        ref.m_pointer = pointer;
        return ref;
    }
    // Adds a reference of its own to one the caller keeps.
    static CComRef Share(T* pointer)
    {
        if (pointer)
            pointer->AddRef();
        return Adopt(pointer);
    }

    T* Get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // For a COM call that returns a reference: the old one is released first.
    void** Receive()
    {
        Reset();
        return reinterpret_cast<void**>(&m_pointer);
    }
    T* Detach() { return std::exchange(m_pointer, nullptr); }
    void Reset(T* pointer = nullptr)
    {
        if (m_pointer)
            m_pointer->Release();
        m_pointer = pointer;
    }

private:
    T* m_pointer = nullptr;
};

// An automation object reached through IDispatch: each call is one Invoke by dispatch id.
// Must be used on the thread that created it (the GUI thread, which initialised OLE).
class CWin32AutomationObject : public IAutomationObject {
public:
    explicit CWin32AutomationObject(CComRef<IDispatch> dispatch) : m_dispatch(std::move(dispatch)) {}

    CAutomationValue Invoke(int32_t dispatchId, EInvokeKind kind, const std::vector<CAutomationValue>& arguments) override;

    IDispatch* GetDispatch() const { return m_dispatch.Get(); }

private:
    CComRef<IDispatch> m_dispatch;
};

// Reaches the program registered under a ProgID and hands out its dispatch interface: Attach
// through the running-object table, Connect by creating the class (which hands back a running
// single-instance program). OLE must be initialised on the calling thread.
class CWin32AutomationConnector : public IAutomationConnector {
public:
    static constexpr char16_t kPowerPointProgId[] = u"Powerpoint.Application";

    explicit CWin32AutomationConnector(std::u16string progId = kPowerPointProgId) : m_progId(std::move(progId)) {}

    std::shared_ptr<IAutomationObject> Attach() override;
    std::shared_ptr<IAutomationObject> Connect() override;

private:
    std::u16string m_progId;
};
