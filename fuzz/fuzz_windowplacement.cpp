// Reads arbitrary text as a stored window placement: no crash, no undefined
// behaviour, and a placement that is accepted writes back to text that reads the same.
#include "settings/WindowPlacement.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<CWindowPlacement> p = CWindowPlacement::fromText(text);
    if (!p)
        return 0;
    const std::optional<CWindowPlacement> again = CWindowPlacement::fromText(p->toText());
    if (!again || again->toText() != p->toText())
        std::abort();
    // The rectangle a window is given, and the placement it stores back.
    const QRect rect = p->normalRect();
    CWindowPlacement stored = *p;
    stored.setNormalRect(rect);
    if (stored.left != p->left || stored.top != p->top || stored.right != p->right || stored.bottom != p->bottom)
        std::abort();
    return 0;
}
