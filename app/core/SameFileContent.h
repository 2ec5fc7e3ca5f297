#pragma once

#include <QString>

// True when both files can be read whole and hold the same bytes: a file
// already in place with the source's bytes counts as copied.
bool sameFileContent(const QString &a, const QString &b);
