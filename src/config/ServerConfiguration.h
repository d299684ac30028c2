#pragma once
#include <cstdint>
#include <string>
#include <vector>

class IRegistryBackend;

constexpr char16_t kSettingsKeyPath[] = u"Software\\Tarvo\\Quillant";
constexpr char16_t kRunKeyPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kRunValueName[] = u"Quillant";

// The user's settings: serial port, mouse speed, screen-saver hold-off and the switched-off
// profiles, kept in the current user's registry.
class CServerConfiguration {
public:
    explicit CServerConfiguration(IRegistryBackend& registry);
    virtual ~CServerConfiguration();

    bool LoadSettings();
    bool SaveSettings();

    const std::u16string& GetSerialPort() const { return m_serialPort; }
    void SetSerialPort(const std::u16string& port) { m_serialPort = port; }
    int32_t GetMouseSpeed() const { return m_mouseSpeed; }
    void SetMouseSpeed(int32_t speed) { m_mouseSpeed = speed; }
    int32_t GetDisableScreensaver() const { return m_disableScreensaver; }
    void SetDisableScreensaver(int32_t value) { m_disableScreensaver = value; }

    const std::vector<std::u16string>& GetDisabledProfiles() const { return m_disabledProfiles; }
    bool IsProfileEnabled(const std::u16string& path) const;

    // Start at log-on: the Run entry's presence; written as the quoted executable path
    // followed by " /NOSPLASH".
    bool IsStartAtLogonEnabled() const;
    bool SetStartAtLogon(bool enabled, const std::u16string& executablePath);

private:
    IRegistryBackend& m_registry;
    int32_t m_disableScreensaver = 1;
    int32_t m_mouseSpeed = 100;
    std::u16string m_serialPort = u"COM99";
    std::vector<std::u16string> m_disabledProfiles;
};
