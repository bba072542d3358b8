// Mutate and Morph in the patch editor and Mutate on bank items: each press is one
// variation made by the core from the dialog's settings, only the rows that changed are
// sent, "Keep" puts the blend in the editor, and on a bank it is one step of its history.

#include "EditorFixture.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/ToneloomView.h"
#include "editors/EditRhythmDlg.h"
#include "editors/MorphDlg.h"
#include "editors/MutateDlg.h"
#include "editors/PerformanceEditDlg.h"
#include "library/LibraryRecord.h"
#include "model/ParamMessages.h"
#include "model/PatchVariation.h"
#include "model/PerformanceArray.h"
#include "model/RecordEdit.h"
#include "model/RecordLayout.h"
#include "model/RhythmArray.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

using namespace editortest;

namespace {

// The messages that bring an instrument holding from to to, row by row.
QList<QByteArray> rowMessages(params::Editor kind, const QByteArray& from, const QByteArray& to, std::uint8_t device)
{
    QList<QByteArray> out;
    for (const variation::ChangedRow& c : variation::changedRows(kind, from, to)) {
        const auto* data =
            reinterpret_cast<const std::uint8_t*>(to.constData()) + recordlayout::dataOffset(c.param->block, c.index);
        out << params::rowMessage(*c.param, c.index, data, device);
    }
    return out;
}

QByteArray newRecord(params::Editor kind)
{
    switch (kind) {
    case params::Editor::Performance:
        return CPerformanceArray().record(0);
    case params::Editor::Rhythm:
        return CRhythmArray().record(0);
    case params::Editor::Patch:
        break;
    }
    return newPatch();
}

std::unique_ptr<CRecordEditDlg> openEditor(CServices& services, params::Editor kind, const QByteArray& record)
{
    switch (kind) {
    case params::Editor::Performance:
        return std::make_unique<CPerformanceEditDlg>(services, record);
    case params::Editor::Rhythm:
        return std::make_unique<CEditRhythmDlg>(services, record);
    case params::Editor::Patch:
        break;
    }
    return std::make_unique<CEditPatchDlg>(services, record);
}

// Every row of a record holds a value its row accepts.
bool allRowsValid(params::Editor kind, const QByteArray& image)
{
    bool ok = true;
    for (const variation::ChangedRow& c : variation::changedRows(kind, QByteArray(image.size(), '\0'), image)) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(image.constData())
                           + recordlayout::dataOffset(c.param->block, c.index);
        if (c.param->encoding != params::Encoding::Name && !params::holdsValidValue(*c.param, data)) {
            qWarning() << "out of range:" << c.param->id << c.index;
            ok = false;
        }
    }
    return ok;
}

void addKinds()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("tones");        // tone boxes Mutate shows
    QTest::addColumn<QString>("sections"); // and the section boxes
    QTest::newRow("patch") << int(params::Editor::Patch) << 4
                           << "Pitch, Filter, Amplitude, Envelopes, LFOs / controls, Effects, Waves";
    QTest::newRow("performance") << int(params::Editor::Performance) << 0 << "Pitch, Amplitude, Effects, Waves";
    QTest::newRow("rhythm set") << int(params::Editor::Rhythm) << 0
                                << "Pitch, Filter, Amplitude, Envelopes, LFOs / controls, Effects, Waves";
}

} // namespace

