#include "platform/ThreadPriority.h"

#include <QThread>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace ThreadPriority {

void lowerCurrentThread()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
#ifdef Q_OS_LINUX
    // Linux keeps a nice value per thread; Qt's priorities do nothing under
    // the normal scheduler, and its lowest one would starve the thread on a
    // busy machine.
    const auto tid = id_t(syscall(SYS_gettid));
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, tid);
    if (errno == 0)
        setpriority(PRIO_PROCESS, tid, qMin(nice + 5, 19));
#else
    QThread::currentThread()->setPriority(QThread::LowPriority);
#endif
}

} // namespace ThreadPriority
