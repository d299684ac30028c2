#pragma once
#include <cstdint>
#include <vector>

// State an application sends back to the phone, encoded as the payload of an application-data
// message.
class CAppData {
public:
    CAppData() = default;
    CAppData(const CAppData&) = default;
    CAppData& operator=(const CAppData&) = default;
    virtual ~CAppData() = default;

    // Rebuilds the payload; the bytes stay valid until the next Encode or the record's end.
    virtual const std::vector<uint8_t>& Encode() = 0;
    // Fills the record from a payload.
    virtual void Decode() = 0;

protected:
    std::vector<uint8_t> m_data;
};
