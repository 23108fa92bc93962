#include "framework/busy.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace framework {

namespace {

/// A translucent cover over the main form with a spinning indicator; it
/// also keeps clicks away from the form while the server is working.
class BusyOverlay : public QWidget {
public:
    explicit BusyOverlay(QWidget* form) : QWidget(form) {
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(form->rect());
        form->installEventFilter(this);
        timer_.setInterval(kStepMs);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            step_ = (step_ + 1) % kSpokes;
            update();
        });
        timer_.start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), QColor(255, 255, 255, 90));
        p.translate(rect().center());
        for (int i = 0; i < kSpokes; ++i) {
            const int age = (kSpokes + step_ - i) % kSpokes;  // 0 = the newest spoke
            QColor colour(68, 130, 181);
            colour.setAlpha(255 - age * 255 / kSpokes);
            p.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(0, -10, 0, -20);
            p.rotate(360.0 / kSpokes);
        }
    }

private:
    static constexpr int kSpokes = 12;
    static constexpr int kStepMs = 80;
    QTimer timer_;
    int step_ = 0;
};

int g_depth = 0;
QPointer<BusyOverlay> g_overlay;

}  // namespace

void ActiveShowAvi(QWidget* mainForm, int /*kind*/) {
    ++g_depth;
    if (g_overlay) return;
    QWidget* form = mainForm ? mainForm : QApplication::activeWindow();
    if (!form) return;  // nothing to cover; the depth still counts
    g_overlay = new BusyOverlay(form);
    g_overlay->show();
    g_overlay->raise();
    g_overlay->repaint();  // drawn now: the call that follows blocks the event loop
}

void DeactiveShowAvi() {
    if (g_depth == 0) return;
    if (--g_depth == 0) delete g_overlay.data();
}

bool busyShowing() { return g_depth > 0; }

int busyDepth() { return g_depth; }

QWidget* busyOverlay() { return g_overlay.data(); }

}  // namespace framework
