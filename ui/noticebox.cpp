#include "noticebox.h"

#include <QAbstractButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <optional>

namespace noticeplacement {

namespace {

// Fine enough that a box finds a gap between two panels, coarse enough to stay cheap.
constexpr int Step = 8;
// Between the title strip and a box placed under it.
constexpr int Gap = 8;

bool isClear(const QRect& candidate, const QList<QRect>& keepClear)
{
    return std::none_of(keepClear.begin(), keepClear.end(),
                        [&](const QRect& r) { return r.intersects(candidate); });
}

// The free place of `area` nearest to its top, and in that row nearest to `centreX`.
std::optional<QPoint> topmostFreePlace(const QRect& area, int centreX, const Request& request)
{
    const QSize box = request.box;
    if (area.width() < box.width() || area.height() < box.height())
        return std::nullopt;
    const int preferredX =
        std::clamp(centreX - box.width() / 2, area.left(), area.right() + 1 - box.width());
    for (int y = area.top(); y + box.height() <= area.bottom() + 1; y += Step)
        for (int offset = 0; offset <= area.width(); offset += Step)
            for (int x : {preferredX - offset, preferredX + offset}) {
                const QRect candidate(QPoint(x, y), box);
                if (area.contains(candidate) && isClear(candidate, request.keepClear))
                    return candidate.topLeft();
            }
    return std::nullopt;
}

// The free place of `area` nearest to `preferred`.
std::optional<QPoint> nearestFreePlace(const QRect& area, const QPoint& preferred,
                                       const Request& request)
{
    std::optional<QPoint> best;
    qint64 bestDistance = 0;
    for (int y = area.top(); y + request.box.height() <= area.bottom() + 1; y += 2 * Step)
        for (int x = area.left(); x + request.box.width() <= area.right() + 1; x += 2 * Step) {
            const QRect candidate(QPoint(x, y), request.box);
            if (!isClear(candidate, request.keepClear) || candidate.intersects(request.window))
                continue;
            const qint64 dx = x - preferred.x();
            const qint64 dy = y - preferred.y();
            if (!best || dx * dx + dy * dy < bestDistance) {
                best = candidate.topLeft();
                bestDistance = dx * dx + dy * dy;
            }
        }
    return best;
}

} // namespace

QPoint place(const Request& request)
{
    QRect underTitle = request.window.intersected(request.screen);
    underTitle.setTop(std::max(underTitle.top(), request.titleBottom + 1 + Gap));
    const int centreX = request.window.center().x();
    if (const auto inside = topmostFreePlace(underTitle, centreX, request))
        return *inside;

    const QPoint preferred(centreX - request.box.width() / 2, underTitle.top());
    if (const auto beside = nearestFreePlace(request.screen, preferred, request))
        return *beside;

    // Nowhere is free: under the title strip, on the screen.
    const QRect& s = request.screen;
    return {std::clamp(preferred.x(), s.left(),
                       std::max(s.left(), s.right() + 1 - request.box.width())),
            std::clamp(preferred.y(), s.top(),
                       std::max(s.top(), s.bottom() + 1 - request.box.height()))};
}

} // namespace noticeplacement

namespace {

QRect onScreen(const QWidget* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

} // namespace

NoticeBox::NoticeBox(QWidget* ownWindow, QWidget* ownTitleStrip)
    : window(ownWindow), titleStrip(ownTitleStrip)
{
    // It informs; it never stops the operator from going on with any window.
    setWindowModality(Qt::NonModal);
    setIcon(QMessageBox::Information);
    closeTimer.setSingleShot(true);
    closeTimer.setInterval(ConfirmationShownMs);
    connect(&closeTimer, &QTimer::timeout, this, &QWidget::hide);
    window->installEventFilter(this);
}

void NoticeBox::keepClear(const QList<QWidget*>& widgets)
{
    liveValues = widgets;
    for (QWidget* widget : widgets)
        widget->installEventFilter(this);
}

bool NoticeBox::eventFilter(QObject* watched, QEvent* event)
{
    // A confirmation goes with its window; a problem stays to be read.
    if (watched == window && event->type() == QEvent::Hide && closeTimer.isActive()) {
        closeTimer.stop();
        hide();
    }
    // The box follows its window, and moves aside when a value grows under it.
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && isVisible())
        placeOverWindow(this);
    return QMessageBox::eventFilter(watched, event);
}

void NoticeBox::showNotice(Kind kind, const QString& text, const QString& secondLine)
{
    setText(text);
    setInformativeText(secondLine);
    if (kind == Kind::Confirmation)
        closeTimer.start();
    else
        closeTimer.stop();
    // A problem takes the keyboard, so that Esc or Enter closes it; a confirmation leaves it
    // where the operator is typing.
    setAttribute(Qt::WA_ShowWithoutActivating, kind == Kind::Confirmation);
    present(this);
    if (kind == Kind::Problem)
        activateWindow();
}

void NoticeBox::hideEvent(QHideEvent* event)
{
    // The keyboard goes back to the window the box spoke for.
    if (isActiveWindow() && window->isVisible())
        window->activateWindow();
    QMessageBox::hideEvent(event);
}

void NoticeBox::present(QWidget* box) const
{
    box->show();
    if (box->windowHandle() && window->windowHandle())
        box->windowHandle()->setTransientParent(window->windowHandle());
    placeOverWindow(box);
}

void NoticeBox::placeOverWindow(QWidget* box) const
{
    noticeplacement::Request request;
    request.window = window->frameGeometry();
    request.titleBottom = onScreen(titleStrip).bottom();
    const QScreen* screen = window->screen();
    request.screen = screen ? screen->availableGeometry() : request.window;
    request.box = box->frameGeometry().size();
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->isVisibleTo(window))
            request.keepClear << onScreen(button);
    for (const QWidget* value : liveValues)
        if (value->isVisibleTo(window))
            request.keepClear << onScreen(value);
    box->move(noticeplacement::place(request));
}
