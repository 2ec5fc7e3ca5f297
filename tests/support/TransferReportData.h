#pragma once

#include "support/StandInService.h"

#include <QJsonObject>
#include <QString>

// Stand-in answers for the photo transfer tool's reports: "savepicpath",
// "savepicpathmv", "saveorderphotopath" and "logreadpic".
namespace TransferReportData {

// A photo report answered as the service does: code "1" and its record of
// the file (id, img_name, url, localpath), img_name being the reported file's name.
QJsonObject photoReportReply(const StandInService::Request &request, int id);

// Installs answers for all four actions; each photo report gets a new id from firstId on.
void install(StandInService &service, int firstId = 1000);

// The file name at the end of a reported UNC or mount path.
QString fileNameOf(const QString &path);

} // namespace TransferReportData
