#include "transfer/engine/ReplaceGate.h"

#include <QMutexLocker>

ReplaceGate::ReplaceGate(int copies, std::function<bool()> givenUp)
    : m_arrived(copies, 0), m_waitingFor(copies), m_givenUp(std::move(givenUp))
{
}

void ReplaceGate::arrive(int copy, bool whole)
{
    QMutexLocker lock(&m_mutex);
    arriveLocked(copy, whole);
}

namespace {

std::function<void()> &openedHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void ReplaceGate::setOpenedHook(std::function<void()> hook)
{
    openedHook() = std::move(hook);
}

bool ReplaceGate::waitForAll(int copy)
{
    QMutexLocker lock(&m_mutex);
    arriveLocked(copy, true);
    while (m_waitingFor > 0)
        m_allIn.wait(&m_mutex);
    const bool open = m_open;
    lock.unlock();
    if (open && openedHook())
        openedHook()();
    return open;
}

bool ReplaceGate::giveUp()
{
    QMutexLocker lock(&m_mutex);
    if (m_waitingFor == 0 && m_open)
        return false;
    m_gaveUp = true;
    return true;
}

void ReplaceGate::arriveLocked(int copy, bool whole)
{
    if (copy < 0 || copy >= m_arrived.size() || m_arrived.at(copy) != 0)
        return;
    m_arrived[copy] = whole ? 1 : 2;
    if (--m_waitingFor > 0)
        return;
    m_open = !m_arrived.contains(2) && !m_gaveUp && !(m_givenUp && m_givenUp());
    m_allIn.wakeAll();
}
