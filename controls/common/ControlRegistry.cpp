#include "controls/common/ControlRegistry.h"

#include "fileio/AtomicFile.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QStandardPaths>

#include <cmath>
#include <limits>

namespace {

constexpr const char* kFileName = "controls.json";
constexpr const char* kClassesKey = "classes";

QString kindName(CControlRegistry::ClassKind kind)
{
    return kind == CControlRegistry::ClassKind::Control ? QStringLiteral("control") : QStringLiteral("propertyPage");
}

QJsonObject toJson(const CControlRegistry::Entry& entry)
{
    QJsonObject object;
    object.insert(QStringLiteral("classId"), entry.classId);
    object.insert(QStringLiteral("kind"), kindName(entry.kind));
    object.insert(QStringLiteral("progId"), entry.progId);
    object.insert(QStringLiteral("typeName"), entry.typeName);
    object.insert(QStringLiteral("module"), entry.modulePath);
    if (!entry.typeLibId.isEmpty()) {
        object.insert(QStringLiteral("typeLib"), entry.typeLibId);
        object.insert(QStringLiteral("typeLibVersion"), entry.typeLibVersion);
    }
    if (entry.kind == CControlRegistry::ClassKind::Control)
        object.insert(QStringLiteral("miscStatus"), double(entry.miscStatus));
    if (!entry.threadingModel.isEmpty())
        object.insert(QStringLiteral("threadingModel"), entry.threadingModel);
    return object;
}

CControlRegistry::Entry fromJson(const QJsonObject& object)
{
    CControlRegistry::Entry entry;
    entry.classId = CControlRegistry::normalizedClassId(object.value(QStringLiteral("classId")).toString());
    entry.kind = object.value(QStringLiteral("kind")).toString() == QStringLiteral("propertyPage")
                     ? CControlRegistry::ClassKind::PropertyPage
                     : CControlRegistry::ClassKind::Control;
    entry.progId = object.value(QStringLiteral("progId")).toString();
    entry.typeName = object.value(QStringLiteral("typeName")).toString();
    entry.modulePath = object.value(QStringLiteral("module")).toString();
    entry.typeLibId = object.value(QStringLiteral("typeLib")).toString();
    entry.typeLibVersion = object.value(QStringLiteral("typeLibVersion")).toString();
    // JSON numbers are doubles: one outside 32 bits (or not a whole number) would not
    // convert, so it counts as none.
    const double miscStatus = object.value(QStringLiteral("miscStatus")).toDouble();
    const bool representable = miscStatus >= 0 && miscStatus <= double(std::numeric_limits<quint32>::max())
                               && miscStatus == std::floor(miscStatus);
    entry.miscStatus = representable ? quint32(miscStatus) : 0;
    entry.threadingModel = object.value(QStringLiteral("threadingModel")).toString();
    return entry;
}

} // namespace

QString CControlRegistry::defaultPath()
{
    const QString overridden = qEnvironmentVariable(kPathVariable);
    if (!overridden.isEmpty())
        return overridden;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("toneloom/") + QLatin1String(kFileName));
}

QString CControlRegistry::normalizedClassId(const QString& classId)
{
    QString id = classId.trimmed().toUpper();
    if (id.startsWith(QLatin1Char('{')))
        id.remove(0, 1);
    if (id.endsWith(QLatin1Char('}')))
        id.chop(1);
    return QLatin1Char('{') + id + QLatin1Char('}');
}

CControlRegistry::CControlRegistry(QString path) : m_path(std::move(path))
{}

bool CControlRegistry::parse(const QByteArray& bytes, QString* error)
{
    m_entries.clear();
    auto fail = [&](const QString& reason) {
        m_entries.clear();
        if (error)
            *error = reason;
        return false;
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("%1 at byte %2").arg(parseError.errorString()).arg(parseError.offset));
    if (!document.isObject())
        return fail(QStringLiteral("not a JSON object"));
    const QJsonValue classes = document.object().value(QLatin1String(kClassesKey));
    if (classes.isUndefined())
        return true;
    if (!classes.isArray())
        return fail(QStringLiteral("\"%1\" is not a list").arg(QLatin1String(kClassesKey)));
    const QJsonArray list = classes.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonValue value = list.at(i);
        // An entry that names no class cannot be kept, and dropping it silently would
        // lose it on the next save.
        if (!value.isObject() || value.toObject().value(QStringLiteral("classId")).toString().trimmed().isEmpty())
            return fail(QStringLiteral("entry %1 names no class").arg(i + 1));
        insert(fromJson(value.toObject()));
    }
    return true;
}

bool CControlRegistry::load(QString* error)
{
    m_entries.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return parse(file.readAll(), error);
}

bool CControlRegistry::loadSettingAsideMalformed(QString* notice, QString* error)
{
    m_entries.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QString reason;
    if (parse(bytes, &reason))
        return true;

    QString aside = m_path + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_path + QStringLiteral(".bad-%1").arg(n);
    if (!QFile::rename(m_path, aside)) {
        if (error)
            *error = QStringLiteral("The control registry %1 cannot be read (%2) nor renamed to %3")
                         .arg(QDir::toNativeSeparators(m_path), reason, QDir::toNativeSeparators(aside));
        return false;
    }
    if (notice)
        *notice = QStringLiteral("The control registry %1 could not be read (%2). It was kept as %3, and a new "
                                 "registry was started.")
                      .arg(QDir::toNativeSeparators(m_path), reason, QDir::toNativeSeparators(aside));
    return true;
}

bool CControlRegistry::save(QString* error) const
{
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("Cannot create folder %1").arg(info.absolutePath());
        return false;
    }
    return AtomicFile::writeFile(m_path, serialize(), error);
}

QByteArray CControlRegistry::serialize() const
{
    QJsonArray classes;
    for (const Entry& entry : m_entries)
        classes.append(toJson(entry));
    QJsonObject root;
    root.insert(QLatin1String(kClassesKey), classes);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<CControlRegistry::Entry> CControlRegistry::find(const QString& classId) const
{
    const QString id = normalizedClassId(classId);
    for (const Entry& entry : m_entries) {
        if (entry.classId == id)
            return entry;
    }
    return std::nullopt;
}

std::optional<CControlRegistry::Entry> CControlRegistry::findByProgId(const QString& progId) const
{
    for (const Entry& entry : m_entries) {
        if (entry.progId.compare(progId, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return std::nullopt;
}

void CControlRegistry::insert(const Entry& entry)
{
    Entry normalized = entry;
    normalized.classId = normalizedClassId(entry.classId);
    for (Entry& existing : m_entries) {
        if (existing.classId == normalized.classId) {
            existing = normalized;
            return;
        }
    }
    m_entries.append(normalized);
}

bool CControlRegistry::remove(const QString& classId)
{
    const QString id = normalizedClassId(classId);
    return m_entries.removeIf([&](const Entry& entry) { return entry.classId == id; }) > 0;
}
