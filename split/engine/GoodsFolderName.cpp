#include "split/engine/GoodsFolderName.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "split/engine/ProductFolderNames.h"

#include <QJsonDocument>
#include <QJsonValue>

namespace {

// A member that is missing or not a JSON string counts as empty text.
QString text(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

// Where an empty value leaves two blank separators side by side, one stays.
void appendWithoutDoubledBlank(QString &name, const QString &part)
{
    int skip = 0;
    if (name.isEmpty() || name.endsWith(QLatin1Char(' '))) {
        while (skip < part.size() && part.at(skip) == QLatin1Char(' '))
            ++skip;
    }
    name += part.midRef(skip);
}

} // namespace

namespace GoodsFolderName {

std::optional<QString> valueForKey(const QString &key, const QJsonObject &order, const QJsonObject &goods,
                    const QJsonObject &product)
{
    if (key == QLatin1String("id"))
        return text(product, QStringLiteral("id"));
    if (key == QLatin1String("name"))
        return text(product, QStringLiteral("goodname"));
    if (key == QLatin1String("goodtype"))
        return text(product, QStringLiteral("goodtypename"));
    if (key == QLatin1String("goodnum"))
        return text(product, QStringLiteral("goodamount"));
    if (key == QLatin1String("customername"))
        return ProductFolderNames::joinedWithBlanks({text(order, QStringLiteral("wname")),
                                                     text(order, QStringLiteral("mname"))});
    if (key == QLatin1String("orderpayforkey"))
        return text(order, QStringLiteral("orderpayforkey"));
    if (key == QLatin1String("servicetimes"))
        return text(order, QStringLiteral("servicetimes"));
    if (key == QLatin1String("isems"))
        return text(goods, QStringLiteral("isems"));
    if (key == QLatin1String("pickuptime")) {
        QString isUrgent = text(goods, QStringLiteral("isurgent"));
        if (isUrgent.isEmpty())
            isUrgent = QStringLiteral("0");
        if (isUrgent == QLatin1String("0"))
            return text(order, QStringLiteral("pickuptime")) + QStringLiteral("取");
        return text(order, QStringLiteral("isurgenttime")) + QStringLiteral("急");
    }
    return std::nullopt;
}

QString build(const QJsonObject &order, const QJsonObject &goods, const QJsonObject &product,
              const QJsonArray &rule)
{
    qCDebug(lcSplit).noquote() << QStringLiteral("要打印的数据：")
                               << QString::fromUtf8(QJsonDocument(product).toJson(QJsonDocument::Compact));

    QString name;
    for (const QJsonValue &element : rule) {
        const QJsonObject entry = element.toObject();
        const std::optional<QString> value =
            valueForKey(text(entry, QStringLiteral("key")), order, goods, product);
        if (!value)
            continue; // an unknown key adds nothing, not even its separator
        appendWithoutDoubledBlank(name, *value);
        appendWithoutDoubledBlank(name, text(entry, QStringLiteral("separator")));
    }
    // An empty value leaves its separator's blank at an edge; Windows clients
    // of the share cannot open a name that ends in one.
    name = name.trimmed();

    // The name is one folder inside the chosen output folder: a slash in a
    // service value must not open sub-folders, and ".", ".." or nothing
    // would name the output folder or its parent instead of a new folder.
    name = K::sanitizePathComponent(name);
    if (name.isEmpty())
        return QStringLiteral("_");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QString(name.size(), QLatin1Char('_'));
    return name;
}

} // namespace GoodsFolderName
