#include "analysis/qrealtimedata.h"
#include "monitor/temp.h"
#include "testsupport.h"
#include "windowsupport.h"

#include <QApplication>
#include <QTableWidget>

#include <memory>

// The main and the analysis window worked by Tab alone, as a key press travels: from the
// control that has the focus when the window opens, round every enabled control in the order
// of the screen (title strip, then left to right, top to bottom) and back. The settings
// window's keys are tested with the window itself.
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
    QTest::newRow("main window") << "Temp"
                                 << QStringList{"pushButtonConnect",     "pushButtonLanguage",
                                                "pushButtonDownload",    "pushButtonHelp",
                                                "pushButtonMin",         "pushButtonClose",
                                                "radioButtonCentigrade", "radioButtonFahrenheit"};
    // Opened without a logger: Export is hidden. Tab leaves a table instead of walking its
    // cells, which the arrow keys do.
    QTest::newRow("analysis window")
        << "QRealTimeData"
        << QStringList{"pushButtonOpen", "tableWidget_2", "tableWidget", "pushButtonMin",
                       "pushButtonBack"};
}

void KeyboardTest::tabVisitsEveryControlInScreenOrder()
{
    QFETCH(QString, window);
    QFETCH(QStringList, order);
    auto main = std::make_unique<Temp>();
    QWidget* shown = main.get();
    if (window == QLatin1String("QRealTimeData")) {
        auto* analysis = hygrolux::test::topLevel<QRealTimeData>();
        analysis->showWindow(false, true);
        // With records on show: a table with cells would keep Tab to walk them.
        for (QTableWidget* table : analysis->findChildren<QTableWidget*>()) {
            table->setRowCount(2);
            for (int row = 0; row < table->rowCount(); ++row)
                for (int column = 0; column < table->columnCount(); ++column)
                    table->setItem(row, column, new QTableWidgetItem(QStringLiteral("1.0")));
            table->setCurrentCell(0, 0);
        }
        shown = analysis;
    } else {
        main->show();
    }
    QVERIFY(QTest::qWaitForWindowActive(shown));

    QStringList visited;
    for (int i = 0; i <= order.size(); ++i) {
        visited << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                : QString());
        QTest::keyClick(shown->windowHandle(), Qt::Key_Tab);
    }
    QCOMPARE(visited, order + QStringList{order.first()});
}

HYGROLUX_TEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
