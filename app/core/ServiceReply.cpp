#include "app/core/ServiceReply.h"

#include "app/core/QuitGuard.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QThread>
#include <QVariant>

namespace ServiceReply {

Code codeOf(const QJsonObject &reply)
{
    const QJsonValue code = reply.value(QStringLiteral("code"));
    if (!code.isString())
        return Code::BadForm;
    return code.toString() == QLatin1String("1") ? Code::Accepted : Code::Refused;
}

QString idText(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    // The parser keeps a JSON integer of 64 bits as it is; a fraction, or an
    // integer beyond that read through a double (rounded from 2^53 on), stays
    // a double and names no id for sure.
    const QVariant number = value.toVariant();
    return number.userType() == QMetaType::LongLong ? QString::number(number.toLongLong()) : QString();
}

QString unusableIdText()
{
    return QStringLiteral("编号无效");
}

QString badFormMessage()
{
    return QStringLiteral("服务器返回数据格式错误");
}

QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure, const QString &messageKey,
                const QString &fallback)
{
    if (!ok || !document.isObject()) {
        const QString text = BaseReq::failureMessage(failure);
        return text.isEmpty() ? BaseReq::failureMessage(BaseReq::Failure::BadReply) : text;
    }
    const QJsonObject reply = document.object();
    switch (codeOf(reply)) {
    case Code::Accepted:
        return QString();
    case Code::BadForm:
        return badFormMessage();
    case Code::Refused:
        break;
    }
    const QString otherKey = messageKey == QLatin1String("msg") ? QStringLiteral("message") : QStringLiteral("msg");
    for (const QString &key : {messageKey, otherKey}) {
        const QString text = reply.value(key).toString();
        if (!text.trimmed().isEmpty())
            return text;
    }
    return fallback;
}

QString problem(bool ok, const QJsonDocument &document, BaseReq::Failure failure, const QString &messageKey)
{
    return problem(ok, document, failure, messageKey, BaseReq::failureMessage(BaseReq::Failure::BadReply));
}

void requestOnOwnThread(const QString &action, const QByteArray &body,
                        const std::function<void(const QString &problem, const QJsonDocument &document)> &read)
{
    if (QuitGuard::quitting())
        return;
    QThread *thread = QThread::create([action, body, read]() {
        QEventLoop loop;
        bool answered = false;
        BaseReq request;
        request.getResultData(action, body, [&request, &loop, &answered, read](bool ok, const QJsonDocument &document) {
            answered = true;
            loop.quit();
            read(problem(ok, document, request.lastFailure(), QStringLiteral("message")), document);
        });
        if (!answered)
            loop.exec();
    });
    thread->setObjectName(QStringLiteral("ServiceRequest"));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    // At quit its loop ends unanswered: read never runs, and the thread's
    // manager goes with the thread.
    QuitGuard::endAtQuit(thread);
    thread->start();
}

} // namespace ServiceReply
