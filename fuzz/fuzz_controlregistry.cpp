// Reads arbitrary bytes as a control registry file. Nothing may crash, a file that is
// refused leaves no entries, and what was read, written back, reads back the same.
#include "controls/common/ControlRegistry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The registry is only parsed and written to memory: the path is never opened.
    CControlRegistry registry(QStringLiteral("unused.json"));
    QString error;
    if (!registry.parse(bytes, &error)) {
        if (!registry.entries().isEmpty() || error.isEmpty())
            std::abort();
        return 0;
    }
    for (const CControlRegistry::Entry& entry : registry.entries()) {
        if (!registry.find(entry.classId))
            std::abort();
    }

    // Writing may drop what an entry cannot carry (a type library version without a
    // type library); from then on a round trip changes nothing.
    const QByteArray written = registry.serialize();
    CControlRegistry reread(QStringLiteral("unused.json"));
    if (!reread.parse(written) || reread.entries().size() != registry.entries().size())
        std::abort();
    const QByteArray rewritten = reread.serialize();
    CControlRegistry third(QStringLiteral("unused.json"));
    if (!third.parse(rewritten) || third.entries() != reread.entries() || third.serialize() != rewritten)
        std::abort();
    return 0;
}
