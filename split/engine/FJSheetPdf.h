#pragma once

#include <QString>

// Prints sheet HTML to an A4 PDF. The PDF is printed under a temporary name
// in the target's folder and renamed over the target only once it is a
// complete file, so a reader never sees a partial sheet. Safe on a pool
// thread (no widgets, no pixmaps).
class FJSheetPdf
{
public:
    // True when target is in place; on failure nothing is left behind and
    // error (when given) says why.
    static bool write(const QString &html, const QString &target, QString *error = nullptr);
};
