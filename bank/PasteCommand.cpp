#include "bank/PasteCommand.h"

QString CPasteCommand::GetLabel() const
{
    return quoted(QStringLiteral("Paste "), newImage());
}
