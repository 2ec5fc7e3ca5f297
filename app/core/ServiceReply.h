#pragma once

#include "app/core/BaseReq.h"

#include <QJsonDocument>
#include <QString>

// What a window tells the user about a reply of the service.
namespace ServiceReply {

// Empty for an accepted reply ("code" is the string "1"). Otherwise the
// client's text for a failed request (also for a reply that is no JSON
// object), the refusal's own text under messageKey (then under the other of
// "message" and "msg"), or fallback when the refusal gives none.
QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure, const QString &messageKey,
                const QString &fallback);

// problem() for a request whose refusal without a reason is itself a broken reply.
QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure, const QString &messageKey);

} // namespace ServiceReply
