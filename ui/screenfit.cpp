#include "screenfit.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>

namespace screenfit {

namespace {

QRect availableArea(const QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

void fitToScreen(QWidget* window, QWidget* body)
{
    QLayout* layout = window->layout();
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName(body->objectName() + QStringLiteral("Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes from command to command, never to the frame around them.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    // The window's own background shows through, as it did behind the body.
    scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    scroll->viewport()->setAutoFillBackground(false);
    // The room the body had is the scroll area's.
    scroll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    delete layout->replaceWidget(body, scroll);
    scroll->setWidget(body);
    body->setAutoFillBackground(false);

    const QRect available = availableArea(window);
    if (!available.isValid())
        return;
    window->setMinimumSize(window->minimumSize().boundedTo(available.size()));
    window->resize(window->size().boundedTo(available.size()));
    // Placed where the whole window is on the screen.
    QRect placed(window->pos(), window->size());
    placed.moveLeft(
        qBound(available.left(), placed.left(), available.right() + 1 - placed.width()));
    placed.moveTop(qBound(available.top(), placed.top(), available.bottom() + 1 - placed.height()));
    window->move(placed.topLeft());
}

void showOverAvailableArea(QWidget* window)
{
    const QRect available = availableArea(window);
    if (available.isValid()) {
        // The panels shrink below what they ask for rather than push Back off the screen.
        const QSize needed = window->minimumSizeHint().expandedTo(window->minimumSize());
        if (needed.width() > available.width() || needed.height() > available.height())
            window->setMinimumSize(needed.boundedTo(available.size()));
        if (window->geometry() != available)
            window->setGeometry(available);
    }
    window->showFullScreen();
}

} // namespace screenfit
