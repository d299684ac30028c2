#pragma once
#include "platform/SerialPortSource.h"

// The serial ports of the device manager's "Ports" class, with their friendly names, then
// every port of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (ports whose driver registers no device
// of that class, and Wine's ports), by name only.
class CWin32SerialPortSource : public ISerialPortSource {
public:
    std::vector<CSerialPortInfo> ListPorts() override;
};
