#pragma once

#include "library/PatchSimilarity.h"

#include <QDialog>
#include <functional>

class CLibraryDocument;
class QSpinBox;
class QTreeWidget;

// "Find Similar": the entries of the library that sound closest to one entry, closest
// first, with how alike they are; the entry itself and its exact doubles lead at 100 %.
// A double click (or Enter) on a line shows that entry in the library window.
class CSimilarDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDefaultTop = 50;

    CSimilarDlg(const CLibraryDocument& document, int entry, std::function<void(int)> show, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    QSpinBox* topBox() const { return m_top; }
    // False when the library file could not be read.
    bool isValid() const { return m_valid; }

private:
    void fill();

    const CLibraryDocument& m_document;
    int m_entry;
    std::function<void(int)> m_show;
    similarity::CSimilarityIndex m_index;
    bool m_valid = false;
    QSpinBox* m_top = nullptr;
    QTreeWidget* m_list = nullptr;
};
