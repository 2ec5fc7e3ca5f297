#pragma once

#include <QString>

class TemporarySweep;

// Prints a production sheet's HTML text as the A4 PDF "明细制作单.pdf".
namespace ProductionSheetPdf {

// The sheet's file name.
QString fileName();

// The sheet's full path for a folder (relative folders count from the
// current directory; an empty folder is the current directory).
QString targetPath(const QString &folder);

// Creates the folder when missing, prints the HTML to a temporary file there
// and renames it over the sheet only once printing succeeded and the file is
// a whole PDF, trailer included. True when the
// sheet is in place; otherwise *error (when given) names the file and cause.
// With a run's sweep, the run's first write into the folder removes the
// temporaries killed copies left there.
bool write(const QString &html, const QString &folder, QString *error = nullptr, TemporarySweep *sweep = nullptr);

} // namespace ProductionSheetPdf
