#include "app/core/K.h"
#include "platform/DisplaySleepAssertion.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("studiotools"));

    DisplaySleepAssertion::holdUntilLastWindowClosed(app);

    K::i()->setMainBase(app);
    K::i()->launchSys(StartLogin);
    return app.exec();
}
