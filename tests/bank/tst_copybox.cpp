#include "bank/Copybox.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/Reporter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray patchNamed(const char* name, char fill)
{
    CPatchArray patches;
    QByteArray image = patches.record(0);
    image.replace(9, 12, QByteArray(name).leftJustified(12, ' ', true));
    image[30] = fill;
    return image;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCopybox : public QObject
{
    Q_OBJECT

private slots:
    void addAppendsAfterExistingLines();
    void removeKeepsTheOthersInOrder();
    void chosenEntries();
    void loadWholeBlocks_data();
    void loadWholeBlocks();
    void saveAndLoadAgain();
    void saveEmptyListMakesEmptyFile();
    void failedSaveKeepsOldFile();
    void failedLoadKeepsList_data();
    void failedLoadKeepsList();

private:
    QTemporaryDir m_dir;
};

void TestCopybox::addAppendsAfterExistingLines()
{
    CCopybox box;
    CPatchArray patches;
    patches.SetName(3, "Three       ");
    patches.SetName(4, "Four        ");
    patches.SetName(9, "Nine        ");
    box.Add(patchNamed("Before", 1), ItemKind::Patches);
    box.setKind(ItemKind::Patches);
    for (int i : {3, 4, 9})
        box.Add(patches, i);
    QCOMPARE(box.count(ItemKind::Patches), 4);
    QCOMPARE(box.lines(ItemKind::Patches),
             (QStringList{"Before      ", "Three       ", "Four        ", "Nine        "}));
    QCOMPARE(box.entry(ItemKind::Patches, 2), patches.record(4));
    QCOMPARE(box.count(ItemKind::Performances), 0);

    // Each kind has its own list.
    CPerformanceArray perfs;
    box.setKind(ItemKind::Performances);
    box.Add(perfs, 0);
    QCOMPARE(box.count(ItemKind::Performances), 1);
    QCOMPARE(box.entry(ItemKind::Performances, 0).size(), CPerformanceArray::kRecordSize);
    QCOMPARE(box.count(ItemKind::Patches), 4);

    std::vector<std::uint8_t> buffer(CPatchArray::kRecordSize);
    QVERIFY(box.Get(CPatchArray::kRecordSize, ItemKind::Patches, 1, buffer.data()));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data()), CPatchArray::kRecordSize), patches.record(3));
    QVERIFY(!box.Get(CPatchArray::kRecordSize, ItemKind::Patches, 4, buffer.data()));
}

void TestCopybox::removeKeepsTheOthersInOrder()
{
    CCopybox box;
    for (const char* name : {"One", "Two", "Three", "Four", "Five", "Six"})
        box.Add(patchNamed(name, 0), ItemKind::Patches);
    box.Remove(ItemKind::Patches, {1, 4}); // lines 2 and 5
    QStringList trimmed;
    for (const QString& line : box.lines(ItemKind::Patches))
        trimmed << line.trimmed();
    QCOMPARE(trimmed, (QStringList{"One", "Three", "Four", "Six"}));
    box.Remove(ItemKind::Patches, {7, -1}); // nothing there
    QCOMPARE(box.count(ItemKind::Patches), 4);
}

void TestCopybox::chosenEntries()
{
    CCopybox box;
    for (char c = 0; c < 4; ++c)
        box.Add(patchNamed("X", c), ItemKind::Patches);
    box.setChosen({3, 1});
    QCOMPARE(box.chosen(), (std::vector<int>{1, 3}));
    const auto images = box.chosenImages(ItemKind::Patches);
    QCOMPARE(images.size(), std::size_t(2));
    QCOMPARE(images[0], box.entry(ItemKind::Patches, 1));
    QCOMPARE(images[1], box.entry(ItemKind::Patches, 3));
    QVERIFY(box.chosenImages(ItemKind::RhythmSets).empty());
}

void TestCopybox::loadWholeBlocks_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("entries");
    QTest::newRow("1290 bytes") << 1290 << 2;
    QTest::newRow("1300 bytes") << 1300 << 2;
    QTest::newRow("644 bytes") << 644 << 0;
    QTest::newRow("empty") << 0 << 0;
}

