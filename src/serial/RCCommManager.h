#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "protocol/DataBuffer.h"
#include "protocol/MessageFramer.h"
#include "protocol/MessageSink.h"

class CRCMsg;
class ILinkNotify;
class IMessageSink;
class ISerialPort;

// The byte transport to the phone: opens the serial port, runs the reader thread that moves
// received bytes into the data buffer, writes encoded messages, and carries the receive state
// (framer and synchronisation window) that the GUI thread works on.
class CRCCommManager {
public:
    static constexpr int32_t kDataBufferCapacity = 10000;

    explicit CRCCommManager(ISerialPort& port);
    ~CRCCommManager();  // closes the port if the owner has not
    CRCCommManager(const CRCCommManager&) = delete;
    CRCCommManager& operator=(const CRCCommManager&) = delete;

    void SetListener(IMessageSink* listener);
    int Open(const std::u16string& portName, ILinkNotify* notify);  // 0 ok, 1 failed
    void Close();
    bool IsOpen() const;
    void Send(std::unique_ptr<CRCMsg> message);

    // GUI thread: framer and synchronisation scanner over the one received byte stream.
    void ParseMessages();
    void ScanForSync();
    void ResetReceiver();
    static bool IsKnownType(uint8_t type);
    bool HasPartialMessage() const;

    const std::u16string& GetPortName() const { return m_portName; }
    CDataBuffer& GetDataBuffer() { return m_dataBuffer; }

    // Reader-thread step: moves what the port has waiting into the data buffer.
    void ReadAvailable();

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

    void ReaderThread();
    // Reads until the port has nothing waiting; false when the device failed.
    bool DrainPort();
    void ReportConnectionLost();
    void Post(uint32_t message, uintptr_t wParam);
    // Takes everything the data buffer holds into m_chunk; 0 when nothing or no listener.
    size_t TakeReceived();

    ISerialPort& m_port;
    IMessageSink* m_listener = nullptr;
    ILinkNotify* m_notify = nullptr;
    std::u16string m_portName;
    std::atomic<bool> m_running{false};
    std::thread m_reader;
    CMessageFramer m_framer;
    CDataBuffer m_dataBuffer{kDataBufferCapacity};
    CListenerForwarder m_forwarder{*this};
    std::vector<uint8_t> m_readBlock;  // reader thread only
    std::vector<uint8_t> m_chunk;      // GUI thread: the bytes being framed or scanned
    bool m_receiving = false;
};
