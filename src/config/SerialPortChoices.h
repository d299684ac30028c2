#pragma once
// What the Preferences page offers as serial ports, and which entry shows the stored one.
#include <string>
#include <vector>

#include "platform/SerialPortSource.h"

// One entry of the port list: the name stored when it is chosen, and the text shown for it.
struct CSerialPortChoice {
    std::u16string port;
    std::u16string label;
};

// The ports the source reports, each once, labelled with its friendly name (the port name
// added where the friendly name lacks it), sorted by port number, names that are not
// "COM<number>" last. Printer ports and blank names are left out. When the source reports no
// port, "COM1" to "COM99" stand in. The stored port is added when it is none of them (a port
// that is unplugged now, or given as a device path): the page then shows it selected, and
// confirming the page keeps it instead of storing an empty name.
std::vector<CSerialPortChoice> ListSerialPortChoices(ISerialPortSource& source, const std::u16string& stored);

// The index of the entry that names the stored port, compared without regard to ASCII case
// ("com5" shows as "COM5"); -1 when the stored name is empty or blank.
int FindSerialPortChoice(const std::vector<CSerialPortChoice>& choices, const std::u16string& stored);

// The port name to store for the entry the user left selected: the stored name itself when the
// entry names the same port (so "com7" stays as written and the link is not reopened for it).
std::u16string ChosenSerialPort(const std::u16string& choice, const std::u16string& stored);
