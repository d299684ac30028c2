// pptclient: a test client of the presentation double. It connects the way the
// server does (CLSIDFromProgID, CoCreateInstance with the four class contexts,
// OleRun, QueryInterface for IDispatch, no message filter) and then makes the
// IDispatch calls that the lines on its standard input name, answering each
// line on standard output at once, so a test can hold objects across changes
// it makes to the double. It ends at the end of its input.
//
// Lines (words separated by spaces):
//   connect                   -> ok <milliseconds> | fail <step> 0x<hr>
//   attach [COUNT]            GetActiveObject COUNT times (default 1), as the server attaches
//                             to a running program; $app is the last object found
//                             -> ok <ms per attach> | fail 0x<hr> <ms per attach>
//   [$VAR =] [$FROM] STEP...  calls from $FROM (default $app, made by connect); each
//                             step's object result is the next step's target; $VAR keeps
//                             the last object  -> ok EMPTY | ok I4 <n> | ok BSTR <text> |
//                             ok DISPATCH | ok VT<n> | fail <step> 0x<hr> <description>
//   names $VAR NAME...        GetIDsOfNames -> ok <id>... | fail 0x<hr>
//   release $VAR
//   windows                   the double's windows (WindowList.h), then "end"
//   sleep MS                  -> ok
// STEP is DISPID.KIND or DISPID.KIND(ARG,...); KIND is method, get, put (the value
// named DISPID_PROPERTYPUT), putbare (a put without that name) or methodget; ARG is
// I2:<n>, I4:<n>, R8:<x> or BSTR:<text>. Texts are percent-encoded.
#include "ComRef.h"
#include "Text.h"
#include "WindowList.h"

#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ppt::ComRef;

void Print(const std::string& line)
{
    const std::string out = line + "\n";
    fwrite(out.data(), 1, out.size(), stdout);
    fflush(stdout);
}

std::string Hex(HRESULT hr)
{
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

double NowMs()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A VARIANT that is cleared however the scope is left.
struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v); }
};

// Frees what an automation exception carries.
struct Exception {
    EXCEPINFO info = {};
    Exception() = default;
    Exception(const Exception&) = delete;
    Exception& operator=(const Exception&) = delete;
    ~Exception()
    {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
    std::string Description()
    {
        if (info.pfnDeferredFillIn)
            info.pfnDeferredFillIn(&info);
        const BSTR text = info.bstrDescription;
        return ppt::PercentEncode(std::wstring(text ? text : L"", SysStringLen(text)));
    }
};

struct Step {
    DISPID id = 0;
    WORD flags = 0;
    bool namedPut = false;
    std::vector<std::string> args;
};

bool ParseArgument(const std::string& text, VARIANT& out)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string type = text.substr(0, colon);
    const std::string value = text.substr(colon + 1);
    if (type == "I2") {
        V_VT(&out) = VT_I2;
        V_I2(&out) = static_cast<SHORT>(std::strtol(value.c_str(), nullptr, 10));
    } else if (type == "I4") {
        V_VT(&out) = VT_I4;
        V_I4(&out) = std::strtol(value.c_str(), nullptr, 10);
    } else if (type == "R8") {
        V_VT(&out) = VT_R8;
        V_R8(&out) = std::strtod(value.c_str(), nullptr);
    } else if (type == "BSTR") {
        std::wstring decoded;
        if (!ppt::PercentDecode(value, decoded))
            return false;
        V_VT(&out) = VT_BSTR;
        V_BSTR(&out) = SysAllocStringLen(decoded.data(), static_cast<UINT>(decoded.size()));
    } else {
        return false;
    }
    return true;
}

bool ParseStep(const std::string& text, Step& step)
{
    const size_t dot = text.find('.');
    if (dot == std::string::npos)
        return false;
    step.id = std::strtol(text.substr(0, dot).c_str(), nullptr, 10);
    std::string kind = text.substr(dot + 1);
    const size_t open = kind.find('(');
    if (open != std::string::npos) {
        if (kind.back() != ')')
            return false;
        std::stringstream list(kind.substr(open + 1, kind.size() - open - 2));
        std::string arg;
        while (std::getline(list, arg, ','))
            step.args.push_back(arg);
        kind = kind.substr(0, open);
    }
    static const struct {
        const char* name;
        WORD flags;
        bool namedPut;
    } kKinds[] = {{"method", DISPATCH_METHOD, false},
                  {"get", DISPATCH_PROPERTYGET, false},
                  {"put", DISPATCH_PROPERTYPUT, true},
                  {"putbare", DISPATCH_PROPERTYPUT, false},
                  {"methodget", DISPATCH_METHOD | DISPATCH_PROPERTYGET, false}};
    for (const auto& k : kKinds) {
        if (kind == k.name) {
            step.flags = k.flags;
            step.namedPut = k.namedPut;
            return true;
        }
    }
    return false;
}

