#pragma once

#include <QString>
#include <vector>

// An initialisation file with the rules the program's settings file has always had:
// section and key names are compared without regard to case, values are kept as
// written (backslashes, commas and quotes included, only the blanks around them
// dropped), and the file keeps its order, comments and the spelling of existing
// names when a value changes. Every change is written at once; the file is replaced
// only when the new one has been written completely.
class CIniFile
{
public:
    static constexpr const char* kFileName = "TONELOOM.INI";
    static constexpr const char* kEnvironmentOverride = "TONELOOM_INI";

    // Reads path; a missing or unreadable file is an empty one.
    explicit CIniFile(QString path);

    // The settings file of the program: the file named by TONELOOM_INI when that is
    // set, else TONELOOM.INI beside the executable when that folder is writable, else
    // TONELOOM.INI in the user's configuration folder (toneloom/).
    static QString defaultPath();

    QString path() const { return m_path; }
    void reload();

    bool contains(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& fallback = {}) const;
    // A missing key gives fallback. Like the classic profile functions, a value that
    // does not start with a number reads as 0; digits are read up to the first other
    // character ("12abc" is 12).
    int readInt(const QString& section, const QString& key, int fallback) const;

    // Set the value and write the file. False when the file could not be written
    // (errorString() says why); the value is kept in memory either way.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInt(const QString& section, const QString& key, int value);

    // While a batch is open, writes only change memory; ending the batch writes once.
    void beginBatch() { ++m_batch; }
    bool endBatch();

    bool save();
    QString errorString() const { return m_error; }
    // The file as it would be written.
    QByteArray toBytes() const;
    void parse(const QByteArray& bytes);

private:
    struct Line
    {
        QString text; // the line as read, for comments and blank lines
        QString key;  // empty for anything but key=value lines
        QString value;
    };
    struct Section
    {
        QString name;
        std::vector<Line> lines;
    };

    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;
    static const Line* findLine(const Section& section, const QString& key);

    QString m_path;
    std::vector<Section> m_sections; // the first one has an empty name: lines before any section
    QString m_error;
    int m_batch = 0;
    bool m_dirty = false;
};
