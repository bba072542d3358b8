#include "model/RecordIo.h"

#include "model/SynthSettings.h"
#include "model/SysEx.h"

#include <algorithm>
#include <vector>

namespace recordio {

void writeHeader(std::uint8_t* msg, std::uint8_t device, const sysex::Address& address)
{
    msg[0] = sysex::kStart;
    msg[sysex::kOffManufacturer] = sysex::kManufacturer;
    msg[sysex::kOffDevice] = device;
    msg[sysex::kOffModel] = sysex::kModelId;
    msg[sysex::kOffCommand] = sysex::kDataSet;
    std::copy(address.begin(), address.end(), msg + sysex::kOffAddress);
}

void writeNewMessage(std::uint8_t* msg, int size, const sysex::Address& address, const std::uint8_t* data,
                     std::size_t dataSize, std::uint8_t checksumPlaceholder)
{
    writeHeader(msg, SynthSettings::kDefaultDeviceId, address);
    std::copy(data, data + dataSize, msg + sysex::kOffData);
    msg[size - 2] = checksumPlaceholder;
    msg[size - 1] = sysex::kEnd;
}

Status readHeader(QIODevice& file, std::uint8_t* h)
{
    const qint64 start = file.pos();
    char first = 0;
    const qint64 got = file.read(&first, 1);
    if (got < 0)
        return Status::Error;
    if (got == 0)
        return Status::End;
    const qint64 n = file.read(reinterpret_cast<char*>(h), 8);
    if (n < 0)
        return Status::Error;
    if (n < 8) {
        // A message cut off inside its header: nothing more of this kind can be read.
        file.seek(start);
        return Status::End;
    }
    return Status::Ok;
}

bool readSome(QIODevice& file, std::uint8_t* buffer, qint64 count)
{
    return file.read(reinterpret_cast<char*>(buffer), count) >= 0;
}

bool stepBack(QIODevice& file, qint64 count)
{
    return file.seek(file.pos() - count);
}

bool endBlock(QIODevice& file, qint64 blockStart, qint64 length)
{
    return file.seek(blockStart + length);
}

bool writeBlock(QIODevice& file, const std::uint8_t* block, int dataSize)
{
    const int covered = sysex::kOffData - sysex::kOffAddress + dataSize;
    std::vector<char> out(static_cast<std::size_t>(sysex::kOffData + dataSize + 2));
    std::copy(block, block + sysex::kOffData + dataSize, out.begin());
    out[static_cast<std::size_t>(sysex::kOffData + dataSize)] =
        char(sysex::checksum(covered, block + sysex::kOffAddress));
    out[static_cast<std::size_t>(sysex::kOffData + dataSize + 1)] = char(sysex::kEnd);
    return file.write(out.data(), qint64(out.size())) == qint64(out.size());
}

} // namespace recordio