class Client {
public:
    void Run(const std::vector<std::string>& words)
    {
        if (words.empty())
            return;
        if (words[0] == "connect")
            Connect();
        else if (words[0] == "attach")
            Attach(words.size() > 1 ? std::atoi(words[1].c_str()) : 1);
        else if (words[0] == "names")
            Names(words);
        else if (words[0] == "release" && words.size() == 2)
            Release(words[1]);
        else if (words[0] == "windows")
            Windows();
        else if (words[0] == "sleep" && words.size() == 2)
            Pause(words[1]);
        else
            Chain(words);
    }

private:
    void Attach(int count)
    {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(L"Powerpoint.Application", &clsid);
        if (FAILED(hr))
            return Print("fail " + Hex(hr));
        const double started = NowMs();
        for (int i = 0; i < (count > 0 ? count : 1); ++i) {
            ComRef<IUnknown> unknown;
            hr = GetActiveObject(clsid, nullptr, unknown.Out());
            if (FAILED(hr))
                continue;
            ComRef<IDispatch> app;
            hr = unknown->QueryInterface(IID_IDispatch, app.OutVoid());
            if (SUCCEEDED(hr))
                m_vars["$app"] = std::move(app);
        }
        char text[32];
        snprintf(text, sizeof text, " %.3f", (NowMs() - started) / (count > 0 ? count : 1));
        Print((FAILED(hr) ? "fail " + Hex(hr) : std::string("ok")) + text);
    }

