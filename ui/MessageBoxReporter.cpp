#include "ui/MessageBoxReporter.h"

#include <QApplication>
#include <QMessageBox>

void CMessageBoxReporter::showMessage(MessageIcon icon, const QString& text)
{
    const QString title = QApplication::applicationDisplayName();
    switch (icon) {
    case MessageIcon::Stop:
        QMessageBox::critical(m_parent, title, text);
        break;
    case MessageIcon::Exclamation:
        QMessageBox::warning(m_parent, title, text);
        break;
    case MessageIcon::Information:
        QMessageBox::information(m_parent, title, text);
        break;
    }
}
