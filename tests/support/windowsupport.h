#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>

// What the window tests look for among the top-level widgets: the message boxes the windows
// show without blocking, and the windows they open.
namespace hygrolux::test {

// The texts of the message boxes on show, oldest first.
QStringList shownMessages();
// Hides every message box, as pressing its OK would.
void dismissMessages();
// The question on show (a box that offers Yes), or null.
QMessageBox* shownQuestion();
// Presses `answer` in the question on show; false without one.
bool answerQuestion(QMessageBox::StandardButton answer);

// The top-level window of that class, or null.
template <class Window> Window* topLevel()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<Window*>(widget))
            return found;
    return nullptr;
}

} // namespace hygrolux::test
