#pragma once

#include "model/SysEx.h"

#include <QIODevice>
#include <cstdint>

// Reading and writing helpers shared by the record arrays.
namespace recordio {

// Writes F0 41 device 6A 12 and the address: the first nine bytes of a DT1 message.
void writeHeader(std::uint8_t* msg, std::uint8_t device, const sysex::Address& address);

// Lays out a new message of size bytes at msg: the header with the default device ID
// and address, dataSize bytes of data, the checksum placeholder and F7. Whatever else
// the message holds is the caller's to fill.
void writeNewMessage(std::uint8_t* msg, int size, const sysex::Address& address, const std::uint8_t* data,
                     std::size_t dataSize, std::uint8_t checksumPlaceholder);

enum class Status { Ok, End, Error };

// Reads the F0 (not looked at) and the 8 header bytes that follow it. At the end of
// the file, or with fewer than 9 bytes left, the position is restored and End returned.
Status readHeader(QIODevice& file, std::uint8_t* h);

// Reads up to count bytes into buffer; a short read at the end of the file leaves the
// rest of the buffer as it was. False only on a device error.
bool readSome(QIODevice& file, std::uint8_t* buffer, qint64 count);

// Moves the position back by count bytes.
bool stepBack(QIODevice& file, qint64 count);

// Places the position right after a block that started at blockStart and is length
// bytes long in the layout found. Unlike stepping back from where a read of the longest
// layout ended, this stays right when that read was cut short by the end of the file.
bool endBlock(QIODevice& file, qint64 blockStart, qint64 length);

// Writes one block of a record with dataSize data bytes: the nine bytes of F0, header
// and address, the data, a fresh checksum and F7. Shorter layouts so drop the last
// data bytes of the in-memory block.
bool writeBlock(QIODevice& file, const std::uint8_t* block, int dataSize);

} // namespace recordio
