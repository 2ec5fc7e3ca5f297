#pragma once

#include <QString>

// A file name as a case-insensitive share compares it: one Unicode
// normalization form (NFC, as typed; macOS clients send names decomposed)
// and one letter case. Two names with equal folds land on one file.
QString foldedFileName(const QString &name);
