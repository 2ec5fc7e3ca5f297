#include "FJJobReports.h"

#include "split/engine/FJDataThread.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

FJJobReceiver::FJJobReceiver(QWidget *parent)
    : QWidget(parent)
{
}

void FJJobReceiver::slt_copypicthread(bool ok, QString jobType, QString srcPath, QString third,
                                      QString message)
{
    reports.append({ok, jobType, srcPath, third, message, QThread::currentThread() == thread()});
}

void FJJobReceiver::runAll(const QList<FJDataThread *> &jobs, int threads)
{
    QThreadPool pool;
    pool.setMaxThreadCount(threads);
    for (FJDataThread *job : jobs)
        pool.start(job, 0);
    pool.waitForDone(-1);
    // Every report was posted before the pool finished; deliver them.
    QCoreApplication::sendPostedEvents(this);
}

FJJobReceiver::Report FJJobReceiver::runOne(FJDataThread *job)
{
    const int before = reports.size();
    runAll({job}, 1);
    return reports.size() == before + 1 ? reports.last() : Report();
}
