#pragma once

#include <QDialog>

class QListWidget;

// Chooses the key of a rhythm set to copy and the key to copy it over; both lists
// hold the 64 key names ("B1 " .. "D7 ").
class CCopyRhythmToneDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCopyRhythmToneDlg(QWidget* parent = nullptr);

    int fromKey() const; // 0 .. 63
    int toKey() const;
    QListWidget* fromList() const { return m_from; }
    QListWidget* toList() const { return m_to; }

private:
    QListWidget* m_from = nullptr;
    QListWidget* m_to = nullptr;
};
