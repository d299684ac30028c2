#include "config/ServerConfiguration.h"

#include <algorithm>

#include "config/ProfileFolders.h"
#include "config/Registry.h"
#include "platform/FileSystem.h"
#include "platform/FileWriter.h"

namespace {

constexpr char16_t kSerialPortValue[] = u"Serial Port";
constexpr char16_t kMouseSpeedValue[] = u"Mouse Speed";
constexpr char16_t kDisableScreensaverValue[] = u"Disable Screensaver";
constexpr char16_t kDisabledProfilesValue[] = u"Disabled Profiles";

constexpr char16_t kDefaultSerialPort[] = u"COM99";
constexpr int32_t kDefaultMouseSpeed = 100;
constexpr int32_t kDefaultDisableScreensaver = 1;

constexpr char16_t kNoSplashArgument[] = u" /NOSPLASH";

constexpr char16_t kProfilePattern[] = u"*.ini";

// Opens the settings key, creating it on first start; a key just created is opened as on
// every other start.
bool OpenSettingsKey(CRegistry& registry)
{
    return registry.OpenKey(kSettingsKeyPath) ||
           (registry.CreateKey(kSettingsKeyPath) && registry.OpenKey(kSettingsKeyPath));
}

}  // namespace

CServerConfiguration::CServerConfiguration(IRegistryBackend& registry, IFileSystem& fileSystem)
    : m_registry(registry), m_fileSystem(fileSystem)
{
}

CServerConfiguration::~CServerConfiguration() = default;

bool CServerConfiguration::LoadSettings()
{
    CRegistry registry(m_registry);
    if (!OpenSettingsKey(registry))
        return false;

    if (!registry.GetString(kSerialPortValue, m_serialPort))
        m_serialPort = kDefaultSerialPort;
    if (!registry.GetNumber(kMouseSpeedValue, m_mouseSpeed))
        m_mouseSpeed = kDefaultMouseSpeed;
    if (!registry.GetNumber(kDisableScreensaverValue, m_disableScreensaver))
        m_disableScreensaver = kDefaultDisableScreensaver;

    // Read at its full size: a long list cut short would re-enable profiles and then be
    // overwritten by the next save. A missing or malformed value leaves the list empty.
    m_disabledProfiles.clear();
    registry.GetStringList(kDisabledProfilesValue, m_disabledProfiles);

    // Paths that name no loaded profile stay in the list until the next save.
    for (const auto& profile : m_profiles)
        profile->SetEnabled(IsProfileEnabled(profile->GetPath()));
    m_loaded = true;
    return true;
}

bool CServerConfiguration::SaveSettings()
{
    if (!m_loaded)
        return false;  // the values in memory are defaults, not the user's: keep what is stored
    CRegistry registry(m_registry);
    if (!OpenSettingsKey(registry))
        return false;

    registry.SetString(kSerialPortValue, m_serialPort);
    registry.SetNumber(kMouseSpeedValue, m_mouseSpeed);
    registry.SetNumber(kDisableScreensaverValue, m_disableScreensaver);

    m_disabledProfiles.clear();
    for (const auto& profile : m_profiles) {
        if (!profile->IsEnabled())
            m_disabledProfiles.push_back(profile->GetPath());
    }
    registry.SetStringList(kDisabledProfilesValue, m_disabledProfiles);
    return true;
}

bool CServerConfiguration::IsProfileEnabled(const std::u16string& path) const
{
    const CProfileFolders folders(m_fileSystem);
    return std::none_of(m_disabledProfiles.begin(), m_disabledProfiles.end(),
                        [&](const std::u16string& listed) { return folders.SameProfile(listed, path); });
}

void CServerConfiguration::LoadProfiles()
{
    m_profiles.clear();
    for (const std::u16string& path : CProfileFolders(m_fileSystem).List()) {
        auto profile = std::make_unique<CAppConfiguration>(m_fileSystem);
        profile->Load(path);
        profile->SetEnabled(IsProfileEnabled(path));
        m_profiles.push_back(std::move(profile));
    }
}

void CServerConfiguration::FindProfileFiles(const std::u16string& folder, std::vector<std::u16string>& paths)
{
    std::u16string withSlash = folder;
    if (withSlash.empty() || withSlash.back() != u'\\')
        withSlash.push_back(u'\\');
    paths = m_fileSystem.FindFiles(withSlash, kProfilePattern);
}

void CServerConfiguration::EnableAllProfiles()
{
    for (const auto& profile : m_profiles)
        profile->SetEnabled(true);
}

bool CServerConfiguration::DisableProfile(const std::u16string& path)
{
    for (const auto& profile : m_profiles) {
        if (profile->GetPath() == path) {
            profile->SetEnabled(false);
            return true;
        }
    }
    return false;
}

bool CServerConfiguration::SwitchOffProfile(const std::u16string& path)
{
    // The list in memory is only the user's once it has been read: written before, it would
    // replace every other switched-off profile.
    if (!m_loaded)
        return false;
    CRegistry registry(m_registry);
    if (!OpenSettingsKey(registry))
        return false;
    DisableProfile(path);
    if (IsProfileEnabled(path))
        m_disabledProfiles.push_back(path);
    return registry.SetStringList(kDisabledProfilesValue, m_disabledProfiles);
}

EFileError CServerConfiguration::DeleteProfile(const std::u16string& path, IFileWriter& writer, bool& switchedOff)
{
    switchedOff = false;
    if (CProfileFolders(m_fileSystem).IsUserProfile(path))
        return writer.RemoveFile(path);
    if (!SwitchOffProfile(path))
        return EFileError::Unknown;
    switchedOff = true;
    return EFileError::None;
}

bool CServerConfiguration::IsStartAtLogonEnabled() const
{
    CRegistry registry(m_registry);
    return registry.OpenKey(kRunKeyPath) && registry.ValueExists(kRunValueName);
}

bool CServerConfiguration::SetStartAtLogon(bool enabled, const std::u16string& executablePath)
{
    CRegistry registry(m_registry);
    if (!enabled) {
        // No Run key or no entry: start at log-on is already off.
        if (!registry.OpenKey(kRunKeyPath))
            return registry.GetResult() == RC_ERROR_FILE_NOT_FOUND;
        return registry.DeleteValue(kRunValueName) || registry.GetResult() == RC_ERROR_FILE_NOT_FOUND;
    }

    if (!registry.OpenKey(kRunKeyPath) && !registry.CreateKey(kRunKeyPath))
        return false;
    // Quoted, so that a path with blanks cannot be read as a shorter program plus arguments.
    return registry.SetString(kRunValueName, u"\"" + executablePath + u"\"" + kNoSplashArgument);
}
