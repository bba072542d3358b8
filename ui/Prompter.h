#pragma once

#include "model/Reporter.h"

#include <QPointer>
#include <QString>

class QDialog;
class QWidget;

// Everything that waits for the user: message boxes, questions, file choosers and
// modal dialogs. The program has exactly one; tests put a scripted one in its place,
// so nothing ever blocks in a modal loop of its own.
class CPrompter : public CReporter
{
public:
    enum class Answer { Yes, No, Cancel };

    explicit CPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    ~CPrompter() override = default;

    void setParentWidget(QWidget* parent) { m_parent = parent; }
    QWidget* parentWidget() const { return m_parent; }

    void showMessage(MessageIcon icon, const QString& text) override;
    // A question with Yes and No (and Cancel when withCancel).
    virtual Answer ask(const QString& text, bool withCancel = false);
    // File choosers. filter is in the classic form "Name (*.a)|*.a|All Files (*.*)|*.*||";
    // they start in the process's current folder. An empty result means Cancel.
    virtual QString getSaveFileName(const QString& filter, const QString& defaultSuffix);
    virtual QString getOpenFileName(const QString& filter, const QString& defaultSuffix);
    // A folder chooser titled title; empty means Cancel.
    virtual QString getExistingFolder(const QString& title);
    // The save-file chooser with a title that says what is saved ("Save Patches") and
    // the file it starts at (empty: none). Runs getSaveFileName, which shows both.
    QString chooseSaveFileName(const QString& filter, const QString& defaultSuffix, const QString& title,
                               const QString& startFile = QString());
    // The title and start file of the save-file chooser that runs now ("Save As" and
    // none for a plain getSaveFileName); scripted prompters record them.
    QString fileDialogTitle() const { return m_dialogTitle; }
    QString fileDialogStart() const { return m_dialogStart; }
    // Runs a modal dialog; QDialog::Accepted or Rejected.
    virtual int exec(QDialog& dialog);

    // "Name (*.a)|*.a|..." as Qt's name filters.
    static QStringList nameFilters(const QString& classicFilter);

private:
    QPointer<QWidget> m_parent;
    QString m_dialogTitle;
    QString m_dialogStart;
};
