#include "bank/ItemSelection.h"
#include "bank/ToneloomDoc.h"
#include "model/SysExScan.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString realDump(const QString& name)
{
    return QStringLiteral(TONELOOM_TESTDATA_DIR "/real/") + name;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray saved(CToneloomDoc& doc, BankPart which, sysex::MemoryArea area = sysex::MemoryArea::User)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    doc.writeBank(buffer, which, area);
    return buffer.data();
}

// Flags of the first n items of a kind as a compact list.
QList<int> states(const CItemSelection& sel, ItemKind kind, int n)
{
    QList<int> list;
    for (int i = 0; i < n; ++i)
        list << int(sel.flags(kind, i));
    return list;
}

} // namespace

class TestToneloomDoc : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString tempPath(const QString& name) const { return m_dir.filePath(name); }
    static void requireRealDumps()
    {
        if (!QFile::exists(realDump(QStringLiteral("README.md"))))
            QSKIP("the shared real dumps are not present");
    }

private slots:
    void newBank()
    {
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        CItemSelection sel(&doc);
        QCOMPARE(doc.patches().name(127), QString("INIT PATCH  "));
        QCOMPARE(doc.performances().name(0), QString("Init Perform"));
        QCOMPARE(doc.rhythmSets().name(1), QString("Init Rhythm "));
        for (ItemKind kind : kItemKinds) {
            QCOMPARE(sel.flags(kind, 0), CItemSelection::kCurrent | CItemSelection::kSelected);
            QCOMPARE(sel.CurrentIndex(kind), 0);
            QCOMPARE(sel.SelectedCount(kind), 1);
            QCOMPARE(sel.FirstDropMarked(kind), -1);
        }
        QCOMPARE(doc.historyPosition(), -1);
        QVERIFY(!doc.isModified());
    }

    void wholeBankSizes_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("patchesSize");
        QTest::newRow("JV-1080") << 0 << 108942 << 82304;
        QTest::newRow("JV-2080") << 1 << 112910 << 82560;
        QTest::newRow("XP") << 2 << 112206 << 82432;
    }
    void wholeBankSizes()
    {
        QFETCH(int, model);
        QFETCH(int, size);
        QFETCH(int, patchesSize);
        SynthSettings settings;
        settings.model = SynthModel(model);
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        doc.patches().Swap(0, 77); // the addresses must follow the slots, not the records
        const QString path = tempPath(QStringLiteral("bank%1.syx").arg(model));
        QVERIFY(doc.OnSaveDocument(path));
        const QByteArray bytes = readFile(path);
        QCOMPARE(bytes.size(), qsizetype(size));
        const SysExScanResult scan = scanSysEx(bytes);
        QVERIFY(scan.problems.empty());
        QCOMPARE(scan.messages, 32 * 17 + 2 * 65 + 128 * 5);
        // Performances first, then rhythm sets, then patches, each with its own number.
        QCOMPARE(uchar(bytes[5]), uchar(0x10));
        QCOMPARE(uchar(bytes[6]), uchar(0x00));
        const qsizetype patchStart = size - patchesSize;
        QCOMPARE(uchar(bytes[patchStart - 4439 + 5]), uchar(0x10));
        QCOMPARE(uchar(bytes[patchStart - 4439 + 6]), uchar(0x41));
        QCOMPARE(uchar(bytes[patchStart + 5]), uchar(0x11));
        const qsizetype lastPatch = size - patchesSize / 128;
        QCOMPARE(uchar(bytes[lastPatch + 6]), uchar(127));
        QCOMPARE(doc.pathName(), path);

        // Open it again: the same bank.
        CToneloomDoc again(settings, reporter);
        QVERIFY(again.OnOpenDocument(path));
        QCOMPARE(saved(again, CToneloomDoc::kSaveAll), bytes);
        QVERIFY(reporter.messages().empty());
    }

    void realDumps_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("records");
        QTest::addColumn<QStringList>("firstNames");
        QTest::newRow("ahlzen") << "ahlzen_PadVoxBell.syx" << 128 << QStringList{"Alan's Oboe ", "Alan's Oboe2"};
        QTest::newRow("kk AGSOUND1") << "kk_JV1080_AGSOUND1.syx" << 46
                                     << QStringList{"RedPowerBass", "Sinus QSB   ", "Super W Bass"};
        QTest::newRow("kk SuperJVPad") << "kk_SuperJVPad.syx" << 1 << QStringList{"Super JV Pad"};
        QTest::newRow("kk SuperJVPad2") << "kk_SuperJVPad2.syx" << 1 << QStringList{"Super JV Pad"};
        QTest::newRow("locurasoft") << "locurasoft_single.syx" << 1 << QStringList{"Astral Chill"};
    }
    void realDumps()
    {
        requireRealDumps();
        QFETCH(QString, file);
        QFETCH(int, records);
        QFETCH(QStringList, firstNames);
        const QString path = realDump(file);
        const QByteArray original = readFile(path);
        SynthSettings settings; // JV-1080, device 10h
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        QVERIFY(doc.OnOpenDocument(path));
        for (int i = 0; i < firstNames.size(); ++i)
            QCOMPARE(doc.patches().name(i), firstNames[i]);
        if (records < 128)
            QCOMPARE(doc.patches().name(records), QString("INIT PATCH  "));
        QCOMPARE(doc.performances().name(31), QString("Init Perform"));

        // Written again in the JV-1080 layout, the patches it carried are its own bytes,
        // except that single patches move to the slot they were read into.
        const QByteArray jv1080 = saved(doc, ItemKind::Patches);
        if (records > 1) {
            QCOMPARE(jv1080.left(records * 643), original);
        } else {
            // A single patch lands in slot 1: only its number and checksums differ.
            const auto normalise = [](QByteArray b) {
                for (int at : {0, 83, 223, 363, 503}) {
                    b[at + 6] = 0;
                    const int end = at == 0 ? 83 : at + 140;
                    b[end - 2] = 0;
                }
                return b;
            };
            QCOMPARE(normalise(jv1080.left(643)), normalise(original));
        }

        // Through the JV-2080 and XP layouts and back: every byte the JV-1080 layout carries.
        for (SynthModel via : {SynthModel::Jv2080, SynthModel::Xp}) {
            SynthSettings viaSettings;
            viaSettings.model = via;
            const QString tmp = tempPath(QStringLiteral("via.syx"));
            // Save through the other model's layout, reopen, save as JV-1080.
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            CToneloomDoc source(viaSettings, reporter);
            QVERIFY(source.OnOpenDocument(path));
            QVERIFY(source.writeBank(buffer, CToneloomDoc::kSaveAll));
            QVERIFY(writeFile(tmp, buffer.data()));
            CToneloomDoc back(settings, reporter);
            QVERIFY(back.OnOpenDocument(tmp));
            QCOMPARE(saved(back, ItemKind::Patches), jv1080);
        }
        QVERIFY(reporter.messages().empty());
    }

    void openEdgeCases_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("patch0");
        QTest::addColumn<QString>("message");
        CPatchArray patches;
        patches.SetName(0, "Temporary!  ");
        char tmp[CPatchArray::kRecordSize];
        patches.GetAsTemporary(0, reinterpret_cast<std::uint8_t*>(tmp), 0x10);
        const QByteArray temporaryPatch(tmp, CPatchArray::kRecordSize);
        const QByteArray system = sysex::makeDataSet(0x10, sysex::systemModeAddress(), QByteArray(1, 1));
        QTest::newRow("temporary patch only") << temporaryPatch << true << "Temporary!  "
                                              << "";
        QTest::newRow("system message first") << system + temporaryPatch << true << "INIT PATCH  "
                                              << "";
        QTest::newRow("foreign data") << QByteArray(100, 'x') << true << "INIT PATCH  "
                                      << "";
        QTest::newRow("empty file") << QByteArray() << false << "INIT PATCH  "
                                    << "Error while opening bank file:";
        QTest::newRow("8 bytes") << temporaryPatch.left(8) << false << "INIT PATCH  "
                                 << "Error while opening bank file:";
        QTest::newRow("cut inside the patch") << temporaryPatch.left(100) << true << "Temporary!  "
                                              << "";
    }
    void openEdgeCases()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, opens);
        QFETCH(QString, patch0);
        QFETCH(QString, message);
        const QString path = tempPath(QStringLiteral("edge.syx"));
        QVERIFY(writeFile(path, bytes));
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        QCOMPARE(doc.OnOpenDocument(path), opens);
        QCOMPARE(doc.patches().name(0), patch0);
        QCOMPARE(doc.patches().name(1), QString("INIT PATCH  "));
        if (message.isEmpty()) {
            QVERIFY(reporter.messages().empty());
        } else {
            QCOMPARE(reporter.messages().size(), std::size_t(1));
            QVERIFY(reporter.messages()[0].second.startsWith(message));
            QCOMPARE(reporter.messages()[0].first, MessageIcon::Exclamation);
        }
    }

    void runsInAnyOrder()
    {
        SynthSettings settings;
        settings.model = SynthModel::Jv2080;
        CCollectingReporter reporter;
        CToneloomDoc a(settings, reporter);
        a.patches().SetName(0, "First run   ");
        a.performances().SetName(0, "Perf one    ");
        const QByteArray first = saved(a, ItemKind::Patches);
        a.patches().SetName(0, "Second run  ");
        const QByteArray second = saved(a, ItemKind::Patches).left(645);
        // Patches, performances, then one more patch run: it overwrites from index 0.
        const QString path = tempPath(QStringLiteral("runs.syx"));
        QVERIFY(writeFile(path, first + saved(a, ItemKind::Performances) + second));
        CToneloomDoc b(settings, reporter);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        std::vector<CToneloomDoc::Run> runs;
        QVERIFY(b.readBank(file, nullptr, &runs));
        QCOMPARE(runs.size(), std::size_t(3));
        QCOMPARE(runs[0].records, 128);
        QCOMPARE(runs[1].kind, int(ItemKind::Performances));
        QCOMPARE(runs[2].offset, qint64(82560 + 21472));
        QCOMPARE(b.patches().name(0), QString("Second run  "));
        QCOMPARE(b.performances().name(0), QString("Perf one    "));
    }

    void saveFailures()
    {
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        const QString good = tempPath(QStringLiteral("keep.syx"));
        QVERIFY(doc.OnSaveDocument(good));
        const QByteArray before = readFile(good);
        doc.setModified(true);

        // A folder that does not exist, a folder in the file's place, a device: reported,
        // nothing changed (and the device is not replaced by a file).
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("adir.syx")));
        for (const QString& bad : {tempPath(QStringLiteral("missing/dir/x.syx")), tempPath(QStringLiteral("adir.syx")),
                                   QStringLiteral("/dev/null")}) {
            reporter.clear();
            QVERIFY(!doc.OnSaveDocument(bad));
            QCOMPARE(reporter.messages().size(), std::size_t(1));
            // It names the file and the reason, and warns.
            const QString text = reporter.texts().constFirst();
            QVERIFY2(text.startsWith(QStringLiteral("Error while saving !\n\n") + QDir::toNativeSeparators(bad)
                                     + QStringLiteral(" could not be written: ")),
                     qPrintable(text));
            QVERIFY2(text.section(QStringLiteral(": "), 1).size() > 12, qPrintable(text)); // a reason follows
            QCOMPARE(reporter.messages()[0].first, MessageIcon::Exclamation);
            QCOMPARE(doc.pathName(), good);
            QVERIFY(doc.isModified());
        }
        QCOMPARE(readFile(good), before);
        QVERIFY(!QFileInfo(QStringLiteral("/dev/null")).isFile());

        // Saving over a file replaces it whole.
        doc.patches().SetName(3, "Replaced    ");
        QVERIFY(doc.OnSaveDocument(good));
        QVERIFY(!doc.isModified());
        CToneloomDoc reread(settings, reporter);
        QVERIFY(reread.OnOpenDocument(good));
        QCOMPARE(reread.patches().name(3), QString("Replaced    "));
    }

    void partialSaves()
    {
        SynthSettings settings;
        settings.model = SynthModel::Jv2080;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        const QString bank = tempPath(QStringLiteral("whole.syx"));
        QVERIFY(doc.OnSaveDocument(bank));
        doc.setModified(true);
        const QString chosen = tempPath(QStringLiteral("patches.syx"));
        QList<BankPart> asked;
        doc.setSaveFileChooser([&](BankPart which) {
            asked << which;
            return chosen;
        });
        QVERIFY(doc.SaveBank(ItemKind::Patches, QString()));
        QCOMPARE(asked, QList<BankPart>{ItemKind::Patches});
        QCOMPARE(QFileInfo(chosen).size(), qint64(82560));
        QCOMPARE(doc.pathName(), bank);
        QVERIFY(doc.isModified());
        // Cancel writes nothing and reports nothing.
        doc.setSaveFileChooser([](BankPart) { return QString(); });
        QVERIFY(!doc.SaveBank(ItemKind::RhythmSets, QString()));
        QVERIFY(reporter.messages().empty());
        // For card memory the records go out with card addresses and stay so.
        const QByteArray card = saved(doc, ItemKind::Performances, sysex::MemoryArea::Card);
        QCOMPARE(uchar(card[5]), uchar(0x20));
        QVERIFY(!doc.performances().IsUserMemory());
    }

    void selectItem_data()
    {
        QTest::addColumn<QList<int>>("start"); // states of items 0..7 before
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QList<int>>("expected");
        const QList<int> fresh{3, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("plain click") << fresh << 4 << false << false << QList<int>{0, 0, 0, 0, 3, 0, 0, 0};
        QTest::newRow("shift below") << QList<int>{0, 0, 3, 0, 0, 0, 0, 0} << 5 << true << false
                                     << QList<int>{0, 0, 2, 2, 2, 3, 0, 0};
        QTest::newRow("shift above keeps others")
            << QList<int>{0, 2, 0, 0, 3, 0, 2, 0} << 2 << true << false << QList<int>{0, 2, 3, 2, 2, 0, 2, 0};
        QTest::newRow("control adds") << fresh << 3 << false << true << QList<int>{2, 0, 0, 3, 0, 0, 0, 0};
        QTest::newRow("control on the only one") << fresh << 0 << false << true << fresh;
        QTest::newRow("control on current of several")
            << QList<int>{0, 2, 3, 2, 0, 0, 0, 0} << 2 << false << true << QList<int>{0, 3, 0, 2, 0, 0, 0, 0};
        QTest::newRow("control on other selected")
            << QList<int>{0, 2, 3, 0, 0, 0, 0, 0} << 1 << false << true << QList<int>{0, 0, 3, 0, 0, 0, 0, 0};
        QTest::newRow("click clears drop marks")
            << QList<int>{3, 4, 4, 0, 0, 0, 0, 0} << 1 << false << false << QList<int>{0, 3, 0, 0, 0, 0, 0, 0};
    }
    void selectItem()
    {
        QFETCH(QList<int>, start);
        QFETCH(int, index);
        QFETCH(bool, shift);
        QFETCH(bool, control);
        QFETCH(QList<int>, expected);
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        CItemSelection sel(&doc);
        for (int i = 0; i < start.size(); ++i) {
            sel.SetSelected(ItemKind::Performances, i, start[i] & 2);
            sel.SetDropMark(ItemKind::Performances, i, start[i] & 4);
        }
        for (int i = 0; i < start.size(); ++i) {
            if (start[i] & 1)
                sel.SetCurrent(ItemKind::Performances, i);
        }
        QCOMPARE(states(sel, ItemKind::Performances, 8), start);
        QSignalSpy spy(&sel, &CItemSelection::itemStateChanged);
        sel.SelectItem(ItemKind::Performances, index, shift, control);
        QCOMPARE(states(sel, ItemKind::Performances, 8), expected);
        // Exactly the changed cells are redrawn.
        int changed = 0;
        for (int i = 0; i < 8; ++i)
            changed += start[i] != expected[i];
        QCOMPARE(spy.count(), changed);
        for (const auto& args : spy)
            QCOMPARE(args.at(0).toInt(), int(ItemKind::Performances));
        // Other kinds are untouched.
        QCOMPARE(sel.flags(ItemKind::Patches, 0), 3u);
    }

    void stateOperations()
    {
        SynthSettings settings;
        CCollectingReporter reporter;
        CToneloomDoc doc(settings, reporter);
        CItemSelection sel(&doc);
        QSignalSpy spy(&sel, &CItemSelection::itemStateChanged);
        sel.SetDropMark(ItemKind::Patches, 127, true);
        sel.SetDropMark(ItemKind::Patches, 127, true); // no change, no redraw
        sel.SetDropMark(ItemKind::Patches, 126, true);
        QCOMPARE(sel.FirstDropMarked(ItemKind::Patches), 126);
        QCOMPARE(spy.count(), 2);
        sel.SetCurrent(ItemKind::Patches, 50);
        QCOMPARE(sel.CurrentIndex(ItemKind::Patches), 50);
        QCOMPARE(sel.flags(ItemKind::Patches, 0), CItemSelection::kSelected); // the selection stays
        QCOMPARE(spy.count(), 4);
        sel.SetSelected(ItemKind::RhythmSets, 1, true);
        QCOMPARE(sel.SelectedCount(ItemKind::RhythmSets), 2);
        // Indexes outside a kind are ignored.
        sel.SetSelected(ItemKind::RhythmSets, 2, true);
        sel.SelectItem(ItemKind::Performances, 32, false, false);
        QCOMPARE(sel.SelectedCount(ItemKind::RhythmSets), 2);
        QCOMPARE(sel.CurrentIndex(ItemKind::Performances), 0);
    }
};

QTEST_GUILESS_MAIN(TestToneloomDoc)
#include "tst_toneloomdoc.moc"
