#include "app/core/LoginCredentials.h"

#include <QFile>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_LoginCredentials : public QObject
{
    Q_OBJECT

private slots:
    void scrambleRoundTrip_data();
    void scrambleRoundTrip();
    void scrambleKeyRepeatsAfterEighteenBytes();
    void unscrambleEdges_data();
    void unscrambleEdges();
    void base64StopsAtZeroByte();
    void writeIsOwnerOnlyAndReplaces();
    void writeFailsInMissingFolder();
    void readLines_data();
    void readLines();
    void readMissingFile();
};

void tst_LoginCredentials::scrambleRoundTrip_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("ascii") << QStringLiteral("secret");
    QTest::newRow("chinese") << QStringLiteral("密码123");
    QTest::newRow("symbols, longer than the key") << QStringLiteral("a&b=c+d%20-abcdefghijklmnopqrstuvwxyz");
    QTest::newRow("emoji") << QStringLiteral("p😀w");
}

void tst_LoginCredentials::scrambleRoundTrip()
{
    QFETCH(QString, password);
    const QString scrambled = LoginCredentials::xorEncode(password);
    QVERIFY(!scrambled.contains(password));
    QVERIFY(!QByteArray::fromBase64(scrambled.toLatin1()).contains(password.toUtf8()));
    QCOMPARE(LoginCredentials::xorDecode(scrambled), password);
}

void tst_LoginCredentials::scrambleKeyRepeatsAfterEighteenBytes()
{
    const QString password(20, QLatin1Char('a'));
    const QByteArray bytes = QByteArray::fromBase64(LoginCredentials::xorEncode(password).toLatin1());
    QCOMPARE(bytes.size(), 20);
    const QByteArray key = QByteArrayLiteral("NorvaFieldwork1987");
    for (int i = 0; i < bytes.size(); ++i)
        QCOMPARE(char(bytes.at(i) ^ 'a'), key.at(i % 18));
    QCOMPARE(bytes.at(18), bytes.at(0));
    QCOMPARE(LoginCredentials::xorEncode(QString()), QString());
}

void tst_LoginCredentials::unscrambleEdges_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("stops at a zero byte") << QString::fromLatin1(QByteArray("Nox").toBase64()) << QString();
    // "Nor" then "X" XOR "v": bytes 0, 0, 0, 0x2e; reading stops at the first zero.
    QTest::newRow("text after zero dropped") << QString::fromLatin1(QByteArray("NorX").toBase64()) << QString();
    QTest::newRow("not base64 at all") << QStringLiteral("!!!") << QString();
}

void tst_LoginCredentials::unscrambleEdges()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    const QString result = LoginCredentials::xorDecode(stored);
    QCOMPARE(result.isEmpty(), expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(result, expected);
}

// Plain encoding and decoding is read back by the login window's own tests.
void tst_LoginCredentials::base64StopsAtZeroByte()
{
    QCOMPARE(LoginCredentials::base64Decode(QString::fromLatin1(QByteArray("ab\0cd", 5).toBase64())),
             QStringLiteral("ab"));
    QCOMPARE(LoginCredentials::base64Decode(LoginCredentials::base64Encode(QStringLiteral("张三"))),
             QStringLiteral("张三"));
}

void tst_LoginCredentials::writeIsOwnerOnlyAndReplaces()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("login_config.txt"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("username=old\npassword=b2xk\nremember=1\nextra=line\n");
        old.close();
        old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::ReadGroup);
    }
    QVERIFY(LoginCredentials::write(path, {QStringLiteral("username=  新用户 "), QStringLiteral("remember=0")}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), QStringLiteral("username=  新用户 \nremember=0\n"));
    QCOMPARE(file.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
    QVERIFY(file.permissions() & QFile::ReadOwner);
}

void tst_LoginCredentials::writeFailsInMissingFolder()
{
    QTemporaryDir dir;
    QVERIFY(!LoginCredentials::write(dir.filePath(QStringLiteral("missing/login_config.txt")),
                                     {QStringLiteral("username=a")}));
    // The file cannot be put in place when a non-empty folder holds its name.
    const QString blocked = dir.filePath(QStringLiteral("login_config.txt"));
    QVERIFY(QDir().mkpath(blocked + QStringLiteral("/x")));
    QVERIFY(!LoginCredentials::write(blocked, {QStringLiteral("username=a")}));
}

void tst_LoginCredentials::readLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("hasPassword");
    QTest::addColumn<QString>("remember");
    QTest::newRow("full") << QByteArray("username=zhang\npassword=cGFzcw==\nremember=1\n") << "zhang"
                          << "cGFzcw==" << true << "1";
    QTest::newRow("not remembered") << QByteArray("username=zhang\nremember=0\n") << "zhang" << QString() << false
                                    << "0";
    QTest::newRow("enterprise id ignored") << QByteArray("enterprise_id=77\nusername=li\n") << "li" << QString()
                                           << false << QString();
    QTest::newRow("later line wins") << QByteArray("username=a\nusername=b\nremember=1\nremember=true\n") << "b"
                                     << QString() << false << "true";
    QTest::newRow("value keeps blanks and equals") << QByteArray("username= a=b \n") << " a=b " << QString()
                                                   << false << QString();
    QTest::newRow("keys are case-sensitive") << QByteArray("Username=x\nREMEMBER=1\n") << QString() << QString()
                                             << false << QString();
    QTest::newRow("utf-8") << QByteArray("username=\xe5\xbc\xa0\xe4\xb8\x89\n") << QStringLiteral("张三")
                           << QString() << false << QString();
}

void tst_LoginCredentials::readLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, username);
    QFETCH(QString, password);
    QFETCH(bool, hasPassword);
    QFETCH(QString, remember);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("login_config.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    bool ok = false;
    const LoginCredentials::Entries entries = LoginCredentials::read(path, &ok);
    QVERIFY(ok);
    QCOMPARE(entries.username, username);
    QCOMPARE(entries.password, password);
    QCOMPARE(entries.hasPassword, hasPassword);
    QCOMPARE(entries.remember, remember);
}

void tst_LoginCredentials::readMissingFile()
{
    bool ok = true;
    const LoginCredentials::Entries entries = LoginCredentials::read(QStringLiteral("/nonexistent/x.txt"), &ok);
    QVERIFY(!ok);
    QVERIFY(entries.username.isEmpty());
}

QTEST_GUILESS_MAIN(tst_LoginCredentials)
#include "tst_LoginCredentials.moc"
