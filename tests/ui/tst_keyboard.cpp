#include "analysis/qrealtimedata.h"
#include "monitor/temp.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QTableWidget>

// Tab alone in the main and the analysis window, each key going through the window: from
// the control that has the focus when the window opens round every enabled control in the
// order of the screen. (The settings window's keys are tested with that window.)
class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void tabVisitsEveryControlInScreenOrder_data();
    void tabVisitsEveryControlInScreenOrder();
};

void KeyboardTest::tabVisitsEveryControlInScreenOrder_data()
{
    QTest::addColumn<bool>("analysis");
    QTest::addColumn<QStringList>("order");
    // No logger: Calibration time, Set and Stop Record are disabled.
    QTest::newRow("main") << false << QStringList{"pushButtonConnect",     "pushButtonLanguage",
                                                  "pushButtonDownload",    "pushButtonHelp",
                                                  "pushButtonMin",         "pushButtonClose",
                                                  "radioButtonCentigrade", "radioButtonFahrenheit"};
    // Without a logger, with records on show: Tab leaves a table instead of walking its cells.
    QTest::newRow("analysis") << true
                              << QStringList{"pushButtonOpen", "tableWidget_2", "tableWidget",
                                             "pushButtonMin", "pushButtonBack"};
}

void KeyboardTest::tabVisitsEveryControlInScreenOrder()
{
    QFETCH(bool, analysis);
    QFETCH(QStringList, order);
    Temp main;
    QWidget* shown = &main;
    if (analysis) {
        auto* window = hygrolux::test::topLevel<QRealTimeData>();
        window->showWindow(false, true);
        for (QTableWidget* table : window->findChildren<QTableWidget*>()) {
            table->setRowCount(2);
            for (int cell = 0; cell < 2 * table->columnCount(); ++cell)
                table->setItem(cell / table->columnCount(), cell % table->columnCount(),
                               new QTableWidgetItem(QStringLiteral("1.0")));
            table->setCurrentCell(0, 0);
        }
        shown = window;
    }
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
