#include "app/core/QuitGuard.h"

#include <QCoreApplication>
#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QVector>

#include <algorithm>
#include <atomic>

namespace QuitGuard {
namespace {

struct End {
    QPointer<QObject> owner;
    std::function<void()> run;
};

struct Registry {
    QMutex mutex;
    QVector<End> ends;
    bool routineAdded = false;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

std::atomic<bool> g_quitting{false};

void runAtQuit()
{
    g_quitting = true;
    Registry &r = registry();
    QVector<End> ends;
    {
        // Anything registered from here on adds the routine again, and Qt
        // runs routines added during the post routines too.
        QMutexLocker lock(&r.mutex);
        ends.swap(r.ends);
        r.routineAdded = false;
    }
    // Last registered first, as owners are torn down.
    for (int i = ends.size() - 1; i >= 0; --i) {
        if (ends.at(i).owner)
            ends.at(i).run();
    }
}

} // namespace

void atQuit(QObject *owner, std::function<void()> end)
{
    if (!owner || !end)
        return;
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    // Owners come and go by the thousand (one thread per search): drop the gone.
    r.ends.erase(std::remove_if(r.ends.begin(), r.ends.end(), [](const End &e) { return !e.owner; }),
                 r.ends.end());
    r.ends.append({owner, std::move(end)});
    if (!r.routineAdded) {
        r.routineAdded = true;
        qAddPostRoutine(runAtQuit);
    }
}

void endAtQuit(QThread *thread)
{
    atQuit(thread, [thread] {
        thread->quit();
        thread->wait(kWaitMs);
    });
}

bool quitting()
{
    return g_quitting;
}

} // namespace QuitGuard
