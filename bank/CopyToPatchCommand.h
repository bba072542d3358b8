#pragma once

#include "bank/EditCommand.h"

// Puts a patch built from four rhythm keys over one patch.
// Named after the overwritten image.
class CCopyToPatchCommand : public CEditCommand
{
public:
    using CEditCommand::CEditCommand;
    QString GetLabel() const override;
};
