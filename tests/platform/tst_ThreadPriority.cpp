#include "platform/ThreadPriority.h"

#include <QThread>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

class TestThreadPriority : public QObject
{
    Q_OBJECT

private slots:
    void lowersOnceAndStaysInRange_data();
    void lowersOnceAndStaysInRange();
};

void TestThreadPriority::lowersOnceAndStaysInRange_data()
{
    QTest::addColumn<int>("startNice");
    QTest::addColumn<int>("calls");
    QTest::addColumn<int>("expected");
    QTest::newRow("once") << 0 << 1 << 5;
    // A pool thread runs many tasks: each must not lower it again.
    QTest::newRow("many tasks on one thread") << 0 << 4 << 5;
    QTest::newRow("already low") << 17 << 1 << 19;
    QTest::newRow("lowest") << 19 << 2 << 19;
}

void TestThreadPriority::lowersOnceAndStaysInRange()
{
#ifdef Q_OS_LINUX
    QFETCH(int, startNice);
    QFETCH(int, calls);
    QFETCH(int, expected);
    const int processNice = getpriority(PRIO_PROCESS, 0);
    int seen = -100;
    QThread *thread = QThread::create([&] {
        const auto tid = id_t(syscall(SYS_gettid));
        setpriority(PRIO_PROCESS, tid, startNice);
        for (int i = 0; i < calls; ++i)
            ThreadPriority::lowerCurrentThread();
        seen = getpriority(PRIO_PROCESS, tid);
    });
    thread->start();
    QVERIFY(thread->wait(10000));
    delete thread;
    QCOMPARE(seen, expected);
    QCOMPARE(getpriority(PRIO_PROCESS, 0), processNice);
#else
    QSKIP("nice values are Linux's");
#endif
}

QTEST_MAIN(TestThreadPriority)
#include "tst_ThreadPriority.moc"
