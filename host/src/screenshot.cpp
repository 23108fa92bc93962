#include "host/screenshot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QThread>

#include <stdexcept>

#include "framework/busy.h"

namespace host {

namespace {

bool screenShownAndIdle(const QMdiArea* area) {
    if (!area || framework::busyShowing()) return false;
    for (const QMdiSubWindow* window : area->subWindowList()) {
        if (window->isVisible() && window->widget() && window->widget()->isVisible()) return true;
    }
    return false;
}

}  // namespace

bool waitForFirstActivation(QMdiArea* area, std::chrono::milliseconds timeout,
                            std::chrono::milliseconds settle) {
    QElapsedTimer clock;
    clock.start();
    qint64 idleSince = -1;
    while (clock.elapsed() < timeout.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (screenShownAndIdle(area)) {
            if (idleSince < 0) idleSince = clock.elapsed();
            if (clock.elapsed() - idleSince >= settle.count()) return true;
        } else {
            idleSince = -1;
        }
        QThread::msleep(10);
    }
    return false;
}

void saveScreenshot(QWidget* window, const QString& file) {
    if (!window) throw std::runtime_error("Não há janela principal para gravar.");
    const QPixmap image = window->grab();
    if (image.isNull() || !image.save(file, "PNG")) {
        throw std::runtime_error("Não foi possível gravar a imagem em " + file.toStdString() + ".");
    }
}

}  // namespace host
