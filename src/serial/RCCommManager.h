#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "serial/DataBuffer.h"
#include "serial/RetryDelay.h"
#include "serial/WriteStallWatch.h"

class CLinkAttempt;
class ILinkNotify;
class ISerialPort;
struct CSharedPort;

// The byte transport to the phone: opens the serial port, runs the reader thread that moves
// received bytes into the data buffer, and writes bytes. It knows nothing of the protocol: the
// GUI thread takes the received bytes when the link posts WM_RC_DATA and frames them itself.
//
// Opening happens on the link's own thread, never on the GUI thread: a slow driver must not
// freeze the program. Each Open is an attempt with its own nonzero number, carried by the
// notifications it posts, so the owner can tell a stale notification from a current one. After
// a port that failed right after its open, the next attempt waits a while first (CRetryDelay).
class CRCCommManager {
public:
    static constexpr int32_t kDataBufferCapacity = 10000;
    // Outgoing bytes that may wait for the phone to read them; a message past this is dropped.
    static constexpr uint64_t kMaxPendingWriteBytes = 64 * 1024;

    explicit CRCCommManager(std::shared_ptr<ISerialPort> port);
    ~CRCCommManager();  // closes the port if the owner has not
    CRCCommManager(const CRCCommManager&) = delete;
    CRCCommManager& operator=(const CRCCommManager&) = delete;

    // Starts an attempt: its thread opens the port and posts WM_RC_PORT_OPENED or
    // WM_RC_PORT_FAILED. 0 once started; 1 when the thread could not start (nothing posted).
    int Open(const std::u16string& portName, ILinkNotify* notify);
    // Never waits for a pending open: that attempt is abandoned and posts nothing more.
    void Close();
    bool IsOpen() const;
    bool IsCurrentAttempt(uintptr_t attempt) const;
    // One whole message's bytes; dropped (and traced) when too many wait to be written already.
    void Send(const std::vector<uint8_t>& bytes);
    // GUI thread: bytes have waited 5 s (CWriteStallWatch) with no write completing; ms of one
    // steady clock.
    bool IsWriteStalled(uint64_t nowMs);

    // GUI thread: every byte received so far and not yet taken, in order.
    std::vector<uint8_t> TakeReceived();

    const std::u16string& GetPortName() const { return m_portName; }
    CDataBuffer& GetDataBuffer() { return m_dataBuffer; }

private:
    // The attempt's thread; static because an abandoned attempt may outlive the link.
    static void RunAttempt(std::shared_ptr<CLinkAttempt> attempt, CRCCommManager* link, ILinkNotify* notify,
                           std::u16string deviceName);
    void ReaderThread(CLinkAttempt& attempt);
    // Reads until the port has nothing waiting; false when the device failed.
    bool DrainPort(CLinkAttempt& attempt);
    void Post(uint32_t message, uintptr_t wParam);
    // One trace line for the messages dropped since the last one written.
    void TraceDropped();

    const std::shared_ptr<CSharedPort> m_shared;
    ISerialPort& m_port;
    ILinkNotify* m_notify = nullptr;
    std::u16string m_portName;
    std::shared_ptr<CLinkAttempt> m_attempt;  // the current attempt, null when closed
    std::thread m_thread;                     // its thread
    uintptr_t m_lastAttempt = 0;
    CRetryDelay m_retryDelay;
    CWriteStallWatch m_stallWatch;
    uint64_t m_droppedMessages = 0;  // outgoing messages dropped at the cap since the last trace
    CDataBuffer m_dataBuffer{kDataBufferCapacity};
    std::vector<uint8_t> m_readBlock;  // reader thread only
};
