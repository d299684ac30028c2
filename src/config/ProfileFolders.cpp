#include "config/ProfileFolders.h"

#include <string_view>

#include "platform/FileSystem.h"
#include "text/TextCodec.h"

namespace {

constexpr char16_t kProgramProfiles[] = u"Profiles\\";
constexpr char16_t kUserProfiles[] = u"Tarvo Quillant\\Profiles\\";
constexpr char16_t kProfilePattern[] = u"*.ini";

// The folder part of a path with its backslash, and the name after it.
std::u16string_view FolderOf(std::u16string_view path)
{
    const size_t slash = path.rfind(u'\\');
    return slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash + 1);
}

std::u16string_view NameOf(std::u16string_view path)
{
    return path.substr(FolderOf(path).size());
}

}  // namespace

CProfileFolders::CProfileFolders(IFileSystem& files) : m_files(files)
{
    // A path without a folder leaves the program's folder relative.
    m_programFolder = std::u16string(FolderOf(files.GetExecutablePath())) + kProgramProfiles;
    std::u16string data = files.GetUserDataFolder();
    if (!data.empty()) {
        if (data.back() != u'\\')
            data.push_back(u'\\');
        m_userFolder = data + kUserProfiles;
    }
}

std::vector<std::u16string> CProfileFolders::List() const
{
    std::vector<std::u16string> paths = m_files.FindFiles(m_programFolder, kProfilePattern);
    if (m_userFolder.empty() || EqualsIgnoringCase(m_userFolder, m_programFolder))
        return paths;
    for (const std::u16string& user : m_files.FindFiles(m_userFolder, kProfilePattern)) {
        bool replaced = false;
        for (std::u16string& path : paths) {
            if (!replaced && EqualsIgnoringCase(NameOf(path), NameOf(user))) {
                path = user;
                replaced = true;
            }
        }
        if (!replaced)
            paths.push_back(user);
    }
    return paths;
}

bool CProfileFolders::IsUserProfile(const std::u16string& path) const
{
    return !m_userFolder.empty() && EqualsIgnoringCase(FolderOf(path), m_userFolder);
}

bool CProfileFolders::IsProfileFolder(const std::u16string& folder) const
{
    return EqualsIgnoringCase(folder, m_programFolder) ||
           (!m_userFolder.empty() && EqualsIgnoringCase(folder, m_userFolder));
}

bool CProfileFolders::SameProfile(const std::u16string& a, const std::u16string& b) const
{
    if (a == b)
        return true;
    return EqualsIgnoringCase(NameOf(a), NameOf(b)) && IsProfileFolder(std::u16string(FolderOf(a))) &&
           IsProfileFolder(std::u16string(FolderOf(b)));
}
