#pragma once

#include <QDialog>

class CMidi;
class QListWidget;

// "Receive": "Manual" or one of the engine's named requests.
class CReceiveDlg : public QDialog
{
    Q_OBJECT

public:
    // previous: the last selection (-1 "Manual", else a request index).
    CReceiveDlg(const CMidi& midi, int previous, QWidget* parent = nullptr);

    // -1 for "Manual", else the index of the chosen request.
    int selection() const;
    QListWidget* list() const { return m_list; }

private:
    QListWidget* m_list;
};
