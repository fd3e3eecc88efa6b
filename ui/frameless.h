#pragma once

#include <Qt>

class QMouseEvent;
class QPoint;
class QWidget;

// Frameless top-level windows: they draw their own title strip and are dragged by any part
// of them that does not take the press itself. Each window keeps its drag state
// (`mousePressed`, `mousePoint`) and hands its three mouse handlers to these functions.
namespace frameless {

// No system frame; the task bar entry keeps its system menu, minimise and maximise.
constexpr Qt::WindowFlags WindowFlags = Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                                        Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;

// A left press starts a drag; other buttons are ignored and leave the state as it is.
void startDrag(QWidget* window, QMouseEvent* event, bool& mousePressed, QPoint& mousePoint);
// While a drag lasts and a button is held, the window follows the pointer.
void drag(QWidget* window, QMouseEvent* event, bool mousePressed, const QPoint& mousePoint);
// A release of any button ends the drag.
void endDrag(bool& mousePressed);

} // namespace frameless
