#pragma once

#include "model/Reporter.h"

class QWidget;

// Shows the core's messages in message boxes: stop sign, exclamation or information.
class CMessageBoxReporter : public CReporter
{
public:
    explicit CMessageBoxReporter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    void showMessage(MessageIcon icon, const QString& text) override;

private:
    QWidget* m_parent;
};
