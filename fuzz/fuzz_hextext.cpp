// The three readers of hex text, on arbitrary text: they must never read past its end.
#include "model/SysEx.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int value = data[0];
    const int tone = data[1] & 3;
    // Copy into a buffer of exactly the text's size so ASan sees any read past it.
    const QByteArray text(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    const qsizetype expected = text.isEmpty() ? 0 : (text.size() + 2) / 3;
    if (HexTextToBytes(text).size() != expected)
        std::abort();
    if (FillTemplate(text, value, tone).size() != expected)
        std::abort();
    if (FillNibbleTemplate(text, value).size() != expected)
        std::abort();
    const QByteArray hex = BytesToHexText(text);
    bool ok = false;
    const QByteArray back = HexTextToBytes(QByteArrayView(hex).first(hex.isEmpty() ? 0 : hex.size() - 1), &ok);
    Q_UNUSED(back);
    return 0;
}
