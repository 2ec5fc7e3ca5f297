#pragma once

#include "platform/ShareGuard.h"
#include "widgets/ThumbnailInfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Rules of the imported-photo view that need no widget.
namespace ImportedPhotos {

// A service path ("localpath" and its reduced copies) as a file on the share;
// empty when it does not lie below the mount root.
QString sharePath(const QString &servicePath);

// The grid's list from a "getorder_pics" reply: each camera JPEG followed by
// the raws of its base name, then the unpaired raws by id text. Ids are read
// with ServiceReply::idText; a photo without a usable one keeps its own
// tile. File paths not on the share keep the service's text; deletion
// refuses them.
QList<ThumbnailInfo> photoList(const QJsonObject &reply);

// " 路径不在共享目录内", after the name of a file off the share.
QString offShareReason();

// Why photo may not be deleted, as its line for the user ("A.jpg 编号无效"):
// its id is unusable, or a file of it lies off the pinned share or, by its
// folder's real place, outside within (the real place of the order's folder;
// unchecked when empty). Empty when it may: then neither its record nor its
// files are refused for where they lie.
// places, when given, keeps each folder's answer: the chosen photos
// share a few folders, each resolved once on the share.
QString deletionRefusal(const ThumbnailInfo &photo, const ShareGuard &share, const QString &within,
                        QHash<QString, QString> *places = nullptr);

// "\folder\name" of an extra path for messages; empty when it has no separator.
QString extraPathLabel(const QString &path);

QByteArray photoListBody(const QString &shopId, const QString &orderPhotoId, const QString &stamp);
QByteArray deleteBody(const QString &shopId, const QString &orderPhotoId, const QStringList &ids,
                      const QString &stamp);

} // namespace ImportedPhotos
