#pragma once

#include <QObject>

// Ctrl-C (SIGINT), SIGTERM and a hang-up of the terminal (SIGHUP: an SSH session that
// drops), delivered as a Qt signal on the event loop, so that a command can end cleanly:
// a watch stops, a download marks its data file.
class Interrupts : public QObject
{
    Q_OBJECT

public:
    explicit Interrupts(QObject* parent = nullptr);
    // False when the system refuses; the signals then end the program as usual.
    bool install();

signals:
    void received();
};
