#pragma once

#include <QDialog>
#include <QString>
#include <thread>

class CDoublePatchFinder;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

// "Find double patches": searches the library file on a worker while it shows its
// progress and lists every pair found. Closing stops the worker first. At 100 % the
// pairs sound the same (the double-patch rule); below, they sound at least that alike.
class CDoublePatchesDlg : public QDialog
{
    Q_OBJECT

public:
    // The bar counts pairs; beyond this many it counts in fractions of the whole.
    static constexpr int kMaxBarRange = 1 << 30;

    CDoublePatchesDlg(const QString& path, int entries, QWidget* parent = nullptr);
    ~CDoublePatchesDlg() override;

    QProgressBar* progressBar() const { return m_progress; }
    QListWidget* list() const { return m_list; }
    QPushButton* closeButton() const { return m_close; }
    QSpinBox* thresholdBox() const { return m_threshold; }
    CDoublePatchFinder& finder() const { return *m_finder; }
    bool isSearching() const;

public slots:
    void done(int result) override;

private:
    void showProgress(qint64 pairsDone);
    // Starts the search anew for the threshold shown.
    void restart();
    void stopNear();

    CDoublePatchFinder* m_finder = nullptr;
    QProgressBar* m_progress = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_close = nullptr;
    QSpinBox* m_threshold = nullptr;
    QString m_path;
    qint64 m_pairs = 0;
    std::jthread m_near; // the search below 100 %
};
