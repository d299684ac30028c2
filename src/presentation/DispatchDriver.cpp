#include "presentation/DispatchDriver.h"

CAutomationValue CDispatchDriver::InvokeHelper(int32_t dispatchId, EInvokeKind kind,
                                               const std::vector<CAutomationValue>& arguments) const
{
    if (!m_object)
        return CAutomationValue();
    return m_object->Invoke(dispatchId, kind, arguments);
}

int32_t CDispatchDriver::InvokeInt(int32_t dispatchId, EInvokeKind kind,
                                   const std::vector<CAutomationValue>& arguments) const
{
    const CAutomationValue result = InvokeHelper(dispatchId, kind, arguments);
    switch (result.GetType()) {
    case CAutomationValue::EType::Empty:
        return 0;
    case CAutomationValue::EType::I2:
        return result.GetI2();
    case CAutomationValue::EType::I4:
        return result.GetI4();
    default:
        throw CAutomationFailure(AUTOMATION_TYPE_MISMATCH);
    }
}

std::u16string CDispatchDriver::InvokeText(int32_t dispatchId, EInvokeKind kind,
                                           const std::vector<CAutomationValue>& arguments) const
{
    const CAutomationValue result = InvokeHelper(dispatchId, kind, arguments);
    switch (result.GetType()) {
    case CAutomationValue::EType::Empty:
    case CAutomationValue::EType::Text:
        return result.GetText();
    default:
        throw CAutomationFailure(AUTOMATION_TYPE_MISMATCH);
    }
}

std::shared_ptr<IAutomationObject> CDispatchDriver::InvokeObject(int32_t dispatchId, EInvokeKind kind,
                                                                 const std::vector<CAutomationValue>& arguments) const
{
    const CAutomationValue result = InvokeHelper(dispatchId, kind, arguments);
    switch (result.GetType()) {
    case CAutomationValue::EType::Empty:
    case CAutomationValue::EType::Object:
        return result.GetObject();
    default:
        throw CAutomationFailure(AUTOMATION_TYPE_MISMATCH);
    }
}

void CDispatchDriver::InvokeVoid(int32_t dispatchId, EInvokeKind kind,
                                 const std::vector<CAutomationValue>& arguments) const
{
    InvokeHelper(dispatchId, kind, arguments);
}
