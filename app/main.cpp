#include "monitor/temp.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    app::prepareEnvironment();
    QApplication application(argc, argv);
    app::configureApplication(application);

    Temp mainWindow;
    mainWindow.show();
    return application.exec();
}
