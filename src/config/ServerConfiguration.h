#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/AppConfiguration.h"

class IFileSystem;
class IFileWriter;
class IRegistryBackend;
enum class EFileError;

constexpr char16_t kSettingsKeyPath[] = u"Software\\Tarvo\\Quillant";
constexpr char16_t kRunKeyPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kRunValueName[] = u"Quillant";

// The user's settings: serial port, mouse speed, screen-saver hold-off and the switched-off
// profiles, kept in the current user's registry; and the set of application profiles, loaded
// from the program's and the user's profile folders (see CProfileFolders).
class CServerConfiguration {
public:
    using Profiles = std::vector<std::unique_ptr<CAppConfiguration>>;

    CServerConfiguration(IRegistryBackend& registry, IFileSystem& fileSystem);
    CServerConfiguration(const CServerConfiguration&) = delete;
    CServerConfiguration& operator=(const CServerConfiguration&) = delete;
    virtual ~CServerConfiguration();

    // Also marks the loaded profiles enabled or switched off from the stored list, so the
    // profiles are loaded first.
    bool LoadSettings();
    // Writes the switched-off list rebuilt from the profiles' flags, so paths of profiles that
    // are gone drop out of it. Refused (false, nothing written) until a LoadSettings succeeded.
    bool SaveSettings();

    const std::u16string& GetSerialPort() const { return m_serialPort; }
    void SetSerialPort(const std::u16string& port) { m_serialPort = port; }
    int32_t GetMouseSpeed() const { return m_mouseSpeed; }
    void SetMouseSpeed(int32_t speed) { m_mouseSpeed = speed; }
    int32_t GetDisableScreensaver() const { return m_disableScreensaver; }
    void SetDisableScreensaver(int32_t value) { m_disableScreensaver = value; }

    const std::vector<std::u16string>& GetDisabledProfiles() const { return m_disabledProfiles; }
    // Whether no entry of the list of switched-off profiles stands for the path: the same path,
    // or the same file name in the other profile folder, so that a profile switched off stays
    // off when the user's copy replaces the program's one or goes again.
    bool IsProfileEnabled(const std::u16string& path) const;

    // Replaces the profile set with the profile files in effect (CProfileFolders::List), each
    // enabled unless the switched-off list stands for it. Profiles that identify nothing stay
    // in the set; they never match.
    void LoadProfiles();
    // Replaces `paths` with the full paths of the "*.ini" files in the folder.
    void FindProfileFiles(const std::u16string& folder, std::vector<std::u16string>& paths);
    void EnableAllProfiles();
    // Switches off the first profile loaded from the path; false when there is none.
    bool DisableProfile(const std::u16string& path);
    // Switches off the profile and stores the switched-off list at once, leaving the other
    // settings as stored; false when the registry cannot be written.
    bool SwitchOffProfile(const std::u16string& path);
    // What the user's Delete does to a profile: the user's own file is removed (a program's
    // profile it replaced takes its place again, on or off as the name was); a profile of the
    // program's folder is never changed there but switched off at once, `switchedOff` set.
    // The file error of a failed removal; Unknown when the switch-off cannot be stored.
    EFileError DeleteProfile(const std::u16string& path, IFileWriter& writer, bool& switchedOff);
    // Valid until the next LoadProfiles.
    const Profiles& GetProfiles() const { return m_profiles; }

    // Start at log-on: the Run entry's presence; written as the quoted executable path
    // followed by " /NOSPLASH".
    bool IsStartAtLogonEnabled() const;
    bool SetStartAtLogon(bool enabled, const std::u16string& executablePath);

private:
    IRegistryBackend& m_registry;
    IFileSystem& m_fileSystem;
    Profiles m_profiles;
    int32_t m_disableScreensaver = 1;
    int32_t m_mouseSpeed = 100;
    std::u16string m_serialPort = u"COM99";
    std::vector<std::u16string> m_disabledProfiles;
    bool m_loaded = false;
};