    void Connect()
    {
        const double started = NowMs();
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(L"Powerpoint.Application", &clsid);
        if (FAILED(hr))
            return Print("fail progid " + Hex(hr));
        ComRef<IUnknown> unknown;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                                  CLSCTX_REMOTE_SERVER,
                              IID_IUnknown, unknown.OutVoid());
        if (hr == E_INVALIDARG)  // systems without remote activation refuse that context
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, unknown.OutVoid());
        if (FAILED(hr))
            return Print("fail create " + Hex(hr));
        hr = OleRun(unknown.Get());
        if (FAILED(hr))
            return Print("fail run " + Hex(hr));
        ComRef<IDispatch> app;
        hr = unknown->QueryInterface(IID_IDispatch, app.OutVoid());
        if (FAILED(hr))
            return Print("fail query " + Hex(hr));
        m_vars["$app"] = std::move(app);
        char text[32];
        snprintf(text, sizeof text, "ok %.1f", NowMs() - started);
        Print(text);
    }

    void Names(const std::vector<std::string>& words)
    {
        auto it = words.size() > 2 ? m_vars.find(words[1]) : m_vars.end();
        if (it == m_vars.end() || !it->second)
            return Print("fail usage");
        std::vector<std::wstring> names;
        for (size_t i = 2; i < words.size(); ++i) {
            std::wstring name;
            ppt::PercentDecode(words[i], name);
            names.push_back(name);
        }
        std::vector<LPOLESTR> pointers;
        for (std::wstring& name : names)
            pointers.push_back(name.data());
        std::vector<DISPID> ids(names.size(), 0);
        const HRESULT hr = it->second->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                                     LOCALE_USER_DEFAULT, ids.data());
        std::string line = SUCCEEDED(hr) ? "ok" : "fail " + Hex(hr);
        for (DISPID id : ids)
            line += " " + std::to_string(id);
        Print(line);
    }

    void Release(const std::string& name)
    {
        m_vars.erase(name);
        Print("ok");
    }

    static void Pause(const std::string& ms)
    {
        Sleep(static_cast<DWORD>(std::strtoul(ms.c_str(), nullptr, 10)));
        Print("ok");
    }

    void Windows()
    {
        for (const std::string& line : ppt::ListDoubleWindows())
            Print(line);
        Print("end");
    }

    void Chain(const std::vector<std::string>& words)
    {
        size_t next = 0;
        std::string keep;
        if (words.size() > 2 && words[0][0] == '$' && words[1] == "=") {
            keep = words[0];
            next = 2;
        }
        std::string from = "$app";
        if (next < words.size() && words[next][0] == '$')
            from = words[next++];
        auto it = m_vars.find(from);
        if (it == m_vars.end() || !it->second)
            return Print("fail 0 no-object " + from);
        IDispatch* target = it->second.Get();
        target->AddRef();
        ComRef<IDispatch> current = ComRef<IDispatch>::Adopt(target);
        if (next >= words.size())
            return Print("fail 0 no-steps");
        for (size_t i = next; i < words.size(); ++i) {
            const int number = static_cast<int>(i - next + 1);
            Step step;
            if (!ParseStep(words[i], step))
                return Print("fail " + std::to_string(number) + " bad-step " + words[i]);
            Variant result;
            Exception exception;
            HRESULT hr = S_OK;
            if (!Call(current.Get(), step, result.v, exception.info, hr))
                return Print("fail " + std::to_string(number) + " bad-argument " + words[i]);
            if (FAILED(hr)) {
                std::string line = "fail " + std::to_string(number) + " " + Hex(hr);
                if (hr == DISP_E_EXCEPTION)
                    line += " " + exception.Description();
                return Print(line);
            }
            const bool last = i + 1 == words.size();
            if (!last) {
                if (V_VT(&result.v) != VT_DISPATCH || !V_DISPATCH(&result.v))
                    return Print("fail " + std::to_string(number) + " not-an-object");
                IDispatch* object = V_DISPATCH(&result.v);
                object->AddRef();
                current = ComRef<IDispatch>::Adopt(object);
                continue;
            }
            if (!keep.empty()) {
                if (V_VT(&result.v) != VT_DISPATCH || !V_DISPATCH(&result.v))
                    return Print("fail " + std::to_string(number) + " not-an-object");
                IDispatch* object = V_DISPATCH(&result.v);
                object->AddRef();
                m_vars[keep] = ComRef<IDispatch>::Adopt(object);
            }
            Print(Describe(result.v));
        }
    }

    static bool Call(IDispatch* target, const Step& step, VARIANT& result, EXCEPINFO& exception, HRESULT& hr)
    {
        std::vector<Variant> args(step.args.size());
        // The callee reads its arguments last first.
        for (size_t i = 0; i < step.args.size(); ++i)
            if (!ParseArgument(step.args[i], args[step.args.size() - 1 - i].v))
                return false;
        std::vector<VARIANT> raw;
        for (Variant& arg : args)
            raw.push_back(arg.v);
        DISPID putName = DISPID_PROPERTYPUT;
        DISPPARAMS params = {};
        params.cArgs = static_cast<UINT>(raw.size());
        params.rgvarg = raw.empty() ? nullptr : raw.data();
        if (step.namedPut) {
            params.cNamedArgs = 1;
            params.rgdispidNamedArgs = &putName;
        }
        UINT argError = 0;
        hr = target->Invoke(step.id, IID_NULL, LOCALE_USER_DEFAULT, step.flags, &params, &result, &exception,
                            &argError);
        return true;
    }

    static std::string Describe(const VARIANT& v)
    {
        switch (V_VT(&v)) {
        case VT_EMPTY: return "ok EMPTY";
        case VT_I4: return "ok I4 " + std::to_string(V_I4(&v));
        case VT_BSTR: return "ok BSTR " + ppt::PercentEncode(std::wstring(V_BSTR(&v) ? V_BSTR(&v) : L"", SysStringLen(V_BSTR(&v))));
        case VT_DISPATCH: return "ok DISPATCH";
        default: return "ok VT" + std::to_string(V_VT(&v));
        }
    }

    std::map<std::string, ComRef<IDispatch>> m_vars;
};

std::vector<std::string> SplitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::stringstream stream(line);
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

}  // namespace

int main()
{
    if (FAILED(OleInitialize(nullptr)))
        return 3;
    CoRegisterMessageFilter(nullptr, nullptr);  // as the server: rejected calls fail at once
    {
        Client client;  // releases its objects before OLE goes
        std::string line;
        while (std::getline(std::cin, line)) {
            const std::vector<std::string> words = SplitWords(line);
            if (words.empty() || words[0][0] == '#')
                Print("ok");  // every line is answered, so the test never waits in vain
            else
                client.Run(words);
        }
    }
    OleUninitialize();
    return 0;
}
