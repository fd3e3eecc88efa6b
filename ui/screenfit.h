#pragma once

class QWidget;

// Windows that fit the screen they are on, whatever its size and scale: without a window
// manager nothing else keeps a window's title strip and its buttons on the screen.
namespace screenfit {

// Limits the window's minimum and start size to the screen's available area. `body`, a
// widget of the window's layout, is put in a scroll area without a frame: when the window
// is smaller than the body needs, the body scrolls instead of being cut off or pushing the
// title strip's buttons off the window.
void fitToScreen(QWidget* window, QWidget* body);

// Shows the window over the screen's whole available area, full screen where a window
// manager does that.
void showOverAvailableArea(QWidget* window);

} // namespace screenfit
