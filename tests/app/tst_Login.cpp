#include "app/core/Config.h"
#include "app/CustomCheckBox.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/Login.h"
#include "support/LoginDialogWatcher.h"
#include "support/MessageCatcher.h"
#include "support/RawHttpServer.h"
#include "support/StandInService.h"
#include "transfer/ui/tfhome.h"

#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The older login window: credentials next to the program, scrambled password.
class tst_Login : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void bodyKeepsBlanksAndEncodesOnce();
    void emptyFieldMarksButton();
    void refusalRestoresButton();
    void failureIsShownAndRestoresButton_data();
    void failureIsShownAndRestoresButton();
    void successOpensTransferWindow_data();
    void successOpensTransferWindow();
    void uncheckingDeletesFile();
    void loadFillsPasswordEvenWhenNotRemembered();

private:
    Login *newWindow();
    QLineEdit *field(Login *window, int index) const;
    QPushButton *button(Login *window) const;
    void fill(Login *window, const QString &user, const QString &password, bool remember);
    QString configText() const;

    StandInService m_service;
    QPointer<Login> m_window;
};

// An accepted login of user 8002 with two branches.
static QJsonObject loginReply()
{
    return QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
            {QStringLiteral("UID"), QStringLiteral("8002")},
            {QStringLiteral("EID"), QStringLiteral("5002")},
            {QStringLiteral("SUPERID"), QStringLiteral("9002")},
            {QStringLiteral("shop_data"),
             QJsonArray{QJsonObject{{QStringLiteral("id"), QStringLiteral("7")},
                                    {QStringLiteral("name"), QStringLiteral("一店")}},
                        QJsonObject{{QStringLiteral("id"), QStringLiteral("8")},
                                    {QStringLiteral("name"), QStringLiteral("二店")}}}}};
}

void tst_Login::initTestCase()
{
    QVERIFY(m_service.start());
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
}

void tst_Login::init()
{
    QFile::remove(Login::getConfigFilePath());
    Config::k_uid.clear();
    Config::k_shops.clear();
    Config::scaleDpi = 1.0f;
    m_service.clearRequests();
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"), StandInService::Failure::None);
    m_service.setReply(QStringLiteral("public"), QStringLiteral("dologin"), loginReply());
}

void tst_Login::cleanup()
{
    // Collected first: a window takes its own top-level children (popups) with it.
    QList<QPointer<QWidget>> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<Login *>(widget) || qobject_cast<tfhome *>(widget))
            windows << widget;
    }
    for (const QPointer<QWidget> &window : windows)
        delete window.data();
    QFile::remove(Login::getConfigFilePath());
    Config::scaleDpi = 1.0f;
}

Login *tst_Login::newWindow()
{
    m_window = new Login();
    m_window->show();
    return m_window;
}

QLineEdit *tst_Login::field(Login *window, int index) const
{
    return window->findChildren<QLineEdit *>(QStringLiteral("inputField")).value(index);
}

QPushButton *tst_Login::button(Login *window) const
{
    return window->findChild<QPushButton *>(QStringLiteral("loginButton"));
}

void tst_Login::fill(Login *window, const QString &user, const QString &password, bool remember)
{
    field(window, 0)->setText(user);
    field(window, 1)->setText(password);
    window->findChild<CustomCheckBox *>(QStringLiteral("rememberPasswordBox"))->setChecked(remember);
}

