#include "keyboard.h"

#include <QAbstractButton>

namespace keyboard {

namespace {

void keepOneChecked(QAbstractButton* changed, QAbstractButton* other, bool checked)
{
    if (checked)
        other->setChecked(false);
    else if (!other->isChecked())
        changed->setChecked(true);
}

} // namespace

void tabStopsForBoth(QAbstractButton* first, QAbstractButton* second)
{
    first->setAutoExclusive(false);
    second->setAutoExclusive(false);
    QObject::connect(first, &QAbstractButton::toggled, second,
                     [first, second](bool checked) { keepOneChecked(first, second, checked); });
    QObject::connect(second, &QAbstractButton::toggled, first,
                     [first, second](bool checked) { keepOneChecked(second, first, checked); });
}

} // namespace keyboard
