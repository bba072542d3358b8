#pragma once

#include <QDialog>

class CReporter;

// "About Toneloom!": the program's name and version and the whole text of
// README.TXT from the program's folder.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* kReadmeName = "README.TXT";
    static constexpr qint64 kMaxReadmeSize = 4 * 1024 * 1024;

    // Reads the text at once; a missing file is reported through reporter.
    CAboutDlg(const QString& readmePath, CReporter& reporter, QWidget* parent = nullptr);

    QString text() const { return m_text; }

private:
    QString m_text;
};