QString tst_Login::configText() const
{
    QFile file(Login::getConfigFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void tst_Login::bodyKeepsBlanksAndEncodesOnce()
{
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"), StandInService::Failure::NoAnswer);
    Login *window = newWindow();
    fill(window, QStringLiteral("   "), QStringLiteral("a&b=c"), false);
    QTest::mouseClick(button(window), Qt::LeftButton);
    QVERIFY(m_service.waitForRequests(1, 10000));
    const StandInService::Request request = m_service.requests().first();
    QCOMPARE(request.field(QStringLiteral("username")), QStringLiteral("   "));
    QCOMPARE(request.field(QStringLiteral("password")), QStringLiteral("a&b=c"));
    QVERIFY(request.body.startsWith(FormBody().add(QStringLiteral("username"), QStringLiteral("   "))
                                        .add(QStringLiteral("password"), QStringLiteral("a&b=c")).toBytes()));
    QCOMPARE(button(window)->text(), QStringLiteral("登录中..."));
    QVERIFY(!button(window)->isEnabled());
    QVERIFY(configText().isEmpty()); // nothing written before the reply
}

void tst_Login::emptyFieldMarksButton()
{
    Login *window = newWindow();
    for (const QString &missing : {QStringLiteral("user"), QStringLiteral("password")}) {
        fill(window, missing == "user" ? QString() : "u", missing == "user" ? "p" : QString(), false);
        QTest::mouseClick(button(window), Qt::LeftButton);
        QCOMPARE(button(window)->text(), QStringLiteral("请填写完整信息"));
        QTRY_COMPARE_WITH_TIMEOUT(button(window)->text(), QStringLiteral("登录"), 5000);
    }
    QVERIFY(m_service.requests().isEmpty());
}

void tst_Login::refusalRestoresButton()
{
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"),
                         StandInService::Failure::CodeZeroMessage, QStringLiteral("<i>账号已停用</i>"));
    LoginDialogWatcher boxes;
    Login *window = newWindow();
    fill(window, QStringLiteral("u"), QStringLiteral("p"), true);
    QTest::mouseClick(button(window), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen().size(), 1, 10000);
    QCOMPARE(boxes.seen().first().text, QStringLiteral("<i>账号已停用</i>"));
    QCOMPARE(boxes.seen().first().format, Qt::PlainText);
    QCOMPARE(boxes.seen().first().title, QStringLiteral("温馨提示"));
    QTRY_VERIFY(button(window)->isEnabled());
    QCOMPARE(button(window)->text(), QStringLiteral("登录"));
    QVERIFY(configText().isEmpty());
}

void tst_Login::failureIsShownAndRestoresButton_data()
{
    QTest::addColumn<QByteArray>("raw"); // empty: a closed port
    QTest::addColumn<QString>("shown");
    QTest::newRow("closed port") << QByteArray() << "无法连接服务器，请检查网络或服务地址";
    QTest::newRow("http 500") << RawHttpServer::response(500, "text/html", "oops") << "服务器返回异常，请稍后再试";
    // Accepted, but a user id no request could carry.
    QTest::newRow("UID null") << RawHttpServer::response(200, "application/json",
                                                         R"({"code":"1","UID":null,"EID":5,"SUPERID":"9"})")
                              << "服务器返回数据格式错误";
    QTest::newRow("EID a fraction") << RawHttpServer::response(200, "application/json",
                                                               R"({"code":"1","UID":8,"EID":5.5,"SUPERID":"9"})")
                                    << "服务器返回数据格式错误";
    QTest::newRow("UID empty, SUPERID missing")
        << RawHttpServer::response(200, "application/json", R"({"code":"1","UID":"","EID":5})")
        << "服务器返回数据格式错误";
}

void tst_Login::failureIsShownAndRestoresButton()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, shown);
    RawHttpServer server;
    QVERIFY(server.start());
    server.answer(raw);
    QVERIFY(Config::setUrlHost(raw.isEmpty() ? RawHttpServer::closedPortUrl() : server.baseUrl()));
    LoginDialogWatcher boxes;
    MessageCatcher log;
    Login *window = newWindow();
    fill(window, QStringLiteral("u"), QStringLiteral("p"), true);
    QTest::mouseClick(button(window), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts(), QStringList{shown}, 10000);
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    QTRY_VERIFY(button(window)->isEnabled());
    QCOMPARE(button(window)->text(), QStringLiteral("登录"));
    QVERIFY(configText().isEmpty());

    // Without "记住密码" a successful login writes nothing either.
    fill(window, QStringLiteral("u"), QStringLiteral("p"), false);
    QTest::mouseClick(button(window), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(Config::k_uid, QStringLiteral("8002"), 10000);
    QVERIFY(!QFile::exists(Login::getConfigFilePath()));
    QVERIFY2(!log.text().contains(QStringLiteral("Could not parse")), qPrintable(log.text()));
}

