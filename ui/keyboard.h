#pragma once

class QAbstractButton;

// What the windows share for the operator who works with the keyboard alone.
namespace keyboard {

// Makes both buttons of an exclusive pair stops of Tab, as every other control is: of an
// exclusive group Qt keeps only the checked button in the Tab order, the other one reached
// by the arrow keys only. The pair stays exclusive: checking one unchecks the other, and a
// click on the checked one leaves it checked.
void tabStopsForBoth(QAbstractButton* first, QAbstractButton* second);

} // namespace keyboard
