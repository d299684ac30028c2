#include "Dispatch.h"

#include "Members.h"
#include "Resolve.h"
#include "Text.h"

#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ppt {

namespace {

const wchar_t kSource[] = L"Presentation double";

std::string Hex(HRESULT hr)
{
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::string KindName(WORD flags)
{
    static const struct {
        WORD bit;
        const char* name;
    } kKinds[] = {{DISPATCH_METHOD, "method"},
                  {DISPATCH_PROPERTYGET, "get"},
                  {DISPATCH_PROPERTYPUT, "put"},
                  {DISPATCH_PROPERTYPUTREF, "putref"}};
    std::string out;
    WORD known = 0;
    for (const auto& kind : kKinds) {
        known |= kind.bit;
        if (flags & kind.bit)
            out += (out.empty() ? "" : "|") + std::string(kind.name);
    }
    if (out.empty() || (flags & ~known))
        out += (out.empty() ? "" : "|") + std::to_string(flags & ~known);
    return out;
}

std::string TypeText(VARTYPE vt)
{
    std::string prefix = (vt & VT_BYREF) ? "REF|" : "";
    switch (vt & ~VT_BYREF) {
    case VT_EMPTY: return prefix + "EMPTY";
    case VT_I2: return prefix + "I2";
    case VT_I4: return prefix + "I4";
    case VT_BSTR: return prefix + "BSTR";
    case VT_DISPATCH: return prefix + "DISPATCH";
    case VT_BOOL: return prefix + "BOOL";
    case VT_R8: return prefix + "R8";
    case VT_ERROR: return prefix + "ERROR";
    case VT_VARIANT: return prefix + "VARIANT";
    default: return prefix + "VT" + std::to_string(vt & ~VT_BYREF);
    }
}

// "I2:1", "BSTR:Talk.ppt"; other types by name alone.
std::string ArgumentText(const VARIANT& v)
{
    switch (V_VT(&v)) {
    case VT_I2: return "I2:" + std::to_string(V_I2(&v));
    case VT_I4: return "I4:" + std::to_string(V_I4(&v));
    case VT_BOOL: return "BOOL:" + std::to_string(V_BOOL(&v));
    case VT_BSTR:
        return "BSTR:" + PercentEncode(std::wstring(V_BSTR(&v) ? V_BSTR(&v) : L"", SysStringLen(V_BSTR(&v))));
    default: return TypeText(V_VT(&v));
    }
}

// Positional arguments arrive last first, after the named ones.
std::string ArgumentsText(const DISPPARAMS& params)
{
    std::string out;
    for (UINT i = params.cArgs; i-- > 0;)
        out += (out.empty() ? "" : ",") + ArgumentText(params.rgvarg[i]);
    return out.empty() ? "-" : out;
}

std::string NamedText(const DISPPARAMS& params)
{
    std::string out;
    for (UINT i = 0; i < params.cNamedArgs; ++i)
        out += (out.empty() ? "" : ",") + std::to_string(params.rgdispidNamedArgs[i]);
    return out.empty() ? "-" : out;
}

// Copies of the arguments, dereferenced, freed on every way out.
class ArgumentList {
public:
    ArgumentList() = default;
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;
    ~ArgumentList()
    {
        for (VARIANT& v : m_values)
            VariantClear(&v);
    }

    bool Add(const VARIANT& value)
    {
        VARIANT copy;
        VariantInit(&copy);
        if (FAILED(VariantCopyInd(&copy, const_cast<VARIANT*>(&value))))
            return false;
        m_values.push_back(copy);
        return true;
    }

    const std::vector<VARIANT>& Values() const { return m_values; }

private:
    std::vector<VARIANT> m_values;
};

DISPPARAMS NoParams()
{
    DISPPARAMS params = {};
    return params;
}

}  // namespace

AutomationObject::AutomationObject(DoubleState& state, const ObjectRef& ref) : m_state(state), m_ref(ref) {}

HRESULT AutomationObject::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG AutomationObject::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

ULONG AutomationObject::Release()
{
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT AutomationObject::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;  // no type library: callers go by dispatch id
    return S_OK;
}

HRESULT AutomationObject::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT AutomationObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!IsEqualIID(iid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    std::string asked;
    std::string found;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        const std::wstring name = names[i] ? names[i] : L"";
        // Only the member's own name has an id; names of its parameters do not.
        ids[i] = i == 0 ? FindDispId(m_ref.type, name) : DISPID_UNKNOWN;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
        asked += (i ? "," : "") + PercentEncode(name);
        found += (i ? "," : "") + std::to_string(ids[i]);
    }
    if (m_state.busy) {
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        hr = RPC_E_CALL_REJECTED;
    }
    const std::string outcome = hr == S_OK ? "ok:" + found : "fail:" + Hex(hr);
    m_state.calls.Write(std::to_string(NowNs()) + " " + TypeName(m_ref.type) + " " + PathOf(m_state.model, m_ref) +
                        " names - " + asked + " - " + outcome);
    return hr;
}

