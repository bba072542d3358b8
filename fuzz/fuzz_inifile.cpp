// Reads arbitrary bytes as a settings file: no crash, no hang, and what is written back
// reads back the same; a value set in memory survives a write and a read.
#include "settings/IniFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CIniFile ini{QString()}; // no file: nothing is ever written to disk
    ini.parse(bytes);
    // Whatever was read, the file as written is stable from its first rewrite on.
    const QByteArray first = ini.toBytes();
    ini.parse(first);
    const QByteArray second = ini.toBytes();
    ini.parse(second);
    if (ini.toBytes() != second)
        std::abort();

    // The settings the program reads, looked up in whatever the file holds.
    for (const char* key : {"DEVICEID", "WHICHSYNTH", "SENDRATE", "MainWindow", "File1"}) {
        ini.readInt(QStringLiteral("SETUP"), QLatin1String(key), -1);
        ini.readString(QStringLiteral("Recent File List"), QLatin1String(key));
    }

    // A value written in a batch (memory only) reads back as written after a round trip.
    const QString value = QStringLiteral("v%1,C:\\x").arg(size);
    ini.beginBatch();
    ini.writeString(QStringLiteral("Fuzz Section"), QStringLiteral("Key"), value);
    if (ini.readString(QStringLiteral("FUZZ SECTION"), QStringLiteral("key")) != value)
        std::abort();
    ini.parse(ini.toBytes());
    if (ini.readString(QStringLiteral("fuzz section"), QStringLiteral("KEY")) != value)
        std::abort();
    ini.writeInt(QStringLiteral("Fuzz Section"), QStringLiteral("Number"), -12345);
    if (ini.readInt(QStringLiteral("Fuzz Section"), QStringLiteral("Number"), 0) != -12345)
        std::abort();
    return 0;
}
