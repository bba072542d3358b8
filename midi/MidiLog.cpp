#include "midi/MidiLog.h"

#include "fileio/AtomicFile.h"
#include "midi/Midi.h"
#include "midi/MidiMessageText.h"
#include "model/Reporter.h"

#include <QDir>

#include <cerrno>

CMidiLog::CMidiLog(const QString& path, CMidi& midi, CReporter& reporter, QObject* parent)
    : QObject(parent), m_midi(midi), m_reporter(reporter), m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        m_reporter.showMessage(
            MessageIcon::Exclamation,
            tr("The MIDI log %1 could not be opened: %2").arg(QDir::toNativeSeparators(path), m_file.errorString()));
        return;
    }
    connect(&m_midi, &CMidi::traffic, this, &CMidiLog::write);
}

CMidiLog::~CMidiLog()
{
    if (m_file.isOpen())
        m_file.flush();
}

std::unique_ptr<CMidiLog> CMidiLog::fromEnvironment(CMidi& midi, CReporter& reporter)
{
    const QString path = qEnvironmentVariable(kVariable);
    if (path.isEmpty())
        return nullptr;
    return std::make_unique<CMidiLog>(path, midi, reporter);
}

void CMidiLog::write(const QList<MidiTraffic>& messages)
{
    if (!m_file.isOpen())
        return;
    QByteArray text;
    for (const MidiTraffic& message : messages) {
        text += miditext::logLine(message);
        text += '\n';
    }
    // Each batch reaches the disk at once, so that a log ends with the last message
    // even when the program does not.
    errno = 0;
    if (m_file.write(text) != text.size() || !m_file.flush()) {
        // A write cut short (a full disk, a file size limit) leaves the file's own
        // error text empty; the system's error of the failed call says why.
        const int cause = errno;
        const QString reason = cause != 0 ? AtomicFile::causeText(cause) : m_file.errorString();
        m_file.close();
        disconnect(&m_midi, &CMidi::traffic, this, &CMidiLog::write);
        m_reporter.showMessage(MessageIcon::Exclamation, tr("Writing the MIDI log %1 failed: %2. Nothing more is "
                                                            "logged.")
                                                             .arg(QDir::toNativeSeparators(m_file.fileName()), reason));
        return;
    }
    m_lines += messages.size();
}
