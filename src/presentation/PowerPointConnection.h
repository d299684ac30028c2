#pragma once
// The program's one connection to the presentation program. The main frame owns it, makes it
// while it is created and drops it before OLE goes; the presentation managers and the
// application list reach it through the presentation context. While it is empty, every
// presentation operation does nothing. Used on the GUI thread only.
#include <memory>

#include "presentation/PowerPointObjects.h"

// Makes the presentation program's Application object: on Windows through COM, in tests a fake.
class IAutomationConnector {
public:
    virtual ~IAutomationConnector() = default;
    // Null when the program is not installed or cannot be started.
    virtual std::shared_ptr<IAutomationObject> Connect() = 0;
};

class CPowerPointConnection {
public:
    CPowerPointConnection() = default;
    CPowerPointConnection(const CPowerPointConnection&) = delete;
    CPowerPointConnection& operator=(const CPowerPointConnection&) = delete;

    // Replaces any earlier connection; true when the new one was made. A failed attempt leaves
    // the connection empty.
    bool Connect(IAutomationConnector& connector);
    void Disconnect();
    bool IsEmpty() const { return m_application.IsEmpty(); }
    // True when the program does not answer a probe call; false when it does or when there is
    // no connection.
    bool IsBusy() const;
    // Empty until Connect succeeds: calls through it then do nothing.
    const CApplication& GetApplication() const { return m_application; }

private:
    CApplication m_application;
};
