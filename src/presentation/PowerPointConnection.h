#pragma once
// The program's one connection to the presentation program. The main frame owns it and drops it
// before OLE goes; the presentation managers and the application list reach it through the
// presentation context. It is made only when needed: attached to the program once the program
// runs, or made by starting the program when the phone acts on a presentation. A call that
// finds the program gone drops it, and the next use makes it again. While it is empty, every
// presentation operation does nothing. Used on the GUI thread only.
#include <memory>

#include "presentation/CallRetryPolicy.h"
#include "presentation/PowerPointObjects.h"

// Reaches the presentation program's Application object: on Windows through COM, in tests a fake.
class IAutomationConnector {
public:
    virtual ~IAutomationConnector() = default;
    // The running program's object; null when the program does not run. Never starts it.
    virtual std::shared_ptr<IAutomationObject> Attach() = 0;
    // The program's object, started when it does not run. Null when the program is not
    // installed or cannot be started.
    virtual std::shared_ptr<IAutomationObject> Connect() = 0;
};

class CPowerPointConnection {
public:
    CPowerPointConnection() = default;
    CPowerPointConnection(const CPowerPointConnection&) = delete;
    CPowerPointConnection& operator=(const CPowerPointConnection&) = delete;

    // The connector that AttachIfRunning and ConnectOrStart use; without one they connect nothing.
    void SetConnector(std::unique_ptr<IAutomationConnector> connector) { m_connector = std::move(connector); }

    // Replaces any earlier connection; true when the new one was made. A failed attempt leaves
    // the connection empty.
    bool Connect(IAutomationConnector& connector);
    // An empty connection attaches to the program if it runs. True when connected.
    bool AttachIfRunning();
    // An empty connection is made, the program started if need be. True when connected.
    bool ConnectOrStart();
    void Disconnect();
    // Drops the connection when the failure says the program has ended; true when it did.
    bool DropIfGone(const CAutomationFailure& failure);
    bool IsEmpty() const { return m_application.IsEmpty(); }
    // True when the program does not answer a probe call; false when it does, when it does not
    // run, or when it has ended (the connection is dropped then). Attaches to a running program.
    bool IsBusy();
    // Empty until connected: calls through it then do nothing.
    const CApplication& GetApplication() const { return m_application; }
    // What the GUI thread's message filter asks about calls into the program.
    CCallRetryPolicy& GetCallPolicy() { return m_callPolicy; }

private:
    CApplication m_application;
    std::unique_ptr<IAutomationConnector> m_connector;
    CCallRetryPolicy m_callPolicy;
};
