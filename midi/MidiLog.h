#pragma once

#include "midi/MidiTraffic.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <memory>

class CMidi;
class CReporter;

// Appends every message the engine sends and receives to a text file, one line each:
// milliseconds since the start, OUT or IN, then the bytes as upper-case hex pairs.
// The lines are written on the user-interface thread from the engine's traffic
// signal, never on a MIDI thread.
class CMidiLog : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* kVariable = "TONELOOM_MIDI_LOG";

    // A file that cannot be opened is reported, and nothing is logged.
    CMidiLog(const QString& path, CMidi& midi, CReporter& reporter, QObject* parent = nullptr);
    ~CMidiLog() override;

    // The log the environment variable names, or none when it is not set.
    static std::unique_ptr<CMidiLog> fromEnvironment(CMidi& midi, CReporter& reporter);

    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    qint64 linesWritten() const { return m_lines; }

private:
    void write(const QList<MidiTraffic>& messages);

    CMidi& m_midi;
    CReporter& m_reporter;
    QFile m_file;
    qint64 m_lines = 0;
};
