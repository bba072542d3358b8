#include "settings/IniFile.h"

#include "fileio/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <limits>

namespace {

// Values are read up to this size; a larger file is not a settings file.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;
const QString kLineEnd = QStringLiteral("\r\n");

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

CIniFile::CIniFile(QString path) : m_path(std::move(path))
{
    reload();
}

QString CIniFile::defaultPath()
{
    const QString overridePath = qEnvironmentVariable(kEnvironmentOverride);
    if (!overridePath.isEmpty())
        return overridePath;
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QFileInfo folderInfo(programFolder);
    const QString beside = QDir(programFolder).filePath(QLatin1String(kFileName));
    const QFileInfo besideInfo(beside);
    // A program installed by the system's package manager keeps its folder as the
    // package left it, even when root could write there.
    const bool systemFolder = programFolder.startsWith(QLatin1String("/usr/"));
    if (!programFolder.isEmpty() && !systemFolder && folderInfo.isDir() && folderInfo.isWritable()
        && (!besideInfo.exists() || besideInfo.isWritable()))
        return beside;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("toneloom/") + QLatin1String(kFileName));
}

void CIniFile::reload()
{
    m_sections.clear();
    m_sections.push_back({});
    // Only a regular file is read: opening a FIFO would wait for a writer for ever.
    QFile file(m_path);
    if (m_path.isEmpty() || !QFileInfo(m_path).isFile() || !file.open(QIODevice::ReadOnly)
        || file.size() > kMaxFileSize)
        return;
    parse(file.readAll());
}

void CIniFile::parse(const QByteArray& bytes)
{
    m_sections.clear();
    m_sections.push_back({});
    // Settings files written by other tools may be in a single-byte code page.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString raw = lines[i];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (i == lines.size() - 1 && raw.isEmpty())
            break; // the end of the last line
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            const int close = trimmed.indexOf(QLatin1Char(']'));
            Section section;
            section.name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
            m_sections.push_back(std::move(section));
            continue;
        }
        Line line;
        line.text = raw;
        const int equals = raw.indexOf(QLatin1Char('='));
        if (equals > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            line.key = raw.left(equals).trimmed();
            line.value = raw.mid(equals + 1).trimmed();
        }
        m_sections.back().lines.push_back(std::move(line));
    }
}

CIniFile::Section* CIniFile::findSection(const QString& name)
{
    for (std::size_t i = 1; i < m_sections.size(); ++i)
        if (sameName(m_sections[i].name, name))
            return &m_sections[i];
    return nullptr;
}

const CIniFile::Section* CIniFile::findSection(const QString& name) const
{
    return const_cast<CIniFile*>(this)->findSection(name);
}

const CIniFile::Line* CIniFile::findLine(const Section& section, const QString& key)
{
    for (const Line& line : section.lines)
        if (!line.key.isEmpty() && sameName(line.key, key))
            return &line;
    return nullptr;
}

bool CIniFile::contains(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    return s && findLine(*s, key);
}

QString CIniFile::readString(const QString& section, const QString& key, const QString& fallback) const
{
    const Section* s = findSection(section);
    const Line* line = s ? findLine(*s, key) : nullptr;
    if (!line)
        return fallback;
    QString value = line->value;
    // A value in quotes is read without them, as the profile functions always did.
    if (value.size() >= 2
        && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
        value = value.mid(1, value.size() - 2);
    return value;
}

int CIniFile::readInt(const QString& section, const QString& key, int fallback) const
{
    if (!contains(section, key))
        return fallback;
    const QString value = readString(section, key);
    int pos = 0;
    bool negative = false;
    if (pos < value.size() && (value[pos] == QLatin1Char('-') || value[pos] == QLatin1Char('+'))) {
        negative = value[pos] == QLatin1Char('-');
        ++pos;
    }
    qint64 result = 0;
    for (; pos < value.size() && value[pos].isDigit() && value[pos].unicode() < 128; ++pos) {
        result = result * 10 + (value[pos].unicode() - '0');
        if (result > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return static_cast<int>(negative ? -result : result);
}

bool CIniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    // Line breaks would split the entry into lines of their own.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Section* s = findSection(section);
    if (!s) {
        Section fresh;
        fresh.name = section;
        m_sections.push_back(std::move(fresh));
        s = &m_sections.back();
    }
    Line* found = nullptr;
    for (Line& line : s->lines)
        if (!line.key.isEmpty() && sameName(line.key, key)) {
            found = &line;
            break;
        }
    if (found) {
        if (found->value == clean && !m_dirty)
            return true;
        found->value = clean;
        found->text = found->key + QLatin1Char('=') + clean;
    } else {
        Line line;
        line.key = key;
        line.value = clean;
        line.text = key + QLatin1Char('=') + clean;
        // New keys go after the last entry of the section, before its trailing blank lines.
        auto at = s->lines.end();
        while (at != s->lines.begin() && (at - 1)->key.isEmpty() && (at - 1)->text.trimmed().isEmpty())
            --at;
        s->lines.insert(at, std::move(line));
    }
    m_dirty = true;
    if (m_batch > 0)
        return true;
    return save();
}

bool CIniFile::writeInt(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool CIniFile::endBatch()
{
    if (m_batch > 0)
        --m_batch;
    if (m_batch > 0 || !m_dirty)
        return true;
    return save();
}

QByteArray CIniFile::toBytes() const
{
    QString text;
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        const Section& s = m_sections[i];
        if (i > 0)
            text += QLatin1Char('[') + s.name + QLatin1Char(']') + kLineEnd;
        for (const Line& line : s.lines)
            text += line.text + kLineEnd;
    }
    return text.toUtf8();
}

bool CIniFile::save()
{
    m_error.clear();
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("no settings file");
        return false;
    }
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        m_error = QStringLiteral("the folder %1 cannot be created").arg(info.absolutePath());
        return false;
    }
    AtomicFile file(m_path);
    if (!file.open() || !file.write(toBytes()) || !file.commit()) {
        m_error = file.errorString();
        return false;
    }
    m_dirty = false;
    return true;
}
