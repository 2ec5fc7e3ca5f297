#include "app/core/Config.h"
#include "app/core/K.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

// K::launchExternalProgram starting small scripts that record their command line.
class tst_ExternalProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void argumentsInOrder_data();
    void argumentsInOrder();
    void parentWindowIdPassed();
    void refusals_data();
    void refusals();

private:
    QString writeScript(const QString &name, bool executable);
    QStringList recordedArguments();

    QTemporaryDir m_dir;
    QString m_record;
};

void tst_ExternalProgram::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_record = m_dir.filePath(QStringLiteral("args.txt"));
}

QString tst_ExternalProgram::writeScript(const QString &name, bool executable)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(QStringLiteral("#!/bin/sh\npwd > '%1.tmp'\nprintf '%s\\n' \"$@\" >> '%1.tmp'\nmv '%1.tmp' '%1'\n")
                   .arg(m_record)
                   .toUtf8());
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    file.setPermissions(permissions);
    return path;
}

QStringList tst_ExternalProgram::recordedArguments()
{
    QFile file(m_record);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void tst_ExternalProgram::argumentsInOrder_data()
{
    QTest::addColumn<QJsonObject>("login");
    QTest::newRow("with login data") << QJsonObject{{QStringLiteral("UID"), QStringLiteral("u 1")},
                                                    {QStringLiteral("EID"), QStringLiteral("e&2")}};
    QTest::newRow("empty login data") << QJsonObject();
}

void tst_ExternalProgram::argumentsInOrder()
{
    QFETCH(QJsonObject, login);
    QFile::remove(m_record);
    const QString program = writeScript(QStringLiteral("sibling.sh"), true);
    // An absolute name is used as it is.
    QVERIFY(K::launchExternalProgram(program, login, nullptr));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), 10000);

    QStringList expected{QCoreApplication::applicationDirPath()};
    if (!login.isEmpty())
        expected << QStringLiteral("--login-data")
                 << QString::fromUtf8(QJsonDocument(login).toJson(QJsonDocument::Compact));
    expected << QStringLiteral("--url-host") << Config::URL_HOST;
    QCOMPARE(recordedArguments(), expected);
}

void tst_ExternalProgram::parentWindowIdPassed()
{
    QFile::remove(m_record);
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(K::launchExternalProgram(writeScript(QStringLiteral("sibling.sh"), true), {}, &window));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), 10000);
    const QStringList arguments = recordedArguments();
    QCOMPARE(arguments.mid(1, 2), (QStringList{QStringLiteral("--url-host"), Config::URL_HOST}));
    QCOMPARE(arguments.mid(3), (QStringList{QStringLiteral("--parent-window"), QString::number(window.winId())}));
}

void tst_ExternalProgram::refusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("create");
    QTest::newRow("missing program") << QStringLiteral("no-such-sibling") << false;
    QTest::newRow("not executable") << QStringLiteral("plain.sh") << true;
}

void tst_ExternalProgram::refusals()
{
    QFETCH(QString, name);
    QFETCH(bool, create);
    QFile::remove(m_record);
    QString path = m_dir.filePath(name);
    if (create)
        path = writeScript(name, false);
    QVERIFY(!K::launchExternalProgram(path, {}, nullptr));
    QTest::qWait(200);
    QVERIFY(!QFile::exists(m_record));
}

QTEST_MAIN(tst_ExternalProgram)
#include "tst_ExternalProgram.moc"
