#pragma once
#include <windows.h>

#include <string>

#include "app/DialogControls.h"
#include "app/SmallIcon.h"
#include "config/EditorMessages.h"
#include "config/ProfileEditorModel.h"

class IFileSystem;
class IFileWriter;

// The profile editor dialog: shows a CProfileEditorModel in its controls and hands the user's
// choices to it. The model decides everything; this class only binds controls to it.
class CAddApplication {
public:
    CAddApplication(IFileSystem& files, IFileWriter& writer);  // a new profile
    CAddApplication(const CAddApplication&) = delete;
    CAddApplication& operator=(const CAddApplication&) = delete;

    // Opens an existing profile; a failed message (152 or a file error) means it cannot be edited.
    CEditorMessage Open(const std::u16string& path);
    // Runs the dialog modally over owner: IDOK when the profile was saved, IDCANCEL otherwise.
    INT_PTR DoModal(HWND owner);
    // Ends a running dialog as if Cancel had been pressed (the program is exiting).
    void EndAsCancelled();
    // See CProfileEditorModel::GetProgramProfileRenamedAway.
    const std::u16string& GetProgramProfileRenamedAway() const { return m_model.GetProgramProfileRenamedAway(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnInitDialog();
    void OnCommand(int id, int code);
    void OnPhoneKey(int id);
    void OnSave();

    // Bring the controls in line with the model.
    void ShowIdentification();
    void ShowBehaviour();
    void ShowKey();

    CProfileEditorModel m_model;
    HWND m_dialog = nullptr;
    // Set while the controls are being filled, so that their notifications are not taken for
    // the user's choices.
    bool m_filling = false;
    CSmallIcon m_smallIcon;
    CComboList m_keyTypes;
    CComboList m_keys;
    CComboList m_firstModifiers;
    CComboList m_secondModifiers;
    CComboList m_identifications;
    CComboList m_behaviours;
};

// Shows a message of the profile editor over owner with an exclamation icon; the configuration
// page uses it too, for a profile that cannot be edited.
void ShowEditorMessage(HWND owner, const CEditorMessage& message);
