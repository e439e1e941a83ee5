// The floors the program's figures are measured against: the least a Qt Widgets program does
// to show a window of the small main window's size under the same title, and to do the same
// work as the program in each state.
//
//   bench_bare_qt            an empty window
//   bench_bare_qt --labels   the same, showing two labels in the digit face and the UI face
//   bench_bare_qt --count    the labels, one of them rewritten once a second
//   bench_bare_qt --animate  a gradient of the window's size repainted every 16 ms
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>

namespace
{

class Gradient : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, QColor(m_phase, 0, 255));
        g.setColorAt(1, QColor(0, 0, 0));
        p.fillRect(rect(), g);
    }

public:
    int m_phase = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const char *mode = argc > 1 ? argv[1] : "";
    Gradient window;
    window.setWindowTitle(QStringLiteral("Ostrevan"));
    window.setFixedSize(231, 117);
    QTimer timer;
    QLabel *digits = nullptr;
    if (std::strcmp(mode, "--animate") == 0) {
        QObject::connect(&timer, &QTimer::timeout, [&] {
            window.m_phase = (window.m_phase + 1) % 256;
            window.update();
        });
        timer.start(16);
    } else if (std::strcmp(mode, "--labels") == 0 || std::strcmp(mode, "--count") == 0) {
        auto *layout = new QVBoxLayout(&window);
        auto *caption = new QLabel(QStringLiteral("Hours"));
        caption->setFont(QFont(QStringLiteral("Sans Serif"), 8));
        digits = new QLabel(QStringLiteral("00:00:00"));
        digits->setFont(QFont(QStringLiteral("DSEG7 Classic"), 29));
        layout->addWidget(caption);
        layout->addWidget(digits);
        if (std::strcmp(mode, "--count") == 0) {
            timer.setTimerType(Qt::PreciseTimer);
            QObject::connect(&timer, &QTimer::timeout, [&] {
                digits->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
            });
            timer.start(1000);
        }
    }
    window.show();
    return QApplication::exec();
}
