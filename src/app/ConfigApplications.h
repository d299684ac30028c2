#pragma once
#include <string>
#include <vector>

#include "app/PropertyPage.h"

class CAddApplication;
class CServerConfiguration;
class IFileSystem;
class IFileWriter;

// The Applications page: one checked entry per profile (checked while the profile is in use),
// and the buttons that reload, create, edit and delete profiles. Check marks are stored on the
// sheet's OK; profile files are changed at once by the editor and by Delete, which removes the
// user's own profile file or, for a profile of the program's folder, switches it off at once.
class CConfigApplications : public CPropertyPage {
public:
    CConfigApplications(CServerConfiguration& settings, IFileSystem& files, IFileWriter& writer);
    ~CConfigApplications() override;

    // Ends the profile editor opened from this page, if one is open, as if cancelled.
    void EndEditor();

private:
    void OnInitDialog() override;
    void OnApply() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(const NMHDR& header) override;

    HWND List() const;
    int SelectedEntry() const;
    bool IsChecked(int entry) const;
    // Reloads the profiles from disk and shows them. Check marks the user changed and has not
    // confirmed yet stay as they were for profiles that are still there.
    void FillList();
    void NewProfile();
    void EditProfile();
    void DeleteProfile();

    CServerConfiguration& m_settings;
    IFileSystem& m_files;
    IFileWriter& m_writer;
    std::vector<std::u16string> m_paths;  // file of each entry, at the entry's index
    CAddApplication* m_editor = nullptr;  // the editor while it runs over this page
};