HRESULT AutomationObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argError)
{
    static const DISPPARAMS kNone = NoParams();
    const DISPPARAMS& in = params ? *params : kNone;
    // The path is taken before the call: Exit or Run may change what it names.
    const std::string head = std::to_string(NowNs()) + " " + TypeName(m_ref.type) + " " +
                             PathOf(m_state.model, m_ref) + " " + std::to_string(id) + " " + KindName(flags) +
                             " " + ArgumentsText(in) + " " + NamedText(in) + " ";
    if (result)
        VariantInit(result);
    if (exception)
        *exception = EXCEPINFO{};

    Outcome outcome;
    const Member* member = FindMember(m_ref.type, id, flags);
    const UINT named = in.cNamedArgs;
    const bool isPut = member && member->kind == DISPATCH_PROPERTYPUT;
    ArgumentList args;
    Resolved target;
    if (m_state.busy) {
        outcome = Outcome::Fail(RPC_E_CALL_REJECTED);
    } else if (!IsEqualIID(iid, IID_NULL)) {
        outcome = Outcome::Fail(DISP_E_UNKNOWNINTERFACE);
    } else if (named > in.cArgs || (in.cArgs && !in.rgvarg) || (named && !in.rgdispidNamedArgs)) {
        outcome = Outcome::Fail(E_INVALIDARG);
    } else if (!member) {
        outcome = Outcome::Fail(DISP_E_MEMBERNOTFOUND);
    } else if (isPut && (named != 1 || in.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
        // A put names its value DISPID_PROPERTYPUT; without it there is no value.
        outcome = Outcome::Fail(DISP_E_PARAMNOTFOUND);
    } else if (!isPut && named != 0) {
        outcome = Outcome::Fail(DISP_E_NONAMEDARGS);
    } else {
        const UINT positional = in.cArgs - named;
        const UINT total = positional + (isPut ? 1 : 0);
        bool copied = true;
        for (UINT i = in.cArgs; i-- > named;)
            copied = copied && args.Add(in.rgvarg[i]);
        if (isPut)
            copied = copied && args.Add(in.rgvarg[0]);
        const Error dead = Resolve(m_state.model, m_ref, target);
        if (total < member->minArgs || total > member->maxArgs) {
            outcome = Outcome::Fail(DISP_E_BADPARAMCOUNT);
        } else if (!copied) {
            outcome = Outcome::Fail(DISP_E_TYPEMISMATCH);
        } else if (!dead.empty()) {
            outcome = Outcome::Exception(dead);
        } else if (m_state.faults.count({m_ref.type, id})) {
            outcome = Outcome::Exception(L"the test made this member fail");
        } else {
            CallContext call{m_state, m_ref, target, args.Values()};
            outcome = member->call(call);
        }
    }

    std::string logged;
    switch (outcome.kind) {
    case Outcome::Kind::Nothing:
        logged = "ok:-";
        break;
    case Outcome::Kind::Integer:
        logged = "ok:I4:" + std::to_string(outcome.integer);
        if (result) {
            V_VT(result) = VT_I4;
            V_I4(result) = outcome.integer;
        }
        break;
    case Outcome::Kind::Text:
        logged = "ok:BSTR:" + PercentEncode(outcome.text);
        if (result) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocStringLen(outcome.text.data(), static_cast<UINT>(outcome.text.size()));
        }
        break;
    case Outcome::Kind::Object: {
        logged = std::string("ok:") + TypeName(outcome.object.type);
        auto* object = new AutomationObject(m_state, outcome.object);
        if (result) {
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = object;
        } else {
            object->Release();
        }
        break;
    }
    case Outcome::Kind::Failure:
        logged = "fail:" + Hex(outcome.error);
        if (outcome.error == DISP_E_EXCEPTION) {
            logged += ":" + PercentEncode(outcome.text);
            if (exception) {
                exception->scode = E_FAIL;
                exception->bstrSource = SysAllocString(kSource);
                exception->bstrDescription = SysAllocString(outcome.text.c_str());
            }
        }
        if (argError && outcome.badArgument >= 0) {
            // Back from call order to the caller's array, which runs last first.
            const int index = outcome.badArgument;
            *argError = isPut && index == static_cast<int>(in.cArgs - named) ? 0
                                                                             : in.cArgs - 1 - static_cast<UINT>(index);
        }
        break;
    }
    m_state.calls.Write(head + logged);
    return outcome.kind == Outcome::Kind::Failure ? outcome.error : S_OK;
}

}  // namespace ppt
