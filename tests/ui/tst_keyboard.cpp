#include "analysis/qrealtimedata.h"
#include "monitor/temp.h"
#include "settings/set.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QTableWidget>

// Tab alone, each key going through the window: from the control that has the focus when the
// window opens round every enabled control in the order of the screen.
class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void tabVisitsEveryControlInScreenOrder_data();
    void tabVisitsEveryControlInScreenOrder();
};

void KeyboardTest::tabVisitsEveryControlInScreenOrder_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("order");
    // No logger: Calibration time, Set and Stop Record are disabled.
    QTest::newRow("main") << "Temp"
                          << QStringList{"pushButtonConnect",     "pushButtonLanguage",
                                         "pushButtonDownload",    "pushButtonHelp",
                                         "pushButtonMin",         "pushButtonClose",
                                         "radioButtonCentigrade", "radioButtonFahrenheit"};
    // With records on show: Tab leaves a table instead of walking its cells.
    QTest::newRow("analysis") << "QRealTimeData"
                              << QStringList{"pushButtonOpen", "tableWidget_2", "tableWidget",
                                             "pushButtonMin", "pushButtonBack"};
    QTest::newRow("settings") << "Set" << QStringList{"spinBoxHighTempWarn", "spinBoxLowTempWarn",
                                                      "spinBoxHighHumiWarn", "spinBoxLowHumiWarn",
                                                      "setTimeHour",         "setTimeMin",
                                                      "setTimeSec",          "spinBoxRecordNumber",
                                                      "radioButtonAuto",     "radioButtonManual",
                                                      "pushButtonCancel",    "pushButtonApply"};
}

void KeyboardTest::tabVisitsEveryControlInScreenOrder()
{
    QFETCH(QString, window);
    QFETCH(QStringList, order);
    Temp main;
    QWidget* shown = &main;
    for (QWidget* topLevel : QApplication::topLevelWidgets())
        if (topLevel->objectName() == window)
            shown = topLevel;
    if (auto* analysis = qobject_cast<QRealTimeData*>(shown)) {
        analysis->showWindow(false, true);
        for (QTableWidget* table : analysis->findChildren<QTableWidget*>()) {
            table->setRowCount(2);
            for (int cell = 0; cell < 2 * table->columnCount(); ++cell)
                table->setItem(cell / table->columnCount(), cell % table->columnCount(),
                               new QTableWidgetItem(QStringLiteral("1.0")));
            table->setCurrentCell(0, 0);
        }
    }
    if (auto* settings = qobject_cast<Set*>(shown))
        settings->setApplyEnabled(true); // as while a logger is connected
    shown->show();
    QVERIFY(QTest::qWaitForWindowActive(shown));

    QStringList visited;
    for (int i = 0; i <= order.size(); ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(shown->windowHandle(), Qt::Key_Tab);
    }
    QCOMPARE(visited, order + QStringList{order.first()});
}

HYGROLUX_TEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
