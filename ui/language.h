#pragma once

class QFont;
class QTranslator;

// The two languages of the interface: English, the texts of the program itself, and
// Chinese, from the catalogue embedded with the images. Each has its own application font.
namespace language {

// 8 pt "Arial Black" for English, 8 pt "Microsoft YaHei" for Chinese.
QFont interfaceFont(bool chinese);

// Changes the application font and installs the Chinese catalogue in `translator`, or
// removes it; Qt then tells every window that the language changed. Should the catalogue
// not load, the texts stay English.
void switchTo(bool chinese, QTranslator& translator);

} // namespace language
