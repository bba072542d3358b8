#pragma once

#include <QDialog>
#include <set>

class CExpansionNames;
class QListWidget;

// "Installed Boards": which expansion boards the instrument has, one check box per
// board of the name files. Libraries can then list only the patches it can play, and
// bank windows mark the patches that need a board it lacks.
class CBoardsDlg : public QDialog
{
    Q_OBJECT

public:
    CBoardsDlg(const CExpansionNames& names, const std::set<int>& installed, QWidget* parent = nullptr);

    std::set<int> installed() const;
    QListWidget* list() const { return m_list; }

private:
    QListWidget* m_list = nullptr;
};
