#pragma once

#include "widgets/ThumbnailInfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Rules of the imported-photo view that need no widget.
namespace ImportedPhotos {

// A service path ("localpath" and its reduced copies) as a file on the share;
// empty when it does not lie below the mount root.
QString sharePath(const QString &servicePath);

// The grid's list from a "getorder_pics" reply: each camera JPEG followed by
// the raws of its base name, then the unpaired raws by id text. File paths
// not on the share keep the service's text; deletion refuses them.
QList<ThumbnailInfo> photoList(const QJsonObject &reply);

// "\folder\name" of an extra path for messages; empty when it has no separator.
QString extraPathLabel(const QString &path);

QByteArray photoListBody(const QString &shopId, const QString &orderPhotoId, const QString &stamp);
QByteArray deleteBody(const QString &shopId, const QString &orderPhotoId, const QStringList &ids,
                      const QString &stamp);

} // namespace ImportedPhotos
