#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// Built-in names of a design split's group and product folders, and the
// choice of a free product folder. Values go in as the service sends them;
// the result is one folder name ("/" and "\" become "_").
namespace ProductFolderNames {

// A goods item is urgent unless its "isurgent" is "0" or empty.
bool isUrgent(const QJsonObject &goods);
// The order's "pickuptime" + "取", or its "isurgenttime" + "急" when urgent.
QString datePartWithMark(const QJsonObject &order, const QJsonObject &goods);

// The non-empty parts, each without edge blanks, joined by one blank: an
// empty value leaves no doubled or edge blank (names ending in a blank
// cannot be opened from Windows clients of the share).
QString joinedWithBlanks(const QStringList &parts);

// factoryname, mname-wname, date part and mark, isems.
QString groupFolder(const QJsonObject &order, const QJsonObject &goods);
// Product folder of a goods item without son_good entries.
QString singleProduct(const QJsonObject &order, const QJsonObject &goods);
// Product folder of one son_good entry of a goods item.
QString sonProduct(const QJsonObject &order, const QJsonObject &goods, const QJsonObject &son);

// Creates the first free folder of path, path + " (1)" ... path + " (100)",
// and returns it. Creating is the claim, so two jobs never get the same
// folder. When all are taken (or none can be made) path itself is returned.
QString claimFolder(const QString &path);

} // namespace ProductFolderNames
