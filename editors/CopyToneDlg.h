#pragma once

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QListWidget;

// Chooses a tone of a source patch to copy over a tone of the patch being edited.
// The source list starts with "TEMP PATCH" (the edited patch itself), followed by
// the lines the editor gives: the bank's patches or the library's.
class CCopyToneDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kTones = 4;
    static constexpr const char* kTempPatch = "TEMP PATCH";

    explicit CCopyToneDlg(const QStringList& sourcePatches, QWidget* parent = nullptr);

    int sourceIndex() const; // 0 "TEMP PATCH", else the given line's position + 1
    int fromTone() const;    // 0 .. 3
    int toTone() const;
    QListWidget* sourceList() const { return m_source; }
    QButtonGroup* fromGroup() const { return m_from; }
    QButtonGroup* toGroup() const { return m_to; }

private:
    QListWidget* m_source = nullptr;
    QButtonGroup* m_from = nullptr;
    QButtonGroup* m_to = nullptr;
};
