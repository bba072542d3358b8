#include "setup/MessageBoxSetupUi.h"

#include "setup/SetupText.h"

#include <QMessageBox>

namespace {

QString caption()
{
    return QString::fromUtf8(SetupText::kTitle);
}

} // namespace

void CMessageBoxSetupUi::showMessage(MessageIcon icon, const QString& text)
{
    switch (icon) {
    case MessageIcon::Stop:
        QMessageBox::critical(m_parent, caption(), text);
        break;
    case MessageIcon::Exclamation:
        QMessageBox::warning(m_parent, caption(), text);
        break;
    case MessageIcon::Information:
        QMessageBox::information(m_parent, caption(), text);
        break;
    }
}

bool CMessageBoxSetupUi::ask(const QString& question)
{
    return QMessageBox::question(m_parent, caption(), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
           == QMessageBox::Yes;
}

CSetupUi::Answer CMessageBoxSetupUi::askForEach(const QString& question)
{
    switch (QMessageBox::question(m_parent, caption(), question,
                                  QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll,
                                  QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::YesToAll:
        return Answer::YesToAll;
    case QMessageBox::NoToAll:
        return Answer::NoToAll;
    default:
        return Answer::No;
    }
}

void CMessageBoxSetupUi::explain(const QString& explanation)
{
    QMessageBox::information(m_parent, QString::fromUtf8(SetupText::kExplanationCaption), explanation);
}
