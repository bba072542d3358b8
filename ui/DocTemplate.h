#pragma once

#include <QString>
#include <functional>

class QWidget;

// One kind of document the program opens: the texts of its document string
// ("\nBank\nBank\nSystem Exclusive (*.syx)\n.syx\nToneloom!.Bank\nToneloom! Bank")
// and a factory making its window (with a new document, opened from a file when a
// path is given).
class CDocTemplate
{
public:
    enum class DocString {
        WindowTitle = 0,
        DocName,
        FileNewName,
        FilterName,
        FilterExt,
        RegFileTypeId,
        RegFileTypeName
    };
    // Makes the window of a new document; opens path in it when not empty. nullptr
    // when the file could not be opened (the user has been told why).
    using Factory = std::function<QWidget*(CDocTemplate& docTemplate, const QString& path)>;

    CDocTemplate(QString docString, Factory factory);

    QString GetDocString(DocString which) const;
    QString filterExtension() const { return GetDocString(DocString::FilterExt); }
    // "System Exclusive (*.syx)|*.syx|All Files (*.*)|*.*||"
    QString fileDialogFilter() const;

    QWidget* createWindow(const QString& path) { return m_factory(*this, path); }
    // "Bank1", "Bank2", ... for documents that have no file yet.
    QString nextUntitledTitle();

private:
    QString m_docString;
    Factory m_factory;
    int m_untitled = 0;
};
