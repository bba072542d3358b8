#pragma once

#include "bank/EditCommand.h"

// Puts a record whose effect settings were copied from another item over it.
// Named after the pasted image.
class CCopyEffectCommand : public CEditCommand
{
public:
    using CEditCommand::CEditCommand;
    QString GetLabel() const override;
};
