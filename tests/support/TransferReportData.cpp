#include "support/TransferReportData.h"

#include <memory>

namespace TransferReportData {

QString fileNameOf(const QString &path)
{
    QString normalised = path;
    normalised.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return normalised.section(QLatin1Char('/'), -1);
}

QJsonObject photoReportReply(const StandInService::Request &request, int id)
{
    const QString path = request.field(QStringLiteral("path"));
    const QString name = fileNameOf(path);
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                       {QStringLiteral("message"), QStringLiteral("保存成功")},
                       {QStringLiteral("id"), QString::number(id)},
                       {QStringLiteral("img_name"), name},
                       {QStringLiteral("url"), QStringLiteral("http://127.0.0.1/photos/%1").arg(name)},
                       {QStringLiteral("localpath"), path}};
}

void install(StandInService &service, int firstId)
{
    auto nextId = std::make_shared<int>(firstId);
    const auto photo = [nextId](const StandInService::Request &request) {
        return photoReportReply(request, (*nextId)++);
    };
    service.setHandler(QStringLiteral("order"), QStringLiteral("savepicpath"), photo);
    service.setHandler(QStringLiteral("order"), QStringLiteral("savepicpathmv"), photo);
    const QJsonObject accepted{{QStringLiteral("code"), QStringLiteral("1")},
                               {QStringLiteral("message"), QStringLiteral("操作成功")}};
    service.setReply(QStringLiteral("order"), QStringLiteral("saveorderphotopath"), accepted);
    service.setReply(QStringLiteral("order"), QStringLiteral("logreadpic"), accepted);
}

} // namespace TransferReportData
