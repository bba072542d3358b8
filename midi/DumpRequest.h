#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// A data request (RQ1) as the instrument's answer is judged by: the device ID it went
// to and the address range it asked for. A DT1 message answers it when it comes from
// that device, starts inside that range and carries a correct checksum.
class CDumpRequest
{
public:
    CDumpRequest() = default;
    // Anything but a well-formed RQ1 gives a request that nothing answers (isValid false).
    explicit CDumpRequest(const QByteArray& request);

    bool isValid() const { return m_valid; }
    std::uint8_t deviceId() const { return m_device; }
    std::uint32_t begin() const { return m_begin; }
    std::uint32_t end() const { return m_end; }
    bool isAnsweredBy(const std::uint8_t* message, std::size_t size) const;

    // Four 7-bit address bytes, most significant first, as one number.
    static std::uint32_t linear(const std::uint8_t* bytes);

private:
    bool m_valid = false;
    std::uint8_t m_device = 0;
    std::uint32_t m_begin = 0;
    std::uint32_t m_end = 0; // one past the last address asked for
};