void tst_Login::successOpensTransferWindow_data()
{
    QTest::addColumn<QJsonValue>("superId"); // undefined: left out of the reply
    QTest::newRow("SUPERID given") << QJsonValue("9002");
    // Each tool takes SUPERID from its own branch switch: the login's is not needed.
    QTest::newRow("SUPERID empty") << QJsonValue("");
    QTest::newRow("SUPERID missing") << QJsonValue(QJsonValue::Undefined);
}

void tst_Login::successOpensTransferWindow()
{
    QFETCH(QJsonValue, superId);
    QJsonObject reply = loginReply();
    if (superId.isUndefined())
        reply.remove(QStringLiteral("SUPERID"));
    else
        reply.insert(QStringLiteral("SUPERID"), superId);
    m_service.setReply(QStringLiteral("public"), QStringLiteral("dologin"), reply);
    const QByteArray stored = K::fileread(K::loginDataPath()).toUtf8();
    // The transfer window asks for its retoucher list as soon as it opens.
    m_service.setReply(QStringLiteral("order"), QStringLiteral("get_persons"),
                       QJsonObject{{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("persons"), QJsonArray()}});
    Login *window = newWindow();
    fill(window, QStringLiteral("zhao"), QStringLiteral("密码123"), true);
    QTest::mouseClick(button(window), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(button(window)->text(), QStringLiteral("✓ 登录成功"), 10000);
    QVERIFY(!button(window)->isEnabled());
    QCOMPARE(Config::k_uid, QStringLiteral("8002"));
    QCOMPARE(Config::k_shop_id, QStringLiteral("7"));
    QCOMPARE(Config::k_shops.size(), 2);
    QCOMPARE(Config::k_shops.at(1).name, QStringLiteral("二店"));
    QCOMPARE(K::fileread(K::loginDataPath()).toUtf8(), stored); // the reply is not stored

    const QStringList lines = configText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("username=zhao"));
    QVERIFY(!lines.at(1).contains(QStringLiteral("密码")));
    QCOMPARE(Login::decryptPassword(lines.at(1).mid(9)), QStringLiteral("密码123"));
    QCOMPARE(lines.at(2), QStringLiteral("remember=1"));

    QPointer<tfhome> transfer;
    QTRY_VERIFY_WITH_TIMEOUT((transfer = [] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<tfhome *>(widget))
                return found;
        return static_cast<tfhome *>(nullptr);
    }()), 10000);
    QVERIFY(!transfer->loginInfo.contains(QStringLiteral("code")));
    QCOMPARE(transfer->loginInfo.value(QStringLiteral("UID")).toString(), QStringLiteral("8002"));
    QTRY_VERIFY(transfer->windowState() & Qt::WindowMaximized);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 10000);
}

void tst_Login::uncheckingDeletesFile()
{
    QFile file(Login::getConfigFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("username=a\npassword=Lw==\nremember=1\n");
    file.close();
    Login *window = newWindow();
    auto *box = window->findChild<CustomCheckBox *>(QStringLiteral("rememberPasswordBox"));
    QVERIFY(box->isChecked());
    box->setChecked(false);
    QVERIFY(!QFile::exists(Login::getConfigFilePath()));
}

void tst_Login::loadFillsPasswordEvenWhenNotRemembered()
{
    QFile file(Login::getConfigFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("username=钱\npassword=" + Login::encryptPassword(QStringLiteral("s3cret&x")) + "\nremember=0\n")
                   .toUtf8());
    file.close();
    Login *window = newWindow();
    QCOMPARE(field(window, 0)->text(), QStringLiteral("钱"));
    QCOMPARE(field(window, 1)->text(), QStringLiteral("s3cret&x"));
    QVERIFY(!window->findChild<CustomCheckBox *>(QStringLiteral("rememberPasswordBox"))->isChecked());
}

QTEST_MAIN(tst_Login)
#include "tst_Login.moc"
