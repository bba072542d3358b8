#include "bank/Copybox.h"

#include "fileio/AtomicFile.h"

#include "model/RecordArray.h"
#include "model/Reporter.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

void CCopybox::setKind(ItemKind kind)
{
    m_kind = kind;
}

std::vector<QByteArray>& CCopybox::list(ItemKind kind)
{
    return m_entries[kind];
}

void CCopybox::Add(const CRecordArray& array, int index)
{
    list(m_kind).push_back(array.record(index));
}

void CCopybox::Add(const QByteArray& image, ItemKind kind)
{
    list(kind).push_back(image);
}

int CCopybox::count(ItemKind kind) const
{
    return static_cast<int>(m_entries[kind].size());
}

const QByteArray& CCopybox::entry(ItemKind kind, int index) const
{
    static const QByteArray kNone;
    const auto& entries = m_entries[kind];
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return kNone;
    return entries[static_cast<std::size_t>(index)];
}

bool CCopybox::Get(int size, ItemKind kind, int index, std::uint8_t* buffer) const
{
    const QByteArray& image = entry(kind, index);
    if (image.isEmpty() || size < 0)
        return false;
    const auto n = static_cast<std::size_t>(std::min<qsizetype>(size, image.size()));
    std::copy_n(reinterpret_cast<const std::uint8_t*>(image.constData()), n, buffer);
    std::fill(buffer + n, buffer + size, std::uint8_t{0});
    return true;
}

QStringList CCopybox::lines(ItemKind kind) const
{
    QStringList result;
    for (const QByteArray& image : m_entries[kind])
        result << QString::fromLatin1(image.mid(CRecordArray::kNameOffset, CRecordArray::kNameLength));
    return result;
}

void CCopybox::Remove(ItemKind kind, std::vector<int> indices)
{
    auto& entries = list(kind);
    // From the highest down, so the lower indices stay valid; each index once.
    std::sort(indices.begin(), indices.end(), std::greater<>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (const int i : indices) {
        if (i >= 0 && i < static_cast<int>(entries.size()))
            entries.erase(entries.begin() + i);
    }
}

void CCopybox::setChosen(std::vector<int> indices)
{
    std::sort(indices.begin(), indices.end());
    m_chosen = std::move(indices);
}

std::vector<QByteArray> CCopybox::chosenImages(ItemKind kind) const
{
    std::vector<QByteArray> images;
    for (const int i : m_chosen) {
        const QByteArray& image = entry(kind, i);
        if (!image.isEmpty())
            images.push_back(image);
    }
    return images;
}

std::vector<QByteArray> CCopybox::parse(const QByteArray& bytes)
{
    std::vector<QByteArray> entries;
    for (qsizetype at = 0; at + kPatchSize <= bytes.size(); at += kPatchSize)
        entries.push_back(bytes.mid(at, kPatchSize));
    return entries;
}

bool CCopybox::loadFile(const QString& path, CReporter& reporter)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reporter.showMessage(MessageIcon::Exclamation,
                             QStringLiteral("Cannot open the file %1:\n%2").arg(path, file.errorString()));
        return false;
    }
    if (file.size() > kMaxFileSize) {
        reporter.showMessage(MessageIcon::Exclamation,
                             QStringLiteral("The file %1 is too large to be copybox data.").arg(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reporter.showMessage(MessageIcon::Exclamation,
                             QStringLiteral("Error while reading the file %1:\n%2").arg(path, file.errorString()));
        return false;
    }
    list(ItemKind::Patches) = parse(bytes);
    return true;
}

bool CCopybox::saveFile(const QString& path, CReporter& reporter) const
{
    // The checked, atomic write: a failure keeps the old file; links and special files
    // are never written through.
    AtomicFile file(path);
    bool written = file.open();
    for (const QByteArray& image : m_entries[ItemKind::Patches]) {
        if (!written)
            break;
        written = file.write(image);
    }
    written = written && file.commit();
    const QString error = file.cause();
    if (!written) {
        reporter.showMessage(MessageIcon::Exclamation,
                             QStringLiteral("Cannot save the copybox to %1:\n%2").arg(path, error));
    }
    return written;
}
