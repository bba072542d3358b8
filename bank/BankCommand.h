#pragma once

#include <QString>

class CToneloomDoc;

// An undoable change of a bank. Every change of a bank's records goes through one.
class CBankCommand
{
public:
    virtual ~CBankCommand() = default;
    virtual void Do() = 0;
    virtual void Undo() = 0;
    virtual QString GetLabel() const = 0;
};
