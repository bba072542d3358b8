#pragma once

#include "library/LibraryDocument.h"

#include <QObject>

class QComboBox;

// A key chosen with two lists: the group (row g names slot g × 16; group 0 means no
// key) and the key of that group (row p names slot g × 16 + p + 1). The key list is
// enabled only while a group other than 0 is chosen. Used by the search and the
// properties dialogs.
class CKeyChoice : public QObject
{
    Q_OBJECT

public:
    CKeyChoice(const CLibraryDocument::KeyNames& names, QComboBox* group, QComboBox* key, QObject* parent);

    QComboBox* groupList() const { return m_group; }
    QComboBox* keyList() const { return m_key; }

    // Shows key number k: group k ÷ 16 and key (k mod 16) − 1.
    void setKey(int key);
    // The chosen key as stored: group × 16 + key + 1. A key shown by setKey and not
    // touched since comes back as it was, even one no list row stands for.
    int key() const;
    int group() const;
    void setGroup(int group); // as if the user chose it: first key selected
    // Enables or disables both lists (the key list only while a group is chosen).
    void setEnabled(bool on);

signals:
    void groupChosen(int group);

private:
    void fillKeys(int group);
    void updateKeyEnabled();

    const CLibraryDocument::KeyNames& m_names;
    QComboBox* m_group;
    QComboBox* m_key;
    bool m_enabled = true;
    int m_untouched = -1; // the key number setKey showed, until the user changes it
};
