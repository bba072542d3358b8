#pragma once

#include "model/ItemKind.h"
#include "model/SynthSettings.h"
#include "settings/IniFile.h"

#include <QString>
#include <array>
#include <set>
#include <vector>

class CReporter;

// Every setting of the program, read once from the settings file and written back
// the moment it changes. The main frame owns one and hands it to whoever needs it.
class CAppSettings
{
public:
    static constexpr const char* kSetup = "SETUP";
    static constexpr const char* kWinPos = "WIN_POS";
    static constexpr const char* kEnvPresets = "ENV_PRESETS";
    static constexpr const char* kLibrary = "LIBRARY";

    static constexpr int kBoardSlots = 8;
    static constexpr int kBoardSlotsJv1080 = 4; // slots 5..8 exist only on the JV-2080
    static constexpr int kMaxBoard = 127;
    static constexpr int kPresetCount = 10;
    static constexpr int kEnvelopePoints = 4;
    static constexpr int kLibraryKeys = 256;
    static constexpr int kRandomTones = 4;
    static constexpr int kMaxController = 127;
    static constexpr int kDefaultRemote = 6;
    static constexpr int kDefaultFontSize = 13;
    static constexpr int kMinFontSize = 6;
    static constexpr int kMaxFontSize = 72;
    static constexpr int kMaxSendRate = 1000000;
    static constexpr int kMaxSendPause = 10000;
    static constexpr int kDefaultKeptBackups = 30;
    static constexpr int kMaxKeptBackups = 9999;

    struct EnvelopePreset
    {
        QString name;
        std::array<int, kEnvelopePoints> times{};
        std::array<int, kEnvelopePoints> levels{};
    };

    // The MIDI values the settings dialog shows and stores together.
    struct Midi
    {
        int inDevice = 0;
        int outDevice = 0;
        QString inName;
        QString outName;
        int deviceId = SynthSettings::kDefaultDeviceId;
        bool thru = false;
        int remote = kDefaultRemote;
        SynthModel model = SynthModel::Jv1080;
        ByKind<bool> send{};                   // by item kind
        std::array<int, kBoardSlots> boards{}; // 0 none, else the board number
        int sendRate = 3125;                   // bytes per second, 0 as fast as the port takes it
        int sendPause = 20;                    // ms after each System Exclusive message
        bool verifySends = true;               // read back what a send wrote and resend what differs
        bool backupBeforeSend = true;          // receive what a send overwrites into a backup file first
        int keptBackups = kDefaultKeptBackups; // the newest backups kept in the backups folder
    };

    // reporter (may be null) hears once when the file cannot be written.
    explicit CAppSettings(CIniFile& ini, CReporter* reporter = nullptr);

    void load();
    CIniFile& ini() { return m_ini; }

    const Midi& midi() const { return m_midi; }
    void setMidi(const Midi& midi);
    // Takes values the user did not choose (first-run defaults) without writing them.
    void useMidiDefaults(const Midi& midi);

    // The model and device ID as the documents use them; the reference stays valid.
    const SynthSettings& synth() const { return m_synth; }

    bool realtime() const { return m_realtime; }
    void setRealtime(bool on);
    bool useCategory() const { return m_useCategory; }
    void setUseCategory(bool on);
    int viewFontSize() const { return m_viewFontSize; }
    void setViewFontSize(int size);
    QString currentFolder() const { return m_currentFolder; }
    void setCurrentFolder(const QString& folder);
    bool pianoKeyboardActive() const { return m_pianoActive; }
    void setPianoKeyboardActive(bool on);

    const EnvelopePreset& preset(int n) const { return m_presets[static_cast<std::size_t>(n)]; }
    void setPresets(const std::array<EnvelopePreset, kPresetCount>& presets);

    // The check boxes of the random-patch dialog: group "Effect", "Wave", ... and tone 1..4.
    bool randomOption(const QString& group, int tone) const;
    void setRandomOption(const QString& group, int tone, bool on);

    QString libraryKey(int key) const;
    void setLibraryKey(int key, const QString& name);
    // All key names at once ("Key0" onwards), written in one go.
    void setLibraryKeys(const std::vector<QString>& names);
    // The expansion boards the instrument has (numbers 1..127), section "LIBRARY",
    // "Boards" = "1,7,12"; none when the key is missing.
    std::set<int> installedBoards() const;
    void setInstalledBoards(const std::set<int>& boards);

    // The folder of a chosen file: the path without its file name, separator kept.
    static QString folderOf(const QString& path);

private:
    void write(const char* section, const QString& key, const QString& value);
    void write(const char* section, const QString& key, int value);
    int readInt(const char* key, int fallback, int low, int high) const;
    void checkWrite(bool ok);

    CIniFile& m_ini;
    CReporter* m_reporter;
    bool m_reportedFailure = false;

    Midi m_midi;
    SynthSettings m_synth;
    bool m_realtime = true;
    bool m_useCategory = false;
    int m_viewFontSize = kDefaultFontSize;
    QString m_currentFolder;
    bool m_pianoActive = true;
    std::array<EnvelopePreset, kPresetCount> m_presets;
};
