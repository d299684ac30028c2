#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The serial port as the link needs it. One implementation drives a Win32 COM port with
// overlapped I/O; tests use an in-memory double.
//
// Threads: Open, Close, Write and RequestStop are called on the GUI thread; WaitForData,
// BytesWaiting and Read on the link's reader thread. Close is called only after the reader
// thread has ended.
class ISerialPort {
public:
    enum class WaitResult {
        Data,     // received characters are waiting
        Stopped,  // RequestStop was called
        Failed    // the device failed or went away; the reader must not wait again
    };

    virtual ~ISerialPort() = default;

    // Opens and configures the device (9600 8N1, DTR and RTS raised, 4096-byte queues, read
    // time-outs as the link needs them). The name is the full device name, prefix included.
    // On failure nothing stays open.
    virtual bool Open(const std::u16string& deviceName) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Reader thread: called once before the first wait (widens the event mask).
    virtual bool PrepareReader() = 0;
    virtual WaitResult WaitForData() = 0;
    // Makes a current or the next WaitForData return Stopped.
    virtual void RequestStop() = 0;
    // Bytes in the driver's input queue, or -1 when the device failed.
    virtual int32_t BytesWaiting() = 0;
    // Reads exactly what was reported waiting; returns the count read, or -1 on failure.
    virtual int32_t Read(uint8_t* destination, int32_t count) = 0;

    // Starts writing the bytes without blocking; the port keeps them until the write completes.
    // Errors are not reported.
    virtual void Write(std::vector<uint8_t> bytes) = 0;
};
