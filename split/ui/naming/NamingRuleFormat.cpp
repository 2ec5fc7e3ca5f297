#include "split/ui/naming/NamingRuleFormat.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {

QString member(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

} // namespace

namespace NamingRuleFormat {

QString defaultSeparator()
{
    return QStringLiteral("_");
}

QStringList offeredSeparators()
{
    return {QStringLiteral(" "), QStringLiteral(","), QStringLiteral("."), QStringLiteral("《"),
            QStringLiteral("》"), QStringLiteral("_"), QStringLiteral("-"), QStringLiteral("="),
            QStringLiteral("#")};
}

QList<QMap<QString, QString>> fieldOptions(const QString &type)
{
    QList<QMap<QString, QString>> options;
    if (type != QStringLiteral("产品文件夹"))
        return options;
    const QList<QPair<QString, QString>> fields = {
        {QStringLiteral("产品ID"), QStringLiteral("id")},
        {QStringLiteral("产品名称"), QStringLiteral("name")},
        {QStringLiteral("客人姓名"), QStringLiteral("customername")},
        {QStringLiteral("订单号"), QStringLiteral("orderpayforkey")},
        {QStringLiteral("服务次"), QStringLiteral("servicetimes")},
        {QStringLiteral("数量"), QStringLiteral("goodnum")},
        {QStringLiteral("快递方式"), QStringLiteral("isems")},
        {QStringLiteral("取件时间"), QStringLiteral("pickuptime")},
        {QStringLiteral("产品类型"), QStringLiteral("goodtype")},
    };
    for (const auto &field : fields) {
        QMap<QString, QString> option;
        option.insert(QStringLiteral("name"), field.first);
        option.insert(QStringLiteral("key"), field.second);
        options.append(option);
    }
    return options;
}

QJsonArray toJson(const QVector<Entry> &entries)
{
    QJsonArray rule;
    for (int i = 0; i < entries.size(); ++i) {
        QJsonObject object;
        object.insert(QStringLiteral("name"), entries.at(i).name);
        object.insert(QStringLiteral("key"), entries.at(i).key);
        if (i + 1 < entries.size())
            object.insert(QStringLiteral("separator"), entries.at(i).separator);
        rule.append(object);
    }
    return rule;
}

QString toText(const QVector<Entry> &entries)
{
    QString text;
    for (int i = 0; i < entries.size(); ++i) {
        text += QLatin1Char('{') + entries.at(i).key + QLatin1Char('}');
        if (i + 1 < entries.size())
            text += entries.at(i).separator;
    }
    return text;
}

QStringList toList(const QVector<Entry> &entries)
{
    QStringList list;
    for (int i = 0; i < entries.size(); ++i) {
        list.append(entries.at(i).key);
        if (i + 1 < entries.size())
            list.append(entries.at(i).separator);
    }
    return list;
}

QVector<Entry> fromJson(const QJsonArray &rule)
{
    QVector<Entry> entries;
    entries.reserve(rule.size());
    for (const QJsonValue &element : rule) {
        const QJsonObject object = element.toObject();
        entries.append({member(object, QStringLiteral("name")), member(object, QStringLiteral("key")),
                        member(object, QStringLiteral("separator"))});
    }
    return entries;
}

QString toStoredText(const QJsonArray &rule)
{
    if (rule.isEmpty())
        return QString();
    return QString::fromUtf8(QJsonDocument(rule).toJson(QJsonDocument::Compact));
}

QJsonArray fromStoredText(const QString &text, bool *ok)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    const bool isRule = !document.isNull() && document.isArray();
    if (ok)
        *ok = isRule;
    return isRule ? document.array() : QJsonArray();
}

} // namespace NamingRuleFormat
