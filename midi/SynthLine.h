#pragma once

#include "midi/MidiInputParser.h"
#include "midi/MidiPortProvider.h"
#include "model/SynthSettings.h"
#include "model/SysEx.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Questions to a synthesizer and their answers, outside the engine's bulk transfers:
// the search for an instrument, the read-back after a send and the backup before one.
// Everything here blocks the calling thread (the command-line tool, or a worker thread
// of the program); the ports' callbacks only queue what arrives.
namespace synthline {

using Clock = std::chrono::steady_clock;

// The System Exclusive messages arriving on a set of inputs, each with the input it
// came on.
class CListener
{
public:
    struct Message
    {
        int input = 0; // position in the list the inputs were opened from
        QByteArray bytes;
    };
    ~CListener();
    // Opens the input at index of ports; false with error set when it cannot be opened.
    bool open(CMidiPortProvider& ports, int index, QString* error);
    // Opens a port made elsewhere; its messages carry index.
    bool open(std::unique_ptr<CMidiInPort> port, int index, QString* error);
    void close();
    // The next message, waiting until deadline; nullopt when none came in time.
    std::optional<Message> next(Clock::time_point deadline);
    // Forgets what arrived and was not taken.
    void clear();

private:
    struct Input
    {
        int index = 0;
        std::unique_ptr<CMidiInPort> port;
        CMidiInputParser parser;
    };
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<Message> m_messages;
    std::vector<std::unique_ptr<Input>> m_inputs;
};

// Sends whole messages on one output at no more than a byte rate, each message's
// start taken from the line's own schedule (the sum of the bytes before it), so that
// a late start does not add up over a long send.
class CPacedOut
{
public:
    CPacedOut(CMidiPortProvider& ports, int index, int bytesPerSecond, int pauseMs);
    CPacedOut(std::unique_ptr<CMidiOutPort> port, int bytesPerSecond, int pauseMs);
    bool open(QString* error);
    bool send(const QByteArray& message, QString* error = nullptr);
    // Sends messages one after another; stop (may be null) ends it between two messages.
    bool sendAll(const std::vector<QByteArray>& messages, const std::atomic<bool>* stop, QString* error);

private:
    std::unique_ptr<CMidiOutPort> m_port;
    int m_rate;
    int m_pauseMs;
    Clock::time_point m_next{};
};

// One instrument found by the search.
struct FoundSynth
{
    int input = -1;
    int output = -1;
    QString inputName;
    QString outputName;
    std::uint8_t deviceId = 0; // the stored byte 10h..1Fh
    SynthModel model = SynthModel::Jv2080;
};

// The request of the search: the common block of the temporary patch, asked with the
// span of the longest layout. The answer's length names the model: the JV-1080's
// block holds 72 bytes, the XP's 73 and the JV-2080's 74.
QByteArray probeRequest(std::uint8_t deviceId);
// The model whose temporary patch common block answers with dataSize bytes.
std::optional<SynthModel> modelFromProbeAnswer(int dataSize);

struct ProbeOptions
{
    int answerWindowMs = 200; // how long the last request waits for its answer
    // Between two requests on one output: longer than the answer to one takes on a
    // MIDI cable (85 bytes, 27 ms), so that no request arrives while an answer goes out.
    int requestGapMs = 40;
    std::uint8_t firstId = SynthSettings::kMinDeviceId;
    std::uint8_t lastId = SynthSettings::kMaxDeviceId;
};

// Asks every device ID on every output, one request after another with a gap between,
// and listens on every input. An answer on an input while several outputs were asked
// is traced to its output by asking them one by one. progress (may be null) gets the
// IDs asked.
std::vector<FoundSynth> findSynths(CMidiPortProvider& ports, const ProbeOptions& options, QString* error,
                                   const std::function<void(int done, int total)>& progress = {},
                                   const std::atomic<bool>* stop = nullptr);

// Asks the instrument on one port pair whether it answers on deviceId; its model when
// it does.
// The ports may be made on another thread (a provider's lists are not shared between
// threads); they are opened and closed here.
std::optional<SynthModel> askSynth(std::unique_ptr<CMidiInPort> input, std::unique_ptr<CMidiOutPort> output,
                                   std::uint8_t deviceId, int answerWindowMs);

// One record of a send (a patch, a performance, a rhythm set, or a temporary item):
// the DT1 messages that share the first two address bytes, in the order sent.
struct Record
{
    std::uint8_t area = 0;   // first address byte
    std::uint8_t number = 0; // second address byte
    std::vector<QByteArray> messages;
    long bytes() const;
};
// The records of a stream of DT1 messages; other bytes are skipped.
std::vector<Record> recordsOf(const QByteArray& stream);
// "Patch 12", "Performance 3", "Rhythm set 2", "Temporary patch" ...
QString recordName(const Record& record);
// "Patches 12, 57 and 88", "Performance 3", "Patch 5 and rhythm set 2" ...
QString recordListText(const std::vector<Record>& records);
// What a set of records holds, for a file name: "User Patches", "Card Performances",
// "User Patches and Performances".
QString recordsTitle(const std::vector<Record>& records);

struct ReadOptions
{
    int firstByteMs = 1000;     // a request that brings no byte within this gets no answer
    int quietMs = 400;          // an answer that stops for this long is over
    int requestGapMs = 20;      // between the end of an answer and the next request
    int recordsPerRequest = 16; // consecutive records asked in one request
};

// Reads the records back from the instrument: one request for each run of consecutive
// records, the answers sorted to their records by address. answered is false when the
// instrument did not answer at all (the first request brought nothing); the result
// then holds what came. Each record comes back with the messages that answered it.
struct ReadResult
{
    bool answered = false;
    bool stopped = false;
    std::vector<Record> records; // same order as asked
};
ReadResult readBack(CListener& listener, CPacedOut& out, std::uint8_t deviceId, const std::vector<Record>& asked,
                    const ReadOptions& options, const std::atomic<bool>* stop = nullptr,
                    const std::function<void(int done, int total)>& progress = {});

// The records of sent whose read-back (same positions in read) differs byte for byte.
std::vector<Record> differing(const std::vector<Record>& sent, const std::vector<Record>& read);

} // namespace synthline
