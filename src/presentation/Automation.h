#pragma once
// The seam to an automation object model: late-bound calls by dispatch id. On Windows an
// IDispatch object answers them; tests answer them with a fake object model.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

class IAutomationObject;

enum class EInvokeKind { Method, PropertyGet, PropertyPut };

// One argument or result of an automation call: nothing, a 16-bit or 32-bit signed integer,
// a string, or a reference to another object (shared: the object lives while any value or
// wrapper holds it).
class CAutomationValue {
public:
    enum class EType { Empty, I2, I4, Text, Object };

    CAutomationValue() = default;
    static CAutomationValue I2(int16_t value) { return CAutomationValue(Storage(std::in_place_index<1>, value)); }
    static CAutomationValue I4(int32_t value) { return CAutomationValue(Storage(std::in_place_index<2>, value)); }
    static CAutomationValue Text(std::u16string value)
    {
        return CAutomationValue(Storage(std::in_place_index<3>, std::move(value)));
    }
    static CAutomationValue Object(std::shared_ptr<IAutomationObject> value)
    {
        return CAutomationValue(Storage(std::in_place_index<4>, std::move(value)));
    }

    EType GetType() const { return static_cast<EType>(m_value.index()); }
    // Each accessor yields zero, an empty string or no object when the value is of another type.
    int16_t GetI2() const { return GetType() == EType::I2 ? std::get<1>(m_value) : 0; }
    int32_t GetI4() const { return GetType() == EType::I4 ? std::get<2>(m_value) : 0; }
    std::u16string GetText() const { return GetType() == EType::Text ? std::get<3>(m_value) : std::u16string(); }
    std::shared_ptr<IAutomationObject> GetObject() const
    {
        return GetType() == EType::Object ? std::get<4>(m_value) : nullptr;
    }

    // Same type and same value; objects compare by identity.
    bool operator==(const CAutomationValue& other) const { return m_value == other.m_value; }
    bool operator!=(const CAutomationValue& other) const { return !(*this == other); }

private:
    // The alternatives are in the order of EType, so the index is the type.
    using Storage = std::variant<std::monostate, int16_t, int32_t, std::u16string, std::shared_ptr<IAutomationObject>>;
    explicit CAutomationValue(Storage value) : m_value(std::move(value)) {}

    Storage m_value;
};

// A failed automation call: the error code the object model reported (an HRESULT on Windows)
// and its description, empty when it gave none.
class CAutomationFailure : public std::runtime_error {
public:
    explicit CAutomationFailure(uint32_t code, std::u16string description = {});

    uint32_t GetCode() const { return m_code; }
    const std::u16string& GetDescription() const { return m_description; }
    // The program turned the call away because it is busy (a modal dialog, a long operation),
    // or did not answer in time and the call was given up: the object asked for may well exist.
    bool IsBusyRefusal() const;
    // The program the call went to has ended or crashed: every object reached through it is
    // dead, and only a new connection reaches the program again.
    bool IsServerGone() const;

private:
    uint32_t m_code;
    std::u16string m_description;
};

// A result whose type does not fit what the caller asked for.
constexpr uint32_t AUTOMATION_TYPE_MISMATCH = 0x80020005u;

// An object of the automation model. Invoke performs one synchronous call; it throws
// CAutomationFailure when the call fails. Objects in the result are new shared references.
class IAutomationObject {
public:
    virtual ~IAutomationObject() = default;
    virtual CAutomationValue Invoke(int32_t dispatchId, EInvokeKind kind,
                                    const std::vector<CAutomationValue>& arguments) = 0;
};
