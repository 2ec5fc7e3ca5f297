#pragma once

#include "transfer/records/OrderInfo.h"

#include <QColor>
#include <QJsonObject>
#include <QImage>
#include <QString>
#include <QStringList>

// Test pictures for the import engine: a pattern whose four quarters have
// different colours, so any turn or mirror shows in the corners.
namespace EngineTestImages {

QImage pattern(int width, int height, QImage::Format format = QImage::Format_RGB32);
// Colours at the centres of the four quarters: top-left, top-right, bottom-left, bottom-right.
QList<QColor> quarterColours(const QImage &image);
// True when both images show the same quarters (JPEG noise allowed).
bool sameQuarters(const QImage &a, const QImage &b);

bool writeJpeg(const QString &path, const QImage &image, int quality = 95);
// Tags the EXIF orientation with exiftool.
bool tagOrientation(const QString &path, int orientation);
// Tags orientation and camera metadata as a camera writes them: capture
// time, make, model, lens, exposure, GPS, an XMP title and an ICC profile.
bool tagCamera(const QString &path, int orientation);
// The tags tagCamera writes, read back with exiftool (numeric values).
QJsonObject cameraTags(const QString &path);
// Quality whose standard luminance table the file carries; -1 when none matches.
int jpegQuality(const QString &path);
// The picture as the reader's auto-transform shows it.
QImage upright(const QString &path);

// One picked photo: four entries "all", "90", "190", "1920".
QList<PhotoInfo> photoEntries(const QString &source, const QStringList &sizes = {"90", "190", "1920"});
OrderInfo order(const QString &importPath, const QString &number, const QString &orderPhotoId,
                const QStringList &sources);

} // namespace EngineTestImages
