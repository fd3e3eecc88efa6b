#include "windowsupport.h"

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

} // namespace hygrolux::test
