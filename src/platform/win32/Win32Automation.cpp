#include "platform/win32/Win32Automation.h"

#include <vector>

#include "platform/win32/Win32MessageFilter.h"
#include "platform/win32/WideText.h"

namespace {

// A VARIANT that is cleared (strings freed, interfaces released) when it goes.
class CVariant {
public:
    CVariant() { ::VariantInit(&m_value); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    ~CVariant() { ::VariantClear(&m_value); }

    VARIANT* Get() { return &m_value; }
    VARIANT& operator*() { return m_value; }

private:
    VARIANT m_value;
};

// The call's arguments in the order IDispatch wants them: last argument first.
class CArgumentList {
public:
    explicit CArgumentList(const std::vector<CAutomationValue>& arguments) : m_values(arguments.size())
    {
        for (VARIANT& value : m_values)
            ::VariantInit(&value);
        for (size_t i = 0; i < arguments.size(); ++i)
            Fill(arguments[i], m_values[arguments.size() - 1 - i]);
    }
    CArgumentList(const CArgumentList&) = delete;
    CArgumentList& operator=(const CArgumentList&) = delete;
    ~CArgumentList()
    {
        for (VARIANT& value : m_values)
            ::VariantClear(&value);
    }

    VARIANTARG* Data() { return m_values.empty() ? nullptr : m_values.data(); }
    UINT Count() const { return static_cast<UINT>(m_values.size()); }

private:
    static void Fill(const CAutomationValue& argument, VARIANT& out)
    {
        switch (argument.GetType()) {
        case CAutomationValue::EType::Empty:
            break;
        case CAutomationValue::EType::I2:
            out.vt = VT_I2;
            out.iVal = argument.GetI2();
            break;
        case CAutomationValue::EType::I4:
            out.vt = VT_I4;
            out.lVal = argument.GetI4();
            break;
        case CAutomationValue::EType::Text: {
            const std::u16string text = argument.GetText();
            BSTR string = ::SysAllocStringLen(as_wcstr(text), static_cast<UINT>(text.size()));
            if (!string)
                throw CAutomationFailure(static_cast<uint32_t>(E_OUTOFMEMORY));
            out.vt = VT_BSTR;
            out.bstrVal = string;
            break;
        }
        case CAutomationValue::EType::Object: {
            const auto object = argument.GetObject();
            const auto* native = dynamic_cast<const CWin32AutomationObject*>(object.get());
            if (object && !native)
                throw CAutomationFailure(AUTOMATION_TYPE_MISMATCH);
            // The variant holds its own reference, which clearing it gives back.
            out.vt = VT_DISPATCH;
            out.pdispVal = native ? CComRef<IDispatch>::Share(native->GetDispatch()).Detach() : nullptr;
            break;
        }
        }
    }

    std::vector<VARIANT> m_values;
};

std::u16string CopyString(BSTR string)
{
    return string ? as_u16(string, ::SysStringLen(string)) : std::u16string();
}

// The result as a portable value; the variant keeps its own references, which its owner clears.
CAutomationValue FromVariant(VARIANT& result)
{
    switch (result.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return CAutomationValue();
    case VT_I2:
        return CAutomationValue::I2(result.iVal);
    case VT_I4:
        return CAutomationValue::I4(result.lVal);
    case VT_BSTR:
        return CAutomationValue::Text(CopyString(result.bstrVal));
    case VT_DISPATCH:
        if (!result.pdispVal)
            return CAutomationValue::Object(nullptr);
        return CAutomationValue::Object(
            std::make_shared<CWin32AutomationObject>(CComRef<IDispatch>::Share(result.pdispVal)));
    case VT_UNKNOWN: {
        CComRef<IDispatch> dispatch;
        if (!result.punkVal || FAILED(result.punkVal->QueryInterface(IID_IDispatch, dispatch.Receive())))
            throw CAutomationFailure(AUTOMATION_TYPE_MISMATCH);
        return CAutomationValue::Object(std::make_shared<CWin32AutomationObject>(std::move(dispatch)));
    }
    default: {
        // Booleans, other integer widths and references to them: read as a 32-bit integer.
        CVariant converted;
        if (FAILED(::VariantChangeType(converted.Get(), &result, 0, VT_I4)))
            throw CAutomationFailure(AUTOMATION_TYPE_MISMATCH);
        return CAutomationValue::I4((*converted).lVal);
    }
    }
}

WORD InvokeFlags(EInvokeKind kind)
{
    switch (kind) {
    case EInvokeKind::Method:
        return DISPATCH_METHOD;
    case EInvokeKind::PropertyGet:
        return DISPATCH_PROPERTYGET;
    case EInvokeKind::PropertyPut:
        return DISPATCH_PROPERTYPUT;
    }
    return DISPATCH_METHOD;
}

// Frees the strings an exception report carries, once it has been read.
class CExceptionInfo {
public:
    CExceptionInfo() : m_info() {}
    CExceptionInfo(const CExceptionInfo&) = delete;
    CExceptionInfo& operator=(const CExceptionInfo&) = delete;
    ~CExceptionInfo()
    {
        ::SysFreeString(m_info.bstrSource);
        ::SysFreeString(m_info.bstrDescription);
        ::SysFreeString(m_info.bstrHelpFile);
    }

