#include "library/LibraryImport.h"

#include "library/DoublePatchFinder.h"
#include "library/LibraryDocument.h"
#include "library/LibraryRecord.h"
#include "library/MidiFileSysEx.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/RhythmArray.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace {

// No bank, dump or library of single patches comes near this; a larger file is not read.
constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;
constexpr int kProbeSize = 9; // F0 and the 8 bytes that tell whose message it is

QString fileNameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

// "Strings.syx #12", cut to what the comment field holds.
QByteArray sourceComment(const QString& fileName, int slot)
{
    return QStringLiteral("%1 #%2").arg(fileName).arg(slot).toLatin1().right(clb::kMaxComment);
}

void setComment(QByteArray& record, const QByteArray& comment)
{
    std::memset(record.data() + clb::kOffComment, 0, clb::kCommentField);
    std::memcpy(record.data() + clb::kOffComment, comment.constData(),
                static_cast<std::size_t>(std::min<qsizetype>(comment.size(), clb::kMaxComment)));
}

const CPatchArray& patchKind()
{
    static const CPatchArray kind;
    return kind;
}

// The patches of a System Exclusive stream, in file order, as the bank reader reads
// them: every run of patch records of any layout (a dump may hold user and card memory,
// or single temporary patches). Messages of other kinds of record are passed over.
std::vector<QByteArray> patchesOf(const QByteArray& bytes, bool& anyRecord)
{
    std::vector<QByteArray> out;
    anyRecord = false;
    QByteArray copy = bytes; // QBuffer wants a modifiable array; this one is never changed
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    auto performances = std::make_unique<CPerformanceArray>();
    auto rhythms = std::make_unique<CRhythmArray>();
    for (;;) {
        const qint64 start = buffer.pos();
        const qint64 left = bytes.size() - start;
        if (left < kProbeSize)
            break;
        const auto* probe = reinterpret_cast<const std::uint8_t*>(bytes.constData() + start);
        CRecordArray* other = nullptr;
        if (probe[0] == 0xF0 && patchKind().IsOwnHeader(probe + 1)) {
            CPatchArray patches;
            const int loaded = patches.Load(buffer);
            if (loaded < 0)
                break;
            anyRecord = anyRecord || loaded > 0;
            for (int i = 0; i < loaded && i < CPatchArray::kCount; ++i)
                out.push_back(patches.record(i));
        } else if (probe[0] == 0xF0 && performances->IsOwnHeader(probe + 1)) {
            other = performances.get();
        } else if (probe[0] == 0xF0 && rhythms->IsOwnHeader(probe + 1)) {
            other = rhythms.get();
        }
        if (other) {
            anyRecord = other->Load(buffer) > 0 || anyRecord;
        }
        if (buffer.pos() <= start) {
            // A message of no record: go on at the next F0.
            const qsizetype next = bytes.indexOf('\xF0', start + 1);
            if (next < 0)
                break;
            buffer.seek(next);
        }
    }
    return out;
}

CLibraryImport::FileContents fromSysEx(const QString& fileName, const QByteArray& bytes, const QDateTime& when)
{
    CLibraryImport::FileContents c;
    bool anyRecord = false;
    const std::vector<QByteArray> patches = patchesOf(bytes, anyRecord);
    if (!anyRecord) {
        c.error = QStringLiteral("holds no patch, performance or rhythm set of this synthesizer");
        return c;
    }
    const SysExScanResult scan = scanSysEx(bytes);
    if (scan.problemCount > 0) {
        const SysExProblem& p = scan.problems.front();
        c.error = QStringLiteral("damaged: %1 at byte %2").arg(p.reason).arg(p.offset);
        return c;
    }
    if (patches.empty()) {
        c.error = QStringLiteral("holds no patch");
        return c;
    }
    c.records.reserve(patches.size());
    for (std::size_t i = 0; i < patches.size(); ++i) {
        QByteArray record = clb::makeRecord(patches[i], when);
        setComment(record, sourceComment(fileName, static_cast<int>(i) + 1));
        c.records.push_back(std::move(record));
    }
    return c;
}

