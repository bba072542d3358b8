#include "library/DoublePatchFinder.h"

#include "library/LibraryRecord.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

constexpr int kChunkRecords = 1024;
// Progress is told at most this often.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
// How many found pairs may wait for the receiving thread before the worker waits too.
constexpr int kMaxUnhandled = 4096;

struct Range
{
    int offset;
    int size;
};

// The compared bytes of a patch image: the common data after the name but for its
// last two bytes, then the data bytes of each tone.
constexpr std::array<Range, 1 + CPatchArray::kTones> kCompared = {{
    {sysex::kOffData + CDoublePatchFinder::kFirstCompared,
     CDoublePatchFinder::kEndCompared - CDoublePatchFinder::kFirstCompared},
    {CPatchArray::toneOffset(0) + sysex::kOffData, CPatchArray::kToneData},
    {CPatchArray::toneOffset(1) + sysex::kOffData, CPatchArray::kToneData},
    {CPatchArray::toneOffset(2) + sysex::kOffData, CPatchArray::kToneData},
    {CPatchArray::toneOffset(3) + sysex::kOffData, CPatchArray::kToneData},
}};

std::uint64_t mix(std::uint64_t h, std::uint64_t word)
{
    h ^= word;
    h *= 0x9E3779B97F4A7C15ULL;
    return h ^ (h >> 29);
}

QByteArray trimmedName(const QByteArray& name)
{
    qsizetype end = name.size();
    while (end > 0 && name[end - 1] == ' ')
        --end;
    return name.left(end);
}

} // namespace

bool CDoublePatchFinder::samePatch(const char* a, const char* b)
{
    for (const Range& r : kCompared)
        if (std::memcmp(a + r.offset, b + r.offset, static_cast<std::size_t>(r.size)) != 0)
            return false;
    return true;
}

std::uint64_t CDoublePatchFinder::fingerprint(const char* patch)
{
    std::uint64_t h = 0xCBF29CE484222325ULL;
    for (const Range& r : kCompared) {
        int i = 0;
        for (; i + 8 <= r.size; i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, patch + r.offset + i, sizeof word);
            h = mix(h, word);
        }
        std::uint64_t rest = 0;
        std::memcpy(&rest, patch + r.offset + i, static_cast<std::size_t>(r.size - i));
        h = mix(h, rest ^ (std::uint64_t(r.size) << 56));
    }
    return h;
}

qint64 CDoublePatchFinder::pairCount(qint64 entries)
{
    return entries < 2 ? 0 : entries * (entries - 1) / 2;
}

QString CDoublePatchFinder::pairText(const QByteArray& first, const QByteArray& second)
{
    return QStringLiteral("\"%1\" and \"%2\" are equal")
        .arg(QString::fromLatin1(trimmedName(first)), QString::fromLatin1(trimmedName(second)));
}

int CDoubleGroups::add(int first, int second)
{
    auto it = m_groupOf.find(first);
    if (it == m_groupOf.end())
        it = m_groupOf.find(second);
    if (it == m_groupOf.end()) {
        const int group = static_cast<int>(m_groups.size());
        m_groups.push_back({first, second});
        m_groupOf[first] = group;
        m_groupOf[second] = group;
        return group;
    }
    const int group = it->second;
    std::vector<int>& members = m_groups[static_cast<std::size_t>(group)];
    for (int e : {first, second}) {
        if (m_groupOf.emplace(e, group).second)
            members.insert(std::lower_bound(members.begin(), members.end(), e), e);
    }
    return group;
}

QString CDoubleGroups::text(const std::vector<QByteArray>& names)
{
    QStringList quoted;
    for (const QByteArray& name : names)
        quoted << QStringLiteral("\"%1\"").arg(QString::fromLatin1(trimmedName(name)));
    if (quoted.size() < 2)
        return quoted.join(QString());
    const QString last = quoted.takeLast();
    return quoted.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last + QStringLiteral(" are equal");
}

