#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Builds an application/x-www-form-urlencoded body. Every value is
// percent-encoded here, exactly once; callers never encode by hand.
class FormBody
{
public:
    FormBody() = default;

    FormBody &add(const QString &key, const QString &value);

    // "k1=v1&k2=v2...", values encoded; empty when nothing was added.
    QByteArray toBytes() const;

    // The fields as given, in order, before encoding.
    QList<QPair<QString, QString>> fields() const { return m_fields; }

    static QByteArray encode(const QString &value);

    // Decodes a form body into its fields, in order ("+" reads as a space).
    static QList<QPair<QString, QString>> parse(const QByteArray &body);

private:
    QList<QPair<QString, QString>> m_fields;
};
