#pragma once

#include "library/LibraryDocument.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

// "Edit Keys": names the fifteen key groups (slots 16, 32, ... 240) and the fifteen
// keys of each. Works on a copy of the 256 names; names() is what OK keeps.
class CKeysDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kFirstGroup = 1;
    static constexpr int kGroups = clb::kGroupCount - kFirstGroup;

    CKeysDlg(const CLibraryDocument::KeyNames& names, QWidget* parent = nullptr);

    const CLibraryDocument::KeyNames& names() const { return m_names; }

    QListWidget* groupList() const { return m_groups; }
    QLineEdit* groupEdit() const { return m_groupEdit; }
    QListWidget* keyList() const { return m_keys; }
    QLineEdit* keyEdit() const { return m_keyEdit; }
    QPushButton* okButton() const { return m_ok; }

private:
    int currentGroup() const; // the group number (1..15), or -1
    void showGroup(int row);
    void storeKeys();

    CLibraryDocument::KeyNames m_names;
    int m_shownGroup = -1;
    QListWidget* m_groups = nullptr;
    QLineEdit* m_groupEdit = nullptr;
    QListWidget* m_keys = nullptr;
    QLineEdit* m_keyEdit = nullptr;
    QPushButton* m_ok = nullptr;
};
