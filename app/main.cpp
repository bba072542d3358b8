#include "app/MainFrame.h"
#include "app/ToneloomApp.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char* argv[])
{
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
