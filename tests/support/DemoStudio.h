#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class ScopedEnvironment;
class StandInService;
class QImage;
class QSize;

// One studio for trying every tool by hand and for the tools' end-to-end
// tests: two branches, orders in each state the tools need, a share folder
// with the orders' files and local folders of files still to import. The
// studio is read from the fixture files (tests/fixtures/demo); the files are
// generated at start. The stand-in service answers every action of the tools
// from it and keeps what the tools change while it runs.
class DemoStudio : public QObject
{
    Q_OBJECT

public:
    explicit DemoStudio(StandInService *service, QObject *parent = nullptr);
    ~DemoStudio() override;

    // Builds the studio below folder (created when missing) from the fixtures
    // in fixtureDir and installs the service's answers. False with a message
    // when the fixtures or the folder cannot be used.
    bool create(const QString &folder, QString *error, const QString &fixtureDir = defaultFixtureDir());
    static QString defaultFixtureDir();
    // Before create: put the share on a mounted share, <mountRoot>/<share>,
    // instead of a plain folder below the studio's folder.
    void setMountedShareRoot(const QString &mountRoot) { m_mountedShareRoot = mountRoot; }

    // Mount root of the share (ends with "/").
    QString mountRoot() const { return m_mountRoot; }
    // The share's own folder below the mount root: it holds the branch folders.
    QString shareFolder() const { return m_mountRoot + m_share; }
    // Photos for "导片工具", one folder per order number.
    QString cameraFolder() const { return m_root + QStringLiteral("/camera"); }
    // Camera JPEGs with their raw files for "导入原片", one folder per order number.
    QString originalsFolder() const { return m_root + QStringLiteral("/originals"); }
    // Retouched photos for "导入精修片", one folder per order number.
    QString retouchedFolder() const { return m_root + QStringLiteral("/retouched"); }
    QString username() const { return m_username; }
    QString password() const { return m_password; }

    // The order's folder on the share (local path), empty for an unknown number.
    QString orderFolder(const QString &orderNumber) const;
    // Names of the files the service holds for the order, by kind: "all"
    // (photos of "导片工具"), "原片", "原始档" or "精修片".
    QStringList photoNames(const QString &orderNumber, const QString &kind) const;
    // The folder-naming rule the service stores for the branch.
    QJsonArray namingRule(const QString &shopId) const;

    // A generated landscape picture, different for every index.
    static QImage samplePhoto(int index, const QSize &size);

private:
    struct Photo {
        QString id;
        QString name;
        QString path;      // local path on the share
        QString kind;      // "all", "原片", "原始档" or "精修片"
        QString type;      // "导片工具" report type: "1" photo, "2"/"3" videos
        QString urlPath;   // where the service serves it
        bool downloaded = false;
    };
    struct Order {
        QJsonObject fields; // order_list fields
        QString shopId;
        QString folder;     // local order folder on the share
        QList<Photo> photos;
        QJsonObject detail; // orderphotodetail extras from the fixture
    };
    struct Branch {
        QJsonObject fields; // id, name, folder, SUPERID, EID, permissions
        QJsonArray namingRule;
    };

    bool loadFixtures(const QString &fixtureDir, QJsonObject *orders, QString *error);
    bool createOrder(const QJsonObject &seed, const QJsonObject &defaults, QString *error);
    bool writePhoto(const QString &path, QString *error);
    bool writeFiles(Order &order, const QString &kind, int count, QString *error);
    bool writeSizeCopies(const QString &orderFolder, const QString &name, QString *error);
    QString sizeCopy(const Photo &photo, int size) const;
    bool writePickFolder(const QString &folder, const QStringList &names, QString *error);
    void installHandlers();
    void installOrderHandlers();
    void installImportHandlers();
    void installSplitHandlers();
    void installDeleteHandlers();

    Photo &addPhoto(Order &order, const QString &path, const QString &kind, const QString &type = QStringLiteral("1"));
    QString servedUrl(const QString &urlPath) const;
    QString unc(const QString &localPath) const;
    QString local(const QString &uncPath) const;
    QJsonObject photoEntry(const Photo &photo) const;
    QJsonArray photoEntries(const Order &order, const QString &kind) const;
    QJsonObject orderEntry(const Order &order) const;
    QJsonObject orderDetail(const Order &order);
    QJsonArray detailPictures(const Order &order, const QJsonArray &pictures);
    QString serveDerived(const Order &order, const QString &name, const QString &what);
    const Branch *branch(const QString &shopId) const;
    int orderIndex(const QString &key, const QString &value) const;
    Order *orderByPhotoId(const QString &orderPhotoId);
    const Order *orderByNumber(const QString &orderNumber) const;
    bool matchesSearch(const Order &order, const QString &searchType, const QString &keyword) const;

    StandInService *m_service;
    QString m_root;
    QString m_mountRoot;
    QString m_mountedShareRoot;
    // The share is a plain local folder: declared as one while the studio exists.
    std::unique_ptr<ScopedEnvironment> m_localShares;
    QString m_server;
    QString m_share;
    QString m_username;
    QString m_password;
    QString m_studioName;
    QJsonObject m_account;
    QJsonObject m_orderHead; // what every order detail starts from
    QJsonArray m_persons;
    QList<Branch> m_branches;
    QList<Order> m_orders;
    int m_nextPhotoId = 9000;
    int m_nextPicture = 0;
};
