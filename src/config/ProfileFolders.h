#pragma once
#include <string>
#include <vector>

class IFileSystem;

// Where profile files live. The program's own profiles sit in "Profiles" beside the executable
// and are read-only defaults: under a per-machine install a standard user cannot write there.
// The user's profiles sit in "Tarvo Quillant\Profiles" in the user's roaming application data,
// and one of them takes the place of the program's profile with the same file name (any case).
class CProfileFolders {
public:
    explicit CProfileFolders(IFileSystem& files);

    // Both end with a backslash. The user folder is empty when the system names no
    // application-data folder; then there are only the program's profiles.
    const std::u16string& ProgramFolder() const { return m_programFolder; }
    const std::u16string& UserFolder() const { return m_userFolder; }

    // The profile files in effect: the program's in the order its folder lists them, each
    // replaced by the user's file of the same name, then the user's other files in the order
    // their folder lists them.
    std::vector<std::u16string> List() const;

    // Whether the file is one of the user's own profiles, which the user may change or delete.
    bool IsUserProfile(const std::u16string& path) const;

    // Whether two paths stand for the same profile: the same path, or the same file name in
    // the two profile folders, as a user's copy stands for the program's profile it replaces.
    bool SameProfile(const std::u16string& a, const std::u16string& b) const;

private:
    bool IsProfileFolder(const std::u16string& folder) const;

    IFileSystem& m_files;
    std::u16string m_programFolder;
    std::u16string m_userFolder;
};
