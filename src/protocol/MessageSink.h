#pragma once
#include <memory>

class CRCMsg;

// Receives every message the framer or the synchronisation scanner completes; takes ownership.
class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    virtual void HandleMessage(std::unique_ptr<CRCMsg> message) = 0;
};
