// The folders are layers: a file includes only its own folder and folders of lower
// layers, so that nothing includes app/ and no two folders include each other.

#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

namespace {

// Layer of each folder; the control modules stand apart: they include only their own
// folder, their common part and the file writer of fileio/ (the lowest layer), and
// only the wrappers, the program and the setup include them.
const QMap<QString, int> kLayers = {
    {"fileio", -1},  {"model", 0},      {"settings", 1},  {"bank", 2},    {"library", 3}, {"midi", 4},
    {"emulator", 5}, {"ui", 6},         {"resources", 6}, {"midi/ui", 7}, {"editors", 7}, {"playsurfaces", 7},
    {"bank/ui", 8},  {"library/ui", 9}, {"app", 10},      {"cli", 10},    {"setup", 10},
};
const QString kControls = QStringLiteral("controls");

// The folder of a path relative to the source root: the longest known folder it lies in.
QString folderOf(const QString& path)
{
    QString best;
    for (auto it = kLayers.cbegin(); it != kLayers.cend(); ++it)
        if (path.startsWith(it.key() + QLatin1Char('/')) && it.key().size() > best.size())
            best = it.key();
    if (best.isEmpty() && path.startsWith(kControls + QLatin1Char('/')))
        best = path.section(QLatin1Char('/'), 0, 1);
    return best;
}

bool isControls(const QString& folder)
{
    return folder.startsWith(kControls + QLatin1Char('/'));
}

} // namespace

class TestLayering : public QObject
{
    Q_OBJECT

private slots:
    void includesPointDown()
    {
        const QString root = QStringLiteral(TONELOOM_SOURCE_DIR);
        const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""));
        QStringList violations;
        int files = 0;
        QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = QDir(root).relativeFilePath(it.next());
            const QString from = folderOf(path);
            if (from.isEmpty())
                continue; // tests, benchmarks, fuzz targets and build folders may use anything
            ++files;
            QFile file(it.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            int lineNumber = 0;
            while (!file.atEnd()) {
                const QString line = QString::fromUtf8(file.readLine());
                ++lineNumber;
                const auto match = include.match(line);
                if (!match.hasMatch() || !match.captured(1).contains(QLatin1Char('/')))
                    continue;
                const QString to = folderOf(match.captured(1));
                if (to.isEmpty() || to == from)
                    continue;
                bool allowed = false;
                if (isControls(to))
                    allowed = isControls(from) ? to == QStringLiteral("controls/common")
                                               : from == QStringLiteral("playsurfaces") || from == QStringLiteral("app")
                                                     || from == QStringLiteral("setup");
                else if (!isControls(from) || to == QStringLiteral("fileio"))
                    allowed = isControls(from) || kLayers.value(to) < kLayers.value(from);
                if (!allowed)
                    violations << QStringLiteral("%1:%2 includes %3").arg(path).arg(lineNumber).arg(match.captured(1));
            }
        }
        QVERIFY(files > 100);
        QVERIFY2(violations.isEmpty(), qPrintable(violations.join(QLatin1Char('\n'))));
    }

    void folderRule_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("core") << "bank/ToneloomDoc.h"
                              << "bank";
        QTest::newRow("window") << "bank/ui/ToneloomView.h"
                                << "bank/ui";
        QTest::newRow("module") << "controls/kurvex/KurvexCtrl.h"
                                << "controls/kurvex";
        QTest::newRow("test") << "tests/bank/tst_copybox.cpp"
                              << "";
    }
    void folderRule()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QCOMPARE(folderOf(path), folder);
    }
};

QTEST_MAIN(TestLayering)
#include "tst_layering.moc"
