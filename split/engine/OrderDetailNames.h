#pragma once

#include <QString>
#include <QStringList>

// Product names of one selection visit made unique, so that every product
// gets its own folder.
namespace OrderDetailNames {

// name itself when it is not in taken, else "name(1)", "name(2)", … the
// first of these not in taken. The result is appended to taken.
QString takeUnique(const QString &name, QStringList &taken);

} // namespace OrderDetailNames
