#pragma once

#include "midi/MidiTraffic.h"

#include <QAbstractTableModel>
#include <deque>

// The messages a MIDI monitor lists: time, direction, bytes and meaning, one row each.
// Rows are added in batches and their texts made only when a view asks for them, so
// that a bulk dump of a thousand messages costs the listing next to nothing. The
// oldest rows give way beyond a limit; a paused listing takes nothing new.
class CMidiTrafficModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { kTime, kDirection, kBytes, kMeaning, kColumnCount };
    static constexpr int kDefaultLimit = 50000;
    // Bytes shown in the list; the tool tip has up to kTipBytes.
    static constexpr int kShownBytes = 24;
    static constexpr int kTipBytes = 512;

    explicit CMidiTrafficModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void append(const QList<MidiTraffic>& messages);
    void clear();
    const MidiTraffic& message(int row) const { return m_rows[static_cast<std::size_t>(row)]; }

    bool isPaused() const { return m_paused; }
    void setPaused(bool paused);
    // Clock and active sensing come many times a second and mean nothing here.
    bool hidesRealtime() const { return m_hideRealtime; }
    void setHidesRealtime(bool hide) { m_hideRealtime = hide; }
    int limit() const { return m_limit; }
    void setLimit(int rows);
    // Messages that passed while the listing was paused.
    qint64 passedWhilePaused() const { return m_passed; }
    // The rows as text, one line each, columns separated by tabs.
    QString text(const QList<int>& rows) const;

signals:
    void pausedChanged(bool paused);

private:
    void trim();

    std::deque<MidiTraffic> m_rows;
    bool m_paused = false;
    bool m_hideRealtime = true;
    int m_limit = kDefaultLimit;
    qint64 m_passed = 0;
};
