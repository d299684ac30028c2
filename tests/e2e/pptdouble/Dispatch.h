// One automation object of the double: an IDispatch that answers by dispatch
// id from the member table and writes one call-log line per call.
#pragma once

#include "DoubleState.h"
#include "ObjectRef.h"

#include <oaidl.h>

namespace ppt {

class AutomationObject final : public IDispatch {
public:
    AutomationObject(DoubleState& state, const ObjectRef& ref);
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

private:
    ~AutomationObject() = default;

    LONG m_refs = 1;
    DoubleState& m_state;
    const ObjectRef m_ref;
};

}  // namespace ppt
