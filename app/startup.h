#pragma once

class QApplication;

namespace app {

// Application-wide look and text handling, set once before the main window exists:
// the "blue" style sheet, the palette, the application and desktop entry names, the
// default font, Chinese faces for the Chinese font families and UTF-8 as the locale codec.
void configureApplication(QApplication& application);

} // namespace app
