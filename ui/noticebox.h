#pragma once

#include <QList>
#include <QMessageBox>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QTimer>

// Where a message box lies over its window: clear of every rectangle the operator needs next
// (the commands, the live values), preferably just under the title strip and centred, else
// the nearest free place inside the window, else beside it on the screen, else under the
// title strip anyway. All rectangles in screen coordinates.
namespace noticeplacement {

struct Request {
    QRect window;
    int titleBottom = 0; // where the window's own title strip ends
    QRect screen;        // the screen's available area
    QSize box;
    QList<QRect> keepClear;
};

QPoint place(const Request& request);

} // namespace noticeplacement

// The message box of one window. It never blocks a window, never lies over a command or a
// live value of its window, and a confirmation of a routine command closes by itself after a
// few seconds, while a problem stays until OK (or Esc) is pressed.
class NoticeBox : public QMessageBox
{
    Q_OBJECT

public:
    enum class Kind { Confirmation, Problem };

    static constexpr int ConfirmationShownMs = 4000;

    // `window` is the window the box belongs to; `titleStrip` its own title strip. The
    // window deletes the box.
    NoticeBox(QWidget* window, QWidget* titleStrip);

    // Besides the window's buttons, which are always kept clear, the widgets that show live
    // values. A box on show follows its window when it is dragged, and moves out of the
    // values' way when they move or grow, as a new value may make them do.
    void keepClear(const QList<QWidget*>& widgets);

    void showNotice(Kind kind, const QString& text, const QString& secondLine = QString());

    // Shows any box of this window (also a question), placed by the same rule and kept
    // above the window. The boxes take no style of the skin: they are not the window's
    // children, and are tied to it only as a window manager sees it.
    void present(QWidget* box) const;

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeOverWindow(QWidget* box) const;

    QWidget* window;
    QWidget* titleStrip;
    QList<QWidget*> liveValues;
    QTimer closeTimer;
};
