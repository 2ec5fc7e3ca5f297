#include "app/LoginReply.h"

#include <QJsonObject>

namespace LoginReply {

QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure)
{
    if (!ok || !document.isObject()) {
        const QString text = BaseReq::failureMessage(failure);
        return text.isEmpty() ? BaseReq::failureMessage(BaseReq::Failure::BadReply) : text;
    }
    const QJsonObject reply = document.object();
    if (reply.value(QStringLiteral("code")).toString() == QLatin1String("1"))
        return QString();
    for (const QString &key : {QStringLiteral("message"), QStringLiteral("msg")}) {
        const QString text = reply.value(key).toString();
        if (!text.trimmed().isEmpty())
            return text;
    }
    return QStringLiteral("登录失败");
}

} // namespace LoginReply
