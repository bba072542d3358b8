#include "settings/AppSettings.h"

#include "model/Reporter.h"

#include <QDir>
#include <QStringList>
#include <algorithm>
#include <limits>

namespace {

const char* const kSendKeys[3] = {"SENDPATCH", "SENDPERFORMANCE", "SENDRHYTHM"};
constexpr int kDefaultTime = 127;
constexpr std::array<int, CAppSettings::kEnvelopePoints> kDefaultLevels = {127, 50, 127, 20};

QString key(const char* k)
{
    return QString::fromLatin1(k);
}

} // namespace

CAppSettings::CAppSettings(CIniFile& ini, CReporter* reporter) : m_ini(ini), m_reporter(reporter)
{
    load();
}

int CAppSettings::readInt(const char* k, int fallback, int low, int high) const
{
    const int value = m_ini.readInt(key(kSetup), key(k), fallback);
    // A value outside what the program can use is treated as missing.
    return (value < low || value > high) ? fallback : value;
}

void CAppSettings::load()
{
    Midi m;
    for (ItemKind kind : kItemKinds)
        m.send[kind] = readInt(kSendKeys[kindNumber(kind)], 0, 0, 1) != 0;
    for (int slot = 0; slot < kBoardSlots; ++slot)
        m.boards[static_cast<std::size_t>(slot)] =
            m_ini.readInt(key(kSetup), QStringLiteral("EXPBOARD%1").arg(slot + 1), 0);
    for (int& board : m.boards)
        if (board < 0 || board > kMaxBoard)
            board = 0;
    m.model = static_cast<SynthModel>(readInt("WHICHSYNTH", 0, 0, kModelCount - 1));
    m.deviceId =
        readInt("DEVICEID", SynthSettings::kDefaultDeviceId, SynthSettings::kMinDeviceId, SynthSettings::kMaxDeviceId);
    m.inDevice = readInt("MIDIIN", 0, 0, std::numeric_limits<int>::max());
    m.outDevice = readInt("MIDIOUT", 0, 0, std::numeric_limits<int>::max());
    m.inName = m_ini.readString(key(kSetup), QStringLiteral("MIDIINNAME"));
    m.outName = m_ini.readString(key(kSetup), QStringLiteral("MIDIOUTNAME"));
    m.thru = readInt("ACTIVATEMIDITHRU", 0, 0, 1) != 0;
    m.remote = readInt("REMOTE", kDefaultRemote, 0, kMaxController);
    m.sendRate = readInt("SENDRATE", 3125, 0, kMaxSendRate);
    m.sendPause = readInt("SENDPAUSE", 20, 0, kMaxSendPause);
    m.verifySends = readInt("VERIFYSENDS", 1, 0, 1) != 0;
    m.backupBeforeSend = readInt("BACKUPBEFORESEND", 1, 0, 1) != 0;
    m.keptBackups = readInt("KEPTBACKUPS", kDefaultKeptBackups, 1, kMaxKeptBackups);
    m_midi = m;
    m_synth.model = m.model;
    m_synth.deviceId = static_cast<std::uint8_t>(m.deviceId);

    m_useCategory = readInt("USE_CATEGORY", 0, 0, 1) != 0;
    m_realtime = readInt("REALTIME", 1, 0, 1) != 0;
    m_viewFontSize = readInt("VIEWFONTSIZE", kDefaultFontSize, kMinFontSize, kMaxFontSize);
    m_currentFolder = m_ini.readString(key(kSetup), QStringLiteral("ACTPATH"));
    m_pianoActive = m_ini.readInt(key(kSetup), QStringLiteral("PianoKeyboardActive"), 1) > 0;

    for (int n = 0; n < kPresetCount; ++n) {
        EnvelopePreset& p = m_presets[static_cast<std::size_t>(n)];
        p.name =
            m_ini.readString(key(kEnvPresets), QStringLiteral("NAME%1").arg(n), QStringLiteral("Preset %1").arg(n + 1));
        for (int i = 0; i < kEnvelopePoints; ++i) {
            const auto at = static_cast<std::size_t>(i);
            p.times[at] = m_ini.readInt(key(kEnvPresets), QStringLiteral("Time%1_%2").arg(i + 1).arg(n), kDefaultTime);
            p.levels[at] =
                m_ini.readInt(key(kEnvPresets), QStringLiteral("Level%1_%2").arg(i + 1).arg(n), kDefaultLevels[at]);
        }
    }
}

void CAppSettings::checkWrite(bool ok)
{
    if (ok || m_reportedFailure || !m_reporter)
        return;
    // Said once: the program goes on with the values in memory.
    m_reportedFailure = true;
    m_reporter->showMessage(MessageIcon::Exclamation,
                            QStringLiteral("The settings file %1 could not be written: %2\n"
                                           "Changed settings will be lost when the program ends.")
                                .arg(QDir::toNativeSeparators(m_ini.path()), m_ini.errorString()));
}

void CAppSettings::write(const char* section, const QString& k, const QString& value)
{
    checkWrite(m_ini.writeString(key(section), k, value));
}

void CAppSettings::write(const char* section, const QString& k, int value)
{
    checkWrite(m_ini.writeInt(key(section), k, value));
}

