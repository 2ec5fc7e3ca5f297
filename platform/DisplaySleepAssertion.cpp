#include "platform/DisplaySleepAssertion.h"

#include <QGuiApplication>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QPair>

namespace {

struct Assertions
{
    QMutex mutex;
    DisplaySleepAssertion::AssertionId next = 1;
    QMap<DisplaySleepAssertion::AssertionId, QPair<QString, QString>> held;
};

Assertions &assertions()
{
    static Assertions a;
    return a;
}

} // namespace

namespace DisplaySleepAssertion {

AssertionId create(const QString &type, const QString &name)
{
    QMutexLocker lock(&assertions().mutex);
    const AssertionId id = assertions().next++;
    assertions().held.insert(id, qMakePair(type, name));
    return id;
}

void release(AssertionId id)
{
    QMutexLocker lock(&assertions().mutex);
    assertions().held.remove(id);
}

bool isHeld()
{
    QMutexLocker lock(&assertions().mutex);
    return !assertions().held.isEmpty();
}

AssertionId holdUntilLastWindowClosed(QGuiApplication &app)
{
    const AssertionId id = create(QStringLiteral("NoDisplaySleepAssertion"),
                                  QStringLiteral("MyApp - Preventing Display Sleep"));
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, [id]() { release(id); },
                     Qt::DirectConnection);
    return id;
}

QString heldType()
{
    QMutexLocker lock(&assertions().mutex);
    return assertions().held.isEmpty() ? QString() : assertions().held.last().first;
}

QString heldName()
{
    QMutexLocker lock(&assertions().mutex);
    return assertions().held.isEmpty() ? QString() : assertions().held.last().second;
}

} // namespace DisplaySleepAssertion
