#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class FJDataThread;

// Stands in for the split window: collects the queued result reports that
// design-file jobs send to "slt_copypicthread".
class FJJobReceiver : public QWidget
{
    Q_OBJECT

public:
    struct Report {
        bool ok = false;
        QString jobType;
        QString srcPath;
        QString third;
        QString message;
        bool onGuiThread = false;
    };

    explicit FJJobReceiver(QWidget *parent = nullptr);

    QList<Report> reports;

    // Starts the jobs on a pool of the given size and runs the event loop
    // until the pool is done and every queued report has arrived.
    void runAll(const QList<FJDataThread *> &jobs, int threads = 4);
    // One job; returns its only report (an empty one when none came).
    Report runOne(FJDataThread *job);

public slots:
    void slt_copypicthread(bool ok, QString jobType, QString srcPath, QString third, QString message);
};
