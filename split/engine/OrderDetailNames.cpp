#include "split/engine/OrderDetailNames.h"

namespace OrderDetailNames {

QString takeUnique(const QString &name, QStringList &taken)
{
    QString candidate = name;
    for (int n = 1; taken.contains(candidate); ++n)
        candidate = name + QLatin1Char('(') + QString::number(n) + QLatin1Char(')'); // no arg(): names hold "%1" too
    taken.append(candidate);
    return candidate;
}

} // namespace OrderDetailNames
