#include "platform/win32/ProcessApi.h"

#include "platform/win32/SystemLibrary.h"

CProcessApi::CProcessApi()
{
    m_kernelModule = ::GetModuleHandleW(L"KERNEL32.DLL");
    if (m_kernelModule != nullptr) {
        m_createSnapshot = LibraryFunction<CreateSnapshotFn>(m_kernelModule, "CreateToolhelp32Snapshot");
        m_process32First = LibraryFunction<ProcessEntryFn>(m_kernelModule, "Process32FirstW");
        m_process32Next = LibraryFunction<ProcessEntryFn>(m_kernelModule, "Process32NextW");
        m_toolHelpAvailable = m_createSnapshot != nullptr && m_process32First != nullptr && m_process32Next != nullptr;
        m_queryFullProcessImageName = LibraryFunction<QueryImageNameFn>(m_kernelModule, "QueryFullProcessImageNameW");
    }

    m_processStatusModule = ::GetModuleHandleW(L"PSAPI.DLL");
    if (m_processStatusModule == nullptr) {
        m_processStatusModule = LoadSystemLibrary(L"PSAPI.DLL");
        m_loadedHere = m_processStatusModule != nullptr;
    }
    if (m_processStatusModule != nullptr) {
        m_enumProcesses = LibraryFunction<EnumProcessesFn>(m_processStatusModule, "EnumProcesses");
        m_getModuleFileNameEx = LibraryFunction<GetModuleFileNameExFn>(m_processStatusModule, "GetModuleFileNameExW");
        m_enumProcessModules = LibraryFunction<EnumProcessModulesFn>(m_processStatusModule, "EnumProcessModules");
        m_processStatusAvailable =
            m_enumProcesses != nullptr && m_getModuleFileNameEx != nullptr && m_enumProcessModules != nullptr;
    }
}

CProcessApi::~CProcessApi()
{
    // A module found already loaded belongs to whoever loaded it.
    if (m_loadedHere)
        ::FreeLibrary(m_processStatusModule);
}

// Built during static initialisation, before the program's main code, and torn down at exit.
const CProcessApi g_processApi;
