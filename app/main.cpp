#include "app/K.h"
#include "platform/DisplaySleepAssertion.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("studiotools"));

    const DisplaySleepAssertion::AssertionId assertion = DisplaySleepAssertion::create(
        QStringLiteral("NoDisplaySleepAssertion"), QStringLiteral("MyApp - Preventing Display Sleep"));
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app,
                     [assertion]() { DisplaySleepAssertion::release(assertion); }, Qt::DirectConnection);

    K::i()->setMainBase(app);
    K::i()->launchSys(StartLogin);
    return app.exec();
}
