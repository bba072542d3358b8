#pragma once

#include "model/ParamTable.h"
#include "model/SysEx.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>

// The DT1 message of one parameter change: the block's address in the chosen memory
// area plus the parameter's offset, the value's bytes as the row lays them out, and a
// fresh checksum. Editors send to the temporary area (the sound being played); the
// same messages reach an item of user or card memory.
namespace params {

struct Destination
{
    sysex::MemoryArea area = sysex::MemoryArea::Temporary;
    int number = 0; // the patch, performance or rhythm set in user or card memory
};

// The address of a block: index is the tone (0..3), part (0..15) or key (0..63);
// the common blocks ignore it.
sysex::Address blockAddress(sysex::Block block, int index, Destination destination = {});
// The address of byte offset of a block, counted in 7-bit address bytes.
sysex::Address parameterAddress(sysex::Block block, int index, int offset, Destination destination = {});

// Bytes written from offset on; empty when they would leave the block or are not 7-bit.
QByteArray bytesMessage(sysex::Block block, int index, int offset, QByteArrayView bytes, std::uint8_t device,
                        Destination destination = {});
// One value of a row: 12 bytes, 13 for two-nibble values and groups. Empty for a name
// row and for a value outside the row's range (valueRange without context).
QByteArray valueMessage(const Param& p, int index, int value, std::uint8_t device, Destination destination = {});
// A block's name, cut or padded with blanks to 12 characters: 23 bytes.
QByteArray nameMessage(sysex::Block block, QByteArrayView name, std::uint8_t device, Destination destination = {});
// A group change carries the number that follows it in the block (wave or patch
// number) in the same message, so the instrument never plays a number of another
// group: type, id, high and low nibble, 15 bytes. Empty when group is not a group row.
QByteArray groupMessage(const Param& group, int index, int groupValue, int number, std::uint8_t device,
                        Destination destination = {});
// Where an address lies: the block, its tone, part or key, the byte within the block
// and the memory area with the item's number. Empty for addresses outside the blocks
// of patches, performances and rhythm sets (the temporary patches of performance
// parts, 02 p .., are not told apart from their part here and give nothing).
struct Location
{
    sysex::Block block;
    int index = 0;
    int offset = 0;
    Destination destination;
};
std::optional<Location> locate(const sysex::Address& address);

// The row's bytes as they stand in a block's data.
QByteArray rowMessage(const Param& p, int index, const std::uint8_t* data, std::uint8_t device,
                      Destination destination = {});

} // namespace params
