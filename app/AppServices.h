#pragma once

#include "bank/Copybox.h"
#include "ui/Services.h"

#include <QObject>
#include <QString>
#include <memory>

class CAppSettings;
class CBulkTransfer;
class CCheckedSend;
class CDocumentHost;
class CExpansionNames;
class CMidi;
class CMidiLog;
class CMidiPortProvider;
class CPrompter;
class CTransfers;
class QPrinter;

// What the program's windows share, made once when the program starts and gone after
// the last window: the MIDI engine (with its traffic log and named requests), the bulk
// transfer and the checked send over it, the transfers as the user sees them, the name
// store, the copybox and the printer. Windows and dialogs get it as their services.
//
// The order in which it builds and ends these is part of what they do: the transfers
// hear a bulk transfer's end before the checked send does, and at the end the engine's
// output closes (ending what still sounds) and its last traffic reaches the log before
// either goes.
class CAppServices : public QObject, public CServices
{
    Q_OBJECT

public:
    CAppServices(CAppSettings& settings, CPrompter& prompter, CMidiPortProvider& ports, CDocumentHost& host);
    ~CAppServices() override;

    // CServices
    CAppSettings& settings() override { return m_settings; }
    CMidi& midi() override { return *m_midi; }
    CPrompter& prompter() override { return m_prompter; }
    CExpansionNames& names() override { return *m_names; }
    CCopybox& copybox() override { return m_copybox; }
    QPrinter& printer() override { return *m_printer; }
    QString chooseSaveFile(const QString& filter, const QString& defaultSuffix,
                           const QString& title = QString()) override;
    bool sendBank(CToneloomDoc& document, BankPart which, bool cardMemory, const BankSlots* only = nullptr) override;
    bool sendChecked(const QByteArray& bytes) override;
    bool isTransferActive() const override;
    QStringList openRecordLines(params::Editor kind) override;
    QByteArray openRecord(params::Editor kind, int line) override;
    CEnvelopeGraph* createEnvelopeGraph(QWidget* parent) override;
    CValueKnob* createKnob(QWidget* parent) override;
    QWidget* createCaption(const QString& text, QWidget* parent) override;
    void setRhythmKey(int key) override { m_rhythmKey = key; }

    // The rhythm editor's current drum key, -1 when none; the right button plays it.
    int rhythmKey() const { return m_rhythmKey; }
    CMidiPortProvider& ports() { return m_ports; }
    CBulkTransfer& bulkTransfer() { return *m_bulk; }
    // The backup before and the verification after a send from the windows.
    CCheckedSend& checkedSend() { return *m_checked; }
    CTransfers& transfers() { return *m_transfers; }
    // The traffic log the environment asked for, or none.
    CMidiLog* midiLog() const { return m_midiLog.get(); }

    // The folder where the program's own file dialogs start, and making it the
    // process's current directory.
    void setCurrentFolder(const QString& folder);
    void enterCurrentFolder();

private:
    CAppSettings& m_settings;
    CPrompter& m_prompter;
    CMidiPortProvider& m_ports;
    CDocumentHost& m_host;
    std::unique_ptr<CExpansionNames> m_names;
    CCopybox m_copybox;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<CMidi> m_midi;
    std::unique_ptr<CMidiLog> m_midiLog;
    std::unique_ptr<CBulkTransfer> m_bulk;
    std::unique_ptr<CCheckedSend> m_checked;
    std::unique_ptr<CTransfers> m_transfers;
    int m_rhythmKey = -1;
};
