// The class object registered for the double's CLSID: every instance it makes
// is an Application object over the one shared state, so every client sees the
// same presentations.
#pragma once

#include "DoubleState.h"

#include <unknwn.h>

namespace ppt {

// {778EDE0C-5FC8-4252-8B21-C6F03B9A2431}; tests/e2e/pptdouble.py registers the same.
extern const CLSID kDoubleClsid;

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(DoubleState& state) : m_state(state) {}
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;
    ~ClassFactory() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    // Lives on the stack of the main loop: reference counts do not free it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    DoubleState& m_state;
};

}  // namespace ppt
