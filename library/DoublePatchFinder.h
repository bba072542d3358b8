#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <thread>
#include <unordered_map>
#include <vector>

// Finds the pairs of entries of a library file whose patches sound the same: equal in
// every byte of the common data after the name, except its last two bytes (the
// category among them), and in every data byte of the four tones. Names, framing,
// addresses and checksums do not count.
//
// The pairs come in the order a comparison of every entry with every later one would
// find them (first entry ascending, then second ascending), but the file is read once:
// each patch gets a fingerprint of the compared bytes, and only patches with equal
// fingerprints are compared byte by byte.
// The pairs of equal patches gathered into groups: three equal patches are one group of
// three, not three pairs. Pairs come as the finder reports them, first entry ascending.
class CDoubleGroups
{
public:
    // Adds a pair; the number of the group it joined or began.
    int add(int first, int second);
    const std::vector<std::vector<int>>& groups() const { return m_groups; }
    // "\"A\" and \"B\" are equal", "\"A\", \"B\" and \"C\" are equal" (names without
    // trailing blanks).
    static QString text(const std::vector<QByteArray>& names);

private:
    std::vector<std::vector<int>> m_groups; // entries ascending
    std::unordered_map<int, int> m_groupOf;
};

class CDoublePatchFinder : public QObject
{
    Q_OBJECT

public:
    using FoundFn = std::function<void(int first, int second, const QString& text)>;
    // Pairs accounted for so far (of pairCount(entries)).
    using ProgressFn = std::function<void(qint64 pairsDone)>;

    static constexpr int kFirstCompared = 12; // common data bytes 12 .. 71
    static constexpr int kEndCompared = 72;

    // The equality rule on two 645-byte patch images.
    static bool samePatch(const char* a, const char* b);
    // A hash of exactly the bytes samePatch compares.
    static std::uint64_t fingerprint(const char* patch);
    // n × (n − 1) ÷ 2
    static qint64 pairCount(qint64 entries);
    // "\"NAME1\" and \"NAME2\" are equal", names without trailing blanks.
    static QString pairText(const QByteArray& first, const QByteArray& second);

    // The whole search on the file at path, on the calling thread. False when the
    // file could not be read or stop was requested; the pairs found until then have
    // been reported.
    static bool find(const QString& path, std::stop_token stop, const FoundFn& found, const ProgressFn& progress);

    explicit CDoublePatchFinder(QObject* parent = nullptr);
    ~CDoublePatchFinder() override;

    // Starts the search on a worker thread; its results arrive as signals.
    void start(const QString& path);
    // Asks the worker to stop and waits until it has.
    void stop();
    bool isRunning() const { return m_running.load(); }

signals:
    void pairCompared(qint64 pairsDone);
    void pairFound(int first, int second, const QString& text);
    // The worker has ended; completed is false when it was stopped or the file failed.
    void done(bool completed);

private:
    std::jthread m_worker;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_unhandled{0};
};
