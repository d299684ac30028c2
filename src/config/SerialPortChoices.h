#pragma once
// What the Preferences page offers as serial ports, and which entry shows the stored one.
#include <string>
#include <vector>

// "COM1" to "COM99" in order, followed by the stored port when it is none of them (a driver
// may number a Bluetooth port COM120, or a port may be given as a device path): the page then
// shows it selected, and confirming the page keeps it instead of storing an empty name.
std::vector<std::u16string> SerialPortChoices(const std::u16string& stored);

// The index of the entry that names the stored port, compared without regard to ASCII case
// ("com5" shows as "COM5"); -1 when the stored name is empty or blank.
int FindSerialPortChoice(const std::vector<std::u16string>& choices, const std::u16string& stored);

// The port name to store for the entry the user left selected: the stored name itself when the
// entry names the same port (so "com7" stays as written and the link is not reopened for it).
std::u16string ChosenSerialPort(const std::u16string& choice, const std::u16string& stored);
