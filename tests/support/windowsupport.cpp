#include "windowsupport.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace hygrolux::test {

QStringList shownMessages()
{
    QStringList shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            shown << box->text();
    return shown;
}

void dismissMessages()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget))
            box->hide();
}

QMessageBox* shownQuestion()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget);
            box && box->isVisible() && box->button(QMessageBox::Yes))
            return box;
    return nullptr;
}

bool answerQuestion(QMessageBox::StandardButton answer)
{
    QMessageBox* question = shownQuestion();
    if (!question || !question->button(answer))
        return false;
    question->button(answer)->click();
    return true;
}

} // namespace hygrolux::test
