#pragma once

#include "bank/BankOperations.h"

#include <QDialog>
#include <QStringList>
#include <array>

class CReporter;
class QComboBox;
class QListWidget;

// "Copy to Patch": four keys of the current rhythm set and the patch that the new
// four-tone patch replaces. OK insists on exactly four keys.
class CCopyToPatchDlg : public QDialog
{
    Q_OBJECT

public:
    // Said when OK finds another number of keys selected.
    static QString selectFourText(int selected);

    // patches: the "%d: %s" lines of the bank's patches.
    CCopyToPatchDlg(const QStringList& patches, CReporter& reporter, QWidget* parent = nullptr);

    // The four chosen keys (0 .. 63), ascending.
    std::array<int, CBankOperations::kCopyToPatchKeys> keys() const;
    int patchIndex() const;
    QListWidget* keyList() const { return m_keys; }
    QComboBox* patchBox() const { return m_patches; }

    void accept() override;

private:
    CReporter& m_reporter;
    QListWidget* m_keys = nullptr;
    QComboBox* m_patches = nullptr;
};
