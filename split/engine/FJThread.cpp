#include "split/engine/FJThread.h"

#include "split/engine/FJDataOperate.h"

FJThread::FJThread(QObject *parent)
    : QThread(parent)
    , m_dataOperate(new FJDataOperate(this))
{
}

FJThread::~FJThread() = default;

void FJThread::createDir() {}

void FJThread::start_fenjian() {}

void FJThread::run() {}
