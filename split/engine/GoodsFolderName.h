#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// The product folder name that a branch's folder-naming rule gives one
// ordered product. Pure: reads its arguments only and touches no file.
namespace GoodsFolderName {

// `order` is the order object, `goods` the goods item of the product job
// (its "isurgent" and "isems" count for every sub-product), `product` the
// goods item itself or one of its sub-products, `rule` the naming rule.
// The result is always usable as one folder name inside the output folder:
// "/" and "\" become "_", no blank stands at either end or doubled where a
// value is empty, and an empty, "." or ".." name becomes the same number of
// "_" (at least one).
QString build(const QJsonObject &order, const QJsonObject &goods, const QJsonObject &product,
              const QJsonArray &rule);

// The value a rule key selects, or nothing for a key the rule does not know.
// Values are taken exactly as sent.
std::optional<QString> valueForKey(const QString &key, const QJsonObject &order, const QJsonObject &goods,
                    const QJsonObject &product);

} // namespace GoodsFolderName
