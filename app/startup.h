#pragma once

class QApplication;

namespace app {

// Before the application object exists. The windows draw nothing with OpenGL, so on X11 the
// platform is told not to load it: the system's OpenGL driver alone took some 50 MB of every
// run's memory. An environment that names an integration keeps its choice.
void prepareEnvironment();

// Application-wide look and text handling, set once before the main window exists:
// the "blue" style sheet, the palette, the application and desktop entry names, the
// default font, Chinese faces for the Chinese font families and UTF-8 as the locale codec.
void configureApplication(QApplication& application);

} // namespace app
