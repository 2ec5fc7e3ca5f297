#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

class StandInService;
class QImage;
class QSize;

// A small studio for trying the program by hand: two branches with orders
// of each kind, a share folder holding the orders' folders and sample
// photos to import. The stand-in service answers from it.
class DemoStudio : public QObject
{
    Q_OBJECT

public:
    explicit DemoStudio(StandInService *service, QObject *parent = nullptr);

    // Builds the studio below folder (created when missing) and installs the
    // service's answers. False with a message when the folder cannot be used.
    bool create(const QString &folder, QString *error);

    // Mount root of the share (ends with "/"), local folder of photos to pick.
    QString mountRoot() const { return m_mountRoot; }
    QString cameraFolder() const { return m_cameraFolder; }
    QString username() const { return m_username; }
    QString password() const { return m_password; }

    // A generated landscape picture, different for every index.
    static QImage samplePhoto(int index, const QSize &size);

private:
    struct Order {
        QJsonObject fields; // order_list fields without the image lists
        QString shopId;
        QString folder;     // local folder on the share
        QJsonArray images;  // imported files, as the service lists them
    };

    bool createOrders(QString *error);
    bool writePhoto(const QString &path, int index, QString *error);
    void installHandlers();
    QJsonObject imageEntry(const QString &localPath, const QString &type);
    Order *orderByPhotoId(const QString &orderPhotoId);

    StandInService *m_service;
    QString m_mountRoot;
    QString m_cameraFolder;
    QString m_username;
    QString m_password;
    QList<Order> m_orders;
    int m_nextImageId = 9000;
};
