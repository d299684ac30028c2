#include "ClassFactory.h"

#include "Dispatch.h"
#include "LineFile.h"

#include <string>

namespace ppt {

const CLSID kDoubleClsid = {0x778ede0c, 0x5fc8, 0x4252, {0x8b, 0x21, 0xc6, 0xf0, 0x3b, 0x9a, 0x24, 0x31}};

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    // Logged so that a test can count how often a client connected.
    m_state.calls.Write(std::to_string(NowNs()) + " Application - create - - - ok:Application");
    ObjectRef ref;
    ref.type = ObjectType::Application;
    auto* application = new AutomationObject(m_state, ref);
    const HRESULT hr = application->QueryInterface(iid, out);
    application->Release();
    return hr;
}

}  // namespace ppt
