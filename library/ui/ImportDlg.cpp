#include "library/ui/ImportDlg.h"

#include "library/LibraryDocument.h"
#include "library/LibraryImport.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CImportDlg::CImportDlg(CLibraryDocument& document, QWidget* parent) : QDialog(parent), m_document(document)
{
    setWindowTitle(QStringLiteral("Import into Library"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Bank files, MIDI files, libraries and folders to import:"), this));
    m_paths = new QListWidget(this);
    m_paths->setMinimumSize(420, 120);
    layout->addWidget(m_paths);
    auto* choose = new QHBoxLayout;
    m_addFiles = new QPushButton(QStringLiteral("Add &Files..."), this);
    m_addFolder = new QPushButton(QStringLiteral("Add F&older..."), this);
    choose->addWidget(m_addFiles);
    choose->addWidget(m_addFolder);
    choose->addStretch();
    layout->addLayout(choose);
    m_current = new QLabel(this);
    layout->addWidget(m_current);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_report = new QPlainTextEdit(this);
    m_report->setReadOnly(true);
    m_report->setMinimumHeight(120);
    layout->addWidget(m_report);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_import = new QPushButton(QStringLiteral("&Import"), this);
    m_import->setDefault(true);
    m_import->setEnabled(false);
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_stop->setEnabled(false);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    buttons->addWidget(m_import);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    connect(m_addFiles, &QPushButton::clicked, this, [this] {
        addPaths(QFileDialog::getOpenFileNames(
            this, QStringLiteral("Add Files"), QString(),
            QStringLiteral("Banks, MIDI files and libraries (*.syx *.mid *.midi *.clb);;All Files (*)")));
    });
    connect(m_addFolder, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Add Folder"));
        if (!folder.isEmpty())
            addPaths({folder});
    });
    connect(m_import, &QPushButton::clicked, this, &CImportDlg::startImport);
    connect(m_stop, &QPushButton::clicked, this, &CImportDlg::stop);
    connect(m_close, &QPushButton::clicked, this, &CImportDlg::reject);
}

void CImportDlg::addPaths(const QStringList& paths)
{
    for (const QString& p : paths)
        if (m_paths->findItems(p, Qt::MatchExactly).isEmpty())
            m_paths->addItem(p);
    m_import->setEnabled(m_paths->count() > 0 && !m_importing);
}

void CImportDlg::startImport()
{
    if (m_importing || m_paths->count() == 0)
        return;
    m_importing = true;
    m_stopRequested = false;
    for (QPushButton* b : {m_addFiles, m_addFolder, m_import, m_close})
        b->setEnabled(false);
    m_stop->setEnabled(true);
    m_report->clear();
    QStringList paths;
    for (int i = 0; i < m_paths->count(); ++i)
        paths << m_paths->item(i)->text();
    int missing = 0;
    const auto line = [this](const QString& text) { m_report->appendPlainText(text); };
    const QStringList files = CLibraryImport::collectFiles(paths, [&](const QString& text) {
        ++missing;
        line(text);
    });
    m_progress->setRange(0, std::max(1, static_cast<int>(files.size())));
    m_progress->setValue(0);
    CLibraryImport::Result result =
        CLibraryImport(m_document).run(files, line, [this](int done, int, const QString& path) {
            m_progress->setValue(done);
            m_current->setText(QFileInfo(path).fileName());
            // The window answers Stop between two files.
            QApplication::processEvents();
            return !m_stopRequested;
        });
    result.refused += missing;
    if (result.stopped)
        line(QStringLiteral("Stopped: what was added until then stays in the library."));
    line(result.summary());
    m_current->clear();
    m_importing = false;
    m_stop->setEnabled(false);
    for (QPushButton* b : {m_addFiles, m_addFolder, m_close})
        b->setEnabled(true);
    m_import->setEnabled(true);
    m_close->setDefault(true);
}

void CImportDlg::reject()
{
    // Escape during an import stops it; the window stays until it has.
    if (m_importing) {
        stop();
        return;
    }
    QDialog::reject();
}
