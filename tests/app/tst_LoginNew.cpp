#include "app/ChooseTools.h"
#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/CustomCheckBoxNew.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/LoginNew.h"
#include "support/LoginDialogWatcher.h"
#include "support/MessageCatcher.h"
#include "support/RawHttpServer.h"
#include "support/StandInService.h"

#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_LoginNew : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void requestBodyEncodesOnce_data();
    void requestBodyEncodesOnce();
    void emptyFieldsAreRefused_data();
    void emptyFieldsAreRefused();
    void successStoresAndOpensLauncher();
    void refusalShowsMessageAsPlainText_data();
    void refusalShowsMessageAsPlainText();
    void failuresAreShown_data();
    void failuresAreShown();
    void loginIds_data();
    void loginIds();
    void credentialsReadBack_data();
    void credentialsReadBack();

private:
    LoginNew *newWindow();
    QLineEdit *userField(LoginNew *window) const;
    QLineEdit *passwordField(LoginNew *window) const;
    void fill(LoginNew *window, const QString &user, const QString &password, bool remember);
    void click(LoginNew *window);
    QPushButton *button(LoginNew *window) const;
    QString configText() const;
    void writeConfig(const QByteArray &content);
    QJsonObject successReply() const;

    StandInService m_service;
    QPointer<LoginNew> m_window;
};

void tst_LoginNew::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QVERIFY(m_service.start());
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    QVERIFY(LoginNew::getConfigFilePath().endsWith(QStringLiteral("/studiotools/login_config.txt")));
}

void tst_LoginNew::init()
{
    QFile::remove(LoginNew::getConfigFilePath());
    QFile::remove(K::loginDataPath());
    Config::k_shops.clear();
    Config::k_shop_id.clear();
    Config::k_uid.clear();
    Config::k_super_id.clear();
    Config::k_manager_id.clear();
    m_service.clearRequests();
    m_service.setReply(QStringLiteral("public"), QStringLiteral("dologin"), successReply());
}

void tst_LoginNew::cleanup()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<LoginNew *>(widget) || qobject_cast<ChooseTools *>(widget))
            delete widget;
    }
    QFile::remove(LoginNew::getConfigFilePath());
}

QJsonObject tst_LoginNew::successReply() const
{
    return QJsonObject{
        {QStringLiteral("code"), QStringLiteral("1")},
        {QStringLiteral("UID"), QStringLiteral("8001")},
        {QStringLiteral("EID"), QStringLiteral("5001")},
        {QStringLiteral("SUPERID"), QStringLiteral("9001")},
        {QStringLiteral("shop_data"),
         QJsonArray{QJsonObject{{QStringLiteral("id"), QStringLiteral("101")},
                                {QStringLiteral("name"), QStringLiteral("旗舰店")},
                                {QStringLiteral("goodsfoldernamerule"), QStringLiteral("[1,2]")}},
                    QJsonObject{{QStringLiteral("id"), QStringLiteral("102")},
                                {QStringLiteral("name"), QStringLiteral("城东店")}}}}};
}

LoginNew *tst_LoginNew::newWindow()
{
    m_window = new LoginNew();
    m_window->show();
    return m_window;
}

QLineEdit *tst_LoginNew::userField(LoginNew *window) const
{
    return window->findChildren<QLineEdit *>(QStringLiteral("inputField")).value(0);
}

QLineEdit *tst_LoginNew::passwordField(LoginNew *window) const
{
    return window->findChildren<QLineEdit *>(QStringLiteral("inputField")).value(1);
}

void tst_LoginNew::fill(LoginNew *window, const QString &user, const QString &password, bool remember)
{
    userField(window)->setText(user);
    passwordField(window)->setText(password);
    window->findChild<CustomCheckBoxNew *>(QStringLiteral("rememberPasswordBox"))->setChecked(remember);
}

void tst_LoginNew::click(LoginNew *window)
{
    QTest::mouseClick(button(window), Qt::LeftButton);
}

QPushButton *tst_LoginNew::button(LoginNew *window) const
{
    return window->findChild<QPushButton *>(QStringLiteral("loginButton"));
}

