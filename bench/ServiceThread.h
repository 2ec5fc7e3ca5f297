#pragma once

#include "support/StandInService.h"

#include <QThread>

#include <functional>

// The stand-in service answering on a thread of its own, as a real one would.
class ServiceThread
{
public:
    // setUp runs on the service's thread right after it starts listening.
    explicit ServiceThread(const std::function<void(StandInService &)> &setUp)
    {
        m_thread.start();
        m_service = new StandInService();
        m_service->moveToThread(&m_thread);
        StandInService *service = m_service;
        QMetaObject::invokeMethod(service, [service, setUp]() {
            service->start();
            setUp(*service);
        }, Qt::BlockingQueuedConnection);
    }
    ~ServiceThread()
    {
        StandInService *service = m_service;
        QMetaObject::invokeMethod(service, [service]() { delete service; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    ServiceThread(const ServiceThread &) = delete;
    ServiceThread &operator=(const ServiceThread &) = delete;

    StandInService *service() const { return m_service; }

private:
    QThread m_thread;
    StandInService *m_service = nullptr;
};
