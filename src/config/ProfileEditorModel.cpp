#include "config/ProfileEditorModel.h"

#include <string_view>

#include "config/EditorProfileFile.h"
#include "config/ProfileFolders.h"
#include "platform/FileSystem.h"
#include "platform/FileWriter.h"
#include "text/AsciiText.h"
#include "text/TextCodec.h"

namespace {

constexpr char16_t kProfileExtension[] = u".ini";

// Text from an edit field as one line without surrounding white space: a line break would
// split the profile file's line.
std::u16string CleanField(std::u16string text)
{
    for (char16_t& unit : text) {
        if (unit == u'\r' || unit == u'\n' || unit == u'\0')
            unit = u' ';
    }
    return std::u16string(TrimAsciiSpace(text));
}

bool IsDeviceName(std::u16string_view base)
{
    static const char16_t* const kDevices[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
    for (const char16_t* device : kDevices) {
        if (EqualsIgnoringAsciiCase(base, device))
            return true;
    }
    if (base.size() != 4)
        return false;
    const std::u16string_view stem = base.substr(0, 3);
    const char16_t digit = base[3];
    const bool digitLike = (digit >= u'0' && digit <= u'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    return digitLike && (EqualsIgnoringAsciiCase(stem, u"COM") || EqualsIgnoringAsciiCase(stem, u"LPT"));
}

// Whether "<name>.ini" is an ordinary file name in one folder: no path separators or other
// characters Windows refuses, and no device name, which would send the profile to a port or
// the console instead of a file.
bool IsUsableFileName(std::u16string_view name)
{
    for (char16_t unit : name) {
        if (unit < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(unit) != std::u16string_view::npos)
            return false;
    }
    std::u16string_view base = name.substr(0, name.find(u'.'));
    while (!base.empty() && base.back() == u' ')
        base.remove_suffix(1);
    return !IsDeviceName(base);
}

bool SamePath(const std::u16string& a, const std::u16string& b)
{
    return !a.empty() && EqualsIgnoringCase(a, b);
}

}  // namespace

CProfileEditorModel::CProfileEditorModel(IFileSystem& files, IFileWriter& writer) : m_files(files), m_writer(writer)
{
    ResetView();
}

CProfileEditorModel::~CProfileEditorModel() = default;

CEditorMessage CProfileEditorModel::Load(const std::u16string& path)
{
    std::vector<uint8_t> bytes;
    if (!m_files.ReadFile(path, bytes))
        return FileErrorMessage(m_writer.Exists(path) ? EFileError::Unknown : EFileError::NotFound, path);
    const auto profile = ParseEditorProfile(bytes, m_files.GetTextCodePage());
    if (!profile)
        return EditorMessage(kEditorMsgCannotModify);

    m_editing = true;
    m_openedPath = path;
    m_savedPath.clear();
    m_originalName = CleanField(profile->m_name);
    m_name = m_originalName;
    m_identificationValues[IDENTIFY_EXECUTABLE] = profile->m_executable;
    m_identificationValues[IDENTIFY_TITLE] = profile->m_title;
    m_identificationValues[IDENTIFY_CLASS_NAME] = profile->m_className;
    m_behaviourValues[BEHAVIOUR_AUTO_RESTORE] = profile->m_autoRestore;
    m_behaviourValues[BEHAVIOUR_BRING_TO_TOP] = profile->m_bringToTop;
    m_selections = profile->m_selections;
    for (size_t key = 0; key < kEditorKeyCount; ++key) {
        CKeySelection& selection = m_selections[key];
        if (selection.m_type == KEYTYPE_MOUSE)
            selection.m_mod1 = selection.m_mod2 = 0;
        // Nothing chosen is how the editor stores a key it left alone, with an empty value;
        // composing it would turn that into "Key()" and change the file on an unchanged save.
        m_values[key] = selection == CKeySelection() ? std::u16string() : ComposeMappingValue(selection);
    }
    ResetView();
    return CEditorMessage();
}

void CProfileEditorModel::ResetView()
{
    m_shown = CKeySelection();
    ChooseIdentification(IDENTIFY_EXECUTABLE);
    ChooseBehaviour(BEHAVIOUR_AUTO_RESTORE);
    PressPhoneKey(1);
}

CEditorMessage CProfileEditorModel::Save()
{
    if (m_name.empty())
        return EditorMessage(kEditorMsgNameMissing);
    bool identified = false;
    for (const std::u16string& value : m_identificationValues)
        identified = identified || !value.empty();
    if (!identified)
        return EditorMessage(kEditorMsgIdentificationMissing);

    // The extension is the file's, not the profile's: "Name.INI" is saved as "Name".
    std::u16string name = m_name;
    if (name.size() >= 4 && EqualsIgnoringCase(std::u16string_view(name).substr(name.size() - 4), kProfileExtension))
        name = CleanField(name.substr(0, name.size() - 4));
    if (name.empty())
        return EditorMessage(kEditorMsgNameMissing);
    m_name = name;

    // Profiles are only ever written to the user's folder: the program's folder may not be
    // writable, and its profiles are the defaults a user's copy replaces.
    const CProfileFolders folders(m_files);
    const std::u16string& folder = folders.UserFolder();
    const std::u16string target = folder + name + kProfileExtension;
    if (folder.empty() || !IsUsableFileName(name))
        return FileErrorMessage(EFileError::BadPath, target);
    const std::u16string programTwin = folders.ProgramFolder() + name + kProfileExtension;

    const bool renamed = m_editing && name != m_originalName;
    // Only the file this profile came from (or the program's profile it is a copy of), or the
    // one this editor has just written, may be replaced: any other file of that name, in
    // either folder, is another profile.
    const bool openedHere = SamePath(target, m_openedPath) || SamePath(programTwin, m_openedPath);
    const bool ownsTarget = (m_editing && !renamed && openedHere) || SamePath(target, m_savedPath);
    if ((m_writer.Exists(target) || m_writer.Exists(programTwin)) && !ownsTarget)
        return EditorMessage(kEditorMsgProfileExists);

    CEditorProfile profile;
    profile.m_name = name;
    profile.m_executable = m_identificationValues[IDENTIFY_EXECUTABLE];
    profile.m_title = m_identificationValues[IDENTIFY_TITLE];
    profile.m_className = m_identificationValues[IDENTIFY_CLASS_NAME];
    profile.m_autoRestore = m_behaviourValues[BEHAVIOUR_AUTO_RESTORE];
    profile.m_bringToTop = m_behaviourValues[BEHAVIOUR_BRING_TO_TOP];
    profile.m_values = m_values;
    profile.m_selections = m_selections;
    EFileError written = m_writer.CreateFolders(folder);
    if (written == EFileError::None)
        written = m_writer.WriteFileAtomically(target, FormatEditorProfile(profile));
    if (written != EFileError::None)
        return FileErrorMessage(written, target);
    m_savedPath = target;

    // A rename takes the old file away, but only the file the profile was opened from, only
    // when it carries the old name and only in the user's folder: a file of another name
    // stays, as it does without a rename, and the program's profiles are never touched.
    if (renamed) {
        const std::u16string oldPath = folder + m_originalName + kProfileExtension;
        if (SamePath(oldPath, m_openedPath) && !SamePath(oldPath, target)) {
            const EFileError removed = m_writer.RemoveFile(oldPath);
            // A file that is already gone is what the rename wanted.
            if (removed != EFileError::None && removed != EFileError::NotFound)
                return FileErrorMessage(removed, oldPath);
        }
        // The program's profile of the old name would otherwise stay in use beside the new one
        // (or take its place again once the user's copy is gone).
        const std::u16string oldProgramPath = folders.ProgramFolder() + m_originalName + kProfileExtension;
        if (!EqualsIgnoringCase(m_originalName, name) && m_writer.Exists(oldProgramPath))
            m_programProfileRenamedAway = oldProgramPath;
    }

    m_editing = true;
    m_openedPath = target;
    m_originalName = name;
    return CEditorMessage();
}

void CProfileEditorModel::SetName(const std::u16string& text)
{
    m_name = CleanField(text);
}

bool CProfileEditorModel::ChooseIdentification(int kind)
{
    if (kind < 0 || kind >= kIdentificationCount)
        return false;
    m_identification = kind;
    bool othersEmpty = true;
    for (int other = 0; other < kIdentificationCount; ++other)
        othersEmpty = othersEmpty && (other == kind || m_identificationValues[other].empty());
    m_identificationEditable = othersEmpty || !m_identificationValues[kind].empty();
    return true;
}

const std::u16string& CProfileEditorModel::GetIdentificationValue(int kind) const
{
    static const std::u16string kNone;
    return kind >= 0 && kind < kIdentificationCount ? m_identificationValues[kind] : kNone;
}

bool CProfileEditorModel::SetIdentificationText(const std::u16string& text)
{
    if (!m_identificationEditable)
        return false;
    m_identificationValues[m_identification] = CleanField(text);
    return true;
}

bool CProfileEditorModel::ChooseBehaviour(int behaviour)
{
    if (behaviour < 0 || behaviour >= kBehaviourCount)
        return false;
    m_behaviour = behaviour;
    return true;
}

bool CProfileEditorModel::GetBehaviourValue(int behaviour) const
{
    return behaviour >= 0 && behaviour < kBehaviourCount && m_behaviourValues[behaviour];
}

void CProfileEditorModel::SetBehaviourValue(bool value)
{
    m_behaviourValues[m_behaviour] = value;
}

bool CProfileEditorModel::PressPhoneKey(size_t editorKey)
{
    if (editorKey >= kEditorKeyCount)
        return false;
    m_currentKey = editorKey;
    if (m_values[editorKey].empty()) {
        // Nothing chosen for this key yet: the key type stays as it is shown.
        m_shown.m_key = m_shown.m_mod1 = m_shown.m_mod2 = 0;
        return true;
    }
    m_shown = m_selections[editorKey];
    if (m_shown.m_mod1 <= kLastModifierWithoutSecond)
        m_shown.m_mod2 = 0;
    StoreAndCompose();
    return true;
}

bool CProfileEditorModel::IsFirstModifierEnabled() const
{
    return m_shown.m_type != KEYTYPE_MOUSE;
}

bool CProfileEditorModel::IsSecondModifierEnabled() const
{
    return IsFirstModifierEnabled() && m_shown.m_mod1 > kLastModifierWithoutSecond;
}

bool CProfileEditorModel::ChooseKeyType(int type)
{
    if (type < 0 || type >= kKeyTypeCount)
        return false;
    m_shown.m_type = type;
    m_shown.m_key = 0;
    if (type == KEYTYPE_MOUSE)
        m_shown.m_mod1 = m_shown.m_mod2 = 0;
    return true;
}

bool CProfileEditorModel::ChooseKey(int key)
{
    if (key < 0 || static_cast<size_t>(key) >= GetKeyList().size())
        return false;
    m_shown.m_key = key;
    StoreAndCompose();
    return true;
}

bool CProfileEditorModel::ChooseFirstModifier(int modifier)
{
    if (!IsFirstModifierEnabled() || modifier < 0 || modifier >= kModifierCount)
        return false;
    m_shown.m_mod1 = modifier;
    // The second list is rebuilt for the new kind; the key's stored entry is kept when the
    // list has one.
    m_shown.m_mod2 = modifier > kLastModifierWithoutSecond ? m_selections[m_currentKey].m_mod2 : 0;
    StoreAndCompose();
    return true;
}

bool CProfileEditorModel::ChooseSecondModifier(int modifier)
{
    if (!IsSecondModifierEnabled() || modifier < 0 || modifier >= kSecondModifierCount)
        return false;
    m_shown.m_mod2 = modifier;
    StoreAndCompose();
    return true;
}

void CProfileEditorModel::StoreAndCompose()
{
    CKeySelection selection = m_shown;
    if (selection.m_type == KEYTYPE_MOUSE)
        selection.m_mod1 = selection.m_mod2 = 0;
    m_selections[m_currentKey] = selection;
    m_values[m_currentKey] = ComposeMappingValue(selection);
}

const CKeySelection& CProfileEditorModel::GetSelection(size_t editorKey) const
{
    static const CKeySelection kNone;
    return editorKey < kEditorKeyCount ? m_selections[editorKey] : kNone;
}

const std::u16string& CProfileEditorModel::GetValue(size_t editorKey) const
{
    static const std::u16string kNone;
    return editorKey < kEditorKeyCount ? m_values[editorKey] : kNone;
}
