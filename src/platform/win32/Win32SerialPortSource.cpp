#include "platform/win32/Win32SerialPortSource.h"

#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace {

constexpr wchar_t kDeviceMapKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr wchar_t kPortNameValue[] = L"PortName";
// Longer than any port name or friendly name; a longer value is skipped.
constexpr DWORD kTextUnits = 512;

// The text of a REG_SZ held in `buffer`, `bytes` long: up to its first terminator, whether or
// not the value carries one.
std::u16string TextOf(const wchar_t* buffer, DWORD bytes)
{
    const size_t units = bytes / sizeof(wchar_t);
    size_t length = 0;
    while (length < units && buffer[length] != L'\0')
        ++length;
    return as_u16(buffer, length);
}

std::u16string ReadStringValue(HKEY key, const wchar_t* name)
{
    wchar_t buffer[kTextUnits];
    DWORD type = 0;
    DWORD bytes = sizeof buffer;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ || bytes > sizeof buffer)
        return {};
    return TextOf(buffer, bytes);
}

// The device installer's library, loaded from the system folder when the list is wanted rather
// than imported: it imports libraries of its own that are not among the system's known ones,
// and an import at start would look for those beside the executable first.
class CSetupApi {
public:
    using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID* classGuid, PCWSTR enumerator, HWND parent, DWORD flags);
    using EnumDeviceInfoFn = BOOL(WINAPI*)(HDEVINFO devices, DWORD index, PSP_DEVINFO_DATA device);
    using OpenDevRegKeyFn = HKEY(WINAPI*)(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD scope, DWORD profile,
                                          DWORD keyType, REGSAM access);
    using GetPropertyFn = BOOL(WINAPI*)(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD property, PDWORD type,
                                        PBYTE buffer, DWORD size, PDWORD required);
    using DestroyListFn = BOOL(WINAPI*)(HDEVINFO devices);

    CSetupApi() : m_module(LoadSystemLibrary(L"setupapi.dll"))
    {
        if (m_module) {
            getClassDevs = Resolve<GetClassDevsFn>("SetupDiGetClassDevsW");
            enumDeviceInfo = Resolve<EnumDeviceInfoFn>("SetupDiEnumDeviceInfo");
            openDevRegKey = Resolve<OpenDevRegKeyFn>("SetupDiOpenDevRegKey");
            getProperty = Resolve<GetPropertyFn>("SetupDiGetDeviceRegistryPropertyW");
            destroyList = Resolve<DestroyListFn>("SetupDiDestroyDeviceInfoList");
        }
    }
    ~CSetupApi()
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }
    CSetupApi(const CSetupApi&) = delete;
    CSetupApi& operator=(const CSetupApi&) = delete;

    bool Usable() const { return getClassDevs && enumDeviceInfo && openDevRegKey && getProperty && destroyList; }

    GetClassDevsFn getClassDevs = nullptr;
    EnumDeviceInfoFn enumDeviceInfo = nullptr;
    OpenDevRegKeyFn openDevRegKey = nullptr;
    GetPropertyFn getProperty = nullptr;
    DestroyListFn destroyList = nullptr;

private:
    template <typename Fn>
    Fn Resolve(const char* name) const
    {
        return LibraryFunction<Fn>(m_module, name);
    }

    HMODULE m_module = nullptr;
};

void AddDeviceManagerPorts(std::vector<CSerialPortInfo>& ports)
{
    const CSetupApi api;
    if (!api.Usable())
        return;
    const HDEVINFO devices = api.getClassDevs(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; api.enumDeviceInfo(devices, index, &device); ++index) {
        const HKEY key = api.openDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        CSerialPortInfo port;
        port.name = ReadStringValue(key, kPortNameValue);
        ::RegCloseKey(key);
        if (port.name.empty())
            continue;
        wchar_t buffer[kTextUnits];
        DWORD type = 0;
        DWORD bytes = 0;
        if (api.getProperty(devices, &device, SPDRP_FRIENDLYNAME, &type, reinterpret_cast<BYTE*>(buffer),
                            sizeof buffer, &bytes) &&
            type == REG_SZ && bytes <= sizeof buffer)
            port.friendlyName = TextOf(buffer, bytes);
        ports.push_back(std::move(port));
    }
    api.destroyList(devices);
}

void AddDeviceMapPorts(std::vector<CSerialPortInfo>& ports)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceMapKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[kTextUnits];
        DWORD nameUnits = kTextUnits;
        wchar_t data[kTextUnits];
        DWORD type = 0;
        DWORD bytes = sizeof data;
        const LONG result = ::RegEnumValueW(key, index, valueName, &nameUnits, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &bytes);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS && type == REG_SZ && bytes <= sizeof data)
            ports.push_back({TextOf(data, bytes), {}});
        // ERROR_MORE_DATA: a value too long to be a port name is passed over.
        else if (result != ERROR_MORE_DATA && result != ERROR_SUCCESS)
            break;
    }
    ::RegCloseKey(key);
}

}  // namespace

std::vector<CSerialPortInfo> CWin32SerialPortSource::ListPorts()
{
    std::vector<CSerialPortInfo> ports;
    AddDeviceManagerPorts(ports);
    AddDeviceMapPorts(ports);
    return ports;
}
