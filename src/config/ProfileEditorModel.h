#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "config/EditorLists.h"
#include "config/EditorMessages.h"
#include "config/SelectionRecord.h"

class IFileSystem;
class IFileWriter;

// Everything the profile editor decides, without its dialog: the profile being edited, the
// choices each phone key's lists hold, what the lists show and which of them can be used, and
// the rules for opening and saving a profile file. The dialog shows this state, forwards the
// user's choices to the Choose* and Set* operations, and shows the message that Load or Save
// returns.
class CProfileEditorModel {
public:
    // A new profile: no name, identification or mappings, both window behaviours off.
    CProfileEditorModel(IFileSystem& files, IFileWriter& writer);
    CProfileEditorModel(const CProfileEditorModel&) = delete;
    CProfileEditorModel& operator=(const CProfileEditorModel&) = delete;
    virtual ~CProfileEditorModel();

    // Opens an existing profile file and rebuilds every mapping from its selection record.
    // Message 152 for a file without the record, a file error when it cannot be read; on
    // failure the model stays as it was.
    CEditorMessage Load(const std::u16string& path);

    // Checks the profile and writes it as "<name>.ini" into the user's profile folder, which is
    // created when missing; a profile opened from the program's folder is saved as the user's
    // copy, which replaces it. Messages 136 (no name), 147 (no identification), 137 (the file
    // would replace another profile, in either folder), or a file error (a name that cannot be
    // a file name, no user folder, a failed write or delete). A rename removes the file the
    // profile was opened from when it is the user's.
    CEditorMessage Save();

    // The program's profile of the name a saved rename gave up, when there is one: it cannot be
    // removed, so the caller switches it off, as Delete does. Empty otherwise.
    const std::u16string& GetProgramProfileRenamedAway() const { return m_programProfileRenamedAway; }

    bool IsEditing() const { return m_editing; }
    // The path Save last wrote for this profile; empty before, and again after a Load.
    const std::u16string& GetSavedPath() const { return m_savedPath; }

    // The profile name, stored without surrounding white space.
    const std::u16string& GetName() const { return m_name; }
    void SetName(const std::u16string& text);

    // The identification list's choice (EIdentification), the value of each kind, and whether
    // the chosen kind's value can be edited: only one kind may hold a value, so a kind is
    // editable when the other two are empty, or when it holds a value itself (so that a profile
    // with two kinds set can be corrected). Decided when the kind is chosen.
    int GetIdentification() const { return m_identification; }
    bool ChooseIdentification(int kind);
    const std::u16string& GetIdentificationValue(int kind) const;
    bool IsIdentificationEditable() const { return m_identificationEditable; }
    // Stores the text, without surrounding white space, as the chosen kind's value; false (and
    // nothing stored) while that kind is not editable.
    bool SetIdentificationText(const std::u16string& text);

    // The window-behaviour list's choice (EBehaviour) and its value.
    int GetBehaviour() const { return m_behaviour; }
    bool ChooseBehaviour(int behaviour);
    bool GetBehaviourValue(int behaviour) const;
    void SetBehaviourValue(bool value);  // of the chosen behaviour

    // The phone key being edited, in editor key order (see SelectionRecord.h).
    size_t GetCurrentKey() const { return m_currentKey; }
    // Shows the key's stored choices in the lists (or "---" when it has no mapping yet).
    bool PressPhoneKey(size_t editorKey);

    // What the key type, key / button, first and second modifier lists show now.
    const CKeySelection& GetShown() const { return m_shown; }
    const std::vector<CEditorListEntry>& GetKeyList() const { return EditorKeys(m_shown.m_type); }
    std::vector<std::u16string> GetSecondModifierList() const { return EditorSecondModifiers(m_shown.m_mod1); }
    bool IsFirstModifierEnabled() const;
    bool IsSecondModifierEnabled() const;

    // The user's choices in the lists. A new key type only changes what the lists show; the
    // other three store all four choices for the current key and compose its mapping value.
    // False, changing nothing, for an index outside the list or a list that is disabled.
    bool ChooseKeyType(int type);
    bool ChooseKey(int key);
    bool ChooseFirstModifier(int modifier);
    bool ChooseSecondModifier(int modifier);

    // Per phone key, in editor key order: the stored choices and the mapping value (empty until
    // something is chosen for a key of a new profile).
    const CKeySelection& GetSelection(size_t editorKey) const;
    const std::u16string& GetValue(size_t editorKey) const;

private:
    void ResetView();
    void StoreAndCompose();

    IFileSystem& m_files;
    IFileWriter& m_writer;
    std::u16string m_programProfileRenamedAway;

    bool m_editing = false;
    std::u16string m_openedPath;    // the file Load read
    std::u16string m_originalName;  // the name the profile had when it was opened
    std::u16string m_savedPath;

    std::u16string m_name;
    std::array<std::u16string, kIdentificationCount> m_identificationValues;
    int m_identification = IDENTIFY_EXECUTABLE;
    bool m_identificationEditable = true;
    std::array<bool, kBehaviourCount> m_behaviourValues{};
    int m_behaviour = BEHAVIOUR_AUTO_RESTORE;

    size_t m_currentKey = 0;
    CKeySelection m_shown;
    CKeySelections m_selections{};
    std::array<std::u16string, kEditorKeyCount> m_values;
};
