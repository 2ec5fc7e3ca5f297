#include "app/core/SameFileContent.h"

#include <QFile>

bool sameFileContent(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) || first.size() != second.size())
        return false;
    constexpr qint64 chunk = 4 << 20;
    for (;;) {
        const QByteArray x = first.read(chunk);
        const QByteArray y = second.read(chunk);
        if (x != y)
            return false;
        if (x.isEmpty())
            return first.error() == QFileDevice::NoError && second.error() == QFileDevice::NoError;
    }
}
