// The baseline for start-up timing: the least a Qt Widgets program does to show a window of
// the small main window's size under the same title.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Ostrevan"));
    window.resize(231, 117);
    window.show();
    return QApplication::exec();
}
