#include "setup/ConsoleSetupUi.h"

#include "setup/SetupText.h"

void CConsoleSetupUi::print(const QString& text)
{
    QString line = text;
    while (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), m_out);
    std::fflush(m_out);
}

void CConsoleSetupUi::showMessage(MessageIcon icon, const QString& text)
{
    static_cast<void>(icon);
    print(text);
}

bool CConsoleSetupUi::ask(const QString& question)
{
    print(question + (m_overwrite ? QStringLiteral(" Yes") : QStringLiteral(" No")));
    return m_overwrite;
}

void CConsoleSetupUi::explain(const QString& explanation)
{
    print(QString::fromUtf8(SetupText::kExplanationCaption) + QStringLiteral(": ") + explanation);
}
