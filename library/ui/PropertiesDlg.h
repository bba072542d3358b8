#pragma once

#include "library/LibraryDocument.h"

#include <QDialog>
#include <array>

class CKeyChoice;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Properties" of one library entry: its name, eight keys and comment, with its date
// shown. The check box hands the keys and the comment on to every other selected entry.
class CPropertiesDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* kForAllText = "Use those keys and the comment for all selected patches";

    CPropertiesDlg(const CLibraryDocument& document, int entry, QWidget* parent = nullptr);

    QByteArray name() const;
    CLibraryDocument::Keys keys() const;
    QByteArray comment() const;
    bool forAll() const;

    QLineEdit* nameEdit() const { return m_name; }
    QLabel* dateLabel() const { return m_date; }
    QLineEdit* commentEdit() const { return m_comment; }
    QCheckBox* forAllBox() const { return m_forAll; }
    CKeyChoice* keyChoice(int slot) const { return m_keys[static_cast<std::size_t>(slot)]; }
    QPushButton* okButton() const { return m_ok; }

private:
    QLineEdit* m_name = nullptr;
    QLabel* m_date = nullptr;
    QLineEdit* m_comment = nullptr;
    QCheckBox* m_forAll = nullptr;
    std::array<CKeyChoice*, clb::kKeyCount> m_keys{};
    QPushButton* m_ok = nullptr;
};
