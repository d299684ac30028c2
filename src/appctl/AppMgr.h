#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An application window offered to the phone. The protocol server and the main frame reach
// the selected application only through this interface.
class CAppMgr {
public:
    explicit CAppMgr(uint32_t window) : m_hWnd(window) {}
    CAppMgr(const CAppMgr&) = delete;
    CAppMgr& operator=(const CAppMgr&) = delete;
    virtual ~CAppMgr() = default;

    virtual void Poll() {}
    virtual void KeyEvent(uint8_t /*kind*/, uint16_t /*keyCode*/) {}
    virtual uint32_t GetAppType() const = 0;
    virtual std::u16string GetName() const = 0;
    virtual void OnButton(uint16_t /*controlId*/, uint8_t /*value*/) {}
    virtual void OnListBox(uint16_t /*controlId*/, uint8_t /*selectedIndex*/, const std::u16string& /*text*/) {}
    virtual void OnEditBox(uint16_t /*controlId*/, const std::u16string& /*text*/) {}
    virtual void OnCheckBox(uint16_t /*controlId*/, uint8_t /*stateCount*/, const std::vector<uint8_t>& /*states*/) {}
    virtual void OnRadioButton(uint16_t /*controlId*/, uint8_t /*value*/) {}
    virtual void SetActive(bool active, bool /*bringToFront*/) { m_active = active; }
    // Sends what the application holds back for the phone (a slide show's record some time after
    // navigation); most applications hold nothing back.
    virtual void SendPendingData() {}

    // The window's handle value, truncated to the 32 bits the wire carries.
    uint32_t GetWindow() const { return m_hWnd; }
    bool IsActive() const { return m_active; }
    void SetBringToTop(bool value) { m_bringToTop = value; }
    void SetAutoRestore(bool value) { m_autoRestore = value; }

protected:
    bool m_active = false;
    bool m_bringToTop = true;
    bool m_autoRestore = true;
    uint32_t m_hWnd;
};

// Application types sent to the phone.
constexpr uint32_t APPTYPE_GENERIC = 0xFFFF;
constexpr uint32_t APPTYPE_POWERPOINT = 16;
