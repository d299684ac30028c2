#pragma once
#include <string>
#include <vector>

#include "app/PropertyPage.h"
#include "config/SerialPortChoices.h"

class CServerConfiguration;
class IFileSystem;

// The Preferences page: serial port, start at log-on, screen-saver hold-off and mouse speed.
// It reads the settings when shown and writes them back on the sheet's OK.
class CConfigPreferences : public CPropertyPage {
public:
    CConfigPreferences(CServerConfiguration& settings, IFileSystem& files);

private:
    void OnInitDialog() override;
    void OnApply() override;

    CServerConfiguration& m_settings;
    IFileSystem& m_files;
    std::vector<CSerialPortChoice> m_ports;  // the port list's entries, in list order
};
