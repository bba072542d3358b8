#pragma once

#include <QDialog>

class CCopybox;
class CPrompter;
class QLabel;
class QListWidget;
class QPushButton;

// The copybox as a modal dialog: the entries of the copybox's current kind, from
// which the user picks those to paste, removes entries, and for patches loads or
// saves the list as a ".cop" file. Ends accepted with Paste (the picked entries are
// the copybox's chosen ones) and rejected with Close; the entries stay either way.
class CCopyboxDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* kFilter = "Copy Box Data (*.cop)|*.cop|All Files (*.*)|*.*||";
    static constexpr const char* kSuffix = "cop";

    CCopyboxDlg(CCopybox& copybox, CPrompter& prompter, QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    QLabel* label() const { return m_label; }
    QPushButton* pasteButton() const { return m_paste; }
    QPushButton* closeButton() const { return m_close; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* selectAllButton() const { return m_selectAll; }
    QPushButton* loadButton() const { return m_load; }
    QPushButton* saveButton() const { return m_save; }

private:
    void fill();
    void onPaste();
    void onRemove();
    void onLoad();
    void onSave();
    std::vector<int> selectedRows() const;

    CCopybox& m_copybox;
    CPrompter& m_prompter;
    QLabel* m_label = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_paste = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_selectAll = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_save = nullptr;
};