QString tst_LoginNew::configText() const
{
    QFile file(LoginNew::getConfigFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void tst_LoginNew::writeConfig(const QByteArray &content)
{
    const QString path = LoginNew::getConfigFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

void tst_LoginNew::requestBodyEncodesOnce_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("sentUser");
    QTest::addColumn<QString>("sentPassword");
    QTest::newRow("plain") << "zhang" << "secret" << "zhang" << "secret";
    QTest::newRow("separators in password") << "zhang" << "a&b=c+d%26" << "zhang" << "a&b=c+d%26";
    QTest::newRow("field injection") << "x&password=evil" << "p" << "x&password=evil" << "p";
    QTest::newRow("chinese and blanks trimmed") << "  张三 " << " 密 码 " << "张三" << "密 码";
}

void tst_LoginNew::requestBodyEncodesOnce()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, sentUser);
    QFETCH(QString, sentPassword);
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"), StandInService::Failure::NoAnswer);
    LoginNew *window = newWindow();
    fill(window, user, password, false);
    click(window);
    QVERIFY(m_service.waitForRequests(1, 10000));
    const StandInService::Request request = m_service.requests(QStringLiteral("public"), QStringLiteral("dologin")).value(0);
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.fieldNames().mid(0, 2), (QStringList{QStringLiteral("username"), QStringLiteral("password")}));
    QCOMPARE(request.fieldNames().count(QStringLiteral("password")), 1);
    QCOMPARE(request.field(QStringLiteral("username")), sentUser);
    QCOMPARE(request.field(QStringLiteral("password")), sentPassword);
    // The body starts with the two pairs exactly as the one helper encodes them.
    const QByteArray expected = FormBody().add(QStringLiteral("username"), sentUser)
                                    .add(QStringLiteral("password"), sentPassword).toBytes();
    QVERIFY(request.body.startsWith(expected + '&'));
    // While the request is out the button says so and takes no second click.
    QCOMPARE(button(window)->text(), QStringLiteral("登录中..."));
    QVERIFY(!button(window)->isEnabled());
    click(window);
    QTest::qWait(100);
    QCOMPARE(m_service.requests().size(), 1);
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"), StandInService::Failure::None);
}

void tst_LoginNew::emptyFieldsAreRefused_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("no user") << "" << "p" << "请输入账号";
    QTest::newRow("blank user") << "   " << "p" << "请输入账号";
    QTest::newRow("both empty: user first") << "" << "" << "请输入账号";
    QTest::newRow("no password") << "u" << "" << "请输入密码";
    QTest::newRow("blank password") << "u" << " \t" << "请输入密码";
}

void tst_LoginNew::emptyFieldsAreRefused()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    LoginDialogWatcher boxes;
    LoginNew *window = newWindow();
    fill(window, user, password, true);
    click(window);
    QCOMPARE(boxes.texts(), QStringList{message});
    QCOMPARE(boxes.seen().first().title, QStringLiteral("温馨提示"));
    QCOMPARE(boxes.seen().first().icon, QMessageBox::Warning);
    QTest::qWait(200);
    QVERIFY(m_service.requests().isEmpty());
    QVERIFY(!QFile::exists(LoginNew::getConfigFilePath())); // checked before anything is written
}

