// Mutate and Morph in the patch editor and Mutate on bank items: each press is one
// variation made by the core from the dialog's settings, only the rows that changed are
// sent, "Keep" puts the blend in the editor, and on a bank it is one step of its history.

#include "EditorFixture.h"
#include "bank/ToneloomDoc.h"
#include "bank/ui/ToneloomView.h"
#include "editors/MorphDlg.h"
#include "editors/MutateDlg.h"
#include "model/ParamMessages.h"
#include "model/PatchVariation.h"
#include "model/RecordEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

using namespace editortest;

namespace {

// The messages that bring an instrument holding from to to, row by row.
QList<QByteArray> rowMessages(const QByteArray& from, const QByteArray& to, std::uint8_t device)
{
    QList<QByteArray> out;
    for (const variation::ChangedRow& c : variation::changedRows(params::Editor::Patch, from, to)) {
        const auto* data =
            reinterpret_cast<const std::uint8_t*>(to.constData()) + recordlayout::dataOffset(c.param->block, c.index);
        out << params::rowMessage(*c.param, c.index, data, device);
    }
    return out;
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
        CMidi& midi = s->frame()->midi();
        CEditPatchDlg dlg(*s->frame(), newPatch());
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
            QCOMPARE(sent[k], rowMessages(before[k], expected, synth.deviceId));
        }
        // Tone 4 was left out.
        QCOMPARE(after[1].mid(CPatchArray::toneOffset(3), CPatchArray::kToneSize),
                 newPatch().mid(CPatchArray::toneOffset(3), CPatchArray::kToneSize));
    }

    // The slider sounds the blend (only changed rows), Keep puts it in the editor;
    // closing without Keep brings the instrument back to A.
    void morphSoundsAndKeeps()
    {
        CLoopbackDevice ports;
        auto s = start(freshIni(), ports);
        CMidi& midi = s->frame()->midi();
        const std::uint8_t device = s->app->settings().synth().deviceId;
        const QByteArray a = newPatch();
        variation::MutateOptions o;
        o.amount = 80;
        o.seed = 5;
        const QByteArray b = variation::mutate(params::Editor::Patch, a, o);
        CPatchSource source{{QStringLiteral("1: B")}, [b](int) { return b; }};
        for (const bool keep : {false, true}) {
            CEditPatchDlg dlg(*s->frame(), a, source);
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
            QCOMPARE(atHalf, rowMessages(a, half, device));
            QCOMPARE(atEnd, rowMessages(half, b, device));
            QCOMPARE(dlg.patch(), keep ? b : a);
            // Keeping sends nothing more: the instrument holds the blend already.
            QCOMPARE(takeSent(ports, midi), QList<QByteArray>());
            if (!keep)
                QCOMPARE(closing, rowMessages(b, a, device));
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
        CEditPatchDlg dlg(*s->frame(), newPatch(),
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
        QVERIFY2(lines.at(5).endsWith(QStringLiteral(" 5: INIT PATCH")), qPrintable(lines.at(5)));
        QCOMPARE(result, other);
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
