#include "app/core/BaseReq.h"
#include "app/ChooseTools.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/LoginNew.h"
#include "app/ToolCardWidget.h"
#include "platform/MountRoot.h"
#include "support/DemoStudio.h"
#include "support/LoginDialogWatcher.h"
#include "support/StandInService.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The local trial: the demo studio behind the stand-in service, used the way
// the run script uses it.
class tst_DemoStudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void ordersMapIntoTheShare_data();
    void ordersMapIntoTheShare();
    void samplePhotosAreReadable();
    void wrongPasswordIsRefused();
    void loginReachesLauncherAndEveryTool();

private:
    QJsonObject post(const QString &path, const FormBody &body);
    void logIn(LoginNew *window, const QString &password);

    StandInService m_service;
    QTemporaryDir m_folder;
    QTemporaryDir m_dataDir;
    DemoStudio *m_demo = nullptr;
};

void tst_DemoStudio::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QStandardPaths::setTestModeEnabled(true);
    Config::k_datarootpath = m_dataDir.path() + QLatin1Char('/');
    QVERIFY(m_service.start());
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    m_demo = new DemoStudio(&m_service, this);
    QString error;
    QVERIFY2(m_demo->create(m_folder.path(), &error), qPrintable(error));
    QCOMPARE(MountRoot::path(), m_demo->mountRoot());
    QVERIFY(!m_demo->password().isEmpty());
    QFile::remove(LoginNew::getConfigFilePath());
}

void tst_DemoStudio::cleanupTestCase()
{
    MountRoot::reset();
    QFile::remove(LoginNew::getConfigFilePath());
}

QJsonObject tst_DemoStudio::post(const QString &path, const FormBody &body)
{
    BaseReq request;
    QJsonObject result;
    bool done = false;
    request.getResultData(path, body.toBytes(), [&](bool ok, const QJsonDocument &document) {
        done = true;
        if (ok)
            result = document.object();
    });
    if (!QTest::qWaitFor([&done]() { return done; }, 10000))
        return {};
    return result;
}

void tst_DemoStudio::ordersMapIntoTheShare_data()
{
    QTest::addColumn<QString>("shopId");
    QTest::newRow("first branch") << QStringLiteral("101");
    QTest::newRow("second branch") << QStringLiteral("102");
}

void tst_DemoStudio::ordersMapIntoTheShare()
{
    QFETCH(QString, shopId);
    const QJsonObject shop = post(QStringLiteral("&m=public&a=switch_shop"), FormBody().add(QStringLiteral("shopid"), shopId));
    QCOMPARE(shop.value(QStringLiteral("code")).toString(), QStringLiteral("1"));
    QVERIFY(!shop.value(QStringLiteral("EID")).toString().isEmpty());

    const QJsonObject reply = post(QStringLiteral("&m=order&a=order_list"),
                                   FormBody().add(QStringLiteral("keyword"), QString())
                                       .add(QStringLiteral("searchtype"), QStringLiteral("1"))
                                       .add(QStringLiteral("shopid"), shopId));
    QCOMPARE(reply.value(QStringLiteral("code")).toString(), QStringLiteral("1"));
    const QJsonArray orders = reply.value(QStringLiteral("data")).toArray();
    QVERIFY(orders.size() >= 3);
    bool sawSample = false, sawImported = false, sawNew = false;
    for (const QJsonValue &value : orders) {
        const QJsonObject order = value.toObject();
        QCOMPARE(order.value(QStringLiteral("storesname")).toString().isEmpty(), false);
        const QString folder = K::pathConvert(order.value(QStringLiteral("netpath")).toString());
        QVERIFY2(MountRoot::isOnShare(folder) && QFileInfo(folder).isDir(), qPrintable(folder));
        const QJsonArray images = order.value(QStringLiteral("images")).toArray();
        for (const QJsonValue &image : images)
            QVERIFY(QFileInfo::exists(image.toObject().value(QStringLiteral("localpath")).toString()));
        sawSample |= order.value(QStringLiteral("issample")).toString() == QLatin1String("1");
        sawImported |= !images.isEmpty();
        sawNew |= images.isEmpty();
    }
    QVERIFY(sawSample && sawImported && sawNew);
}

void tst_DemoStudio::samplePhotosAreReadable()
{
    QDir camera(m_demo->cameraFolder());
    const QStringList orders = camera.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QVERIFY(!orders.isEmpty());
    const QStringList photos = QDir(camera.filePath(orders.first())).entryList({QStringLiteral("*.jpg")});
    QVERIFY(!photos.isEmpty());
    QImageReader reader(camera.filePath(orders.first() + QLatin1Char('/') + photos.first()));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(qMax(image.width(), image.height()), 1600);
}

void tst_DemoStudio::logIn(LoginNew *window, const QString &password)
{
    const QList<QLineEdit *> fields = window->findChildren<QLineEdit *>(QStringLiteral("inputField"));
    fields.at(0)->setText(m_demo->username());
    fields.at(1)->setText(password);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("loginButton")), Qt::LeftButton);
}

void tst_DemoStudio::wrongPasswordIsRefused()
{
    LoginDialogWatcher boxes;
    LoginNew window;
    window.show();
    logIn(&window, m_demo->password() + QLatin1Char('x'));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts(), QStringList{QStringLiteral("账号或密码错误")}, 10000);
}

void tst_DemoStudio::loginReachesLauncherAndEveryTool()
{
    auto *window = new LoginNew();
    window->show();
    logIn(window, m_demo->password());

    ChooseTools *launcher = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((launcher = [] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<ChooseTools *>(widget))
                return found;
        return static_cast<ChooseTools *>(nullptr);
    }()), 10000);
    QCOMPARE(Config::k_shops.size(), 2);
    QCOMPARE(launcher->loginInfo.value(QStringLiteral("UID")).toString(), QStringLiteral("8001"));

    const QList<ToolCardWidget *> cards = launcher->findChildren<ToolCardWidget *>();
    QCOMPARE(cards.size(), 8);
    for (ToolCardWidget *card : cards) {
        QTest::mouseDClick(card, Qt::LeftButton);
        QWidget *tool = launcher->toolWindow(card->toolName());
        QVERIFY2(tool && tool->isVisible(), qPrintable(card->toolName()));
    }
    for (ToolCardWidget *card : cards)
        delete launcher->toolWindow(card->toolName());
    delete launcher;
    delete window;
}

QTEST_MAIN(tst_DemoStudio)
#include "tst_DemoStudio.moc"
