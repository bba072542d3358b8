// Parses arbitrary bytes as one preset or expansion-board name file.
#include "model/ExpansionNames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The store never hands a larger file to the parser.
    if (size > static_cast<std::size_t>(CExpansionNames::kMaxFileSize))
        return 0;
    const NameFileContents contents =
        CExpansionNames::parse(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

    // Every name is a line of its own, so there can never be more names than line ends.
    qsizetype names = 0;
    for (const QStringList& list : contents.names)
        names += list.size();
    if (names > static_cast<qsizetype>(size / 2))
        std::abort();
    return 0;
}