class TestEditVary : public testsupport::CAppTestCase
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        useBuiltControls(m_dir.path());
    }

    // Two presses: two variations, each from the seed shown, each sending only its rows.
    void mutatePresses()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CMidi& midi = s->frame()->services().midi();
        CEditPatchDlg dlg(s->frame()->services(), newPatch());
        takeSent(ports, midi);
        const SynthSettings synth = s->app->settings().synth();
        QList<QByteArray> before;
        QList<QByteArray> after;
        QList<QList<QByteArray>> sent;
        s->prompter.onExec = [&](QDialog& dialog) {
            auto* m = qobject_cast<CMutateDlg*>(&dialog);
            if (!m)
                return int(QDialog::Rejected);
            m->amountBox()->setValue(40);
            m->toneBox(3)->setChecked(false);
            for (std::uint32_t seed : {42U, 43U}) {
                m->seedEdit()->setText(QString::number(seed));
                before << dlg.patch();
                QTest::mouseClick(m->mutateButton(), Qt::LeftButton);
                after << dlg.patch();
                sent << takeSent(ports, midi);
                if (m->seed() == seed)
                    return int(QDialog::Rejected); // the seed must move on
                if (!m->lastSeedLabel()->text().contains(QString::number(seed)))
                    return int(QDialog::Rejected);
            }
            return int(QDialog::Rejected);
        };
        dlg.mutate();
        QCOMPARE(after.size(), 2);
        for (int k = 0; k < 2; ++k) {
            variation::MutateOptions o;
            o.amount = 40;
            o.blocks = {true, true, true, false};
            o.seed = 42U + static_cast<std::uint32_t>(k);
            o.model = synth.model;
            const QByteArray expected = variation::mutate(params::Editor::Patch, before[k], o);
            QVERIFY(expected != before[k]);
            QCOMPARE(after[k], expected);
            QCOMPARE(sent[k], rowMessages(params::Editor::Patch, before[k], expected, synth.deviceId));
        }
        // Tone 4 was left out.
        QCOMPARE(after[1].mid(CPatchArray::toneOffset(3), CPatchArray::kToneSize),
                 newPatch().mid(CPatchArray::toneOffset(3), CPatchArray::kToneSize));
    }

    // A press of Mutate in each editor: the core's variation of the record from the
    // seed shown, every row in its range, one undo step that brings back the bytes, and
    // only the rows that changed sent.
    void mutateInEachEditor_data() { addKinds(); }
    void mutateInEachEditor()
    {
        QFETCH(int, kind);
        QFETCH(int, tones);
        QFETCH(QString, sections);
        const auto editor = static_cast<params::Editor>(kind);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CMidi& midi = s->frame()->services().midi();
        const SynthSettings synth = s->app->settings().synth();
        const QByteArray original = newRecord(editor);
        std::unique_ptr<CRecordEditDlg> dlg = openEditor(s->frame()->services(), editor, original);
        takeSent(ports, midi);
        QByteArray after;
        QList<QByteArray> sent;
        int boxes = -1;
        QStringList offered;
        s->prompter.onExec = [&](QDialog& dialog) {
            auto* m = qobject_cast<CMutateDlg*>(&dialog);
            if (!m)
                return int(QDialog::Rejected);
            boxes = 0;
            while (boxes < 4 && m->toneBox(boxes))
                ++boxes;
            for (int k = 0; k < variation::kSectionCount; ++k)
                if (!m->sectionBox(static_cast<variation::Section>(k))->isHidden())
                    offered << variation::sectionName(static_cast<variation::Section>(k));
            m->amountBox()->setValue(70);
            m->seedEdit()->setText(QStringLiteral("321"));
            QTest::mouseClick(m->mutateButton(), Qt::LeftButton);
            after = dlg->record();
            sent = takeSent(ports, midi);
            return int(QDialog::Rejected);
        };
        QTest::mouseClick(dlg->mutateButton(), Qt::LeftButton);
        QCOMPARE(boxes, tones);
        QCOMPARE(offered.join(QStringLiteral(", ")), sections);
        variation::MutateOptions o;
        o.amount = 70;
        o.seed = 321;
        o.model = synth.model;
        o.blocks.assign(static_cast<std::size_t>(tones), true);
        const QByteArray expected = variation::mutate(editor, original, o);
        QVERIFY(expected != original);
        QCOMPARE(after, expected);
        QVERIFY(allRowsValid(editor, after));
        QCOMPARE(sent, rowMessages(editor, original, expected, synth.deviceId));
        QCOMPARE(dlg->edit().history().undoCount(), std::size_t(1));
        dlg->undo();
        QCOMPARE(dlg->record(), original);
    }

    // Morph in each editor with a record of an open bank: the list offers the bank's
    // records of the editor's kind, the slider sounds the rows that change, Keep puts
    // the blend in as one undo step.
    void morphInEachEditor_data() { addKinds(); }
    void morphInEachEditor()
    {
        QFETCH(int, kind);
        const auto editor = static_cast<params::Editor>(kind);
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CMidi& midi = s->frame()->services().midi();
        const std::uint8_t device = s->app->settings().synth().deviceId;
        CToneloomView* view = testsupport::newBank(*s);
        QVERIFY(view);
        CRecordArray& records = view->document().array(params::itemKindOf(editor));
        variation::MutateOptions o;
        o.amount = 80;
        o.seed = 17;
        const QByteArray b = variation::mutate(editor, records.record(1), o);
        records.setRecord(1, b);
        const QByteArray a = newRecord(editor);
        std::unique_ptr<CRecordEditDlg> dlg = openEditor(s->frame()->services(), editor, a);
        takeSent(ports, midi);
        int lines = 0;
        QList<QByteArray> atHalf;
        QByteArray half;
        s->prompter.onExec = [&](QDialog& dialog) {
            auto* m = qobject_cast<CMorphDlg*>(&dialog);
            if (!m)
                return int(QDialog::Rejected);
            lines = m->sourceBox()->count();
            m->sourceBox()->setCurrentIndex(1);
            m->slider()->setValue(50);
            half = m->result();
            atHalf = takeSent(ports, midi);
            QTest::mouseClick(m->keepButton(), Qt::LeftButton);
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(dlg->morphButton(), Qt::LeftButton);
        QCOMPARE(lines, records.GetCount());
        QCOMPARE(half, variation::morph(editor, a, b, 50));
        QVERIFY(half != a);
        QCOMPARE(atHalf, rowMessages(editor, a, half, device));
        QCOMPARE(dlg->record(), half);
        QCOMPARE(takeSent(ports, midi), QList<QByteArray>());
        QCOMPARE(dlg->edit().history().undoCount(), std::size_t(1));
        dlg->undo();
        QCOMPARE(dlg->record(), a);
    }

    // The slider sounds the blend (only changed rows), Keep puts it in the editor;
    // closing without Keep brings the instrument back to A.
    void morphSoundsAndKeeps()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CMidi& midi = s->frame()->services().midi();
        const std::uint8_t device = s->app->settings().synth().deviceId;
        const QByteArray a = newPatch();
        variation::MutateOptions o;
        o.amount = 80;
        o.seed = 5;
        const QByteArray b = variation::mutate(params::Editor::Patch, a, o);
        CPatchSource source{{QStringLiteral("1: B")}, [b](int) { return b; }};
        for (const bool keep : {false, true}) {
            CEditPatchDlg dlg(s->frame()->services(), a, source);
            takeSent(ports, midi);
            QList<QByteArray> atHalf;
            QList<QByteArray> atEnd;
            QList<QByteArray> closing;
            QByteArray half;
            s->prompter.onExec = [&](QDialog& dialog) {
                auto* m = qobject_cast<CMorphDlg*>(&dialog);
                if (!m)
                    return int(QDialog::Rejected);
                m->slider()->setValue(50);
                half = m->result();
                atHalf = takeSent(ports, midi);
                m->slider()->setValue(100);
                atEnd = takeSent(ports, midi);
                if (keep) {
                    QTest::mouseClick(m->keepButton(), Qt::LeftButton);
                    return m->result() == b ? int(QDialog::Accepted) : int(QDialog::Rejected);
                }
                m->reject();
                closing = takeSent(ports, midi);
                return int(QDialog::Rejected);
            };
            dlg.morph();
            QCOMPARE(half, variation::morph(params::Editor::Patch, a, b, 50));
            QCOMPARE(atHalf, rowMessages(params::Editor::Patch, a, half, device));
            QCOMPARE(atEnd, rowMessages(params::Editor::Patch, half, b, device));
            QCOMPARE(dlg.patch(), keep ? b : a);
            // Keeping sends nothing more: the instrument holds the blend already.
            QCOMPARE(takeSent(ports, midi), QList<QByteArray>());
            if (!keep)
                QCOMPARE(closing, rowMessages(params::Editor::Patch, b, a, device));
        }
    }

    // B may be any patch of an open bank, after the patches of the editor's own source.
    void morphOffersOpenBanks()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = testsupport::newBank(*s);
        QVERIFY(view);
        variation::MutateOptions o;
        o.amount = 60;
        o.seed = 11;
        const QByteArray other = variation::mutate(params::Editor::Patch, view->document().patches().record(4), o);
        view->document().patches().setRecord(4, other);
        CEditPatchDlg dlg(s->frame()->services(), newPatch(),
                          CPatchSource{{QStringLiteral("1: OWN")}, [](int) { return newPatch(); }});
        QStringList lines;
        QByteArray result;
        s->prompter.onExec = [&](QDialog& dialog) {
            auto* m = qobject_cast<CMorphDlg*>(&dialog);
            if (!m)
                return int(QDialog::Rejected);
            for (int i = 0; i < m->sourceBox()->count(); ++i)
                lines << m->sourceBox()->itemText(i);
            m->sourceBox()->setCurrentIndex(1 + 4);
            m->slider()->setValue(100);
            result = m->result();
            return int(QDialog::Rejected);
        };
        dlg.morph();
        QCOMPARE(lines.size(), 1 + CPatchArray::kCount);
        QCOMPARE(lines.first(), QStringLiteral("1: OWN"));
        // A new bank's lines carry its title.
        QVERIFY2(lines.at(5).startsWith(view->documentTitle()), qPrintable(lines.at(5)));
        QVERIFY(!view->documentTitle().isEmpty());
        QVERIFY2(lines.at(5).endsWith(QStringLiteral(" 5: INIT PATCH")), qPrintable(lines.at(5)));
        QCOMPARE(result, other);
    }

    // B may also be a patch of any open library, named by the library's file and number.
    void morphOffersOpenLibraries()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        std::vector<QByteArray> patches;
        QByteArray file;
        for (std::uint32_t seed : {3U, 4U, 5U}) {
            variation::MutateOptions o;
            o.amount = 50;
            o.seed = seed;
            patches.push_back(variation::mutate(params::Editor::Patch, newPatch(), o));
            file += clb::makeRecord(patches.back(), QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
        }
        const QString path = m_dir.filePath(QStringLiteral("blend.clb"));
        {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(out.write(file), file.size());
        }
        QVERIFY(s->app->OpenDocumentFile(path));
        CEditPatchDlg dlg(s->frame()->services(), newPatch());
        QStringList lines;
        QByteArray result;
        s->prompter.onExec = [&](QDialog& dialog) {
            auto* m = qobject_cast<CMorphDlg*>(&dialog);
            if (!m)
                return int(QDialog::Rejected);
            for (int i = 0; i < m->sourceBox()->count(); ++i)
                lines << m->sourceBox()->itemText(i);
            m->sourceBox()->setCurrentIndex(static_cast<int>(lines.indexOf(QStringLiteral("blend.clb 2: INIT PATCH"))));
            m->slider()->setValue(100);
            result = m->result();
            return int(QDialog::Rejected);
        };
        dlg.morph();
        QVERIFY2(lines.contains(QStringLiteral("blend.clb 1: INIT PATCH")), qPrintable(lines.join(u'|')));
        QVERIFY(lines.contains(QStringLiteral("blend.clb 3: INIT PATCH")));
        QCOMPARE(result, patches[1]);
    }

    // Tools > Mutate on selected bank patches: each its own variation from the seed,
    // one step of the bank's history.
    void mutateBankPatches()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CToneloomView* view = testsupport::newBank(*s);
        QVERIFY(view);
        CToneloomDoc& doc = view->document();
        CItemSelection& sel = view->selection();
        for (int i : {2, 5})
            sel.SetSelected(ItemKind::Patches, i, true);
        std::vector<int> selected;
        for (int i = 0; i < CPatchArray::kCount; ++i)
            if (sel.isSelected(ItemKind::Patches, i))
                selected.push_back(i);
        QVERIFY(selected.size() >= 2);
        const QByteArray original = QByteArray(reinterpret_cast<const char*>(doc.patches().allData().data()),
                                               static_cast<qsizetype>(doc.patches().allData().size()));
        s->prompter.onExec = [&](QDialog& dialog) {
            auto* m = qobject_cast<CMutateDlg*>(&dialog);
            if (!m)
                return int(QDialog::Rejected);
            m->seedEdit()->setText(QStringLiteral("700"));
            m->amountBox()->setValue(25);
            return int(QDialog::Accepted);
        };
        const int steps = doc.historySize();
        s->frame()->action(cmd::kMutate)->trigger();
        QCOMPARE(doc.historySize(), steps + 1);
        variation::MutateOptions o;
        o.amount = 25;
        o.blocks = {true, true, true, true};
        o.model = s->app->settings().synth().model;
        CPatchArray fresh;
        for (int i = 0; i < CPatchArray::kCount; ++i) {
            QByteArray expected = fresh.record(i);
            const auto at = std::find(selected.begin(), selected.end(), i);
            if (at != selected.end()) {
                o.seed = 700 + static_cast<std::uint32_t>(at - selected.begin());
                expected = variation::mutate(params::Editor::Patch, expected, o);
            }
            QCOMPARE(doc.patches().record(i), expected);
        }
        doc.Undo();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(doc.patches().allData().data()),
                            static_cast<qsizetype>(doc.patches().allData().size())),
                 original);
    }
};

QTEST_MAIN(TestEditVary)
#include "tst_editvary.moc"
