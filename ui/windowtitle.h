#pragma once

class QString;

// The titles the desktop shows for the windows (task bar, window switcher): the program's
// name, Latin in every language, and after it the name of any window but the main one.
namespace windowtitle {

// "Hygrolux": the program's name, also the main window's title.
QString programName();
// "Hygrolux — Settings": `windowName` is already in the interface's language.
QString of(const QString& windowName);

} // namespace windowtitle
