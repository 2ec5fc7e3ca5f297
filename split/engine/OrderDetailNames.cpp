#include "split/engine/OrderDetailNames.h"

namespace OrderDetailNames {

QString takeUnique(const QString &name, QStringList &taken)
{
    QString candidate = name;
    for (int n = 1; taken.contains(candidate); ++n)
        candidate = QStringLiteral("%1(%2)").arg(name).arg(n);
    taken.append(candidate);
    return candidate;
}

} // namespace OrderDetailNames
