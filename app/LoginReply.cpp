#include "app/LoginReply.h"

#include "app/core/ServiceReply.h"

namespace LoginReply {

QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure)
{
    return ServiceReply::problem(ok, document, failure, QStringLiteral("message"), QStringLiteral("登录失败"));
}

} // namespace LoginReply
