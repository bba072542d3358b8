#pragma once

#include "setup/SetupUi.h"

#include <QPointer>
#include <QWidget>

// The dialog's messages in message boxes over the dialog.
class CMessageBoxSetupUi : public CSetupUi
{
public:
    explicit CMessageBoxSetupUi(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void showMessage(MessageIcon icon, const QString& text) override;
    bool ask(const QString& question) override;
    Answer askForEach(const QString& question) override;
    void explain(const QString& explanation) override;

private:
    QPointer<QWidget> m_parent;
};