void tst_LoginNew::successStoresAndOpensLauncher()
{
    MessageCatcher log;
    LoginNew *window = newWindow();
    fill(window, QStringLiteral(" zhang "), QStringLiteral("pa ss"), true);
    window->grab();
    click(window);
    QTRY_COMPARE_WITH_TIMEOUT(button(window)->text(), QStringLiteral("✓ 登录成功"), 10000);

    QJsonObject expected = successReply();
    expected.remove(QStringLiteral("code"));
    QCOMPARE(Config::k_uid, QStringLiteral("8001"));
    QCOMPARE(Config::k_manager_id, QStringLiteral("5001"));
    QCOMPARE(Config::k_super_id, QStringLiteral("9001"));
    QCOMPARE(Config::k_shop_id, QStringLiteral("101"));
    QCOMPARE(Config::k_shops.size(), 2);
    QCOMPARE(Config::k_shops.at(0).name, QStringLiteral("旗舰店"));
    QCOMPARE(Config::k_shops.at(0).goodsfoldernamerule, QStringLiteral("[1,2]"));
    QCOMPARE(Config::k_shops.at(1).id, QStringLiteral("102"));
    QCOMPARE(K::readLoginData(), expected);
    QCOMPARE(configText(), QStringLiteral("username= zhang \npassword=cGEgc3M=\nremember=1\n"));
    QCOMPARE(QFile::permissions(LoginNew::getConfigFilePath())
                 & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());

    // The launcher follows a second later and gets the reply without "code".
    QPointer<ChooseTools> launcher;
    QTRY_VERIFY_WITH_TIMEOUT((launcher = [] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<ChooseTools *>(widget))
                return found;
        return static_cast<ChooseTools *>(nullptr);
    }()), 10000);
    QCOMPARE(launcher->loginInfo, expected);
    QVERIFY(launcher->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(launcher->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 10000);
    launcher->grab();
    // Style sheets hold only what Qt 5 knows (no "cursor", for one).
    QVERIFY2(!log.text().contains(QStringLiteral("Unknown property")), qPrintable(log.text()));

    // Further clicks do nothing.
    m_service.clearRequests();
    click(window);
    QTest::qWait(200);
    QVERIFY(m_service.requests().isEmpty());
}

void tst_LoginNew::refusalShowsMessageAsPlainText_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("message") << int(StandInService::Failure::CodeZeroMessage) << "账号或密码错误" << "账号或密码错误";
    QTest::newRow("markup stays text") << int(StandInService::Failure::CodeZeroMessage)
                                       << "<b>停用</b><img src=x>" << "<b>停用</b><img src=x>";
    QTest::newRow("msg key only") << int(StandInService::Failure::CodeZeroMsg) << "已停用" << "已停用";
    QTest::newRow("blank message") << int(StandInService::Failure::CodeZeroMessage) << "  " << "登录失败";
    QTest::newRow("numeric code") << int(StandInService::Failure::NumericCode) << "" << "服务器返回数据格式错误";
}

void tst_LoginNew::refusalShowsMessageAsPlainText()
{
    QFETCH(int, failure);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    writeConfig("username=u\npassword=Z29vZA==\nremember=1\n");
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"),
                         StandInService::Failure(failure), message);
    LoginDialogWatcher boxes;
    LoginNew *window = newWindow();
    fill(window, QStringLiteral("u"), QStringLiteral("mistyped"), true);
    click(window);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen().size(), 1, 10000);
    QCOMPARE(boxes.seen().first().text, shown);
    QCOMPARE(boxes.seen().first().format, Qt::PlainText);
    QCOMPARE(boxes.seen().first().title, QStringLiteral("温馨提示"));
    QVERIFY(Config::k_uid.isEmpty());
    QVERIFY(!QFile::exists(K::loginDataPath()));
    // A refused password never replaces the remembered one.
    QCOMPARE(configText(), QStringLiteral("username=u\npassword=Z29vZA==\nremember=1\n"));

    // The button works again.
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"), StandInService::Failure::None);
    click(window);
    QTRY_COMPARE_WITH_TIMEOUT(Config::k_uid, QStringLiteral("8001"), 10000);
}

void tst_LoginNew::failuresAreShown_data()
{
    QTest::addColumn<QByteArray>("raw"); // empty: a closed port; "quiet": no answer at all
    QTest::addColumn<QString>("shown");
    QTest::newRow("closed port") << QByteArray() << "无法连接服务器，请检查网络或服务地址";
    QTest::newRow("http 500") << RawHttpServer::response(500, "text/html", "oops") << "服务器返回异常，请稍后再试";
    QTest::newRow("not json") << RawHttpServer::response(200, "text/html", "<html></html>")
                              << "服务器返回异常，请稍后再试";
    QTest::newRow("json array") << RawHttpServer::response(200, "application/json", "[]")
                                << "服务器返回异常，请稍后再试";
    QTest::newRow("silence") << QByteArray("quiet") << "请求超时，请稍后再试";
}

