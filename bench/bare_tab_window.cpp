// The yardstick for the panel's start-up: a bare Qt window with a two-tab container of the
// panel's size, nothing else. tools/measure_startup.sh runs it in turn with ptzpanel.
#include <QApplication>
#include <QTabWidget>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTabWidget tabs;
    tabs.addTab(new QWidget, QStringLiteral("OSD"));
    tabs.addTab(new QWidget, QStringLiteral("PTZ"));
    tabs.resize(528, 532);
    tabs.show();
    return QApplication::exec();
}
