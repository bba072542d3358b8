#pragma once

#include "bank/EditCommand.h"

// Puts an image from the copybox, another bank or a library over one record.
// Named after the pasted image.
class CPasteCommand : public CEditCommand
{
public:
    using CEditCommand::CEditCommand;
    QString GetLabel() const override;
};
