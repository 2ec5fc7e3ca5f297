#pragma once

#include <QByteArray>
#include <QString>

// Writing one downloaded file of an order. Pictures are decoded and
// re-encoded, which takes long for large ones, so the window runs save() on
// a pool thread.
namespace FJDownloadFile {

// The reader's format hint for a MIME type: "JPG", "PNG", "GIF", "BMP" or none.
QByteArray formatHint(const QString &mimeType);

// Writes data to path under a temporary name and renames it into place: as
// it is when text is true, else decoded as a picture and written in the
// format of the name's suffix at quality 100. Empty on success, else the reason.
QString save(const QByteArray &data, const QString &mimeType, const QString &path, bool text);

} // namespace FJDownloadFile
