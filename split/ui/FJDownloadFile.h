#pragma once

#include <QByteArray>
#include <QString>

class TemporarySweep;

// Writing one downloaded file of an order. Pictures are decoded (to refuse
// a damaged one, and re-encoded when their format must change), which takes
// long for large ones, so the window runs save() on a pool thread.
namespace FJDownloadFile {

// The reader's format hint for a MIME type: "JPG", "PNG", "GIF", "BMP" or none.
QByteArray formatHint(const QString &mimeType);

// The image format a file name asks for, by its suffix ("jpeg" for .jpg).
QByteArray formatOfName(const QString &path);

// Writes data to path under a temporary name and renames it into place: as
// sent when text is true or when the picture already is in the format of the
// name's suffix, else decoded and written in that format at quality 100.
// With a run's sweep, the run's first write into the folder removes the
// temporaries killed copies left there. Empty on success, else the reason.
QString save(const QByteArray &data, const QString &mimeType, const QString &path, bool text,
             TemporarySweep *sweep = nullptr);

} // namespace FJDownloadFile
