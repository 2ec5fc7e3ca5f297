#include "split/engine/ProductFolderNames.h"

#include "app/core/K.h"
#include "split/engine/FJJobFile.h"

#include <QDir>
#include <QFileInfo>

namespace ProductFolderNames {

namespace {

QString t(const QJsonObject &object, const char *key)
{
    return FJJobFile::text(object, QLatin1String(key));
}

} // namespace

bool isUrgent(const QJsonObject &goods)
{
    const QString urgent = t(goods, "isurgent");
    return !(urgent.isEmpty() || urgent == QLatin1String("0"));
}

QString datePartWithMark(const QJsonObject &order, const QJsonObject &goods)
{
    return isUrgent(goods) ? t(order, "isurgenttime") + QStringLiteral("急")
                           : t(order, "pickuptime") + QStringLiteral("取");
}

QString groupFolder(const QJsonObject &order, const QJsonObject &goods)
{
    return K::sanitizePathComponent(QStringLiteral("%1 %2-%3 %4 %5")
                                        .arg(t(goods, "factoryname"), t(order, "mname"), t(order, "wname"),
                                             datePartWithMark(order, goods), t(goods, "isems")));
}

QString singleProduct(const QJsonObject &order, const QJsonObject &goods)
{
    // Built piecewise: QString::arg takes at most nine values at once.
    const QString head = QStringLiteral("%1#%2 %3 %4 %5 ")
                             .arg(t(goods, "id"), t(goods, "goodname"), t(goods, "goodtypename"),
                                  t(goods, "goodamount"), t(order, "orderpayforkey"));
    const QString tail = QStringLiteral("%1-%2 %3 %4")
                             .arg(t(order, "mname"), t(order, "wname"), datePartWithMark(order, goods),
                                  t(goods, "isems"));
    return K::sanitizePathComponent(head + tail);
}

QString sonProduct(const QJsonObject &order, const QJsonObject &goods, const QJsonObject &son)
{
    const QString head = QStringLiteral("%1#%2-%3 %4 %5 %6 ")
                             .arg(t(son, "id"), t(goods, "goodname"), t(son, "goodname"), t(son, "goodtype"),
                                  t(son, "goodamount"), t(order, "orderpayforkey"));
    const QString tail = QStringLiteral("%1-%2 %3 %4")
                             .arg(t(order, "mname"), t(order, "wname"), datePartWithMark(order, goods),
                                  t(goods, "isems"));
    return K::sanitizePathComponent(head + tail);
}

QString claimFolder(const QString &path)
{
    QDir dir;
    if (dir.mkdir(path))
        return path;
    if (!QFileInfo(path).isDir())
        return path; // cannot be made at all: the copies into it will say so
    for (int n = 1; n <= 100; ++n) {
        const QString candidate = path + QStringLiteral(" (%1)").arg(n);
        if (dir.mkdir(candidate))
            return candidate;
    }
    return path;
}

} // namespace ProductFolderNames
