#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// A file name as a case-insensitive share compares it: one Unicode
// normalization form (NFC, as typed; macOS clients send names decomposed)
// and one letter case. Two names with equal folds land on one file.
QString foldedFileName(const QString &name);

// The names in folder as listed now, by their fold: the names a share would
// take for one another stand together. Names only, no look at each entry: on
// a share that would cost a request per file.
QHash<QString, QStringList> namesByFold(const QString &folder);
