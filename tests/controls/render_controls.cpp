// Renders every control at a few sizes to PNG files: render_controls <folder>
#include "controls/captile/CaptileCtrl.h"
#include "controls/knob/KnobCtrl.h"
#include "controls/kurvex/KurvexCtrl.h"
#include "controls/pickvane/PickvaneCtrl.h"

#include <QtCore/QDir>
#include <QtWidgets/QApplication>

#include <cstdio>

namespace {

void save(QWidget& widget, QSize size, const QString& path)
{
    widget.resize(size);
    if (!widget.grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QDir().mkpath(folder.absolutePath());

    CKurvexCtrl kurvex;
    for (const QSize size : {QSize(645, 150), QSize(320, 100), QSize(200, 64)})
        save(kurvex, size, folder.filePath(QStringLiteral("kurvex-%1x%2.png").arg(size.width()).arg(size.height())));
    kurvex.setEnable(false);
    save(kurvex, QSize(320, 100), folder.filePath(QStringLiteral("kurvex-disabled.png")));

    CPickvaneCtrl pickvane;
    pickvane.setControlFont(QFont(QStringLiteral("Arial"), 12, QFont::Bold));
    pickvane.setListItems(QStringLiteral("SAW\r\nPULS\r\nTRI\r\n"));
    pickvane.setListValues(QStringLiteral("25\r\n38\r\n44\r\n"));
    pickvane.setSelection(1);
    for (const QSize size : {QSize(64, 24), QSize(90, 30), QSize(40, 18)})
        save(pickvane, size,
             folder.filePath(QStringLiteral("pickvane-%1x%2.png").arg(size.width()).arg(size.height())));

    CCaptileCtrl captile;
    captile.setCaption(QStringLiteral("Filter Env"));
    captile.setBackColor(QColor(0, 128, 128));
    captile.setForeColor(Qt::white);
    QFont bold = captile.controlFont();
    bold.setBold(true);
    captile.setControlFont(bold);
    for (const QSize size : {QSize(120, 20), QSize(200, 28), QSize(50, 16)})
        save(captile, size, folder.filePath(QStringLiteral("captile-%1x%2.png").arg(size.width()).arg(size.height())));

    CKnobCtrl knob;
    knob.setMinimum(-63);
    knob.setMaximum(63);
    knob.setValue(28);
    for (const int size : {24, 32, 48, 64, 96})
        save(knob, QSize(size, size), folder.filePath(QStringLiteral("knob-%1.png").arg(size)));
    knob.setMinimum(0);
    knob.setMaximum(127);
    knob.setValue(92);
    save(knob, QSize(64, 64), folder.filePath(QStringLiteral("knob-unipolar-64.png")));
    return 0;
}
