#include "app/AddApplication.h"

#include <exception>
#include <vector>

#include "app/HelpFile.h"
#include "app/ResourceText.h"
#include "config/EditorLists.h"
#include "platform/win32/WideText.h"
#include "resource.h"

namespace {

// The phone key buttons and the editor key each one stands for (editor key order: 0 to 9,
// RIGHT, LEFT, UP, DOWN, BUTTON, STAR, HASH).
struct CPhoneKeyButton {
    int m_id;
    size_t m_editorKey;
};
constexpr CPhoneKeyButton kPhoneKeyButtons[] = {
    {IDC_EDITOR_PHONE_1, 1},         {IDC_EDITOR_PHONE_1 + 1, 2},    {IDC_EDITOR_PHONE_1 + 2, 3},
    {IDC_EDITOR_PHONE_1 + 3, 4},     {IDC_EDITOR_PHONE_1 + 4, 5},    {IDC_EDITOR_PHONE_1 + 5, 6},
    {IDC_EDITOR_PHONE_1 + 6, 7},     {IDC_EDITOR_PHONE_1 + 7, 8},    {IDC_EDITOR_PHONE_9, 9},
    {IDC_EDITOR_PHONE_STAR, 15},     {IDC_EDITOR_PHONE_0, 0},        {IDC_EDITOR_PHONE_HASH, 16},
    {IDC_EDITOR_PHONE_RIGHT, 10},    {IDC_EDITOR_PHONE_LEFT, 11},    {IDC_EDITOR_PHONE_UP, 12},
    {IDC_EDITOR_PHONE_DOWN, 13},     {IDC_EDITOR_PHONE_BUTTON, 14},
};

// Longest texts the server keeps of a profile's name and identification values; longer ones
// would be cut when it reads the file, so the fields take no more.
constexpr WPARAM kMaxNameChars = 99;
constexpr WPARAM kMaxIdentificationChars[kIdentificationCount] = {199, 199, 299};

std::vector<std::u16string> DisplayTexts(const std::vector<CEditorListEntry>& entries)
{
    std::vector<std::u16string> texts;
    texts.reserve(entries.size());
    for (const CEditorListEntry& entry : entries)
        texts.push_back(entry.m_display);
    return texts;
}

std::vector<std::u16string> DisplayTexts(const std::vector<CExplainedEntry>& entries)
{
    std::vector<std::u16string> texts;
    texts.reserve(entries.size());
    for (const CExplainedEntry& entry : entries)
        texts.push_back(entry.m_display);
    return texts;
}

// Clears the flag again however the filling ends.
class CFillingScope {
public:
    explicit CFillingScope(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    CFillingScope(const CFillingScope&) = delete;
    CFillingScope& operator=(const CFillingScope&) = delete;
    ~CFillingScope() { m_flag = m_was; }

private:
    bool& m_flag;
    bool m_was;
};

}  // namespace

CAddApplication::CAddApplication(IFileSystem& files, IFileWriter& writer) : m_model(files, writer) {}

CEditorMessage CAddApplication::Open(const std::u16string& path)
{
    return m_model.Load(path);
}

INT_PTR CAddApplication::DoModal(HWND owner)
{
    const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROFILE_EDITOR), owner,
                                             &CAddApplication::DialogProc, reinterpret_cast<LPARAM>(this));
    return result == IDOK ? IDOK : IDCANCEL;
}

void CAddApplication::EndAsCancelled()
{
    if (m_dialog)
        ::EndDialog(m_dialog, IDCANCEL);
}

INT_PTR CALLBACK CAddApplication::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CAddApplication*>(lParam);
        self->m_dialog = dialog;
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<CAddApplication*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self)
        return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
        self->m_dialog = nullptr;
        return FALSE;
    }
    // Nothing may unwind through the system's dialog procedure; a failure the handlers did not
    // expect costs this one message, not the program.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception&) {
        return FALSE;
    }
}

INT_PTR CAddApplication::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;  // the focus goes to the first field, the name
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HELP:
        // The editor's controls have no topics of their own: F1 opens the help as its Help
        // button does.
        ShowHelpContents(m_dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

void CAddApplication::OnInitDialog()
{
    const CFillingScope filling(m_filling);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    m_smallIcon.Load(IDR_MAINFRAME);
    ::SendMessageW(m_dialog, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(::LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME))));
    ::SendMessageW(m_dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));

    m_keyTypes.Attach(m_dialog, IDC_EDITOR_KEY_TYPE);
    m_keys.Attach(m_dialog, IDC_EDITOR_KEY);
    m_firstModifiers.Attach(m_dialog, IDC_EDITOR_MOD1);
    m_secondModifiers.Attach(m_dialog, IDC_EDITOR_MOD2);
    m_identifications.Attach(m_dialog, IDC_EDITOR_IDENTIFICATION);
    m_behaviours.Attach(m_dialog, IDC_EDITOR_BEHAVIOUR);

    ::SendDlgItemMessageW(m_dialog, IDC_EDITOR_NAME, EM_LIMITTEXT, kMaxNameChars, 0);
    SetControlText(m_dialog, IDC_EDITOR_NAME, m_model.GetName());
    ShowIdentification();
    ShowBehaviour();
    ShowKey();
}

