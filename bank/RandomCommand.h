#pragma once

#include "bank/BankCommand.h"

#include <cstdint>
#include <functional>
#include <vector>

class CPatchArray;
class CToneloomDoc;

// Fills the bank's patches with random sounds. The first Do keeps the 128 patches as
// they are and then runs the randomiser; it also keeps the result, so that a redo
// brings back the very same random bank and the history can be walked both ways
// without losing anything.
class CRandomCommand : public CBankCommand
{
public:
    using Randomiser = std::function<void(CPatchArray&)>;

    CRandomCommand(CToneloomDoc& document, Randomiser randomise);

    void Do() override;
    void Undo() override;
    QString GetLabel() const override;

private:
    void restore(const std::vector<std::uint8_t>& images);

    CToneloomDoc& m_document;
    Randomiser m_randomise;
    std::vector<std::uint8_t> m_before; // 128 patch images
    std::vector<std::uint8_t> m_after;
};
