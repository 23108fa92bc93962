#include "framework/busy.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QtMath>

#include <array>
#include <cstddef>
#include <exception>

#include "framework/application.h"
#include "framework/failures.h"

namespace framework {

namespace {

/// A small opaque panel with a spinning indicator in the middle of the main
/// form. It is drawn at once when shown, because the call that follows
/// blocks the event loop; being small and opaque, that drawing touches only
/// its own pixels, never the whole form beneath it (a cover over the whole
/// form made every quick call repaint every control twice).
class BusyOverlay : public QWidget {
public:
    static constexpr int kSide = 56;

    explicit BusyOverlay(QWidget* form) : QWidget(form) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        resize(kSide, kSide);
        centreOn(form);
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
        if (watched == parentWidget() && event->type() == QEvent::Resize) centreOn(parentWidget());
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(0, 0, frame(step_, palette().color(QPalette::Window), devicePixelRatio()));
    }

private:
    /// Each step's picture, drawn once: the spokes are antialiased, and
    /// drawing them again for every call the indicator covers cost more
    /// than the rest of a quick call's painting.
    static const QImage& frame(int step, const QColor& background, qreal pixelRatio) {
        static QColor drawnOn;
        static qreal drawnAt = 0;
        static std::array<QImage, kSpokes> frames;
        if (background != drawnOn || pixelRatio != drawnAt) {
            frames = {};
            drawnOn = background;
            drawnAt = pixelRatio;
        }
        QImage& image = frames[static_cast<std::size_t>(step)];
        if (image.isNull()) {
            const int side = qCeil(kSide * pixelRatio);
            image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(pixelRatio);
            QPainter p(&image);
            draw(p, step, background);
        }
        return image;
    }

    static void draw(QPainter& p, int step, const QColor& background) {
        const QRect area(0, 0, kSide, kSide);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(area, background);
        p.setPen(QPen(QColor(68, 130, 181), 1));
        p.drawRect(area.adjusted(0, 0, -1, -1));
        p.translate(area.center());
        for (int i = 0; i < kSpokes; ++i) {
            const int age = (kSpokes + step - i) % kSpokes;  // 0 = the newest spoke
            QColor colour(68, 130, 181);
            colour.setAlpha(255 - age * 255 / kSpokes);
            p.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(0, -10, 0, -20);
            p.rotate(360.0 / kSpokes);
        }
    }

    void centreOn(const QWidget* form) {
        QRect area = rect();
        area.moveCenter(form->rect().center());
        move(area.topLeft());
    }

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
    // Still on screen from a level hidden earlier in the same turn of the
    // event loop (the steps of one user action): it is simply kept.
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
    if (--g_depth > 0 || !g_overlay) return;
    // Removed when the event loop next runs, unless shown again before:
    // the steps of one action that each show and hide it then draw it once,
    // instead of redrawing the form under it at every step.
    QTimer::singleShot(0, g_overlay.data(), [] {
        if (g_depth == 0) delete g_overlay.data();
    });
}

bool busyShowing() {
    return g_depth > 0;
}

int busyDepth() {
    return g_depth;
}

QWidget* busyOverlay() {
    return g_depth > 0 ? g_overlay.data() : nullptr;
}

BusyGuard::BusyGuard(std::function<void()> onFailure)
    : onFailure_(std::move(onFailure)), failuresAtStart_(std::uncaught_exceptions()) {}

BusyGuard::~BusyGuard() {
    hide();
    if (onFailure_ && std::uncaught_exceptions() > failuresAtStart_)
        RunDuringFailure(QStringLiteral("o retorno do foco"), onFailure_);
}

void BusyGuard::show() {
    if (showing_) return;
    ActiveShowAvi(Application().MainForm(), 1);
    showing_ = true;
}

void BusyGuard::hide() {
    if (!showing_) return;
    showing_ = false;
    DeactiveShowAvi();
}

}  // namespace framework
