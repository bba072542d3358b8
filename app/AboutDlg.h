#pragma once

#include <QDialog>

class CReporter;
class QPlainTextEdit;

// "About Toneloom!": the program's name and version and the whole text of
// README.TXT from the program's folder.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* kReadmeName = "README.TXT";
    static constexpr qint64 kMaxReadmeSize = 4 * 1024 * 1024;
    static constexpr int kMinTextWidth = 560;
    static constexpr int kMinTextHeight = 360;
    static constexpr int kScreenMargin = 80;

    // Reads the text at once; a missing file is reported through reporter.
    CAboutDlg(const QString& readmePath, CReporter& reporter, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    QPlainTextEdit* textBox() const { return m_edit; }

private:
    QString m_text;
    QPlainTextEdit* m_edit = nullptr;
};
