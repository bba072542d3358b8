#include "app/AppServices.h"

#include "app/DocumentHost.h"
#include "app/KurvexGraph.h"
#include "app/ModuleKnob.h"
#include "app/Transfers.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/ToneloomView.h"
#include "library/LibraryDocument.h"
#include "library/ui/LibraryView.h"
#include "midi/BulkTransfer.h"
#include "midi/CheckedSend.h"
#include "midi/Midi.h"
#include "midi/MidiLog.h"
#include "model/ExpansionNames.h"
#include "model/ParamTable.h"
#include "playsurfaces/Captile.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>

namespace {

constexpr int kMidiBufferSize = 1024;

CMidiSettings engineSettings(const CAppSettings::Midi& midi)
{
    CMidiSettings engine;
    engine.inDevice = midi.inDevice;
    engine.outDevice = midi.outDevice;
    engine.inName = midi.inName;
    engine.outName = midi.outName;
    engine.sendRate = midi.sendRate;
    engine.sendPause = midi.sendPause;
    engine.chunkSize = kMidiBufferSize;
    return engine;
}

// The open bank and library windows, in the order they were opened.
template <typename View>
std::vector<View*> openViews(const CDocumentHost& host)
{
    std::vector<View*> views;
    for (QWidget* window : host.documentWindows())
        if (auto* view = qobject_cast<View*>(window))
            views.push_back(view);
    return views;
}

} // namespace

CAppServices::CAppServices(CAppSettings& settings, CPrompter& prompter, CMidiPortProvider& ports, CDocumentHost& host)
    : m_settings(settings), m_prompter(prompter), m_ports(ports), m_host(host),
      m_names(std::make_unique<CExpansionNames>(prompter)), m_printer(std::make_unique<QPrinter>())
{
    m_midi = std::make_unique<CMidi>(ports, prompter, engineSettings(settings.midi()));
    // With TONELOOM_MIDI_LOG naming a file, everything that passes the engine from now
    // on is written to it.
    m_midiLog = CMidiLog::fromEnvironment(*m_midi, prompter);
    for (const auto& request : sysex::kNamedRequests)
        m_midi->AddRequest(QString::fromLatin1(request.name), QString::fromLatin1(request.message));
    m_bulk = std::make_unique<CBulkTransfer>(*m_midi, settings.synth());
    // Connected before the checked send exists, so that this runs first (Qt calls the
    // slots of a signal in the order they were connected): the transfers leave the end
    // of a checked send's stream to it, and must see it still running to know.
    connect(m_bulk.get(), &CBulkTransfer::finished, this,
            [this](CBulkTransfer::Outcome, bool openFile) { m_transfers->bulkFinished(openFile); });
    m_checked = std::make_unique<CCheckedSend>(*m_midi, *m_bulk, ports);
    m_transfers = std::make_unique<CTransfers>(settings, prompter, ports, *m_midi, *m_bulk, *m_checked);
    m_midi->SetThru(settings.midi().thru);
}

CAppServices::~CAppServices()
{
    // The windows are gone. The transfers go before what they follow, the checked send
    // before the transfer it sends through.
    m_transfers.reset();
    m_checked.reset();
    m_bulk.reset();
    // Closing the output ends whatever still sounds, and the log gets the last
    // messages before it closes.
    m_midi->CloseOut();
    m_midi->deliverTraffic();
    m_midiLog.reset();
    m_midi.reset();
}

void CAppServices::setCurrentFolder(const QString& folder)
{
    m_settings.setCurrentFolder(folder);
}

void CAppServices::enterCurrentFolder()
{
    const QString folder = m_settings.currentFolder();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        QDir::setCurrent(folder);
}

QString CAppServices::chooseSaveFile(const QString& filter, const QString& defaultSuffix, const QString& title)
{
    enterCurrentFolder();
    const QString path = m_prompter.chooseSaveFileName(filter, defaultSuffix, title);
    if (!path.isEmpty())
        setCurrentFolder(CAppSettings::folderOf(QFileInfo(path).absoluteFilePath()));
    return path;
}

bool CAppServices::isTransferActive() const
{
    return m_transfers->isActive();
}

bool CAppServices::sendBank(CToneloomDoc& document, BankPart which, bool cardMemory, const BankSlots* only)
{
    if (isTransferActive())
        return false;
    // The file streamed to the synthesizer is a scratch file of this send alone, made
    // privately in the temporary folder, never a fixed name there that another user
    // could have planted; it is removed when the send is over.
    const auto area = cardMemory ? sysex::MemoryArea::Card : sysex::MemoryArea::User;
    return m_transfers->sendScratchFile(document.SaveForSend(which, area, m_settings.synth().deviceId, only));
}

bool CAppServices::sendChecked(const QByteArray& bytes)
{
    return m_transfers->sendChecked(bytes);
}

QStringList CAppServices::openRecordLines(params::Editor kind)
{
    QStringList lines;
    for (CToneloomView* view : openViews<CToneloomView>(m_host)) {
        // The file's name, or "Bank1" for a new bank.
        const QString bank = view->documentTitle();
        const CRecordArray& records = view->document().array(params::itemKindOf(kind));
        for (int i = 0; i < records.GetCount(); ++i)
            lines << QStringLiteral("%1 %2: %3").arg(bank).arg(i + 1).arg(records.name(i).trimmed());
    }
    // Libraries hold patches only.
    if (kind != params::Editor::Patch)
        return lines;
    for (CLibraryView* view : openViews<CLibraryView>(m_host)) {
        const CLibraryDocument& library = view->document();
        const QString name = QFileInfo(library.path()).fileName();
        for (int i = 0; i < library.count(); ++i)
            lines << QStringLiteral("%1 %2: %3").arg(name).arg(i + 1).arg(library.name(i).trimmed());
    }
    return lines;
}

QByteArray CAppServices::openRecord(params::Editor kind, int line)
{
    for (CToneloomView* view : openViews<CToneloomView>(m_host)) {
        const CRecordArray& records = view->document().array(params::itemKindOf(kind));
        if (line >= 0 && line < records.GetCount())
            return records.record(line);
        line -= records.GetCount();
    }
    if (kind != params::Editor::Patch || line < 0)
        return {};
    for (CLibraryView* view : openViews<CLibraryView>(m_host)) {
        const CLibraryDocument& library = view->document();
        if (line < library.count())
            return library.ReadPatch(line).value_or(QByteArray());
        line -= library.count();
    }
    return {};
}

CEnvelopeGraph* CAppServices::createEnvelopeGraph(QWidget* parent)
{
    return new CKurvexGraph(parent);
}

CValueKnob* CAppServices::createKnob(QWidget* parent)
{
    auto* knob = new CModuleKnob(parent);
    if (knob->isValid())
        return knob;
    delete knob;
    return nullptr;
}

QWidget* CAppServices::createCaption(const QString& text, QWidget* parent)
{
    auto* caption = new CCaptile(parent);
    if (!caption->create()) {
        delete caption;
        return nullptr;
    }
    caption->SetCaption(text);
    return caption;
}
