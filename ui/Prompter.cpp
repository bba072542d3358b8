#include "ui/Prompter.h"

#include "ui/MessageBoxReporter.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void CPrompter::showMessage(MessageIcon icon, const QString& text)
{
    CMessageBoxReporter(m_parent).showMessage(icon, text);
}

CPrompter::Answer CPrompter::ask(const QString& text, bool withCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    const auto answer =
        QMessageBox::question(m_parent, QApplication::applicationDisplayName(), text, buttons, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        return Answer::Yes;
    if (answer == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}

QStringList CPrompter::nameFilters(const QString& classicFilter)
{
    QStringList result;
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString name = parts[i];
        const int paren = name.indexOf(QLatin1Char('('));
        if (paren > 0)
            name = name.left(paren).trimmed();
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result << QStringLiteral("%1 (%2)").arg(name, patterns.simplified());
    }
    return result;
}

QString CPrompter::chooseSaveFileName(const QString& filter, const QString& defaultSuffix, const QString& title,
                                      const QString& startFile)
{
    m_dialogTitle = title;
    m_dialogStart = startFile;
    const QString path = getSaveFileName(filter, defaultSuffix);
    m_dialogTitle.clear();
    m_dialogStart.clear();
    return path;
}

QString CPrompter::getSaveFileName(const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QDir::currentPath());
    dialog.setNameFilters(nameFilters(filter));
    dialog.setDefaultSuffix(defaultSuffix);
    if (!m_dialogTitle.isEmpty())
        dialog.setWindowTitle(m_dialogTitle);
    if (!m_dialogStart.isEmpty()) {
        const QFileInfo start(m_dialogStart);
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString CPrompter::getOpenFileName(const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QDir::currentPath());
    dialog.setNameFilters(nameFilters(filter));
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString CPrompter::getExistingFolder(const QString& title)
{
    return QFileDialog::getExistingDirectory(m_parent, title, QDir::currentPath());
}

int CPrompter::exec(QDialog& dialog)
{
    return dialog.exec();
}