void CAddApplication::OnCommand(int id, int code)
{
    if (m_filling)
        return;
    switch (id) {
    case IDOK:
        OnSave();
        return;
    case IDCANCEL:
        ::EndDialog(m_dialog, IDCANCEL);
        return;
    case IDC_EDITOR_HELP:
        ShowHelpContents(m_dialog);
        return;
    case IDC_EDITOR_NAME:
        if (code == EN_CHANGE) {
            m_model.SetName(GetControlText(m_dialog, IDC_EDITOR_NAME));
        } else if (code == EN_KILLFOCUS) {
            const CFillingScope filling(m_filling);
            SetControlText(m_dialog, IDC_EDITOR_NAME, m_model.GetName());
        }
        return;
    case IDC_EDITOR_ID_VALUE:
        if (code == EN_CHANGE) {
            m_model.SetIdentificationText(GetControlText(m_dialog, IDC_EDITOR_ID_VALUE));
        } else if (code == EN_KILLFOCUS) {
            ShowIdentification();
        }
        return;
    case IDC_EDITOR_TRUE:
    case IDC_EDITOR_FALSE:
        if (code == BN_CLICKED) {
            m_model.SetBehaviourValue(id == IDC_EDITOR_TRUE);
            ShowBehaviour();
        }
        return;
    default:
        break;
    }
    if (code == CBN_SELCHANGE) {
        const int selected = GetComboSelection(m_dialog, id);
        switch (id) {
        case IDC_EDITOR_IDENTIFICATION:
            m_model.ChooseIdentification(selected);
            ShowIdentification();
            return;
        case IDC_EDITOR_BEHAVIOUR:
            m_model.ChooseBehaviour(selected);
            ShowBehaviour();
            return;
        case IDC_EDITOR_KEY_TYPE:
            m_model.ChooseKeyType(selected);
            break;
        case IDC_EDITOR_KEY:
            m_model.ChooseKey(selected);
            break;
        case IDC_EDITOR_MOD1:
            m_model.ChooseFirstModifier(selected);
            break;
        case IDC_EDITOR_MOD2:
            m_model.ChooseSecondModifier(selected);
            break;
        default:
            return;
        }
        // A choice the model refused shows its previous state again.
        ShowKey();
        return;
    }
    if (code == BN_CLICKED)
        OnPhoneKey(id);
}

void CAddApplication::OnPhoneKey(int id)
{
    for (const CPhoneKeyButton& button : kPhoneKeyButtons) {
        if (button.m_id == id) {
            m_model.PressPhoneKey(button.m_editorKey);
            ShowKey();
            return;
        }
    }
}

void CAddApplication::OnSave()
{
    const CEditorMessage result = m_model.Save();
    if (!result.Succeeded()) {
        ShowEditorMessage(m_dialog, result);
        return;
    }
    ::EndDialog(m_dialog, IDOK);
}

void CAddApplication::ShowIdentification()
{
    const CFillingScope filling(m_filling);
    const int kind = m_model.GetIdentification();
    const std::vector<CExplainedEntry>& entries = EditorIdentifications();
    m_identifications.Show(DisplayTexts(entries), kind);
    SetControlText(m_dialog, IDC_EDITOR_ID_TEXT, entries[static_cast<size_t>(kind)].m_explanation);
    ::SendDlgItemMessageW(m_dialog, IDC_EDITOR_ID_VALUE, EM_LIMITTEXT, kMaxIdentificationChars[kind], 0);
    SetControlText(m_dialog, IDC_EDITOR_ID_VALUE, m_model.GetIdentificationValue(kind));
    ::EnableWindow(::GetDlgItem(m_dialog, IDC_EDITOR_ID_VALUE), m_model.IsIdentificationEditable() ? TRUE : FALSE);
}

void CAddApplication::ShowBehaviour()
{
    const CFillingScope filling(m_filling);
    const int behaviour = m_model.GetBehaviour();
    const std::vector<CExplainedEntry>& entries = EditorBehaviours();
    m_behaviours.Show(DisplayTexts(entries), behaviour);
    SetControlText(m_dialog, IDC_EDITOR_BEHAVIOUR_TEXT, entries[static_cast<size_t>(behaviour)].m_explanation);
    ::CheckRadioButton(m_dialog, IDC_EDITOR_TRUE, IDC_EDITOR_FALSE,
                       m_model.GetBehaviourValue(behaviour) ? IDC_EDITOR_TRUE : IDC_EDITOR_FALSE);
}

void CAddApplication::ShowKey()
{
    const CFillingScope filling(m_filling);
    const size_t current = m_model.GetCurrentKey();
    for (const CPhoneKeyButton& button : kPhoneKeyButtons)
        ::CheckDlgButton(m_dialog, button.m_id, button.m_editorKey == current ? BST_CHECKED : BST_UNCHECKED);

    const CKeySelection& shown = m_model.GetShown();
    m_keyTypes.Show(EditorKeyTypes(), shown.m_type);
    m_keys.Show(DisplayTexts(m_model.GetKeyList()), shown.m_key);
    m_firstModifiers.Show(DisplayTexts(EditorModifiers()), shown.m_mod1);
    m_secondModifiers.Show(m_model.GetSecondModifierList(), shown.m_mod2);
    m_firstModifiers.Enable(m_model.IsFirstModifierEnabled());
    m_secondModifiers.Enable(m_model.IsSecondModifierEnabled());
    SetControlText(m_dialog, IDC_EDITOR_VALUE, m_model.GetValue(current));
}

void ShowEditorMessage(HWND owner, const CEditorMessage& message)
{
    std::u16string text = message.m_stringId != 0 ? LoadResourceText(static_cast<UINT>(message.m_stringId)) : u"";
    if (text.empty())
        text = message.m_text;
    ShowMessage(owner, text, MB_OK | MB_ICONEXCLAMATION);
}
