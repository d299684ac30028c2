#pragma once
#include <windows.h>

#include <tlhelp32.h>

// The process enumeration entry points this system can find, resolved by name once before the
// program's main code runs, so the process lists can pick a method by what is there rather
// than by the Windows version. Tool-help lives in KERNEL32, which is always loaded; the
// process-status library is used where it is already loaded, and otherwise loaded here and
// unloaded again at exit.
class CProcessApi {
public:
    using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD flags, DWORD processId);
    using ProcessEntryFn = BOOL(WINAPI*)(HANDLE snapshot, PROCESSENTRY32W* entry);
    using EnumProcessesFn = BOOL(WINAPI*)(DWORD* ids, DWORD bytes, DWORD* bytesReturned);
    using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE process, HMODULE module, LPWSTR name, DWORD size);
    using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded);
    using QueryImageNameFn = BOOL(WINAPI*)(HANDLE process, DWORD flags, LPWSTR name, DWORD* size);

    CProcessApi();
    ~CProcessApi();
    CProcessApi(const CProcessApi&) = delete;
    CProcessApi& operator=(const CProcessApi&) = delete;

    CreateSnapshotFn m_createSnapshot = nullptr;
    // The wide entry points: their entry carries the executable name as UTF-16.
    ProcessEntryFn m_process32First = nullptr;
    ProcessEntryFn m_process32Next = nullptr;
    EnumProcessesFn m_enumProcesses = nullptr;
    GetModuleFileNameExFn m_getModuleFileNameEx = nullptr;
    EnumProcessModulesFn m_enumProcessModules = nullptr;
    // QueryFullProcessImageNameW (Vista on): the executable of a process opened with limited
    // query access only.
    QueryImageNameFn m_queryFullProcessImageName = nullptr;
    bool m_toolHelpAvailable = false;
    bool m_processStatusAvailable = false;
    HMODULE m_kernelModule = nullptr;
    HMODULE m_processStatusModule = nullptr;
    bool m_loadedHere = false;
};

extern const CProcessApi g_processApi;
