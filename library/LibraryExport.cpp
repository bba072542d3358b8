#include "library/LibraryExport.h"

#include "fileio/AtomicFile.h"

#include "library/LibraryRecord.h"
#include "model/PatchArray.h"

#include <QBuffer>
#include <QRegularExpression>

namespace libexport {

QByteArray bankBytes(const std::vector<QByteArray>& patches, SynthModel model)
{
    CPatchArray bank;
    int used = 0;
    for (const QByteArray& patch : patches) {
        if (used >= kBankPatches)
            break;
        if (patch.size() != CPatchArray::kRecordSize)
            continue;
        bank.setRecord(used++, patch);
    }
    QByteArray all;
    QBuffer buffer(&all);
    buffer.open(QIODevice::WriteOnly);
    if (used == 0 || !bank.Store(buffer, model))
        return {};
    // Every record takes the same bytes in one layout: the first used ones are the file.
    const qsizetype perRecord = all.size() / CPatchArray::kCount;
    return all.left(perRecord * used);
}

QByteArray singlePatchBytes(const QByteArray& patch, std::uint8_t deviceId)
{
    return clb::temporaryPatch(patch, deviceId);
}

QString singleFileName(int number, const QByteArray& name)
{
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1F]"));
    QString text = QString::fromLatin1(name).trimmed();
    text.replace(unsafe, QStringLiteral("_"));
    if (text.isEmpty())
        text = QStringLiteral("patch");
    return QStringLiteral("%1 %2.syx").arg(number, 3, 10, QLatin1Char('0')).arg(text);
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    return AtomicFile::writeFile(path, bytes, error);
}

} // namespace libexport
