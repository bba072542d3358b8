#include "bank/CopyEffectCommand.h"

QString CCopyEffectCommand::GetLabel() const
{
    return quoted(QStringLiteral("Copy Effect to "), newImage());
}
