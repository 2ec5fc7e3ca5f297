#include "platform/SharePins.h"

ShareGuard SharePins::pin(const QString &path)
{
    ShareGuard guard;
    if (!guard.pin(path))
        return guard;
    const auto known = m_pins.constFind(guard.shareFolder());
    if (known != m_pins.constEnd())
        return known.value();
    m_pins.insert(guard.shareFolder(), guard);
    return guard;
}
