#pragma once

// What the editor tests share: the program's services with the name files of the source
// tree, the envelope graphs of the control modules of the build, and real patches.

#include "../support/AppSession.h"
#include "controls/common/ControlFactory.h"
#include "controls/common/ControlRegistry.h"
#include "editors/EditPatchDlg.h"
#include "editors/ParamPage.h"
#include "midi/LoopbackDevice.h"
#include "midi/Midi.h"
#include "model/ExpansionNames.h"
#include "model/PatchArray.h"
#include "settings/AppSettings.h"
#include "ui/Services.h"

#include <QFile>

namespace editortest {

// The program's services, with names from the source tree's name files.
class CTestServices : public CServices
{
public:
    explicit CTestServices(CServices& program)
        : m_program(program), m_names(QStringLiteral(TONELOOM_SOURCE_DIR "/data"), m_reporter)
    {}
    CAppSettings& settings() override { return m_program.settings(); }
    CMidi& midi() override { return m_program.midi(); }
    CPrompter& prompter() override { return m_program.prompter(); }
    CExpansionNames& names() override { return m_names; }
    CCopybox& copybox() override { return m_program.copybox(); }
    QPrinter& printer() override { return m_program.printer(); }
    QString chooseSaveFile(const QString& f, const QString& s, const QString& title = {}) override
    {
        return m_program.chooseSaveFile(f, s, title);
    }
    bool sendBank(CToneloomDoc& d, BankPart w, bool c, const BankSlots* only = nullptr) override
    {
        return m_program.sendBank(d, w, c, only);
    }
    bool isTransferActive() const override { return m_program.isTransferActive(); }
    CEnvelopeGraph* createEnvelopeGraph(QWidget* parent) override { return m_program.createEnvelopeGraph(parent); }
    CValueKnob* createKnob(QWidget* parent) override { return m_program.createKnob(parent); }
    QWidget* createCaption(const QString& text, QWidget* parent) override
    {
        return m_program.createCaption(text, parent);
    }
    void setRhythmKey(int key) override { m_program.setRhythmKey(key); }

private:
    CServices& m_program;
    CCollectingReporter m_reporter;
    CExpansionNames m_names;
};

// The control modules of this build, found beside the build's programs only.
inline void useBuiltControls(const QString& registryFolder)
{
    qputenv(CControlRegistry::kPathVariable,
            QDir(registryFolder).filePath(QStringLiteral("controls.json")).toLocal8Bit());
    CControlFactory::setFallbackFolders({QStringLiteral(TONELOOM_BIN_DIR)});
}

inline QString realDump(const QString& name)
{
    return QStringLiteral(TONELOOM_TESTDATA_DIR "/real/") + name;
}

// Patch index of a real dump; empty when the dumps are absent.
inline QByteArray realPatch(const QString& file, int index)
{
    QFile f(realDump(file));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    CPatchArray patches;
    if (patches.Load(f) <= index)
        return {};
    return patches.record(index);
}

inline QByteArray newPatch()
{
    CPatchArray patches;
    return patches.record(0);
}

// The messages sent since the last call, one per entry.
inline QList<QByteArray> takeSent(CLoopbackDevice& ports, CMidi& midi)
{
    midi.waitUntilSent();
    QList<QByteArray> out;
    for (const auto& s : ports.sent())
        out << s.bytes;
    ports.clearSent();
    return out;
}

// Address and data of messages: "03 00 10 51 64".
inline QStringList addressed(const QList<QByteArray>& messages)
{
    QStringList out;
    for (const QByteArray& m : messages)
        out << QString::fromLatin1(m.mid(5, m.size() - 7).toHex(' '));
    return out;
}

inline CParamPage* paramPage(const CEditPatchDlg& dlg)
{
    return qobject_cast<CParamPage*>(dlg.currentPage());
}

} // namespace editortest
