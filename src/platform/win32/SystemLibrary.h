#pragma once
#include <windows.h>

#include <string>

// Loads a library of the system folder by its file name, never from the executable's folder, the
// current folder or the PATH, where anyone who can write there could place a library of the same
// name. Systems that predate LOAD_LIBRARY_SEARCH_SYSTEM32 reject the flag as an invalid
// parameter; there the library is loaded by its full path in the system folder instead.
// A function of a loaded library by name, in its real type (GetProcAddress returns a generic
// function pointer); null when the module is null or has no such function.
template <typename Fn>
Fn LibraryFunction(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

inline HMODULE LoadSystemLibrary(const wchar_t* fileName)
{
    if (const HMODULE module = ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    if (::GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + fileName;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
