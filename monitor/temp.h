#pragma once

#include <QWidget>

namespace Ui {
class Temp;
}

// The main window: live readings, the PC clock and the logger's commands.
class Temp : public QWidget
{
    Q_OBJECT

public:
    explicit Temp(QWidget* parent = nullptr);
    ~Temp() override;

private:
    Ui::Temp* ui;
};