void TestCopybox::loadWholeBlocks()
{
    QFETCH(int, size);
    QFETCH(int, entries);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i % 101);
    const QString path = m_dir.filePath(QStringLiteral("blocks%1.cop").arg(size));
    QVERIFY(writeFile(path, bytes));
    CCopybox box;
    box.Add(patchNamed("Old", 0), ItemKind::Patches);
    CCollectingReporter reporter;
    QVERIFY(box.loadFile(path, reporter));
    QVERIFY(reporter.messages().empty());
    QCOMPARE(box.count(ItemKind::Patches), entries);
    for (int e = 0; e < entries; ++e)
        QCOMPARE(box.entry(ItemKind::Patches, e), bytes.mid(e * 645, 645));
}

void TestCopybox::saveAndLoadAgain()
{
    CCopybox box;
    box.Add(patchNamed("First", 1), ItemKind::Patches);
    box.Add(patchNamed("Second", 2), ItemKind::Patches);
    box.Add(QByteArray(671, 'p'), ItemKind::Performances); // never saved
    const QString path = m_dir.filePath(QStringLiteral("two.cop"));
    CCollectingReporter reporter;
    QVERIFY(box.saveFile(path, reporter));
    const QByteArray file = readFile(path);
    QCOMPARE(file.size(), 1290);
    QCOMPARE(file, box.entry(ItemKind::Patches, 0) + box.entry(ItemKind::Patches, 1));
    CCopybox other;
    QVERIFY(other.loadFile(path, reporter));
    QCOMPARE(other.lines(ItemKind::Patches), box.lines(ItemKind::Patches));
    QCOMPARE(other.entry(ItemKind::Patches, 1), box.entry(ItemKind::Patches, 1));
}

void TestCopybox::saveEmptyListMakesEmptyFile()
{
    const QString path = m_dir.filePath(QStringLiteral("empty.cop"));
    QVERIFY(writeFile(path, QByteArray(645, 'x')));
    CCopybox box;
    CCollectingReporter reporter;
    QVERIFY(box.saveFile(path, reporter));
    QVERIFY(QFile::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);
}

void TestCopybox::failedSaveKeepsOldFile()
{
    CCopybox box;
    box.Add(patchNamed("New", 1), ItemKind::Patches);
    CCollectingReporter reporter;
    // A folder where the file should go is never replaced.
    const QString folder = m_dir.filePath(QStringLiteral("folder.cop"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!box.saveFile(folder, reporter));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(reporter.messages().size(), std::size_t(1));
    QCOMPARE(reporter.messages().front().first, MessageIcon::Exclamation);
    QVERIFY(reporter.texts().front().startsWith(QStringLiteral("Cannot save the copybox to ")));

    // A folder that cannot be written keeps the old file.
    const QString locked = m_dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(locked));
    const QString old = locked + QStringLiteral("/old.cop");
    QVERIFY(writeFile(old, QByteArray(645, 'o')));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    const bool writable = QFileInfo(locked).isWritable(); // root may write anyway
    if (!writable) {
        QVERIFY(!box.saveFile(old, reporter));
        QCOMPARE(readFile(old), QByteArray(645, 'o'));
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestCopybox::failedLoadKeepsList_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << "missing.cop"
                                  << "Cannot open the file ";
    QTest::newRow("folder") << "."
                            << "Cannot open the file ";
}

void TestCopybox::failedLoadKeepsList()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    CCopybox box;
    box.Add(patchNamed("Keep me", 1), ItemKind::Patches);
    CCollectingReporter reporter;
    QVERIFY(!box.loadFile(m_dir.filePath(name), reporter));
    QCOMPARE(box.count(ItemKind::Patches), 1);
    QCOMPARE(box.lines(ItemKind::Patches).front(), QStringLiteral("Keep me     "));
    QCOMPARE(reporter.messages().size(), std::size_t(1));
    QVERIFY2(reporter.texts().front().startsWith(message), qPrintable(reporter.texts().front()));
}

QTEST_GUILESS_MAIN(TestCopybox)
#include "tst_copybox.moc"
