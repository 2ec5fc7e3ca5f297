#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// Canned replies of the studio service for the batch delete tool, and small
// helpers to drive its pop-ups in tests.
namespace BatchDeleteStudioData {

extern const QString kPassword;
extern const QString kAccount;

// A switch_shop reply; permission as the JSON value of "is_all_del_photo".
QJsonObject switchShopReply(const QJsonValue &permission);
// Order n whose "netpath" is the given text.
QJsonObject order(int n, const QString &netpath);
QJsonObject orderListReply(const QList<QJsonObject> &orders);
QJsonObject accepted();
QJsonObject refused(const QString &message);

// Writes "login_config.txt" where the account verification reads it.
bool writeCredentials(const QString &username);

// The visible confirm dialog whose text contains `text`, or null.
QWidget *findConfirm(const QString &text);
// Answers the first visible confirm dialog containing `text`; false when none is open.
bool answerConfirm(const QString &text, bool yes);

} // namespace BatchDeleteStudioData
