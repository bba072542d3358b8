#pragma once

#include <QDialog>

class CDoublePatchFinder;
class QListWidget;
class QProgressBar;
class QPushButton;

// "Find double patches": searches the library file on a worker while it shows its
// progress and lists every pair found. Closing stops the worker first.
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
    CDoublePatchFinder& finder() const { return *m_finder; }
    bool isSearching() const;

public slots:
    void done(int result) override;

private:
    void showProgress(qint64 pairsDone);

    CDoublePatchFinder* m_finder = nullptr;
    QProgressBar* m_progress = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_close = nullptr;
    qint64 m_pairs = 0;
};
