#pragma once

#include "midi/MidiTraffic.h"

#include <QMetaObject>
#include <QWidget>

class CMidi;
class CMidiTrafficModel;
class QCheckBox;
class QLabel;
class QPushButton;
class QTreeView;

// A window that lists every message the program sends to the synthesizer and
// receives from it: the time, the direction, the bytes and what they mean. It listens
// to the engine only while it is shown, and its listing can be paused and cleared.
class CMidiMonitorWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "MIDI Monitor";
    static constexpr int kDefaultWidth = 1000;
    // The byte pairs the bytes column has room for.
    static constexpr int kBytesColumnPairs = 15;
    static constexpr int kDefaultHeight = 360;

    explicit CMidiMonitorWnd(CMidi& midi, QWidget* parent = nullptr);
    ~CMidiMonitorWnd() override;

    CMidiTrafficModel& model() const { return *m_model; }
    QTreeView* view() const { return m_view; }
    QPushButton* pauseButton() const { return m_pause; }
    QPushButton* clearButton() const { return m_clear; }
    bool isListening() const { return static_cast<bool>(m_connection); }

signals:
    void visibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void onTraffic(const QList<MidiTraffic>& messages);
    void copySelection();
    void updateStatus();

    CMidi& m_midi;
    CMidiTrafficModel* m_model;
    QTreeView* m_view;
    QPushButton* m_pause;
    QPushButton* m_clear;
    QPushButton* m_copy;
    QCheckBox* m_hideRealtime;
    QLabel* m_status;
    QMetaObject::Connection m_connection;
    quint64 m_lost = 0;
};
