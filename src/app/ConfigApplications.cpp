#include "app/ConfigApplications.h"

#include "app/AddApplication.h"
#include "app/ResourceText.h"
#include "config/AppConfiguration.h"
#include "config/EditorMessages.h"
#include "config/ServerConfiguration.h"
#include "platform/FileWriter.h"
#include "platform/win32/WideText.h"
#include "resource.h"

namespace {

// Runs the editor and keeps a pointer to it while it runs, so that an exit can end it.
class CEditorScope {
public:
    CEditorScope(CAddApplication*& slot, CAddApplication& editor) : m_slot(slot) { m_slot = &editor; }
    ~CEditorScope() { m_slot = nullptr; }
    CEditorScope(const CEditorScope&) = delete;
    CEditorScope& operator=(const CEditorScope&) = delete;

private:
    CAddApplication*& m_slot;
};

}  // namespace

CConfigApplications::CConfigApplications(CServerConfiguration& settings, IFileSystem& files, IFileWriter& writer)
    : CPropertyPage(IDD_CONFIG_APPLICATIONS), m_settings(settings), m_files(files), m_writer(writer)
{
}

CConfigApplications::~CConfigApplications() = default;

void CConfigApplications::EndEditor()
{
    if (m_editor)
        m_editor->EndAsCancelled();
}

HWND CConfigApplications::List() const
{
    return ::GetDlgItem(GetWindow(), IDC_PROFILE_LIST);
}

int CConfigApplications::SelectedEntry() const
{
    return static_cast<int>(::SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool CConfigApplications::IsChecked(int entry) const
{
    const auto state = static_cast<UINT>(::SendMessageW(List(), LVM_GETITEMSTATE, static_cast<WPARAM>(entry),
                                                        LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void CConfigApplications::OnInitDialog()
{
    for (const int id : {IDC_PROFILE_LIST, IDC_PROFILE_REFRESH, IDC_PROFILE_NEW, IDC_PROFILE_EDIT, IDC_PROFILE_DELETE})
        SetContextHelp(id);
    ShareContextHelp(IDC_PROFILE_LIST_LABEL, IDC_PROFILE_LIST);

    const HWND list = List();
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list, &client);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = client.right - client.left - ::GetSystemMetrics(SM_CXVSCROLL);
    ListView_InsertColumn(list, 0, &column);
    FillList();
}

void CConfigApplications::FillList()
{
    const HWND list = List();
    std::vector<std::pair<std::u16string, bool>> marks;
    for (size_t i = 0; i < m_paths.size(); ++i)
        marks.emplace_back(m_paths[i], IsChecked(static_cast<int>(i)));

    m_paths.clear();
    m_settings.LoadProfiles();

    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    const auto& profiles = m_settings.GetProfiles();
    m_paths.resize(profiles.size());
    for (size_t i = 0; i < profiles.size(); ++i) {
        const CAppConfiguration& profile = *profiles[i];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        std::wstring name(as_wcstr(profile.GetName()));
        item.pszText = name.data();
        const int entry = ListView_InsertItem(list, &item);
        bool checked = profile.IsEnabled();
        for (const auto& mark : marks) {
            if (mark.first == profile.GetPath())
                checked = mark.second;
        }
        ListView_SetCheckState(list, entry, checked ? TRUE : FALSE);
        m_paths[i] = profile.GetPath();
    }
    const bool any = !profiles.empty();
    if (any)
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::EnableWindow(::GetDlgItem(GetWindow(), IDC_PROFILE_EDIT), any);
    ::EnableWindow(::GetDlgItem(GetWindow(), IDC_PROFILE_DELETE), any);
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

void CConfigApplications::OnApply()
{
    m_settings.EnableAllProfiles();
    for (size_t i = 0; i < m_paths.size(); ++i) {
        if (!IsChecked(static_cast<int>(i)))
            m_settings.DisableProfile(m_paths[i]);
    }
}

bool CConfigApplications::OnCommand(WORD id, WORD code, HWND /*control*/)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_PROFILE_REFRESH:
        FillList();
        return true;
    case IDC_PROFILE_NEW:
        NewProfile();
        return true;
    case IDC_PROFILE_EDIT:
        EditProfile();
        return true;
    case IDC_PROFILE_DELETE:
        DeleteProfile();
        return true;
    default:
        return false;
    }
}

bool CConfigApplications::OnNotify(const NMHDR& header)
{
    if (header.idFrom != IDC_PROFILE_LIST)
        return false;
    if (header.code == NM_DBLCLK) {
        // A double-click beside the entries (or on a check box's toggle) opens nothing.
        if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0)
            EditProfile();
        return true;
    }
    if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
        DeleteProfile();
        return true;
    }
    return false;
}

void CConfigApplications::NewProfile()
{
    CAddApplication editor(m_files, m_writer);
    {
        CEditorScope scope(m_editor, editor);
        editor.DoModal(GetSheet());
    }
    FillList();
}

void CConfigApplications::EditProfile()
{
    const int entry = SelectedEntry();
    if (entry < 0 || static_cast<size_t>(entry) >= m_paths.size())
        return;
    CAddApplication editor(m_files, m_writer);
    const CEditorMessage opened = editor.Open(m_paths[static_cast<size_t>(entry)]);
    if (!opened.Succeeded()) {
        ShowEditorMessage(GetSheet(), opened);
    } else {
        CEditorScope scope(m_editor, editor);
        editor.DoModal(GetSheet());
    }
    // A renamed program profile is switched off under its old name, as Delete would, so that
    // only the renamed copy stays in use.
    if (!editor.GetProgramProfileRenamedAway().empty())
        m_settings.SwitchOffProfile(editor.GetProgramProfileRenamedAway());
    FillList();
}

void CConfigApplications::DeleteProfile()
{
    const int entry = SelectedEntry();
    if (entry < 0 || static_cast<size_t>(entry) >= m_paths.size())
        return;
    if (ShowMessage(GetSheet(), LoadResourceText(IDS_CONFIRM_DELETE), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
        IDYES)
        return;
    const std::u16string path = m_paths[static_cast<size_t>(entry)];
    bool switchedOff = false;
    const EFileError error = m_settings.DeleteProfile(path, m_writer, switchedOff);
    if (error != EFileError::None) {
        // The list stays as it was: the file is still there, or was already gone.
        ShowMessage(GetSheet(), FileErrorMessage(error, path).m_text, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (switchedOff) {
        // A program's profile stays listed, switched off, so that the user can switch it on
        // again; the mark shows what is stored already.
        ListView_SetCheckState(List(), entry, FALSE);
        return;
    }
    FillList();
}
