#pragma once

#include "app/core/BaseReq.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QString>

#include <functional>

// What a window tells the user about a reply of the service.
namespace ServiceReply {

// What a reply's "code" says. The service always sends it as a string: a
// missing code or one of another type is a broken reply, whose message (often
// "成功") must never be shown as a refusal's reason.
enum class Code { Accepted, Refused, BadForm };
Code codeOf(const QJsonObject &reply);

// An id of a reply ("id", "order_photo_id"): a string as it is, an integer
// as its exact digits; empty for anything else (also an integer whose exact
// value was lost to a double), which no request may carry.
QString idText(const QJsonValue &value);

// Why a record whose id idText reads as empty (a photo, a raw file, a person)
// is left alone: "编号无效". Nothing is sent or done for it.
QString unusableIdText();

// The text for a reply of the wrong form.
QString badFormMessage();

// Empty for an accepted reply ("code" is the string "1"). Otherwise the
// client's text for a failed request (also for a reply that is no JSON
// object), badFormMessage() for a code of the wrong form, the refusal's own text under messageKey (then under the other of
// "message" and "msg"), or fallback when the refusal gives none.
QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure, const QString &messageKey,
                const QString &fallback);

// problem() for a request whose refusal without a reason is itself a broken reply.
QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure, const QString &messageKey);

// Sends one request on a thread of its own and calls read there with
// problem() of the reply (messageKey "message") and the reply itself, so a
// reply of many thousand entries is parsed off the GUI thread. read hands its
// result back to the GUI thread itself.
void requestOnOwnThread(const QString &action, const QByteArray &body,
                        const std::function<void(const QString &problem, const QJsonDocument &document)> &read);

} // namespace ServiceReply
