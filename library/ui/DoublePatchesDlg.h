#pragma once

#include "library/DoublePatchFinder.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <thread>
#include <vector>

class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

// "Find double patches": searches the library file on a worker while it shows its
// progress and lists the groups of equal patches found, one line per group. At 100 % the
// patches sound the same (the double-patch rule); below, each line is a pair that sounds
// at least that alike. A click on a line hands its entries to choose (the library selects
// them). Closing stops the worker first.
class CDoublePatchesDlg : public QDialog
{
    Q_OBJECT

public:
    // The bar counts pairs; beyond this many it counts in fractions of the whole.
    static constexpr int kMaxBarRange = 1 << 30;

    using NameFn = std::function<QByteArray(int entry)>;
    using ChooseFn = std::function<void(const std::vector<int>& entries)>;

    // Without nameOf each pair is a line of its own.
    CDoublePatchesDlg(const QString& path, int entries, QWidget* parent = nullptr, NameFn nameOf = {},
                      ChooseFn choose = {});
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
    void addPair(int first, int second, const QString& text);
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
    NameFn m_nameOf;
    ChooseFn m_choose;
    CDoubleGroups m_groups;
    std::jthread m_near; // the search below 100 %
};
