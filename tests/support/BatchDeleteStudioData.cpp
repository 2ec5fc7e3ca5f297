#include "BatchDeleteStudioData.h"

#include "app/core/LoginCredentials.h"
#include "batchdelete/BatchLoginDialog.h"
#include "widgets/SimpleDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTextBrowser>

namespace BatchDeleteStudioData {

const QString kPassword = QStringLiteral("p&ss=字 1");
const QString kAccount = QStringLiteral("店长小王");

QJsonObject switchShopReply(const QJsonValue &permission)
{
    QJsonObject reply{{QStringLiteral("code"), QStringLiteral("1")},
                      {QStringLiteral("message"), QStringLiteral("ok")},
                      {QStringLiteral("SUPERID"), QStringLiteral("S9")},
                      {QStringLiteral("EID"), QStringLiteral("E7")}};
    if (!permission.isUndefined())
        reply.insert(QStringLiteral("is_all_del_photo"), permission);
    return reply;
}

QJsonObject order(int n, const QString &netpath)
{
    return QJsonObject{{QStringLiteral("id"), QStringLiteral("%1").arg(100 + n)},
                       {QStringLiteral("order_photo_id"), QStringLiteral("OP%1").arg(n)},
                       {QStringLiteral("orderpayforkey"), QStringLiteral("A12%1").arg(n)},
                       {QStringLiteral("servicetimes"), QStringLiteral("2")},
                       {QStringLiteral("mname"), QStringLiteral("张三")},
                       {QStringLiteral("wname"), QStringLiteral("李四")},
                       {QStringLiteral("role1"), QStringLiteral("摄影师王")},
                       {QStringLiteral("tiaosename"), QStringLiteral("调色师赵")},
                       {QStringLiteral("netpath"), netpath},
                       {QStringLiteral("fulfil_time"), QStringLiteral("2024-05-0%1").arg(n % 10)}};
}

QJsonObject orderListReply(const QList<QJsonObject> &orders)
{
    QJsonArray data;
    for (const QJsonObject &object : orders)
        data.append(object);
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("data"), data}};
}

QJsonObject accepted()
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("message"), QStringLiteral("成功")}};
}

QJsonObject refused(const QString &message)
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("0")}, {QStringLiteral("message"), message}};
}

bool writeCredentials(const QString &username)
{
    const QString path = BatchLoginDialog::credentialsPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return LoginCredentials::write(path, {QStringLiteral("username=") + username,
                                          QStringLiteral("password=") + LoginCredentials::base64Encode(QStringLiteral("x")),
                                          QStringLiteral("remember=1")});
}

QWidget *findConfirm(const QString &text)
{
    const QList<QWidget *> widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        auto *dialog = qobject_cast<SimpleDialog *>(widget);
        if (!dialog || !dialog->isVisible() || dialog->dialogType() != SimpleDialog::Confirm)
            continue;
        bool matches = text.isEmpty();
        const QList<QTextBrowser *> views = dialog->findChildren<QTextBrowser *>();
        for (QTextBrowser *view : views)
            matches = matches || view->toPlainText().contains(text);
        if (matches)
            return dialog;
    }
    return nullptr;
}

bool answerConfirm(const QString &text, bool yes)
{
    auto *dialog = qobject_cast<SimpleDialog *>(findConfirm(text));
    if (!dialog)
        return false;
    if (yes)
        dialog->handleOk();
    else
        dialog->handleCancel();
    return true;
}

} // namespace BatchDeleteStudioData
