#pragma once

#include "setup/SetupInstaller.h"

#include <QDialog>

#include <functional>

class CSetupUi;
class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "Toneloom! Setup": the install folder, two link check boxes and a progress bar over
// the installation. "&Install now !" installs and closes the dialog whatever happened;
// "&Cancel" closes it without doing anything.
class CSetupDlg : public QDialog
{
    Q_OBJECT

public:
    using FolderChooser = std::function<QString(QWidget* parent, const QString& start)>;

    // options gives the folders and the initial state; ui shows the messages.
    CSetupDlg(CSetupInstaller::Options options, CSetupUi& ui, QWidget* parent = nullptr);

    // Replaces the system's folder picker (tests).
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    // Whether the last installation ended cleanly.
    bool succeeded() const { return m_succeeded; }

    QLineEdit* folderEdit() const { return m_folder; }
    QPushButton* browseButton() const { return m_browse; }
    QProgressBar* progressBar() const { return m_progress; }
    QCheckBox* desktopBox() const { return m_desktop; }
    QCheckBox* menuBox() const { return m_menu; }
    QPushButton* installButton() const { return m_install; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void browse();
    void installNow();

    CSetupInstaller::Options m_options;
    CSetupUi& m_ui;
    FolderChooser m_chooseFolder;
    bool m_succeeded = false;

    QLineEdit* m_folder = nullptr;
    QPushButton* m_browse = nullptr;
    QProgressBar* m_progress = nullptr;
    QCheckBox* m_desktop = nullptr;
    QCheckBox* m_menu = nullptr;
    QPushButton* m_install = nullptr;
    QPushButton* m_cancel = nullptr;
};
