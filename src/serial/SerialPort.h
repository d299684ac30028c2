#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The serial port as the link needs it. One implementation drives a Win32 COM port with
// overlapped I/O; tests use an in-memory double.
//
// Threads: Open runs on the link's own thread, which then becomes the reader (PrepareReader,
// WaitForData, BytesWaiting, Read). Write, GetWriteStatus and RequestStop are called on the GUI
// thread once the open has succeeded; Close on the GUI thread after the reader ended, or on the
// link's thread when the open was abandoned. CancelOpen may be called from the GUI thread while
// Open runs. The link never runs two of Open, Close and the reader calls at the same time.
class ISerialPort {
public:
    enum class WaitResult {
        Data,     // received characters are waiting
        Stopped,  // RequestStop was called
        Failed    // the device failed or went away; the reader must not wait again
    };

    // What the writes have done so far, for the link's limits on outgoing bytes.
    struct WriteStatus {
        uint64_t pendingBytes = 0;    // accepted by Write and not yet completed
        uint64_t completedBytes = 0;  // running count of bytes whose write completed
    };

    virtual ~ISerialPort() = default;

    // Opens and configures the device (9600 8N1, binary, no flow control, DTR and RTS raised,
    // read time-outs as the link needs them). The name is the full device name, prefix
    // included. May block for long (a slow driver). On failure nothing stays open.
    virtual bool Open(const std::u16string& deviceName) = 0;
    // Asks an Open running on another thread to give up soon; it may still succeed.
    virtual void CancelOpen() {}
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
    // Takes note of the writes that finished since the last call, then reports.
    virtual WriteStatus GetWriteStatus() = 0;
};