    EXCEPINFO* Get() { return &m_info; }

    CAutomationFailure ToFailure(HRESULT invokeResult)
    {
        // Servers may leave the report to be filled in only when it is asked for.
        if (m_info.pfnDeferredFillIn)
            m_info.pfnDeferredFillIn(&m_info);
        const HRESULT code = FAILED(m_info.scode) ? m_info.scode : invokeResult;
        return CAutomationFailure(static_cast<uint32_t>(code), CopyString(m_info.bstrDescription));
    }

private:
    EXCEPINFO m_info;
};

}  // namespace

CAutomationValue CWin32AutomationObject::Invoke(int32_t dispatchId, EInvokeKind kind,
                                                const std::vector<CAutomationValue>& arguments)
{
    CArgumentList list(arguments);
    DISPPARAMS parameters = {list.Data(), nullptr, list.Count(), 0};
    // A property put names its value argument.
    DISPID putId = DISPID_PROPERTYPUT;
    if (kind == EInvokeKind::PropertyPut) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    CVariant result;
    CExceptionInfo exception;
    UINT argumentError = 0;
    const CCallWaitTicker ticker;
    const HRESULT hr =
        m_dispatch->Invoke(dispatchId, IID_NULL, LOCALE_USER_DEFAULT, InvokeFlags(kind), &parameters,
                           kind == EInvokeKind::PropertyPut ? nullptr : result.Get(), exception.Get(), &argumentError);
    if (hr == DISP_E_EXCEPTION)
        throw exception.ToFailure(hr);
    if (FAILED(hr))
        throw CAutomationFailure(static_cast<uint32_t>(hr));
    return FromVariant(*result);
}

namespace {

std::shared_ptr<IAutomationObject> DispatchOf(IUnknown* unknown)
{
    CComRef<IDispatch> dispatch;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, dispatch.Receive())) || !dispatch)
        return nullptr;
    return std::make_shared<CWin32AutomationObject>(std::move(dispatch));
}

}  // namespace

std::shared_ptr<IAutomationObject> CWin32AutomationConnector::Attach()
{
    CLSID classId;
    if (FAILED(::CLSIDFromProgID(as_wcstr(m_progId), &classId)))
        return nullptr;
    CComRef<IUnknown> unknown;
    if (FAILED(::GetActiveObject(classId, nullptr, reinterpret_cast<IUnknown**>(unknown.Receive()))) || !unknown)
        return nullptr;
    return DispatchOf(unknown.Get());
}

std::shared_ptr<IAutomationObject> CWin32AutomationConnector::Connect()
{
    CLSID classId;
    if (FAILED(::CLSIDFromProgID(as_wcstr(m_progId), &classId)))
        return nullptr;

    CComRef<IUnknown> unknown;
    const DWORD local = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
    HRESULT hr = ::CoCreateInstance(classId, nullptr, local | CLSCTX_REMOTE_SERVER, IID_IUnknown, unknown.Receive());
    // Systems without remote activation refuse the remote context as an invalid argument.
    if (hr == E_INVALIDARG)
        hr = ::CoCreateInstance(classId, nullptr, local, IID_IUnknown, unknown.Receive());
    if (FAILED(hr) || !unknown)
        return nullptr;

    if (FAILED(::OleRun(unknown.Get())))
        return nullptr;
    return DispatchOf(unknown.Get());
}
