#pragma once

#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// The folder-naming rule as stored on the service and as the editor hands
// it out. Pure functions over plain entries, so they need no window.
namespace NamingRuleFormat {

struct Entry
{
    QString name;      // the field's label
    QString key;       // the field's key
    QString separator; // text after this field; ignored on the last entry
};

// The separator a newly placed field starts with.
QString defaultSeparator();
// The separators the chooser offers, in menu order.
QStringList offeredSeparators();
// The fields the editor offers for a rule type; empty for an unknown type.
QList<QMap<QString, QString>> fieldOptions(const QString &type);

// JSON form: one object per entry with "name" and "key", plus "separator" on
// every entry but the last.
QJsonArray toJson(const QVector<Entry> &entries);
// Text form: "{key}" per entry with the separator between entries.
QString toText(const QVector<Entry> &entries);
// List form: key, separator, key, ..., last key.
QStringList toList(const QVector<Entry> &entries);
// Reads a rule back; a missing or non-string member reads as empty text and
// an element that is not an object as an entry with everything empty.
QVector<Entry> fromJson(const QJsonArray &rule);

// Stored form: compact JSON text, or empty text for a rule without entries.
QString toStoredText(const QJsonArray &rule);
// Reads stored text; anything that is not a JSON array gives an empty rule
// and, when `ok` is given, false in it.
QJsonArray fromStoredText(const QString &text, bool *ok = nullptr);

} // namespace NamingRuleFormat
