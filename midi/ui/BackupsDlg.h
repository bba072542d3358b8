#pragma once

#include <QDialog>

class CPrompter;
class QLabel;
class QPushButton;
class QTreeWidget;

// "Backups": the backups made before sends, the newest first, with their date, model,
// what they hold and size. Open shows one as a bank window, Restore sends it back to
// the synthesizer, Delete removes it after a question.
class CBackupsDlg : public QDialog
{
    Q_OBJECT

public:
    CBackupsDlg(const QString& folder, CPrompter& prompter, QWidget* parent = nullptr);

    // Reads the folder again.
    void refresh();
    // The path of the chosen line; empty when none.
    QString current() const;
    QTreeWidget* list() const { return m_list; }
    QPushButton* openButton() const { return m_open; }
    QPushButton* restoreButton() const { return m_restore; }
    QPushButton* deleteButton() const { return m_delete; }

signals:
    void openRequested(const QString& path);
    void restoreRequested(const QString& path);

private:
    void deleteCurrent();
    void updateButtons();

    QString m_folder;
    CPrompter& m_prompter;
    QLabel* m_where;
    QTreeWidget* m_list;
    QPushButton* m_open;
    QPushButton* m_restore;
    QPushButton* m_delete;
};