bool CDoublePatchFinder::find(const QString& path, std::stop_token stop, const FoundFn& found,
                              const ProgressFn& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 n64 = file.size() / clb::kRecordSize;
    if (n64 > std::numeric_limits<int>::max())
        return false;
    const int n = static_cast<int>(n64);
    const qint64 total = pairCount(n);

    // One pass over the file: a fingerprint and the name of every patch.
    std::vector<std::uint64_t> prints(static_cast<std::size_t>(n));
    std::vector<std::array<char, clb::kNameLength>> names(static_cast<std::size_t>(n));
    QByteArray chunk(kChunkRecords * clb::kRecordSize, Qt::Uninitialized);
    for (int first = 0; first < n; first += kChunkRecords) {
        if (stop.stop_requested())
            return false;
        const int records = std::min(kChunkRecords, n - first);
        const qint64 bytes = qint64(records) * clb::kRecordSize;
        if (file.read(chunk.data(), bytes) != bytes)
            return false;
        for (int r = 0; r < records; ++r) {
            const char* record = chunk.constData() + qint64(r) * clb::kRecordSize;
            const auto at = static_cast<std::size_t>(first + r);
            prints[at] = fingerprint(record + clb::kOffPatch);
            std::memcpy(names[at].data(), record + clb::kOffName, clb::kNameLength);
        }
    }

    // Entries with equal fingerprints, compared byte by byte, form the classes of
    // equal patches; each entry of a class of two or more knows its class.
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const auto pa = prints[static_cast<std::size_t>(a)];
        const auto pb = prints[static_cast<std::size_t>(b)];
        return pa != pb ? pa < pb : a < b;
    });
    std::vector<int> classOf(static_cast<std::size_t>(n), -1);
    std::vector<std::vector<int>> classes;
    QByteArray patch(clb::kPatchSize, Qt::Uninitialized);
    std::vector<QByteArray> representatives;
    std::vector<int> representativeClass;
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin + 1;
        while (end < order.size()
               && prints[static_cast<std::size_t>(order[end])] == prints[static_cast<std::size_t>(order[begin])])
            ++end;
        if (end - begin > 1) {
            representatives.clear();
            representativeClass.clear();
            for (std::size_t m = begin; m < end; ++m) {
                if (stop.stop_requested())
                    return false;
                const int entry = order[m];
                if (!file.seek(qint64(entry) * clb::kRecordSize + clb::kOffPatch)
                    || file.read(patch.data(), clb::kPatchSize) != clb::kPatchSize)
                    return false;
                std::size_t c = 0;
                while (c < representatives.size() && !samePatch(representatives[c].constData(), patch.constData()))
                    ++c;
                if (c == representatives.size()) {
                    representatives.push_back(patch);
                    representativeClass.push_back(static_cast<int>(classes.size()));
                    classes.emplace_back();
                }
                const int cls = representativeClass[c];
                classes[static_cast<std::size_t>(cls)].push_back(entry); // ascending: order is by entry
                classOf[static_cast<std::size_t>(entry)] = cls;
            }
        }
        begin = end;
    }

    // The pairs in the order of a search of every entry against every later one.
    auto lastTold = std::chrono::steady_clock::now();
    qint64 done = 0;
    for (int i = 0; i < n; ++i) {
        if (stop.stop_requested())
            return false;
        const int cls = classOf[static_cast<std::size_t>(i)];
        if (cls >= 0) {
            const std::vector<int>& members = classes[static_cast<std::size_t>(cls)];
            const QByteArray nameI(names[static_cast<std::size_t>(i)].data(), clb::kNameLength);
            for (auto it = std::upper_bound(members.cbegin(), members.cend(), i); it != members.cend(); ++it) {
                if (stop.stop_requested())
                    return false;
                const QByteArray nameJ(names[static_cast<std::size_t>(*it)].data(), clb::kNameLength);
                found(i, *it, pairText(nameI, nameJ));
            }
        }
        done += n - 1 - i;
        const auto now = std::chrono::steady_clock::now();
        if (progress && (now - lastTold >= kProgressInterval || i + 1 == n)) {
            progress(done);
            lastTold = now;
        }
    }
    if (progress && n < 2)
        progress(total);
    return true;
}

CDoublePatchFinder::CDoublePatchFinder(QObject* parent) : QObject(parent)
{
    // Runs on this object's thread once the pair has been delivered there.
    connect(this, &CDoublePatchFinder::pairFound, this, [this] { --m_unhandled; });
}

CDoublePatchFinder::~CDoublePatchFinder()
{
    stop();
}

void CDoublePatchFinder::start(const QString& path)
{
    stop();
    m_running = true;
    m_unhandled = 0;
    m_worker = std::jthread([this, path](std::stop_token token) {
        const bool completed = find(
            path, token,
            [this, &token](int first, int second, const QString& text) {
                // A library of many equal patches must not fill the memory with
                // undelivered pairs: the worker waits for the receiver to catch up.
                while (m_unhandled.load() >= kMaxUnhandled && !token.stop_requested())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ++m_unhandled;
                emit pairFound(first, second, text);
            },
            [this](qint64 pairsDone) { emit pairCompared(pairsDone); });
        m_running = false;
        emit done(completed);
    });
}

void CDoublePatchFinder::stop()
{
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
    m_running = false;
}
