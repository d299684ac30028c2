#include "platform/win32/Win32MessageFilter.h"

#include <ole2.h>

#include <cstdint>

namespace {

// The COM face of the policy. Incoming calls (the server serves none) are always handled.
class CMessageFilter final : public IMessageFilter {
public:
    explicit CMessageFilter(const CCallRetryPolicy& policy) : m_policy(policy) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
            *object = static_cast<IMessageFilter*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override
    {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD rejectType) override
    {
        const auto wait = m_policy.OnRejected(elapsed, rejectType == SERVERCALL_RETRYLATER);
        // Any value below 0xFFFFFFFF retries: below 100 at once, otherwise after that many ms.
        return wait ? *wait : static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD elapsed, DWORD) override
    {
        return m_policy.ShouldCancel(elapsed) ? PENDINGMSG_CANCELCALL : PENDINGMSG_WAITDEFPROCESS;
    }

private:
    const CCallRetryPolicy& m_policy;
    LONG m_references = 1;
};

}  // namespace

bool RegisterCallMessageFilter(const CCallRetryPolicy& policy)
{
    auto* filter = new CMessageFilter(policy);
    IMessageFilter* previous = nullptr;
    const HRESULT hr = ::CoRegisterMessageFilter(filter, &previous);
    if (previous)
        previous->Release();
    // COM holds its own reference now.
    filter->Release();
    return SUCCEEDED(hr);
}

CCallWaitTicker::CCallWaitTicker()
{
    // The thread id travels as the callback's context: nothing it points to can go away.
    const auto thread = static_cast<uintptr_t>(::GetCurrentThreadId());
    const auto wake = [](PVOID context, BOOLEAN) {
        ::PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<uintptr_t>(context)), WM_NULL, 0, 0);
    };
    if (!::CreateTimerQueueTimer(&m_timer, nullptr, wake, reinterpret_cast<PVOID>(thread), kTickMilliseconds,
                                 kTickMilliseconds, WT_EXECUTEINTIMERTHREAD))
        m_timer = nullptr;
}

CCallWaitTicker::~CCallWaitTicker()
{
    // Returns at once; a tick already under way only posts one more empty message.
    if (m_timer)
        ::DeleteTimerQueueTimer(nullptr, m_timer, nullptr);
}
