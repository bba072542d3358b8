#include "app/MainFrame.h"
#include "app/ToneloomApp.h"
#include "fileio/AtomicFile.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace {

// --help and --version answer without a display and without starting the program.
bool answerInformationOptions(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs("Usage: toneloom [FILE.syx | FILE.clb]...\n"
                       "Toneloom, the sound editor and librarian for the Roland JV-1080, JV-2080 and XP-50/60/80.\n"
                       "Opens the windows of the last run and then the files named.\n"
                       "\n"
                       "  --help      show this text\n"
                       "  --version   show the version\n",
                       stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("toneloom " TONELOOM_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    AtomicFile::failOversizeWrites();
    if (answerInformationOptions(argc, argv))
        return 0;
    QApplication application(argc, argv);
    CToneloomApp app;
    // The windows of the last run come back; files named on the command line (a file
    // opened from the desktop) open beside them.
    if (!app.InitInstance())
        return 1;
    // QApplication has taken its own options out of argv.
    for (int i = 1; i < argc; ++i)
        app.OpenDocumentFile(QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath());
    return QApplication::exec();
}
