#pragma once

#include "editors/RecordEditDlg.h"

class QLineEdit;
class QListWidget;

// "Edit Rhythm": the name of a rhythm set and the tone of each of its 64 keys, over a
// working copy (rhythmSet() on OK). The key list chooses the key the four pages ("Wave",
// "Pitch", "TVF", "TVA") show; changing it stores the page's key first. The chosen key
// is published to the program, whose right mouse button plays it, until the editor
// closes. In realtime mode every change sounds at once in the temporary rhythm set;
// remote controller values change nothing here.
class CEditRhythmDlg : public CRecordEditDlg
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Edit Rhythm";
    static constexpr int kTabRows = 1;

    CEditRhythmDlg(CServices& services, const QByteArray& rhythmSet, QWidget* parent = nullptr);

    QByteArray rhythmSet() const { return record(); }
    // The key the pages show: 0 (note 35, "B1 ") .. 63 (note 98, "D7 ").
    int currentKey() const { return m_key; }
    void setCurrentKey(int key);

    QLineEdit* nameEdit() const { return m_name; }
    QListWidget* keyList() const { return m_keys; }
    QPushButton* copyToneButton() const { return m_copyTone; }

    // "Copy &Tone": one key's tone over another key.
    void copyTone();

public slots:
    void done(int result) override;

protected:
    std::unique_ptr<CTabPage> createPage(const params::Tab& tab) override;
    bool remoteControlled() const override { return false; }
    void recordReloaded() override;

private:
    void keyChanged(int key);

    QLineEdit* m_name = nullptr;
    QListWidget* m_keys = nullptr;
    QPushButton* m_copyTone = nullptr;
    int m_key = 0;
};
