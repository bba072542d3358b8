#include "app/MainFrame.h"
#include "app/ToneloomApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    CToneloomApp app;
    // The command line opens nothing: the windows of the last run come back instead.
    if (!app.InitInstance())
        return 1;
    return QApplication::exec();
}
