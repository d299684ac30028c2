#pragma once
#include <windows.h>

#include <list>
#include <memory>
#include <vector>

#include "platform/win32/UniqueHandle.h"
#include "serial/SerialPort.h"

// A COM port opened for overlapped I/O. Every asynchronous operation is completed or cancelled
// before its OVERLAPPED record or buffer goes away; written bytes live until their write ends.
class CWin32SerialPort : public ISerialPort {
public:
    CWin32SerialPort();
    ~CWin32SerialPort() override;

    bool Open(const std::u16string& deviceName) override;
    void Close() override;
    bool IsOpen() const override { return m_port.IsValid(); }

    bool PrepareReader() override;
    WaitResult WaitForData() override;
    void RequestStop() override;
    int32_t BytesWaiting() override;
    int32_t Read(uint8_t* destination, int32_t count) override;

    void Write(std::vector<uint8_t> bytes) override;

private:
    struct PendingWrite {
        OVERLAPPED overlapped{};
        CUniqueHandle event;
        std::vector<uint8_t> bytes;
    };

    bool Configure();
    void ReapFinishedWrites();
    void FinishPendingWrites(DWORD graceMilliseconds);
    WaitResult FinishCancelledWait(OVERLAPPED& overlapped);
    bool IsStopRequested() const;

    CUniqueHandle m_port;
    CUniqueHandle m_waitEvent;   // event-wait completion (reader thread)
    CUniqueHandle m_readEvent;   // read completion (reader thread)
    CUniqueHandle m_stopEvent;   // set by RequestStop
    std::list<std::unique_ptr<PendingWrite>> m_writes;  // GUI thread only
};
