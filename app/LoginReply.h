#pragma once

#include "app/core/BaseReq.h"

#include <QJsonDocument>
#include <QString>

// What both login windows tell the user about a "dologin" reply.
namespace LoginReply {

// Empty for an accepted login; otherwise the transport or server failure,
// the refusal's own "message" (or "msg"), or "登录失败" when it gives none;
// the broken-reply text for an accepted login without a usable "UID" or
// "EID" (a missing or unusable "SUPERID" is no fault of the login).
QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure);

} // namespace LoginReply
