#pragma once
#include <string>
#include <vector>

// A serial port the system reports: its name as the port is opened ("COM5") and, where the
// driver gives one, the name the user knows it by ("Standard Serial over Bluetooth link (COM5)").
struct CSerialPortInfo {
    std::u16string name;
    std::u16string friendlyName;
};

// The serial ports present on this machine. Several sources may name the same port, in any
// order and case; empty when the system lists none.
class ISerialPortSource {
public:
    virtual ~ISerialPortSource() = default;
    virtual std::vector<CSerialPortInfo> ListPorts() = 0;
};
