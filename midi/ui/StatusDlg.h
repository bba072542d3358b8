#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The small window shown while a dump is sent or received, with its Stop button
// and, when the size of the dump is known, a progress bar.
class CStatusDlg : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { Sending = 0, ReceivingRequest = 1, ReceivingManual = 2 };

    explicit CStatusDlg(QWidget* parent = nullptr);

    // expected: bytes that complete the transfer, or -1 when unknown (no bar).
    void setMode(Mode mode, long expected);
    Mode mode() const { return m_mode; }
    void setProgress(long bytes);
    // A line under the progress that tells why a transfer waits; empty hides it.
    void setNotice(const QString& text);

    // A checked send's phase ("Backing up 128 patches...", "Sending...", "Reading back...")
    // on a line of its own above the bar; empty hides the line.
    void setPhase(const QString& text);
    // The bar counts done of total records (the backup's own progress).
    void setRecordProgress(int done, int total);
    // Where the backup went, on a line of its own; empty hides it.
    void setBackupLine(const QString& text);
    // The end of a checked send: its outcome stays on show, the bar goes and Stop
    // becomes Close.
    void showOutcome(const QString& text);
    bool showsOutcome() const { return m_outcome; }

    QLabel* sendingLine() const { return m_sendLine; }
    QLabel* startLine() const { return m_startLine; }
    QLabel* receivingLine() const { return m_receiveLine; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* phaseLine() const { return m_phaseLine; }
    QLabel* backupLine() const { return m_backupLine; }
    QLabel* noticeLine() const { return m_notice; }
    QPushButton* stopButton() const { return m_stop; }

signals:
    void stopClicked();

protected:
    void reject() override; // Escape and the close button stop the transfer too

private:
    Mode m_mode = Mode::Sending;
    QLabel* m_sendLine;
    QLabel* m_startLine;
    QLabel* m_receiveLine;
    QLabel* m_phaseLine;
    QLabel* m_backupLine;
    QProgressBar* m_progress;
    QLabel* m_notice;
    QPushButton* m_stop;
    bool m_outcome = false;
};
