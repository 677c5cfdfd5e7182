// A theme whose name is megabytes long, in the tree view: adding it, making it current and
// painting the tree, each up to the next painted frame. Usage: bench_longname [megabytes]
#include "tree/LinkListView.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 20;
    LinkListView view;
    view.resize(480, 300);
    view.show();
    QCoreApplication::processEvents();
    const QString name(megabytes << 20, u'n');
    QElapsedTimer timer;
    timer.start();
    auto step = [&](const char *title) {
        view.viewport()->repaint();
        QCoreApplication::processEvents();
        std::printf("  %-28s %9.2f ms\n", title, double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
    };
    std::printf("a name of %d MB\n", megabytes);
    ColorListViewItem *theme = view.appendChild(view.rootTheme(), name);
    step("added");
    view.setCurrentItem(theme);
    step("made current");
    view.update();
    step("painted again");
    return 0;
}
