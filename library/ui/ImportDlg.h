#pragma once

#include <QDialog>
#include <QStringList>

class CLibraryDocument;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// "Import into Library": the files and folders to import, then the import itself with
// a bar over the files and Stop. The refused files and the summary stay in the window.
// What was added before a stop stays in the library, file by file.
class CImportDlg : public QDialog
{
    Q_OBJECT

public:
    CImportDlg(CLibraryDocument& document, QWidget* parent = nullptr);

    // Adds paths to the list (what the file and folder choosers do).
    void addPaths(const QStringList& paths);
    // Imports what the list names; returns when done or stopped.
    void startImport();
    void stop() { m_stopRequested = true; }

    QListWidget* pathList() const { return m_paths; }
    QProgressBar* progressBar() const { return m_progress; }
    QPlainTextEdit* report() const { return m_report; }
    QPushButton* importButton() const { return m_import; }
    QPushButton* stopButton() const { return m_stop; }
    bool isImporting() const { return m_importing; }

public slots:
    void reject() override;

private:
    CLibraryDocument& m_document;
    QListWidget* m_paths = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_current = nullptr;
    QPlainTextEdit* m_report = nullptr;
    QPushButton* m_addFiles = nullptr;
    QPushButton* m_addFolder = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_close = nullptr;
    bool m_importing = false;
    bool m_stopRequested = false;
};
