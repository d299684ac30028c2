#include "config/ServerConfiguration.h"

#include <algorithm>

#include "config/Registry.h"

namespace {

constexpr char16_t kSerialPortValue[] = u"Serial Port";
constexpr char16_t kMouseSpeedValue[] = u"Mouse Speed";
constexpr char16_t kDisableScreensaverValue[] = u"Disable Screensaver";
constexpr char16_t kDisabledProfilesValue[] = u"Disabled Profiles";

constexpr char16_t kDefaultSerialPort[] = u"COM99";
constexpr int32_t kDefaultMouseSpeed = 100;
constexpr int32_t kDefaultDisableScreensaver = 1;

constexpr char16_t kNoSplashArgument[] = u" /NOSPLASH";

// Opens the settings key, creating it on first start; the open that follows records its path.
bool OpenSettingsKey(CRegistry& registry)
{
    if (!registry.TryOpenKey(kSettingsKeyPath) && !registry.CreateKey(kSettingsKeyPath))
        return false;
    return registry.OpenKey(kSettingsKeyPath);
}

}  // namespace

CServerConfiguration::CServerConfiguration(IRegistryBackend& registry) : m_registry(registry) {}

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
    return true;
}

bool CServerConfiguration::SaveSettings()
{
    CRegistry registry(m_registry);
    if (!OpenSettingsKey(registry))
        return false;

    registry.SetString(kSerialPortValue, m_serialPort);
    registry.SetNumber(kMouseSpeedValue, m_mouseSpeed);
    registry.SetNumber(kDisableScreensaverValue, m_disableScreensaver);

    // The list is written as held. With a profile set, it is first rebuilt here from the
    // profiles' enabled flags, which drops paths of profiles that no longer exist.
    registry.SetStringList(kDisabledProfilesValue, m_disabledProfiles);
    return true;
}

bool CServerConfiguration::IsProfileEnabled(const std::u16string& path) const
{
    return std::find(m_disabledProfiles.begin(), m_disabledProfiles.end(), path) == m_disabledProfiles.end();
}

bool CServerConfiguration::IsStartAtLogonEnabled() const
{
    CRegistry registry(m_registry);
    return registry.TryOpenKey(kRunKeyPath) && registry.ValueExists(kRunValueName);
}

bool CServerConfiguration::SetStartAtLogon(bool enabled, const std::u16string& executablePath)
{
    CRegistry registry(m_registry);
    if (!enabled) {
        // No Run key or no entry: start at log-on is already off.
        if (!registry.TryOpenKey(kRunKeyPath))
            return registry.GetResult() == RC_ERROR_FILE_NOT_FOUND;
        return registry.DeleteValue(kRunValueName) || registry.GetResult() == RC_ERROR_FILE_NOT_FOUND;
    }

    if (!registry.TryOpenKey(kRunKeyPath) && !registry.CreateKey(kRunKeyPath))
        return false;
    // Quoted, so that a path with blanks cannot be read as a shorter program plus arguments.
    return registry.SetString(kRunValueName, u"\"" + executablePath + u"\"" + kNoSplashArgument);
}
