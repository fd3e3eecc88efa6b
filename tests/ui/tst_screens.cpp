#include "analysis/qrealtimedata.h"
#include "analysis/thermo.h"
#include "monitor/temp.h"
#include "settings/set.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "ui/noticebox.h"
#include "windowsupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

// The windows on a real X server of 1920 x 1080 without a window manager, at the scale the
// run is given (1 and 2): every window and its commands on the screen, and every message over
// its own window, clear of the commands and the live values the operator needs next.
class ScreensTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyWindowFitsTheScreen();
    void messagesLeaveCommandsAndValuesInView();

private:
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(name); }

    sim::SimulatedLogger* logger = nullptr;
    Temp* window = nullptr;
};

namespace {

QRect onScreen(const QWidget* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

QMessageBox* shownBox(const QString& text, bool evenIfClosed = false)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget);
            box && (evenIfClosed || box->isVisible()) && box->text() == text)
            return box;
    return nullptr;
}

// What the box that showed `text` covers of `owner`'s commands and of `values`; empty when
// it lies over its window and covers none of them. A box keeps its place once closed, so a
// loaded machine that let a confirmation go by before a look at it changes nothing.
QString coveredBy(const QString& text, const QWidget* owner, QList<QWidget*> values)
{
    const QMessageBox* box = shownBox(text, true);
    if (!box)
        return QStringLiteral("never shown");
    const QRect placed = box->frameGeometry();
    if (!placed.intersects(owner->frameGeometry()))
        return QStringLiteral("not over its window");
    for (QAbstractButton* command : owner->findChildren<QAbstractButton*>())
        values << command;
    for (const QWidget* widget : values)
        if (widget->isVisible() && placed.intersects(onScreen(widget)))
            return widget->objectName();
    return QString();
}

} // namespace

void ScreensTest::init()
{
    logger = new sim::SimulatedLogger(3);
    QVERIFY2(logger->open(), qPrintable(logger->errorString()));
    logger->setStoredRecords(sim::plausibleDay(30, QDateTime(QDate(2024, 3, 9), QTime()), 60, 1));
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
    window = new Temp;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void ScreensTest::cleanup()
{
    delete window;
    delete logger;
}

void ScreensTest::everyWindowFitsTheScreen()
{
    Set settings;
    settings.show();
    QTest::mouseClick(button("pushButtonDownload"), Qt::LeftButton); // Analyse, disconnected
    auto* analysis = hygrolux::test::topLevel<QRealTimeData>();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QWidget* shown : QList<const QWidget*>{window, &settings, analysis}) {
        QVERIFY2(screen.contains(shown->frameGeometry()), qPrintable(shown->objectName()));
        for (const QPushButton* command : shown->findChildren<QPushButton*>())
            if (command->isVisibleTo(shown))
                QVERIFY2(shown->frameGeometry().contains(onScreen(command)),
                         qPrintable(command->objectName()));
    }
}

void ScreensTest::messagesLeaveCommandsAndValuesInView()
{
    const QList<QWidget*> liveValues =
        window->findChildren<QWidget*>(QRegularExpression("^label.*(Value|Unit|NumberDis)$"));
    QCOMPARE(liveValues.size(), 9);

    // A confirmation: clear of everything, also once the first readings change the panels,
    // and gone by itself.
    const QString connected = QStringLiteral("Connected to the device:OK");
    QTest::mouseClick(button("pushButtonConnect"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(shownBox(connected), 3000);
    QCOMPARE(coveredBy(connected, window, liveValues), QString());
    QTRY_VERIFY_WITH_TIMEOUT(
        window->findChild<QLabel*>("labelTempValue")->text() != QLatin1String("--.-"), 3000);
    QTRY_COMPARE(coveredBy(connected, window, liveValues), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!shownBox(connected), NoticeBox::ConfirmationShownMs + 3000);

    // A problem: as clear, and it stays until the operator closes it.
    sim::Settings silent = logger->settings();
    silent.silentCode = 0x05;
    logger->setSettings(silent);
    const QString problem = QStringLiteral("The logger sends no live readings.");
    QTRY_VERIFY_WITH_TIMEOUT(shownBox(problem), 8000);
    QCOMPARE(coveredBy(problem, window, liveValues), QString());
    QTest::qWait(NoticeBox::ConfirmationShownMs + 1000);
    QVERIFY(shownBox(problem));
    hygrolux::test::dismissMessages();

    // The analysis window's box leaves its commands, the progress and the charts in view.
    silent.silentCode = -1;
    logger->setSettings(silent);
    QTest::mouseClick(button("pushButtonConnect"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(button("pushButtonStop")->isEnabled(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(button("pushButtonDownload")->isEnabled(), 3000);
    QTest::mouseClick(button("pushButtonDownload"), Qt::LeftButton);
    auto* analysis = hygrolux::test::topLevel<QRealTimeData>();
    QTRY_VERIFY_WITH_TIMEOUT(analysis->isVisible(), 5000);
    // The main window's confirmation went with it.
    QVERIFY(!shownBox(connected));
    QTRY_VERIFY_WITH_TIMEOUT(shownBox("Download Success!", true), 30000);
    QList<QWidget*> work = {analysis->findChild<QProgressBar*>("progressBar")};
    for (Thermo* chart : analysis->findChildren<Thermo*>())
        work << chart;
    QCOMPARE(coveredBy("Download Success!", analysis, work), QString());
}

HYGROLUX_TEST_MAIN(ScreensTest)
#include "tst_screens.moc"
