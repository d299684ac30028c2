#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "presentation/Automation.h"

// Holds one automation object, or none. Copying a driver shares the object (one more
// reference); moving or attaching transfers it; the reference goes when the driver is
// destroyed, released or given another object. Calls through an empty driver make no call,
// raise nothing and yield zero, an empty string or an empty object.
class CDispatchDriver {
public:
    CDispatchDriver() = default;
    explicit CDispatchDriver(std::shared_ptr<IAutomationObject> object) : m_object(std::move(object)) {}

    // Takes the object, dropping the one held before.
    void AttachDispatch(std::shared_ptr<IAutomationObject> object) { m_object = std::move(object); }
    // Hands the object to the caller; the driver is empty afterwards.
    std::shared_ptr<IAutomationObject> DetachDispatch() { return std::move(m_object); }
    void ReleaseDispatch() { m_object.reset(); }

    bool IsEmpty() const { return m_object == nullptr; }
    const std::shared_ptr<IAutomationObject>& GetDispatch() const { return m_object; }

    // The one generic call: the result as the object returned it (empty for an empty driver).
    CAutomationValue InvokeHelper(int32_t dispatchId, EInvokeKind kind,
                                  const std::vector<CAutomationValue>& arguments = {}) const;

protected:
    // Typed calls. A result of another type than asked for raises a type mismatch; an empty
    // result reads as zero, an empty string or no object.
    int32_t InvokeInt(int32_t dispatchId, EInvokeKind kind, const std::vector<CAutomationValue>& arguments = {}) const;
    std::u16string InvokeText(int32_t dispatchId, EInvokeKind kind,
                              const std::vector<CAutomationValue>& arguments = {}) const;
    std::shared_ptr<IAutomationObject> InvokeObject(int32_t dispatchId, EInvokeKind kind,
                                                    const std::vector<CAutomationValue>& arguments = {}) const;
    // Whatever comes back is dropped, objects included.
    void InvokeVoid(int32_t dispatchId, EInvokeKind kind, const std::vector<CAutomationValue>& arguments = {}) const;

    int32_t GetIntProperty(int32_t dispatchId) const { return InvokeInt(dispatchId, EInvokeKind::PropertyGet); }
    std::u16string GetTextProperty(int32_t dispatchId) const { return InvokeText(dispatchId, EInvokeKind::PropertyGet); }
    std::shared_ptr<IAutomationObject> GetObjectProperty(int32_t dispatchId) const
    {
        return InvokeObject(dispatchId, EInvokeKind::PropertyGet);
    }
    void SetIntProperty(int32_t dispatchId, int32_t value) const
    {
        InvokeVoid(dispatchId, EInvokeKind::PropertyPut, {CAutomationValue::I4(value)});
    }

private:
    std::shared_ptr<IAutomationObject> m_object;
};