CLibraryImport::FileContents fromLibrary(const QString& fileName, const QByteArray& bytes)
{
    CLibraryImport::FileContents c;
    const qsizetype whole = bytes.size() / clb::kRecordSize;
    if (bytes.size() % clb::kRecordSize != 0) {
        c.error = QStringLiteral("damaged: the library ends inside record %1").arg(whole + 1);
        return c;
    }
    if (whole == 0) {
        c.error = QStringLiteral("holds no patch");
        return c;
    }
    c.records.reserve(static_cast<std::size_t>(whole));
    for (qsizetype r = 0; r < whole; ++r) {
        QByteArray record = bytes.mid(r * clb::kRecordSize, clb::kRecordSize);
        const auto* patch = reinterpret_cast<const std::uint8_t*>(record.constData() + clb::kOffPatch);
        if (patch[0] != 0xF0 || !patchKind().IsOwnHeader(patch + 1)) {
            c.records.clear();
            c.error = QStringLiteral("not a library of patches: record %1 holds no patch").arg(r + 1);
            return c;
        }
        if (record[clb::kOffComment] == '\0')
            setComment(record, sourceComment(fileName, static_cast<int>(r) + 1));
        c.records.push_back(std::move(record));
    }
    return c;
}

} // namespace

QString CLibraryImport::Result::summary() const
{
    return QStringLiteral("added %1, doubles %2, refused %3").arg(added).arg(doubles).arg(refused);
}

const QStringList& CLibraryImport::knownSuffixes()
{
    static const QStringList suffixes = {QStringLiteral("syx"), QStringLiteral("mid"), QStringLiteral("midi"),
                                         QStringLiteral("clb")};
    return suffixes;
}

QStringList CLibraryImport::collectFiles(const QStringList& paths, const RefusedFn& missing)
{
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            QStringList found;
            QDirIterator it(path, QDir::Files | QDir::Readable | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = it.next();
                if (knownSuffixes().contains(QFileInfo(file).suffix().toLower()))
                    found << file;
            }
            found.sort();
            files += found;
        } else if (info.exists()) {
            files << path;
        } else if (missing) {
            missing(QStringLiteral("%1: no such file or folder").arg(path));
        }
    }
    return files;
}

CLibraryImport::FileContents CLibraryImport::readBytes(const QString& fileName, const QByteArray& bytes,
                                                       const QDateTime& when)
{
    if (bytes.isEmpty())
        return {QStringLiteral("empty file"), {}};
    if (QFileInfo(fileName).suffix().compare(QLatin1String("clb"), Qt::CaseInsensitive) == 0)
        return fromLibrary(fileName, bytes);
    if (midifile::looksLikeMidiFile(bytes)) {
        QByteArray sysex;
        QString error;
        if (!midifile::readSysEx(bytes, sysex, &error))
            return {error, {}};
        if (sysex.isEmpty())
            return {QStringLiteral("the MIDI file holds no System Exclusive message"), {}};
        return fromSysEx(fileName, sysex, when);
    }
    return fromSysEx(fileName, bytes, when);
}

