// Reads arbitrary bytes as a bank file, writes the bank back in every layout and
// reads that again: no crash, no hang, no undefined behaviour, and what is written
// is always well-formed.
#include "bank/ToneloomDoc.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CCollectingReporter reporter;
    SynthSettings settings;
    CToneloomDoc doc(settings, reporter);
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    if (!doc.readBank(in))
        std::abort(); // a memory buffer never fails to read
    scanSysEx(bytes);

    // One layout per input keeps the runs fast; the input decides which.
    {
        settings.model = static_cast<SynthModel>(size % kModelCount);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        if (!doc.writeBank(out, CToneloomDoc::kSaveAll))
            std::abort();
        // Whatever came in, what goes out has valid framing and checksums.
        if (!scanSysEx(out.data()).problems.empty())
            std::abort();
        CToneloomDoc again(settings, reporter);
        QBuffer back;
        back.setData(out.data());
        back.open(QIODevice::ReadOnly);
        again.readBank(back);
    }
    return 0;
}
