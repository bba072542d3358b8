#pragma once

#include "midi/SynthLine.h"

#include <QDialog>
#include <atomic>
#include <optional>
#include <thread>

class CMidiPortProvider;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

// "Find Synthesizer": searches every port pair and device ID on a worker thread, lists
// what answered and offers to take the chosen one into the MIDI settings.
class CFindSynthDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CFindSynthDlg(CMidiPortProvider& ports, QWidget* parent = nullptr);
    ~CFindSynthDlg() override;

    // Starts the search; the dialog shows its progress and then its result.
    void start();
    bool searching() const { return m_worker.joinable() && !m_done; }
    const std::vector<synthline::FoundSynth>& found() const { return m_found; }
    // The instrument chosen with "Use", once the dialog was accepted.
    std::optional<synthline::FoundSynth> chosen() const;
    QString resultText() const;

    // "JV-2080, device ID 17, on port X / port Y"
    static QString describe(const synthline::FoundSynth& synth);

signals:
    void searchFinished();

private:
    void finish(std::vector<synthline::FoundSynth> found, QString error);
    void done(int result) override;

    CMidiPortProvider& m_ports;
    QLabel* m_text;
    QProgressBar* m_progress;
    QListWidget* m_list;
    QPushButton* m_use;
    std::vector<synthline::FoundSynth> m_found;
    std::atomic<bool> m_stop{false};
    bool m_done = false;
    std::jthread m_worker;
};
