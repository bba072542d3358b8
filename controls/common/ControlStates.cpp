#include "controls/common/ControlStates.h"

namespace ControlState {

namespace {

void writeHead(QDataStream& stream, quint32 version, QSize extent, const StockRecord& stock)
{
    stream << version;
    writeExtent(stream, extent);
    writeStockRecord(stream, stock);
}

// Reads the version, extent and stock properties; true when the control's own values
// follow (the version is the current one) and the stream is still sound.
bool readHead(QDataStream& stream, quint32& version, QSize& extent, StockRecord& stock)
{
    stream >> version;
    extent = readExtent(stream);
    readStockRecord(stream, stock);
    return version == kVersion && stream.status() == QDataStream::Ok;
}

bool isSound(const QDataStream& stream)
{
    return stream.status() == QDataStream::Ok;
}

} // namespace

void writeState(QDataStream& stream, const KurvexState& state)
{
    CByteOrderGuard guard(stream);
    writeHead(stream, state.version, state.extent, state.stock);
    if (state.version == kVersion)
        stream << quint8(state.helpLine ? 1 : 0);
}

bool readState(QDataStream& stream, KurvexState& state)
{
    CByteOrderGuard guard(stream);
    if (readHead(stream, state.version, state.extent, state.stock)) {
        quint8 helpLine = 1;
        stream >> helpLine;
        state.helpLine = helpLine != 0;
    }
    return isSound(stream);
}

void writeState(QDataStream& stream, const PickvaneState& state)
{
    CByteOrderGuard guard(stream);
    writeHead(stream, state.version, state.extent, state.stock);
    if (state.version != kVersion)
        return;
    writeText(stream, state.listItems);
    writeText(stream, state.sysExString);
    writeText(stream, state.listValues);
    stream << state.selection;
}

bool readState(QDataStream& stream, PickvaneState& state)
{
    CByteOrderGuard guard(stream);
    if (readHead(stream, state.version, state.extent, state.stock)) {
        state.listItems = readText(stream);
        state.sysExString = readText(stream);
        state.listValues = readText(stream);
        stream >> state.selection;
    }
    return isSound(stream);
}

void writeState(QDataStream& stream, const KnobState& state)
{
    CByteOrderGuard guard(stream);
    writeHead(stream, state.version, state.extent, state.stock);
    if (state.version != kVersion)
        return;
    writeText(stream, state.sysExString);
    stream << state.initialValue << state.minimum << state.maximum << quint8(state.sendOnReset ? 1 : 0);
}

bool readState(QDataStream& stream, KnobState& state)
{
    CByteOrderGuard guard(stream);
    if (readHead(stream, state.version, state.extent, state.stock)) {
        state.sysExString = readText(stream);
        quint8 sendOnReset = 0;
        stream >> state.initialValue >> state.minimum >> state.maximum >> sendOnReset;
        state.sendOnReset = sendOnReset != 0;
    }
    return isSound(stream);
}

void writeState(QDataStream& stream, const CaptileState& state)
{
    CByteOrderGuard guard(stream);
    writeHead(stream, state.version, state.extent, state.stock);
}

bool readState(QDataStream& stream, CaptileState& state)
{
    CByteOrderGuard guard(stream);
    readHead(stream, state.version, state.extent, state.stock);
    return isSound(stream);
}

} // namespace ControlState
