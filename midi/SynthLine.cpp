#include "midi/SynthLine.h"

#include <QSet>
#include <algorithm>
#include <map>
#include <thread>
#include <tuple>

namespace synthline {

namespace {

constexpr std::uint8_t kProbeSpan = 0x4A; // the JV-2080's common block, the longest
constexpr int kJv1080Common = 72;
constexpr int kXpCommon = 73;
constexpr int kJv2080Common = 74;
constexpr int kBitsPerByte = 7;
constexpr std::uint32_t kByteMask = 0x7F;

std::uint32_t linearOf(const QByteArray& message)
{
    std::uint32_t value = 0;
    for (int i = 0; i < sysex::kAddressSize; ++i)
        value = (value << kBitsPerByte) | (static_cast<std::uint8_t>(message[sysex::kOffAddress + i]) & kByteMask);
    return value;
}

bool isDataSet(const QByteArray& m)
{
    return m.size() >= sysex::kFraming && static_cast<std::uint8_t>(m[0]) == sysex::kStart
           && static_cast<std::uint8_t>(m[sysex::kOffManufacturer]) == sysex::kManufacturer
           && static_cast<std::uint8_t>(m[sysex::kOffModel]) == sysex::kModelId
           && static_cast<std::uint8_t>(m[sysex::kOffCommand]) == sysex::kDataSet
           && static_cast<std::uint8_t>(m[m.size() - 1]) == sysex::kEnd;
}

int dataSize(const QByteArray& m)
{
    return static_cast<int>(m.size()) - sysex::kFraming;
}

enum class Kind { Patch, Performance, Rhythm, TempPart, System };

Kind kindOf(const Record& r)
{
    switch (r.area) {
    case sysex::kAreaUserPatch:
    case sysex::kAreaCardPatch:
    case sysex::kAreaTempPatch:
        return Kind::Patch;
    case sysex::kAreaUserPerformance:
    case sysex::kAreaCardPerformance:
        return r.number >= sysex::kRhythmSetBase ? Kind::Rhythm : Kind::Performance;
    case sysex::kAreaTempPerformance:
        return Kind::Performance;
    case sysex::kAreaTempPart:
        return r.number == sysex::kTempRhythmPart ? Kind::Rhythm : Kind::TempPart;
    default:
        return Kind::System;
    }
}

bool isTemporary(const Record& r)
{
    return r.area < sysex::kAreaUserPerformance;
}

int numberOf(const Record& r)
{
    return (kindOf(r) == Kind::Rhythm && !isTemporary(r) ? r.number - sysex::kRhythmSetBase : r.number) + 1;
}

} // namespace

// ---------------------------------------------------------------------------------

CListener::~CListener()
{
    close();
}

bool CListener::open(CMidiPortProvider& ports, int index, QString* error)
{
    return open(ports.createIn(index), index, error);
}

bool CListener::open(std::unique_ptr<CMidiInPort> port, int index, QString* error)
{
    auto input = std::make_unique<Input>();
    input->index = index;
    input->port = std::move(port);
    if (!input->port) {
        if (error)
            *error = QStringLiteral("there is no MIDI input %1").arg(index);
        return false;
    }
    Input* raw = input.get();
    const bool opened = raw->port->open(
        [this, raw](const std::uint8_t* data, std::size_t size) {
            std::lock_guard lock(m_mutex);
            raw->parser.feed(data, size, [&](const std::vector<std::uint8_t>& message) {
                if (message.empty() || message.front() != sysex::kStart)
                    return;
                m_messages.push_back({raw->index, QByteArray(reinterpret_cast<const char*>(message.data()),
                                                             static_cast<qsizetype>(message.size()))});
            });
            m_arrived.notify_all();
        },
        error);
    if (!opened)
        return false;
    std::lock_guard lock(m_mutex);
    m_inputs.push_back(std::move(input));
    return true;
}

void CListener::close()
{
    // The ports are closed without the lock: a callback running now takes it.
    std::vector<std::unique_ptr<Input>> inputs;
    {
        std::lock_guard lock(m_mutex);
        inputs.swap(m_inputs);
    }
    for (auto& input : inputs)
        input->port->close();
}

std::optional<CListener::Message> CListener::next(Clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    if (!m_arrived.wait_until(lock, deadline, [this] { return !m_messages.empty(); }))
        return std::nullopt;
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

void CListener::clear()
{
    std::lock_guard lock(m_mutex);
    m_messages.clear();
}

// ---------------------------------------------------------------------------------

CPacedOut::CPacedOut(CMidiPortProvider& ports, int index, int bytesPerSecond, int pauseMs)
    : CPacedOut(ports.createOut(index), bytesPerSecond, pauseMs)
{}

CPacedOut::CPacedOut(std::unique_ptr<CMidiOutPort> port, int bytesPerSecond, int pauseMs)
    : m_port(std::move(port)), m_rate(bytesPerSecond), m_pauseMs(pauseMs)
{}

bool CPacedOut::open(QString* error)
{
    if (!m_port) {
        if (error)
            *error = QStringLiteral("there is no such MIDI output");
        return false;
    }
    return m_port->open(error);
}

bool CPacedOut::send(const QByteArray& message, QString* error)
{
    const Clock::time_point now = Clock::now();
    // After a quiet spell the schedule starts again from now; during a send each
    // message is due when the bytes before it have had their time on the line.
    if (m_next < now)
        m_next = now;
    std::this_thread::sleep_until(m_next);
    if (!m_port->send(reinterpret_cast<const std::uint8_t*>(message.constData()),
                      static_cast<std::size_t>(message.size()), error))
        return false;
    if (m_rate > 0)
        m_next += std::chrono::microseconds(static_cast<long long>(message.size()) * 1000000 / m_rate);
    m_next += std::chrono::milliseconds(m_pauseMs);
    return true;
}

bool CPacedOut::sendAll(const std::vector<QByteArray>& messages, const std::atomic<bool>* stop, QString* error)
{
    for (const QByteArray& m : messages) {
        if (stop && stop->load())
            return false;
        if (!send(m, error))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------

QByteArray probeRequest(std::uint8_t deviceId)
{
    return sysex::makeRequest(deviceId, sysex::patchAddress(sysex::MemoryArea::Temporary, 0), {0, 0, 0, kProbeSpan});
}

std::optional<SynthModel> modelFromProbeAnswer(int size)
{
    switch (size) {
    case kJv1080Common:
        return SynthModel::Jv1080;
    case kXpCommon:
        return SynthModel::Xp;
    case kJv2080Common:
        return SynthModel::Jv2080;
    default:
        return std::nullopt;
    }
}

namespace {

int commonPrefix(const QString& a, const QString& b)
{
    int n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    return n;
}

// An answer to the probe of deviceId: a DT1 from that device at the temporary patch.
std::optional<SynthModel> probeAnswer(const QByteArray& m, std::uint8_t deviceId)
{
    if (!isDataSet(m) || static_cast<std::uint8_t>(m[sysex::kOffDevice]) != deviceId)
        return std::nullopt;
    if (linearOf(m) != sysex::linearAddress(sysex::patchAddress(sysex::MemoryArea::Temporary, 0)))
        return std::nullopt;
    return modelFromProbeAnswer(dataSize(m));
}

} // namespace

std::vector<FoundSynth> findSynths(CMidiPortProvider& ports, const ProbeOptions& options, QString* error,
                                   const std::function<void(int, int)>& progress, const std::atomic<bool>* stop)
{
    std::vector<FoundSynth> found;
    const QStringList inputs = ports.inputNames();
    const QStringList outputs = ports.outputNames();
    CListener listener;
    std::vector<std::pair<int, std::unique_ptr<CPacedOut>>> outs;
    {
        // Every port is a client of its own on some MIDI systems, and opening one
        // takes a while: they are opened side by side. A port that cannot be opened
        // is not searched.
        std::vector<std::unique_ptr<CPacedOut>> opened(static_cast<std::size_t>(outputs.size()));
        std::vector<char> ok(opened.size(), 0);
        std::vector<std::jthread> openers;
        for (int i = 0; i < inputs.size(); ++i)
            openers.emplace_back(
                [&listener, port = ports.createIn(i), i]() mutable { listener.open(std::move(port), i, nullptr); });
        for (std::size_t o = 0; o < opened.size(); ++o) {
            opened[o] = std::make_unique<CPacedOut>(ports, static_cast<int>(o), 0, 0);
            openers.emplace_back([&opened, &ok, o] { ok[o] = opened[o]->open(nullptr) ? 1 : 0; });
        }
        openers.clear();
        for (std::size_t o = 0; o < opened.size(); ++o) {
            if (ok[o])
                outs.emplace_back(static_cast<int>(o), std::move(opened[o]));
        }
    }
    if (outs.empty() || inputs.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no MIDI input and output pair to search.");
        return found;
    }
    const auto window = std::chrono::milliseconds(options.answerWindowMs);
    const auto gap = std::chrono::milliseconds(options.requestGapMs);
    // The answers by input and device ID, with the model each one named.
    std::map<std::pair<int, std::uint8_t>, SynthModel> answered;
    const auto collect = [&](Clock::time_point deadline) {
        while (auto m = listener.next(deadline)) {
            if (!isDataSet(m->bytes))
                continue;
            const auto deviceId = static_cast<std::uint8_t>(m->bytes[sysex::kOffDevice]);
            if (const auto model = probeAnswer(m->bytes, deviceId))
                answered.emplace(std::make_pair(m->input, deviceId), *model);
        }
    };
    // One request per device ID on every output, a gap apart: an instrument ignores
    // requests for other IDs, and its own answer is out before the next request comes.
    const int total = options.lastId - options.firstId + 1;
    for (int id = options.firstId; id <= options.lastId; ++id) {
        if (stop && stop->load())
            break;
        const QByteArray request = probeRequest(static_cast<std::uint8_t>(id));
        for (auto& [index, out] : outs)
            out->send(request);
        collect(Clock::now() + gap);
        if (progress)
            progress(id - options.firstId + 1, total);
    }
    collect(Clock::now() + window);
    const auto hits = answered;
    for (const auto& [where, model] : hits) {
        // Plain names, not a structured binding: older compilers cannot capture those.
        const auto input = std::get<0>(where);
        const auto deviceId = std::get<1>(where);
        const QByteArray request = probeRequest(deviceId);
        int output = outs.size() == 1 ? outs.front().first : -1;
        // Several outputs were asked at once: ask them one by one to find which one
        // reaches the instrument that answered on this input, first those whose names
        // share most with the input's (the two ports of one interface).
        std::vector<std::size_t> order(outs.size());
        for (std::size_t k = 0; k < order.size(); ++k)
            order[k] = k;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return commonPrefix(inputs[input], outputs[outs[a].first])
                   > commonPrefix(inputs[input], outputs[outs[b].first]);
        });
        for (std::size_t k : order) {
            if (output >= 0 || (stop && stop->load()))
                break;
            listener.clear();
            answered.clear();
            outs[k].second->send(request);
            collect(Clock::now() + window);
            if (answered.count(where) > 0)
                output = outs[k].first;
        }
        if (output >= 0)
            found.push_back({input, output, inputs[input], outputs[output], deviceId, model});
    }
    // Closing waits for each output to drain; they close side by side as well.
    {
        std::vector<std::jthread> closers;
        closers.emplace_back([&listener] { listener.close(); });
        for (auto& entry : outs)
            closers.emplace_back([out = std::move(entry.second)]() mutable { out.reset(); });
    }
    return found;
}

std::optional<SynthModel> askSynth(std::unique_ptr<CMidiInPort> input, std::unique_ptr<CMidiOutPort> output,
                                   std::uint8_t deviceId, int answerWindowMs)
{
    CListener listener;
    CPacedOut out(std::move(output), 0, 0);
    if (!listener.open(std::move(input), 0, nullptr) || !out.open(nullptr))
        return std::nullopt;
    out.send(probeRequest(deviceId));
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(answerWindowMs);
    while (const auto m = listener.next(deadline)) {
        if (const auto model = probeAnswer(m->bytes, deviceId))
            return model;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------

long Record::bytes() const
{
    long n = 0;
    for (const QByteArray& m : messages)
        n += m.size();
    return n;
}

std::vector<Record> recordsOf(const QByteArray& stream)
{
    std::vector<Record> records;
    qsizetype start = 0;
    while (start < stream.size()) {
        start = stream.indexOf(char(sysex::kStart), start);
        if (start < 0)
            break;
        const qsizetype end = stream.indexOf(char(sysex::kEnd), start);
        if (end < 0)
            break;
        const QByteArray message = stream.mid(start, end - start + 1);
        start = end + 1;
        if (!isDataSet(message))
            continue;
        const auto area = static_cast<std::uint8_t>(message[sysex::kOffAddress]);
        const auto number = static_cast<std::uint8_t>(message[sysex::kOffAddress + 1]);
        if (records.empty() || records.back().area != area || records.back().number != number)
            records.push_back({area, number, {}});
        records.back().messages.push_back(message);
    }
    return records;
}

QString recordName(const Record& r)
{
    const bool temp = isTemporary(r);
    switch (kindOf(r)) {
    case Kind::Patch:
        return temp ? QStringLiteral("Temporary patch") : QStringLiteral("Patch %1").arg(numberOf(r));
    case Kind::Performance:
        return temp ? QStringLiteral("Temporary performance") : QStringLiteral("Performance %1").arg(numberOf(r));
    case Kind::Rhythm:
        return temp ? QStringLiteral("Temporary rhythm set") : QStringLiteral("Rhythm set %1").arg(numberOf(r));
    case Kind::TempPart:
        return QStringLiteral("Patch of part %1").arg(r.number + 1);
    case Kind::System:
        break;
    }
    return QStringLiteral("System settings");
}

namespace {

QString joined(const QStringList& items)
{
    if (items.size() <= 1)
        return items.value(0);
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

} // namespace

QString recordListText(const std::vector<Record>& records)
{
    // Numbers of one kind go together: "Patches 12, 57 and 88 and performance 3".
    QStringList groups;
    const std::array<std::pair<Kind, std::pair<const char*, const char*>>, 3> kinds = {
        {{Kind::Patch, {"patch", "patches"}},
         {Kind::Performance, {"performance", "performances"}},
         {Kind::Rhythm, {"rhythm set", "rhythm sets"}}}};
    QStringList others;
    for (const auto& [kind, words] : kinds) {
        QStringList numbers;
        for (const Record& r : records) {
            if (kindOf(r) != kind)
                continue;
            if (isTemporary(r))
                others << recordName(r).toLower();
            else
                numbers << QString::number(numberOf(r));
        }
        if (!numbers.isEmpty())
            groups << QStringLiteral("%1 %2").arg(QLatin1String(numbers.size() == 1 ? words.first : words.second),
                                                  joined(numbers));
    }
    for (const Record& r : records) {
        if (kindOf(r) == Kind::TempPart || kindOf(r) == Kind::System)
            others << recordName(r).toLower();
    }
    groups << others;
    QString text = groups.join(QStringLiteral("; "));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString recordsTitle(const std::vector<Record>& records)
{
    bool card = false;
    bool temp = false;
    QStringList kinds;
    const auto add = [&](const char* word) {
        if (!kinds.contains(QLatin1String(word)))
            kinds << QLatin1String(word);
    };
    for (const Record& r : records) {
        card = card || r.area == sysex::kAreaCardPatch || r.area == sysex::kAreaCardPerformance;
        temp = temp || isTemporary(r);
        switch (kindOf(r)) {
        case Kind::Patch:
        case Kind::TempPart:
            add("Patches");
            break;
        case Kind::Performance:
            add("Performances");
            break;
        case Kind::Rhythm:
            add("Rhythm Sets");
            break;
        case Kind::System:
            add("System");
            break;
        }
    }
    const QString where = temp ? QStringLiteral("Temporary") : card ? QStringLiteral("Card") : QStringLiteral("User");
    return where + QLatin1Char(' ') + joined(kinds);
}

// ---------------------------------------------------------------------------------

namespace {

// The request that covers the records from first to last (consecutive in the stream).
QByteArray spanRequest(std::uint8_t deviceId, const std::vector<Record>& asked, std::size_t first, std::size_t last)
{
    const QByteArray& begin = asked[first].messages.front();
    const QByteArray& end = asked[last].messages.back();
    const std::uint32_t from = linearOf(begin);
    const std::uint32_t to = linearOf(end) + static_cast<std::uint32_t>(dataSize(end));
    const sysex::Address address{static_cast<std::uint8_t>(begin[5]), static_cast<std::uint8_t>(begin[6]),
                                 static_cast<std::uint8_t>(begin[7]), static_cast<std::uint8_t>(begin[8])};
    return sysex::makeRequest(deviceId, address, sysex::addressFromLinear(to - from));
}

} // namespace

ReadResult readBack(CListener& listener, CPacedOut& out, std::uint8_t deviceId, const std::vector<Record>& asked,
                    const ReadOptions& options, const std::atomic<bool>* stop,
                    const std::function<void(int, int)>& progress)
{
    ReadResult result;
    result.records.reserve(asked.size());
    for (const Record& r : asked)
        result.records.push_back({r.area, r.number, {}});
    std::size_t first = 0;
    bool anyAnswer = false;
    while (first < asked.size()) {
        if (stop && stop->load()) {
            result.stopped = true;
            break;
        }
        // A run of records whose addresses follow each other in one area.
        std::size_t last = first;
        while (last + 1 < asked.size() && static_cast<int>(last + 1 - first) < options.recordsPerRequest
               && asked[last + 1].area == asked[first].area && asked[last + 1].number == asked[last].number + 1)
            ++last;
        // The answer's blocks by address: a span also brings blocks that were not sent
        // (the tones between two patch commons), and those are not compared.
        std::map<std::uint32_t, std::size_t> slot;
        for (std::size_t i = first; i <= last; ++i) {
            for (const QByteArray& m : asked[i].messages)
                slot[linearOf(m)] = i;
        }
        const std::size_t expected = slot.size();
        listener.clear();
        out.send(spanRequest(deviceId, asked, first, last));
        std::size_t got = 0;
        Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(options.firstByteMs);
        while (got < expected) {
            const auto m = listener.next(deadline);
            if (!m)
                break;
            if (!isDataSet(m->bytes) || static_cast<std::uint8_t>(m->bytes[sysex::kOffDevice]) != deviceId)
                continue;
            // While the answer flows, wait only as long as the line stays quiet.
            anyAnswer = true;
            deadline = Clock::now() + std::chrono::milliseconds(options.quietMs);
            const auto it = slot.find(linearOf(m->bytes));
            if (it == slot.end())
                continue;
            result.records[it->second].messages.push_back(m->bytes);
            ++got;
        }
        if (!anyAnswer) {
            result.answered = false;
            return result;
        }
        first = last + 1;
        if (progress)
            progress(static_cast<int>(first), static_cast<int>(asked.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(options.requestGapMs));
    }
    result.answered = anyAnswer;
    return result;
}

std::vector<Record> differing(const std::vector<Record>& sent, const std::vector<Record>& read)
{
    std::vector<Record> result;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (i >= read.size() || read[i].messages != sent[i].messages)
            result.push_back(sent[i]);
    }
    return result;
}

} // namespace synthline
