#include "monitor/temp.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

// The Language button of the main window: every window between English and Chinese, and
// the captions that depend on the connection to the logger (the simulated logger on a
// pseudo-terminal, through a real QSerialPort).
class LanguageSwitchTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void twoClicksRestoreEnglish();
    void captionsFollowTheConnection();
    void namesAndToolTips_data();
    void namesAndToolTips();

private:
    void switchLanguage();
    static QWidget* topLevel(const char* name);
    static QStringList headerTexts(const QWidget* window, const char* table);
    // Every text of a window's widgets, with the widget's name; the window title apart.
    static QStringList shownTexts(const QWidget* window);
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(name); }
    QLabel* label(const QWidget* parent, const char* name) const
    {
        return parent->findChild<QLabel*>(name);
    }

    sim::SimulatedLogger* logger = nullptr;
    Temp* window = nullptr;
};

void LanguageSwitchTest::init()
{
    logger = new sim::SimulatedLogger(5);
    QVERIFY2(logger->open(), qPrintable(logger->errorString()));
    sim::Settings settings = logger->settings();
    settings.drift = false;
    logger->setSettings(settings);
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
    window = new Temp;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void LanguageSwitchTest::cleanup()
{
    delete window;
    window = nullptr;
    delete logger;
    logger = nullptr;
    hygrolux::test::dismissMessages();
}

// Qt posts the language change to the windows; nothing else runs before they take it.
void LanguageSwitchTest::switchLanguage()
{
    QTest::mouseClick(button("pushButtonLanguage"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

QWidget* LanguageSwitchTest::topLevel(const char* name)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(name))
            return widget;
    return nullptr;
}

QStringList LanguageSwitchTest::headerTexts(const QWidget* window, const char* table)
{
    QStringList texts;
    const auto* t = window->findChild<QTableWidget*>(table);
    for (int column = 0; column < t->columnCount(); ++column)
        texts << t->horizontalHeaderItem(column)->text();
    return texts;
}

QStringList LanguageSwitchTest::shownTexts(const QWidget* window)
{
    QStringList texts;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        QStringList own = {widget->toolTip(), widget->accessibleName(),
                           widget->accessibleDescription()};
        if (const auto* shown = qobject_cast<const QLabel*>(widget))
            own << shown->text();
        if (const auto* shown = qobject_cast<const QAbstractButton*>(widget))
            own << shown->text();
        if (qobject_cast<const QTableWidget*>(widget))
            own << headerTexts(window, qPrintable(widget->objectName()));
        texts << widget->objectName() + QLatin1String(": ") + own.join(QLatin1String(" | "));
    }
    return texts;
}

void LanguageSwitchTest::twoClicksRestoreEnglish()
{
    QWidget* settings = topLevel("Set");
    QWidget* analysis = topLevel("QRealTimeData");
    QVERIFY(settings && analysis);
    const QList<QWidget*> windows = {window, settings, analysis};
    QList<QStringList> english;
    for (const QWidget* each : windows)
        english << shownTexts(each);

    switchLanguage();
    QCOMPARE(QApplication::font().family(), QStringLiteral("Microsoft YaHei"));
    QCOMPARE(QApplication::font().pointSize(), 8);
    QCOMPARE(label(window, "labelTitle")->text(), QStringLiteral("温湿度计"));
    QCOMPARE(headerTexts(analysis, "tableWidget"),
             (QStringList{"时间", "温度", "湿度", "酷热指数", "露点温度"}));
    // The summary's heading is set once, with the window.
    QCOMPARE(headerTexts(analysis, "tableWidget_2"), QStringList{"Report"});

    switchLanguage();
    QCOMPARE(QApplication::font().family(), QStringLiteral("Arial Black"));
    QCOMPARE(QApplication::font().pointSize(), 8);
    for (int i = 0; i < windows.size(); ++i)
        QCOMPARE(shownTexts(windows.at(i)), english.at(i));
}

void LanguageSwitchTest::captionsFollowTheConnection()
{
    switchLanguage();
    QCOMPARE(button("pushButtonDownload")->text(), QStringLiteral("分析"));
    switchLanguage();
    QCOMPARE(button("pushButtonDownload")->text(), QStringLiteral("Analyse"));

    QTest::mouseClick(window->findChild<QRadioButton*>("radioButtonFahrenheit"), Qt::LeftButton);
    QTest::mouseClick(button("pushButtonConnect"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(button("pushButtonStop")->isEnabled(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(label(window, "labelTempValue")->text() != QLatin1String("--.-"),
                             3000);
    QTest::mouseClick(button("pushButtonSet"), Qt::LeftButton);
    QWidget* settings = topLevel("Set");
    QVERIFY(settings->isVisible());
    const QString reading = label(window, "labelTempValue")->text();

    switchLanguage();
    QCOMPARE(button("pushButtonDownload")->text(), QStringLiteral("下载"));
    QCOMPARE(button("pushButtonConnect")->text(), QStringLiteral("断开连接"));
    QCOMPARE(label(window, "labelTempValue")->text(), reading);
    QCOMPARE(label(window, "labelTempUnit")->text(), QStringLiteral("℉"));
    // The boxes hold Fahrenheit: so must their labels, or a limit would be typed as Celsius.
    QCOMPARE(label(settings, "labelHighTempUnit")->text(), QStringLiteral("℉"));
    QCOMPARE(label(settings, "labelHighTempUnit_2")->text(), QStringLiteral("℉"));

    switchLanguage();
    QCOMPARE(button("pushButtonDownload")->text(), QStringLiteral("Download"));
    QCOMPARE(button("pushButtonConnect")->text(), QStringLiteral("Disconnect"));
}

void LanguageSwitchTest::namesAndToolTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("titles"); // English, Chinese: the program's name stays Latin
    QTest::newRow("main") << "Temp" << QStringList{"Hygrolux", "Hygrolux"};
    QTest::newRow("settings") << "Set" << QStringList{"Hygrolux — Settings", "Hygrolux — 设置"};
    QTest::newRow("analysis") << "QRealTimeData"
                              << QStringList{"Hygrolux — Analysis", "Hygrolux — 分析"};
}

// What the task bar shows for each window, and every button's tool tip: in English, in
// Chinese after a switch and in English again after the next. (The tables' corner buttons are
// Qt's, nameless, and only select every cell.)
void LanguageSwitchTest::namesAndToolTips()
{
    QFETCH(QString, name);
    QFETCH(QStringList, titles);
    const QWidget* shown = topLevel(qPrintable(name));
    QMap<QString, QString> tips;
    for (const QAbstractButton* button : shown->findChildren<QAbstractButton*>())
        if (!button->objectName().isEmpty())
            tips.insert(button->objectName(), button->toolTip());
    QCOMPARE(shown->windowTitle(), titles[0]);
    QVERIFY2(!tips.values().contains(QString()), qPrintable(tips.key(QString())));

    switchLanguage();
    QCOMPARE(shown->windowTitle(), titles[1]);
    for (auto tip = tips.cbegin(); tip != tips.cend(); ++tip) {
        const QString translated = shown->findChild<QAbstractButton*>(tip.key())->toolTip();
        QVERIFY2(!translated.isEmpty() && translated != tip.value(), qPrintable(tip.key()));
    }
    switchLanguage();
    QCOMPARE(shown->windowTitle(), titles[0]);
}

HYGROLUX_TEST_MAIN(LanguageSwitchTest)
#include "tst_languageswitch.moc"
