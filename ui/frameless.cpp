#include "frameless.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace frameless {

namespace {

// The event's floating-point screen position, rounded to the nearest pixel.
QPoint globalPoint(const QMouseEvent* event)
{
    return event->screenPos().toPoint();
}

// A Wayland compositor places every window itself and ignores move(); asked at the press,
// it lets the window follow the pointer until the button is released.
bool handOverToCompositor(QWidget* window)
{
    QWindow* handle = window->windowHandle();
    return handle && QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
           handle->startSystemMove();
}

} // namespace

void startDrag(QWidget* window, QMouseEvent* event, bool& mousePressed, QPoint& mousePoint)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    if (handOverToCompositor(window))
        return;
    mousePressed = true;
    mousePoint = globalPoint(event) - window->pos();
}

void drag(QWidget* window, QMouseEvent* event, bool mousePressed, const QPoint& mousePoint)
{
    if (!mousePressed || event->buttons() == Qt::NoButton) {
        event->ignore();
        return;
    }
    window->move(globalPoint(event) - mousePoint);
    event->accept();
}

void endDrag(bool& mousePressed)
{
    mousePressed = false;
}

} // namespace frameless
