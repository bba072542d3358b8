#include "midi/DumpRequest.h"

#include "model/SysEx.h"

namespace {

constexpr int kBitsPerByte = 7;
constexpr std::uint8_t kDataMask = 0x7F;
constexpr std::size_t kOffSize = sysex::kOffAddress + sysex::kAddressSize;
constexpr std::size_t kChecksumBack = 2; // the checksum is the byte before F7
constexpr std::size_t kMinDataSet = sysex::kFraming + 1;

// The fixed header of a message of this synthesizer family with the given command.
bool hasHeader(const std::uint8_t* m, std::size_t size, std::uint8_t command)
{
    return size >= static_cast<std::size_t>(sysex::kFraming) && m[0] == sysex::kStart && m[size - 1] == sysex::kEnd
           && m[sysex::kOffManufacturer] == sysex::kManufacturer && m[sysex::kOffModel] == sysex::kModelId
           && m[sysex::kOffCommand] == command;
}

} // namespace

std::uint32_t CDumpRequest::linear(const std::uint8_t* bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < sysex::kAddressSize; ++i)
        value = (value << kBitsPerByte) | (bytes[i] & kDataMask);
    return value;
}

CDumpRequest::CDumpRequest(const QByteArray& request)
{
    const auto* m = reinterpret_cast<const std::uint8_t*>(request.constData());
    const auto size = static_cast<std::size_t>(request.size());
    if (size != static_cast<std::size_t>(sysex::kRequestSize) || !hasHeader(m, size, sysex::kDataRequest))
        return;
    m_device = m[sysex::kOffDevice];
    m_begin = linear(m + sysex::kOffAddress);
    m_end = m_begin + linear(m + kOffSize);
    m_valid = true;
}

bool CDumpRequest::isAnsweredBy(const std::uint8_t* message, std::size_t size) const
{
    if (!m_valid || size < kMinDataSet || !hasHeader(message, size, sysex::kDataSet)
        || message[sysex::kOffDevice] != m_device)
        return false;
    const std::uint32_t address = linear(message + sysex::kOffAddress);
    if (address < m_begin || address >= m_end)
        return false;
    const int covered = static_cast<int>(size - sysex::kOffAddress - kChecksumBack);
    return sysex::checksum(covered, message + sysex::kOffAddress) == message[size - kChecksumBack];
}
