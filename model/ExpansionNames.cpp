#include "model/ExpansionNames.h"

#include "model/Reporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <new>
#include <utility>

namespace {

const QString kOpenErrorText = QStringLiteral("Error opening file board-file.");
const QString kMemoryErrorText = QStringLiteral("Error allocating memory.");

constexpr QLatin1StringView kLineEnd("\r\n");

struct SectionTags
{
    QLatin1StringView open;
    QLatin1StringView close;
};

// In file order; indexed by NameSection.
constexpr std::array<SectionTags, NameFileContents::kSectionCount> kSectionTags{{
    {QLatin1StringView("[WAVE]"), QLatin1StringView("[/WAVE]")},
    {QLatin1StringView("[PATCH]"), QLatin1StringView("[/PATCH]")},
    {QLatin1StringView("[RHYTHM]"), QLatin1StringView("[/RHYTHM]")},
}};

constexpr int kindIndex(NameFileKind kind)
{
    return static_cast<int>(kind);
}

const char* fileSuffix(NameFileKind kind)
{
    return kind == NameFileKind::Preset ? "pre" : "boa";
}

bool isTag(const QString& line, QLatin1StringView tag)
{
    return line.size() == tag.size() && line.compare(tag, Qt::CaseInsensitive) == 0;
}

// Hands out the CR LF separated lines of a text one at a time. The text after the
// last CR LF, if any, is a line of its own.
class LineReader
{
public:
    explicit LineReader(const QString& text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    QString next()
    {
        const qsizetype end = m_text.indexOf(kLineEnd, m_pos);
        QString line;
        if (end < 0) {
            line = m_text.mid(m_pos);
            m_pos = m_text.size();
        } else {
            line = m_text.mid(m_pos, end - m_pos);
            m_pos = end + kLineEnd.size();
        }
        return line;
    }

private:
    const QString& m_text;
    qsizetype m_pos = 0;
};

// Name files written on Windows are often in its 8-bit code page rather than
// UTF-8; Latin-1 keeps such names readable instead of turning them into
// replacement characters.
QString decodeText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

} // namespace

CExpansionNames::CExpansionNames(QString folder, CReporter& reporter)
    : m_folder(std::move(folder)), m_useProgramFolder(false), m_reporter(reporter)
{}

CExpansionNames::CExpansionNames(CReporter& reporter) : m_useProgramFolder(true), m_reporter(reporter)
{}

QString CExpansionNames::folder() const
{
    return m_useProgramFolder ? QCoreApplication::applicationDirPath() : m_folder;
}

QString CExpansionNames::filePath(const QString& folder, NameFileKind mode, int fileNumber)
{
    return QDir(folder).filePath(QStringLiteral("%1.%2").arg(fileNumber).arg(QLatin1StringView(fileSuffix(mode))));
}

QString CExpansionNames::placeholderTitle(int fileNumber)
{
    return QStringLiteral("<%1>").arg(fileNumber);
}

NameFileContents CExpansionNames::parse(QByteArrayView bytes)
{
    const QString text = decodeText(bytes);
    LineReader lines(text);
    NameFileContents contents;
    // The first line is the title whatever it holds, even in an empty file.
    contents.title = lines.next();
    for (int s = 0; s < NameFileContents::kSectionCount; ++s) {
        const SectionTags& tags = kSectionTags[s];
        if (lines.atEnd() || !isTag(lines.next(), tags.open) || lines.atEnd())
            break;
        QStringList& names = contents.names[s];
        for (QString line = lines.next(); !isTag(line, tags.close); line = lines.next()) {
            names.append(line);
            // A section without its closing tag keeps its names up to the end.
            if (lines.atEnd())
                break;
        }
    }
    return contents;
}

NameFileContents CExpansionNames::readFile(NameFileKind mode, int fileNumber) const
{
    NameFileContents placeholder;
    placeholder.title = placeholderTitle(fileNumber);

    const QString path = filePath(folder(), mode, fileNumber);
    const QFileInfo info(path);
    // A file that is not there is normal: the program knows more boards than it
    // ships names for.
    if (!info.exists())
        return placeholder;

    try {
        // Only regular files are read: a device or a pipe might never end.
        QFile file(path);
        if (!info.isFile() || info.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
            m_reporter.showMessage(MessageIcon::Exclamation, kOpenErrorText);
            return placeholder;
        }
        // Read one byte more than allowed so that a file that grew since it was
        // looked at is still caught.
        const QByteArray bytes = file.read(kMaxFileSize + 1);
        if (file.error() != QFileDevice::NoError || bytes.size() > kMaxFileSize) {
            m_reporter.showMessage(MessageIcon::Exclamation, kOpenErrorText);
            return placeholder;
        }
        return parse(bytes);
    } catch (const std::bad_alloc&) {
        m_reporter.showMessage(MessageIcon::Exclamation, kMemoryErrorText);
        return placeholder;
    }
}

void CExpansionNames::load() const
{
    if (m_loaded)
        return;
    // Marked first: a message shown while reading must not start a second read
    // through a look-up made from its event loop.
    m_loaded = true;
    for (NameFileKind mode : {NameFileKind::Preset, NameFileKind::Board}) {
        auto& files = m_files[kindIndex(mode)];
        const int count = GetFileCount(mode);
        files.clear();
        files.reserve(static_cast<std::size_t>(count));
        for (int n = 1; n <= count; ++n)
            files.push_back(readFile(mode, n));
    }
}

int CExpansionNames::GetFileCount(NameFileKind mode) const
{
    switch (mode) {
    case NameFileKind::Preset:
        return kPresetFileCount;
    case NameFileKind::Board:
        return kBoardFileCount;
    }
    return 0;
}

const NameFileContents* CExpansionNames::file(NameFileKind mode, int fileNumber) const
{
    load();
    if (mode != NameFileKind::Preset && mode != NameFileKind::Board)
        return nullptr;
    const auto& files = m_files[kindIndex(mode)];
    if (fileNumber < 1 || static_cast<std::size_t>(fileNumber) > files.size())
        return nullptr;
    return &files[static_cast<std::size_t>(fileNumber - 1)];
}

QString CExpansionNames::GetTitle(NameFileKind mode, int fileNumber) const
{
    const NameFileContents* contents = file(mode, fileNumber);
    return contents ? contents->title : QString();
}

int CExpansionNames::GetNameCount(int fileNumber, NameSection section, NameFileKind mode) const
{
    const NameFileContents* contents = file(mode, fileNumber);
    const int s = static_cast<int>(section);
    if (!contents || s < 0 || s >= NameFileContents::kSectionCount)
        return 0;
    return static_cast<int>(contents->names[s].size());
}

QString CExpansionNames::GetName(int fileNumber, NameSection section, int index, NameFileKind mode) const
{
    const NameFileContents* contents = file(mode, fileNumber);
    const int s = static_cast<int>(section);
    if (!contents || s < 0 || s >= NameFileContents::kSectionCount)
        return QString();
    return contents->names[s].value(index);
}