CLibraryImport::FileContents CLibraryImport::readFile(const QString& path, const QDateTime& when)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        return {QStringLiteral("not a regular file"), {}};
    if (!file.open(QIODevice::ReadOnly))
        return {file.errorString(), {}};
    if (file.size() > kMaxFileSize)
        return {QStringLiteral("too large (%1 bytes) for a bank, dump or library").arg(file.size()), {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {file.errorString(), {}};
    return readBytes(fileNameOf(path), bytes, when);
}

CLibraryImport::CLibraryImport(CLibraryDocument& document) : m_document(document)
{}

CLibraryImport::Result CLibraryImport::run(const QStringList& files, const RefusedFn& refused,
                                           const ProgressFn& progress)
{
    Result result;
    const auto refuse = [&](const QString& path, const QString& reason) {
        ++result.refused;
        if (refused)
            refused(QStringLiteral("%1: %2").arg(path, reason));
    };

    // The fingerprints of what the library holds, each with its entry; the bytes are
    // compared only where fingerprints meet.
    QFile library(m_document.path());
    if (!library.open(QIODevice::ReadOnly)) {
        result.writeFailed = true;
        if (refused)
            refused(QStringLiteral("%1: %2").arg(m_document.path(), library.errorString()));
        return result;
    }
    std::unordered_multimap<std::uint64_t, int> known; // entry, or -(pending index + 1)
    known.reserve(static_cast<std::size_t>(m_document.count()) + 4096);
    {
        constexpr int kChunk = 1024;
        QByteArray chunk(kChunk * clb::kRecordSize, Qt::Uninitialized);
        for (int first = 0; first < m_document.count(); first += kChunk) {
            const int records = std::min(kChunk, m_document.count() - first);
            const qint64 bytes = qint64(records) * clb::kRecordSize;
            if (library.read(chunk.data(), bytes) != bytes) {
                result.writeFailed = true;
                if (refused)
                    refused(QStringLiteral("%1: cannot be read").arg(m_document.path()));
                return result;
            }
            for (int r = 0; r < records; ++r)
                known.emplace(
                    CDoublePatchFinder::fingerprint(chunk.constData() + qint64(r) * clb::kRecordSize + clb::kOffPatch),
                    first + r);
        }
    }
    QByteArray stored(clb::kPatchSize, Qt::Uninitialized);
    const auto storedPatch = [&](int entry) -> const char* {
        if (!library.seek(qint64(entry) * clb::kRecordSize + clb::kOffPatch)
            || library.read(stored.data(), clb::kPatchSize) != clb::kPatchSize)
            return nullptr;
        return stored.constData();
    };

    const QString self = QFileInfo(m_document.path()).canonicalFilePath();
    const QDateTime when = m_document.now();
    std::vector<QByteArray> pending;
    std::vector<std::uint64_t> pendingPrints;
    for (int f = 0; f < files.size(); ++f) {
        const QString& path = files[f];
        if (progress && !progress(f, static_cast<int>(files.size()), path)) {
            result.stopped = true;
            break;
        }
        if (QFileInfo(path).canonicalFilePath() == self) {
            refuse(path, QStringLiteral("the library itself"));
            continue;
        }
        FileContents contents = readFile(path, when);
        if (!contents.error.isEmpty()) {
            refuse(path, contents.error);
            continue;
        }
        pending.clear();
        pendingPrints.clear();
        for (QByteArray& record : contents.records) {
            const char* patch = record.constData() + clb::kOffPatch;
            const std::uint64_t print = CDoublePatchFinder::fingerprint(patch);
            bool isDouble = false;
            const auto [from, to] = known.equal_range(print);
            for (auto it = from; it != to && !isDouble; ++it) {
                const char* other =
                    it->second < 0 ? pending[static_cast<std::size_t>(-it->second - 1)].constData() + clb::kOffPatch
                                   : storedPatch(it->second);
                isDouble = other && CDoublePatchFinder::samePatch(patch, other);
            }
            if (isDouble) {
                ++result.doubles;
                continue;
            }
            pending.push_back(std::move(record));
            pendingPrints.push_back(print);
            known.emplace(print, -static_cast<int>(pending.size()));
        }
        if (pending.empty())
            continue;
        const int first = m_document.count();
        const int added = m_document.AppendRecords(pending);
        if (added != static_cast<int>(pending.size())) {
            result.writeFailed = true;
            break;
        }
        result.added += added;
        // The pending records are entries now.
        for (std::size_t i = 0; i < pendingPrints.size(); ++i) {
            const auto [from, to] = known.equal_range(pendingPrints[i]);
            for (auto it = from; it != to; ++it)
                if (it->second == -static_cast<int>(i + 1))
                    it->second = first + static_cast<int>(i);
        }
    }
    if (progress && !result.stopped && !result.writeFailed)
        progress(static_cast<int>(files.size()), static_cast<int>(files.size()), {});
    return result;
}
