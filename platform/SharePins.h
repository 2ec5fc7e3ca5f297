#pragma once

#include "platform/ShareGuard.h"

#include <QHash>
#include <QString>

// The shares a run has met, each pinned the first time: what stands in a
// share's place later in the run may be the empty mount point of an unmount.
class SharePins
{
public:
    // The run's pin of the share path lies below; an unpinned guard when path
    // is not below a mounted share.
    ShareGuard pin(const QString &path);
    // Forgets every pin: the next run looks afresh.
    void clear() { m_pins.clear(); }

private:
    QHash<QString, ShareGuard> m_pins; // by share folder
};
