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
    // Runs a modal dialog; QDialog::Accepted or Rejected.
    virtual int exec(QDialog& dialog);

    // "Name (*.a)|*.a|..." as Qt's name filters.
    static QStringList nameFilters(const QString& classicFilter);

private:
    QPointer<QWidget> m_parent;
};