void tst_LoginNew::failuresAreShown()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, shown);
    RawHttpServer server;
    QVERIFY(server.start());
    if (raw == "quiet")
        server.stayQuiet();
    else
        server.answer(raw);
    QVERIFY(Config::setUrlHost(raw.isEmpty() ? RawHttpServer::closedPortUrl() : server.baseUrl()));
    const BaseReq::Limits saved = BaseReq::limits();
    // Short limits only where the time-out is the point: an answer may be slow on a loaded machine.
    if (raw == "quiet")
        BaseReq::setLimits({1000, 1500, 1000, 1500});

    LoginDialogWatcher boxes;
    LoginNew *window = newWindow();
    fill(window, QStringLiteral("u"), QStringLiteral("p"), true);
    click(window);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen().size(), 1, 20000);
    BaseReq::setLimits(saved);
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    QCOMPARE(boxes.seen().first().text, shown);
    QCOMPARE(boxes.seen().first().title, QStringLiteral("温馨提示"));
    QCOMPARE(button(window)->text(), QStringLiteral("登录"));
    QVERIFY(button(window)->isEnabled());
    QVERIFY(!QFile::exists(LoginNew::getConfigFilePath()));

    // Without "记住密码" a successful login keeps only the user's name.
    fill(window, QStringLiteral("u"), QStringLiteral("p"), false);
    click(window);
    QTRY_COMPARE_WITH_TIMEOUT(configText(), QStringLiteral("username=u\nremember=0\n"), 10000);
}

void tst_LoginNew::loginIds_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value"); // undefined: the key is left out
    QTest::addColumn<QString>("shown");    // empty: the login goes through
    // Each tool takes SUPERID from its own branch switch: the login's is not needed.
    QTest::newRow("SUPERID empty") << "SUPERID" << QJsonValue("") << "";
    QTest::newRow("SUPERID missing") << "SUPERID" << QJsonValue(QJsonValue::Undefined) << "";
    QTest::newRow("SUPERID a fraction") << "SUPERID" << QJsonValue(9.5) << "";
    QTest::newRow("EID empty") << "EID" << QJsonValue("") << "服务器返回数据格式错误";
    QTest::newRow("UID missing") << "UID" << QJsonValue(QJsonValue::Undefined) << "服务器返回数据格式错误";
}

void tst_LoginNew::loginIds()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(QString, shown);
    QJsonObject reply = successReply();
    if (value.isUndefined())
        reply.remove(key);
    else
        reply.insert(key, value);
    m_service.setReply(QStringLiteral("public"), QStringLiteral("dologin"), reply);
    LoginDialogWatcher boxes;
    LoginNew *window = newWindow();
    fill(window, QStringLiteral("u"), QStringLiteral("p"), false);
    click(window);
    if (shown.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(button(window)->text(), QStringLiteral("✓ 登录成功"), 10000);
        QCOMPARE(Config::k_uid, QStringLiteral("8001"));
        QVERIFY(Config::k_super_id.isEmpty());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts(), QStringList{shown}, 10000);
        QVERIFY(button(window)->isEnabled());
    }
}

void tst_LoginNew::credentialsReadBack_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("checked");
    QTest::newRow("remembered") << QByteArray("username= 张三\npassword=cGEgc3M=\nremember=1\n") << " 张三"
                                << "pa ss" << true;
    QTest::newRow("remember=true is not 1") << QByteArray("username=li\npassword=cGEgc3M=\nremember=true\n") << "li"
                                            << "" << false;
}

void tst_LoginNew::credentialsReadBack()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, checked);
    writeConfig(content);
    LoginNew *window = newWindow();
    QCOMPARE(userField(window)->text(), user);
    QCOMPARE(passwordField(window)->text(), password);
    QCOMPARE(window->findChild<CustomCheckBoxNew *>(QStringLiteral("rememberPasswordBox"))->isChecked(), checked);
}

QTEST_MAIN(tst_LoginNew)
#include "tst_LoginNew.moc"
