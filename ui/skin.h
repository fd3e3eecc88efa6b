#pragma once

class QAbstractButton;
class QString;
class QTableView;
class QWidget;

// Additions to the forms' skin that keep state visible on the blue background: white
// text would otherwise hide a radio button's dot and make a disabled button look enabled.
namespace skin {

// Style sheet rules for white radio indicators; `scope` prefixes the selector
// (e.g. "#Set "), empty for a rule on the button itself.
QString radioIndicatorRules(const QString& scope);

// Appends the radio indicator rules to the button's own style sheet.
void showRadioIndicator(QAbstractButton* radioButton);
// Appends a dimmed text colour for the disabled state to the button's own style sheet.
void dimWhenDisabled(QAbstractButton* button);
// A tool tip takes the style sheets of its widget and the widget's parents, whose bare
// declarations (a border image, white text) would make it unreadable. Every widget of the
// window with a style sheet or a tool tip gets a rule for tool tips, white on dark blue, which
// outweighs those declarations; the tool tips of all windows look alike.
void showReadableToolTips(QWidget* window);
// Gives the header sections of a table (column titles and row numbers) dark text on a
// light face; the white border image of the table would otherwise leave them black.
void showTableHeaders(QTableView* table);

} // namespace skin
