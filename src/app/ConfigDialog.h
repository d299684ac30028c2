#pragma once
#include <windows.h>

#include <memory>

#include "app/ConfigApplications.h"
#include "app/ConfigPreferences.h"

class CServerConfiguration;
class IFileSystem;
class IFileWriter;

// The modal property sheet "Configure Tarvo Quillant" with the Preferences and Applications
// pages. The pages change the settings object in memory on OK; the caller saves them.
class CConfigDialog {
public:
    CConfigDialog(CServerConfiguration& settings, IFileSystem& files, IFileWriter& writer);
    ~CConfigDialog();
    CConfigDialog(const CConfigDialog&) = delete;
    CConfigDialog& operator=(const CConfigDialog&) = delete;

    // Shows the sheet, opened on Preferences, until OK or Cancel; IDOK or IDCANCEL.
    INT_PTR DoModal(HWND owner);

    // Brings the open sheet (or the editor open over it) in front of other windows.
    void BringToTop();

    // Ends the profile editor, if open, and then the sheet, both as if cancelled.
    void EndAsCancelled();

private:
    static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam);
    HWND GetSheet() const { return m_preferences.GetSheet(); }

    CConfigPreferences m_preferences;
    std::unique_ptr<CConfigApplications> m_applications;
};
