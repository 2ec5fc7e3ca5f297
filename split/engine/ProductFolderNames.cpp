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

// "mname-wname", as the built-in names show the couple.
QString couple(const QJsonObject &order)
{
    return t(order, "mname").trimmed() + QLatin1Char('-') + t(order, "wname").trimmed();
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

QString joinedWithBlanks(const QStringList &parts)
{
    QStringList kept;
    for (const QString &part : parts) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            kept << trimmed;
    }
    return kept.join(QLatin1Char(' '));
}

QString groupFolder(const QJsonObject &order, const QJsonObject &goods)
{
    return K::sanitizePathComponent(joinedWithBlanks({t(goods, "factoryname"), couple(order),
                                                      datePartWithMark(order, goods), t(goods, "isems")}));
}

QString singleProduct(const QJsonObject &order, const QJsonObject &goods)
{
    return K::sanitizePathComponent(joinedWithBlanks(
        {t(goods, "id") + QLatin1Char('#') + t(goods, "goodname"), t(goods, "goodtypename"), t(goods, "goodamount"),
         t(order, "orderpayforkey"), couple(order), datePartWithMark(order, goods), t(goods, "isems")}));
}

QString sonProduct(const QJsonObject &order, const QJsonObject &goods, const QJsonObject &son)
{
    return K::sanitizePathComponent(joinedWithBlanks(
        {t(son, "id") + QLatin1Char('#') + t(goods, "goodname") + QLatin1Char('-') + t(son, "goodname"),
         t(son, "goodtype"), t(son, "goodamount"), t(order, "orderpayforkey"), couple(order),
         datePartWithMark(order, goods), t(goods, "isems")}));
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
