#pragma once
#include <windows.h>

#include <list>
#include <memory>
#include <mutex>
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
    // Cancels the blocking calls of an Open running on another thread (CancelSynchronousIo).
    void CancelOpen() override;
    void Close() override;
    bool IsOpen() const override { return m_port.IsValid(); }

    bool PrepareReader() override;
    WaitResult WaitForData() override;
    void RequestStop() override;
    int32_t BytesWaiting() override;
    int32_t Read(uint8_t* destination, int32_t count) override;

    void Write(std::vector<uint8_t> bytes) override;
    WriteStatus GetWriteStatus() override;

private:
    struct PendingWrite {
        OVERLAPPED overlapped{};
        CUniqueHandle event;
        std::vector<uint8_t> bytes;
    };

    bool Configure();
    void StartWrite(std::vector<uint8_t> bytes);
    void ReapFinishedWrites();
    void FinishPendingWrites();
    WaitResult FinishCancelledWait(OVERLAPPED& overlapped);
    bool IsStopRequested() const;

    CUniqueHandle m_port;
    CUniqueHandle m_waitEvent;   // event-wait completion (reader thread)
    CUniqueHandle m_readEvent;   // read completion (reader thread)
    CUniqueHandle m_stopEvent;   // set by RequestStop
    std::list<std::unique_ptr<PendingWrite>> m_writes;  // GUI thread only, in the order written
    uint64_t m_pendingBytes = 0;                        // GUI thread only
    uint64_t m_completedBytes = 0;                      // GUI thread only
    std::mutex m_openingMutex;
    CUniqueHandle m_openingThread;  // the thread inside Open, for CancelOpen
};
