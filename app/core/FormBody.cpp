#include "app/core/FormBody.h"

#include <QUrl>

FormBody &FormBody::add(const QString &key, const QString &value)
{
    m_fields.append(qMakePair(key, value));
    return *this;
}

QByteArray FormBody::toBytes() const
{
    QByteArray bytes;
    for (const auto &field : m_fields) {
        if (!bytes.isEmpty())
            bytes += '&';
        bytes += encode(field.first);
        bytes += '=';
        bytes += encode(field.second);
    }
    return bytes;
}

QByteArray FormBody::encode(const QString &value)
{
    return QUrl::toPercentEncoding(value);
}

QList<QPair<QString, QString>> FormBody::parse(const QByteArray &body)
{
    QList<QPair<QString, QString>> fields;
    if (body.isEmpty())
        return fields;
    const QList<QByteArray> pairs = body.split('&');
    for (const QByteArray &pair : pairs) {
        if (pair.isEmpty())
            continue;
        const int eq = pair.indexOf('=');
        QByteArray key = eq < 0 ? pair : pair.left(eq);
        QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        key.replace('+', ' ');
        value.replace('+', ' ');
        fields.append(qMakePair(QUrl::fromPercentEncoding(key), QUrl::fromPercentEncoding(value)));
    }
    return fields;
}
