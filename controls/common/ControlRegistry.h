#pragma once

#include <QtCore/QList>
#include <QtCore/QString>

#include <optional>

// The per-user control registry: which module holds which class, under which ProgID and
// type name. A JSON file; TONELOOM_CONTROL_REGISTRY names another file (tests use that).
class CControlRegistry
{
public:
    enum class ClassKind { Control, PropertyPage };

    struct Entry
    {
        QString classId; // "{5271B7A3-AD10-11CF-AAE1-444553540000}", upper case
        ClassKind kind = ClassKind::Control;
        QString progId;
        QString typeName;
        QString modulePath;
        QString typeLibId;
        QString typeLibVersion;
        quint32 miscStatus = 0;
        QString threadingModel;

        bool operator==(const Entry&) const = default;
    };

    static constexpr const char* kPathVariable = "TONELOOM_CONTROL_REGISTRY";
    static QString defaultPath();
    // Class identifiers compare without regard to case or braces.
    static QString normalizedClassId(const QString& classId);

    explicit CControlRegistry(QString path = defaultPath());

    QString path() const { return m_path; }
    // A missing file is an empty registry; an unreadable or malformed one is an error.
    bool load(QString* error = nullptr);
    // For registration, which must not be blocked by a file nobody can use: like load,
    // but a file that is there and cannot be understood is renamed to a free name beside
    // it ("controls.json.bad", "controls.json.bad-2", ...) and the registry starts empty;
    // notice then says so. False only when the file cannot be read or set aside.
    bool loadSettingAsideMalformed(QString* notice = nullptr, QString* error = nullptr);
    // The entries of a registry file's bytes; false with a reason when they are not one.
    bool parse(const QByteArray& bytes, QString* error = nullptr);
    bool save(QString* error = nullptr) const;
    // The file's bytes for the entries.
    QByteArray serialize() const;

    QList<Entry> entries() const { return m_entries; }
    std::optional<Entry> find(const QString& classId) const;
    std::optional<Entry> findByProgId(const QString& progId) const;
    // Replaces an entry of the same class identifier.
    void insert(const Entry& entry);
    bool remove(const QString& classId);

private:
    QString m_path;
    QList<Entry> m_entries;
};
