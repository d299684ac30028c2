#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "protocol/DataBuffer.h"
#include "protocol/MessageFramer.h"
#include "protocol/MessageSink.h"
#include "serial/RetryDelay.h"
#include "serial/WriteStallWatch.h"

class CLinkAttempt;
class CRCMsg;
class ILinkNotify;
class IMessageSink;
class ISerialPort;
struct CSharedPort;

// The byte transport to the phone: opens the serial port, runs the reader thread that moves
// received bytes into the data buffer, writes encoded messages, and carries the receive state
// (framer and synchronisation window) that the GUI thread works on.
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

    void SetListener(IMessageSink* listener);
    // Starts an attempt: its thread opens the port and posts WM_RC_PORT_OPENED or
    // WM_RC_PORT_FAILED. 0 once started; 1 when the thread could not start (nothing posted).
    int Open(const std::u16string& portName, ILinkNotify* notify);
    // Never waits for a pending open: that attempt is abandoned and posts nothing more.
    void Close();
    bool IsOpen() const;
    bool IsCurrentAttempt(uintptr_t attempt) const;
    void Send(std::unique_ptr<CRCMsg> message);
    // GUI thread: bytes have waited 5 s (CWriteStallWatch) with no write completing; ms of one
    // steady clock.
    bool IsWriteStalled(uint64_t nowMs);

    // GUI thread: framer and synchronisation scanner over the one received byte stream.
    void ParseMessages();
    void ScanForSync();
    void ResetReceiver();
    static bool IsKnownType(uint8_t type);
    bool HasPartialMessage() const;

    const std::u16string& GetPortName() const { return m_portName; }
    CDataBuffer& GetDataBuffer() { return m_dataBuffer; }

private:
    // Hands framed messages to whichever listener is set at the moment: a handler may stop
    // the server (clearing the listener) while the rest of a chunk is still being framed.
    class CListenerForwarder : public IMessageSink {
    public:
        explicit CListenerForwarder(CRCCommManager& link) : m_link(link) {}
        void HandleMessage(std::unique_ptr<CRCMsg> message) override;

    private:
        CRCCommManager& m_link;
    };

    // The attempt's thread; static because an abandoned attempt may outlive the link.
    static void RunAttempt(std::shared_ptr<CLinkAttempt> attempt, CRCCommManager* link, ILinkNotify* notify,
                           std::u16string deviceName);
    void ReaderThread(CLinkAttempt& attempt);
    // Reads until the port has nothing waiting; false when the device failed.
    bool DrainPort(CLinkAttempt& attempt);
    void Post(uint32_t message, uintptr_t wParam);
    // One trace line for the messages dropped since the last one written.
    void TraceDropped();
    // Takes everything the data buffer holds into m_chunk; 0 when nothing or no listener.
    size_t TakeReceived();

    const std::shared_ptr<CSharedPort> m_shared;
    ISerialPort& m_port;
    IMessageSink* m_listener = nullptr;
    ILinkNotify* m_notify = nullptr;
    std::u16string m_portName;
    std::shared_ptr<CLinkAttempt> m_attempt;  // the current attempt, null when closed
    std::thread m_thread;                     // its thread
    uintptr_t m_lastAttempt = 0;
    CRetryDelay m_retryDelay;
    CWriteStallWatch m_stallWatch;
    uint64_t m_droppedMessages = 0;  // outgoing messages dropped at the cap since the last trace
    CMessageFramer m_framer;
    CDataBuffer m_dataBuffer{kDataBufferCapacity};
    CListenerForwarder m_forwarder{*this};
    std::vector<uint8_t> m_readBlock;  // reader thread only
    std::vector<uint8_t> m_chunk;      // GUI thread: the bytes being framed or scanned
    bool m_receiving = false;
};
