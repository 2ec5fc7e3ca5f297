#pragma once

#include "app/core/SysTypes.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QApplication;
class QWidget;

// The application singleton: start-up, the login data file, UI size hooks,
// share path conversion and small text helpers. Every operation is
// stateless, so they are static and may also be reached through K::i().
class K : public QObject
{
    Q_OBJECT

public:
    static K *i();

    // UI size hook: returns its argument; every pixel size passes through it.
    static int f(int value);
    // Decimal text of the number.
    static QString s(int value);

    // Start-up.
    void setMainBase(const QApplication &app);
    static void setSysFont();
    void launchSys(SysTypes type);
    static float computeScaleDpi(qreal logicalDpi, qreal physicalDpi);
    // The value after the last "--url-host" that has one, or a null string.
    static QString urlHostFromArguments(const QStringList &arguments);

    // Login data file "loginData" in Config::k_datarootpath.
    static QJsonObject readLoginData();
    static void saveLoginData(const QJsonObject &object);
    static QString loginDataPath();
    static void filewrite(const QString &path, const QString &content,
                          const std::function<void(QMap<QString, QString>)> &done);
    static QString fileread(const QString &path);

    static QJsonObject stringToJson(const QString &text);
    static QJsonArray stringToJsonAry(const QString &text);

    // Share paths: service UNC form <-> mount paths. Results that would not
    // lie strictly below the mount root come back empty.
    static QString pathConvert(const QString &path);
    static QString returnUpDatePath(const QString &server, const QString &path);
    static QString getServeName(const QString &first, const QString &second);
    static QString generateImportPath(const QMap<QString, QString> &map);
    // The path map of generateImportPath from any order record with the usual field names.
    template <class Order>
    static QMap<QString, QString> importPathMap(const Order &order)
    {
        return {{QStringLiteral("importPath"), order.importPath},
                {QStringLiteral("importPublicPath"), order.importPublicPath},
                {QStringLiteral("shotdate_year"), order.shotdate_year},
                {QStringLiteral("shotdate_month"), order.shotdate_month},
                {QStringLiteral("shotdate_day"), order.shotdate_day},
                {QStringLiteral("orderNumber"), order.orderpayforkey},
                {QStringLiteral("photoNum"), order.servicetimes},
                {QStringLiteral("mname"), order.mname},
                {QStringLiteral("wname"), order.wname}};
    }
    template <class Order>
    static QString generateImportPathByOrder(const Order &order)
    {
        return generateImportPath(importPathMap(order));
    }
    static QString replaceSpecialChar(const QString &text);
    // What the user is told when a folder names no mounted share
    // (MountRoot::isBelowMountedShare is false): nothing is made or scanned there.
    static QString missingShareMessage(const QString &path);
    // "路径过长: %1" (the path shortened in the middle) when path is longer
    // than the system takes, as a whole or in one of its names; else empty.
    // Checked before anything is made or read there: a far too long path
    // from the service would otherwise make folders until the system stops.
    static QString pathTooLongMessage(const QString &path);
    // Why a folder or file is refused whose real place lies outside its own
    // order's folder: "目录不在订单目录内: %1", or the bare reason without a path.
    static QString outsideOrderMessage(const QString &path);
    static QString outsideOrderText();
    // "订单目录是链接: %1": an order folder, or a folder on the way to it, that
    // is a link (ShareGuard::linkOnTheWay): the order is refused whole.
    static QString orderFolderLinkMessage(const QString &folder);
    // orderFolderLinkMessage for the link on the way to folder, an order
    // folder as named; empty when there is none. Asked before anything of the
    // order is listed, written or removed: its files may be another order's.
    static QString orderFolderLinkRefusal(const QString &folder);
    // "目录不在共享目录内: %1": a folder of an order whose real place is off the share.
    static QString folderOffShareMessage(const QString &folder);
    // "路径不在共享目录内": why a file named off the share is left alone.
    static QString pathOffShareText();
    // Replaces "/" and "\" so a service value stays one path component.
    static QString sanitizePathComponent(const QString &text);
    static QMap<QString, QString> vip8ScalImg(const QString &source, const QString &output,
                                              int width, int height);
    static QString getTodayDate();

    // Starts a sibling program of the application's folder with the login
    // data, the service host and the caller's window id; true once started.
    static bool launchExternalProgram(const QString &program, const QJsonObject &loginData,
                                      QWidget *parentWindow);

private:
    K() = default;
};
