#pragma once

#include <QDialog>

class QButtonGroup;

// Chooses the part of a performance to copy and the part to copy it over:
// "Part 1" .. "Part 16" in the groups "From" and "To" (defaults part 1 and part 2).
class CCopyPartDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kParts = 16;

    explicit CCopyPartDlg(QWidget* parent = nullptr);

    int fromPart() const; // 0 .. 15
    int toPart() const;
    QButtonGroup* fromGroup() const { return m_from; }
    QButtonGroup* toGroup() const { return m_to; }

private:
    QButtonGroup* m_from = nullptr;
    QButtonGroup* m_to = nullptr;
};
