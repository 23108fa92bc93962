#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

/// Counts the paint events a widget receives: what a change draws again is
/// what a test of drawing cost asserts on.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};
