#include "bank/CopyToPatchCommand.h"

QString CCopyToPatchCommand::GetLabel() const
{
    return quoted(QStringLiteral("Copy To Patch: "), oldImage());
}
