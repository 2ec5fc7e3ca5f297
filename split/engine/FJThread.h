#pragma once

#include <QThread>

class FJDataOperate;

// A thread holding its own order detail holder. Nothing starts it: the
// split window runs its jobs on a thread pool instead.
class FJThread : public QThread
{
    Q_OBJECT

public:
    explicit FJThread(QObject *parent = nullptr);
    ~FJThread() override;

    void createDir();
    void start_fenjian();

protected:
    void run() override;

private:
    FJDataOperate *m_dataOperate;
};
