#include "app/Test.h"
#include "app/TestThread.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

class tst_TestForm : public QObject
{
    Q_OBJECT

private slots:
    void runCreatesSizeFolders_data();
    void runCreatesSizeFolders();
    void runTwiceCreatesNothingNew();
    void emptyImportPathUsesCurrentFolder();
};

void tst_TestForm::runCreatesSizeFolders_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("new nested target") << QStringLiteral("2024/订单 A001/成片");
    QTest::newRow("existing target") << QString();
}

void tst_TestForm::runCreatesSizeFolders()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    const QString target = relative.isEmpty() ? dir.path() : dir.filePath(relative);
    QMap<QString, QString> data;
    data.insert(QStringLiteral("filepath"), dir.filePath(QStringLiteral("a.jpg")));
    data.insert(QStringLiteral("imgname"), QStringLiteral("a.jpg"));
    data.insert(QStringLiteral("importpath"), target);

    QThreadPool pool;
    pool.start(new TestThread(QStringLiteral("unused"), data));
    QVERIFY(pool.waitForDone(30000));

    QStringList folders = QDir(target).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    folders.sort();
    QCOMPARE(folders, (QStringList{QStringLiteral("190"), QStringLiteral("1920"), QStringLiteral("90")}));
    for (const QString &folder : folders)
        QVERIFY(QDir(target + QLatin1Char('/') + folder).entryList(QDir::Files).isEmpty());
}

void tst_TestForm::runTwiceCreatesNothingNew()
{
    QTemporaryDir dir;
    QMap<QString, QString> data;
    data.insert(QStringLiteral("importpath"), dir.path());
    TestThread first(QString(), data);
    first.run();
    TestThread second(QString(), data);
    second.run();
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
}

void tst_TestForm::emptyImportPathUsesCurrentFolder()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    TestThread task(QString(), {});
    task.run();
    QDir::setCurrent(previous);
    for (const char *size : {"1920", "190", "90"})
        QVERIFY(QDir(dir.filePath(QLatin1String(size))).exists());
}

QTEST_MAIN(tst_TestForm)
#include "tst_TestForm.moc"
