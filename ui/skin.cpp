#include "skin.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QString>
#include <QTableView>

namespace skin {

QString radioIndicatorRules(const QString& scope)
{
    return scope +
           QLatin1String("QRadioButton::indicator { width: 10px; height: 10px; border-radius: 7px;"
                         " border: 2px solid #ffffff; background-color: transparent; }") +
           scope +
           QLatin1String("QRadioButton::indicator:checked { background-color: qradialgradient("
                         "cx: 0.5, cy: 0.5, radius: 0.5, fx: 0.5, fy: 0.5, stop: 0 #ffffff,"
                         " stop: 0.55 #ffffff, stop: 0.65 transparent); }");
}

namespace {

// The forms give widgets bare declarations ("color: ..."), which a sheet can only hold
// alone; wrapped as a rule they can stand beside further rules.
void appendRules(QWidget* widget, const QString& rules)
{
    QString sheet = widget->styleSheet();
    if (sheet.trimmed().isEmpty()) {
        widget->setStyleSheet(rules);
        return;
    }
    if (!sheet.contains(QLatin1Char('{')))
        sheet = QLatin1String("* { ") + sheet + QLatin1String(" }");
    widget->setStyleSheet(sheet + QLatin1Char('\n') + rules);
}

} // namespace

void showRadioIndicator(QAbstractButton* radioButton)
{
    appendRules(radioButton, radioIndicatorRules(QString()));
}

void dimWhenDisabled(QAbstractButton* button)
{
    appendRules(button,
                QStringLiteral("QPushButton:disabled { color: rgba(255, 255, 255, 110); }"));
}

void showReadableToolTips(QWidget* window)
{
    const QString rule =
        QStringLiteral("QToolTip { border-image: none; border: 1px solid #5c8ad6;"
                       " background-color: #1b3a6b; color: #ffffff; padding: 2px; }");
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets)
        if (!widget->styleSheet().isEmpty() || !widget->toolTip().isEmpty())
            appendRules(widget, rule);
}

void showTableHeaders(QTableView* table)
{
    const QString rules =
        QStringLiteral("QHeaderView::section { border-image: none;"
                       " background-color: rgb(226, 233, 244); color: black;"
                       " border: none; border-right: 1px solid rgb(190, 200, 215);"
                       " border-bottom: 1px solid rgb(190, 200, 215);"
                       " padding: 2px 4px; }");
    // Set on the headers themselves: set on the table, the rule misses the column header.
    table->horizontalHeader()->setStyleSheet(rules);
    table->verticalHeader()->setStyleSheet(rules);
}

} // namespace skin
