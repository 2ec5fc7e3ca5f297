#include "app/LoginReply.h"

#include "app/core/ServiceReply.h"

#include <QJsonObject>

namespace LoginReply {

QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure)
{
    const QString problem =
        ServiceReply::problem(ok, document, failure, QStringLiteral("message"), QStringLiteral("登录失败"));
    if (!problem.isEmpty())
        return problem;
    // Later requests name the user by these: a login without them is a broken
    // reply. SUPERID is not one: each tool takes it from its own branch switch.
    const QJsonObject reply = document.object();
    for (const char *key : {"UID", "EID"}) {
        if (ServiceReply::idText(reply.value(QLatin1String(key))).isEmpty())
            return ServiceReply::badFormMessage();
    }
    return QString();
}

} // namespace LoginReply
