#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// A realistic order detail reply of a selection run and the picture folders
// the split window leaves under the order's "其他/" folder before the sheet job.
namespace FJSheetStudioData {

QJsonObject order();
QJsonObject reply();

// Picture entries named name0.jpg, name1.jpg, ...
QJsonArray pictures(const QString &prefix, int count);

// Writes a small JPEG (or PNG for a ".png" name) of the given colour at
// orderDir + "其他/" + relative, creating folders.
bool writePicture(const QString &orderDir, const QString &relative, const QString &colour = "#3366cc");
// Every picture the reply above refers to, plus the barcode.
bool writeOrderPictures(const QString &orderDir);

} // namespace FJSheetStudioData