void CAppSettings::setMidi(const Midi& midi)
{
    m_midi = midi;
    m_synth.model = midi.model;
    m_synth.deviceId = static_cast<std::uint8_t>(midi.deviceId);
    m_ini.beginBatch();
    m_ini.writeInt(key(kSetup), QStringLiteral("MIDIIN"), midi.inDevice);
    m_ini.writeInt(key(kSetup), QStringLiteral("MIDIOUT"), midi.outDevice);
    m_ini.writeString(key(kSetup), QStringLiteral("MIDIINNAME"), midi.inName);
    m_ini.writeString(key(kSetup), QStringLiteral("MIDIOUTNAME"), midi.outName);
    for (ItemKind kind : kItemKinds)
        m_ini.writeInt(key(kSetup), key(kSendKeys[kindNumber(kind)]), midi.send[kind] ? 1 : 0);
    m_ini.writeInt(key(kSetup), QStringLiteral("ACTIVATEMIDITHRU"), midi.thru ? 1 : 0);
    m_ini.writeInt(key(kSetup), QStringLiteral("DEVICEID"), midi.deviceId);
    for (int slot = 0; slot < kBoardSlots; ++slot)
        m_ini.writeInt(key(kSetup), QStringLiteral("EXPBOARD%1").arg(slot + 1),
                       midi.boards[static_cast<std::size_t>(slot)]);
    m_ini.writeInt(key(kSetup), QStringLiteral("WHICHSYNTH"), static_cast<int>(midi.model));
    m_ini.writeInt(key(kSetup), QStringLiteral("REMOTE"), midi.remote);
    m_ini.writeInt(key(kSetup), QStringLiteral("SENDRATE"), midi.sendRate);
    m_ini.writeInt(key(kSetup), QStringLiteral("SENDPAUSE"), midi.sendPause);
    m_ini.writeInt(key(kSetup), QStringLiteral("VERIFYSENDS"), midi.verifySends ? 1 : 0);
    m_ini.writeInt(key(kSetup), QStringLiteral("BACKUPBEFORESEND"), midi.backupBeforeSend ? 1 : 0);
    m_ini.writeInt(key(kSetup), QStringLiteral("KEPTBACKUPS"), midi.keptBackups);
    checkWrite(m_ini.endBatch());
}

void CAppSettings::useMidiDefaults(const Midi& midi)
{
    m_midi = midi;
    m_synth.model = midi.model;
    m_synth.deviceId = static_cast<std::uint8_t>(midi.deviceId);
}

void CAppSettings::setRealtime(bool on)
{
    m_realtime = on;
    write(kSetup, QStringLiteral("REALTIME"), on ? 1 : 0);
}

void CAppSettings::setUseCategory(bool on)
{
    m_useCategory = on;
    write(kSetup, QStringLiteral("USE_CATEGORY"), on ? 1 : 0);
}

void CAppSettings::setViewFontSize(int size)
{
    m_viewFontSize = std::clamp(size, kMinFontSize, kMaxFontSize);
    write(kSetup, QStringLiteral("VIEWFONTSIZE"), m_viewFontSize);
}

void CAppSettings::setCurrentFolder(const QString& folder)
{
    m_currentFolder = folder;
    write(kSetup, QStringLiteral("ACTPATH"), folder);
}

void CAppSettings::setPianoKeyboardActive(bool on)
{
    m_pianoActive = on;
    write(kSetup, QStringLiteral("PianoKeyboardActive"), on ? 1 : 0);
}

void CAppSettings::setPresets(const std::array<EnvelopePreset, kPresetCount>& presets)
{
    m_presets = presets;
    m_ini.beginBatch();
    for (int n = 0; n < kPresetCount; ++n) {
        const EnvelopePreset& p = presets[static_cast<std::size_t>(n)];
        m_ini.writeString(key(kEnvPresets), QStringLiteral("NAME%1").arg(n), p.name);
        for (int i = 0; i < kEnvelopePoints; ++i) {
            const auto at = static_cast<std::size_t>(i);
            m_ini.writeInt(key(kEnvPresets), QStringLiteral("Time%1_%2").arg(i + 1).arg(n), p.times[at]);
            m_ini.writeInt(key(kEnvPresets), QStringLiteral("Level%1_%2").arg(i + 1).arg(n), p.levels[at]);
        }
    }
    checkWrite(m_ini.endBatch());
}

bool CAppSettings::randomOption(const QString& group, int tone) const
{
    return m_ini.readInt(key(kSetup), group + QString::number(tone), 1) != 0;
}

void CAppSettings::setRandomOption(const QString& group, int tone, bool on)
{
    write(kSetup, group + QString::number(tone), on ? 1 : 0);
}

QString CAppSettings::libraryKey(int k) const
{
    return m_ini.readString(key(kLibrary), QStringLiteral("Key%1").arg(k), QStringLiteral("No Entry"));
}

std::set<int> CAppSettings::installedBoards() const
{
    constexpr int kLastBoard = 127;
    std::set<int> boards;
    const QString text = m_ini.readString(key(kLibrary), QStringLiteral("Boards"), QString());
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int b = part.trimmed().toInt(&ok);
        if (ok && b >= 1 && b <= kLastBoard)
            boards.insert(b);
    }
    return boards;
}

void CAppSettings::setInstalledBoards(const std::set<int>& boards)
{
    QStringList parts;
    for (int b : boards)
        parts << QString::number(b);
    write(kLibrary, QStringLiteral("Boards"), parts.join(QLatin1Char(',')));
}

void CAppSettings::setLibraryKey(int k, const QString& name)
{
    write(kLibrary, QStringLiteral("Key%1").arg(k), name);
}

void CAppSettings::setLibraryKeys(const std::vector<QString>& names)
{
    m_ini.beginBatch();
    for (std::size_t k = 0; k < names.size(); ++k)
        m_ini.writeString(key(kLibrary), QStringLiteral("Key%1").arg(k), names[k]);
    checkWrite(m_ini.endBatch());
}

QString CAppSettings::folderOf(const QString& path)
{
    const int slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash < 0 ? QString() : path.left(slash + 1);
}
