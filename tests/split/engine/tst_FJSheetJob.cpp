#include "support/FJJobReports.h"
#include "support/FJSheetStudioData.h"
#include "split/engine/FJDataThread.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace D = FJSheetStudioData;

namespace {

const QString kSheet = QStringLiteral("明细制作单.pdf");

QByteArray head(const QString &path, int n)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(n) : QByteArray();
}

QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

FJDataThread *sheetJob(QWidget *receiver, const QJsonObject &reply, const QString &orderDir)
{
    auto *job = new FJDataThread(QStringLiteral("生成Html"), receiver);
    job->detailData = reply;
    job->orderDir = orderDir;
    return job;
}

} // namespace

class TestFJSheetJob : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesSheetAndReportsOnce();
    void createsMissingOtherFolder();
    void replacesAnOlderSheet();
    void emptyReplyStillGivesASheet();
    void unwritableFolderReportsFailure_data();
    void unwritableFolderReportsFailure();
    void severalOrdersAtOnce();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QString m_orderDir;
    FJJobReceiver *m_receiver = nullptr;
};

void TestFJSheetJob::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_orderDir = m_dir->path() + QStringLiteral("/A20240501-17-服务2 张伟-李娜 自取/");
    m_receiver = new FJJobReceiver;
}

void TestFJSheetJob::cleanup()
{
    delete m_receiver;
    m_receiver = nullptr;
}

void TestFJSheetJob::writesSheetAndReportsOnce()
{
    QVERIFY(D::writeOrderPictures(m_orderDir));
    const QStringList before = filesBelow(m_dir->path());

    const FJJobReceiver::Report report = m_receiver->runOne(sheetJob(m_receiver, D::reply(), m_orderDir));
    QCOMPARE(m_receiver->reports.size(), 1);
    QVERIFY2(report.ok, qPrintable(report.message));
    QVERIFY(report.onGuiThread);
    QCOMPARE(report.jobType, QStringLiteral("生成Html"));
    QVERIFY(report.srcPath.isEmpty());
    QVERIFY(report.third.isEmpty());
    QVERIFY(report.message.isEmpty());

    const QString pdf = m_orderDir + QStringLiteral("其他/") + kSheet;
    QVERIFY(QFileInfo(pdf).size() > 1000);
    // The studio's other machines read the sheet too.
    QVERIFY(QFileInfo(pdf).permissions() & QFileDevice::ReadOther);
    QCOMPARE(head(pdf, 5), QByteArray("%PDF-"));
    // The embedded pictures reach the page.
    // The embedded pictures reach the page: the 40 pixel barcode at its own
    // size, marked pictures in their 120 box, thumbnails in their 100 box.
    const QByteArray bytes = head(pdf, 1 << 24);
    QVERIFY(bytes.contains("/Width 40"));
    QVERIFY(bytes.contains("/Width 120"));
    QVERIFY(bytes.contains("/Width 100"));
    // Exactly one new file: no temporary left behind, nothing else touched.
    QStringList after = filesBelow(m_dir->path());
    after.removeOne(QDir(m_dir->path()).relativeFilePath(pdf));
    QCOMPARE(after, before);
}

void TestFJSheetJob::createsMissingOtherFolder()
{
    QVERIFY(!QFileInfo::exists(m_orderDir));
    const FJJobReceiver::Report report = m_receiver->runOne(sheetJob(m_receiver, D::reply(), m_orderDir));
    QVERIFY(report.ok);
    QCOMPARE(head(m_orderDir + QStringLiteral("其他/") + kSheet, 5), QByteArray("%PDF-"));
    QCOMPARE(filesBelow(m_dir->path()), QStringList{QDir(m_dir->path()).relativeFilePath(m_orderDir + QStringLiteral("其他/") + kSheet)});
}

void TestFJSheetJob::replacesAnOlderSheet()
{
    const QString pdf = m_orderDir + QStringLiteral("其他/") + kSheet;
    QVERIFY(QDir().mkpath(QFileInfo(pdf).path()));
    {
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old sheet");
    }
    const FJJobReceiver::Report report = m_receiver->runOne(sheetJob(m_receiver, D::reply(), m_orderDir));
    QVERIFY(report.ok);
    QCOMPARE(head(pdf, 5), QByteArray("%PDF-"));
    QCOMPARE(filesBelow(m_orderDir), QStringList{QStringLiteral("其他/") + kSheet});
}

void TestFJSheetJob::emptyReplyStillGivesASheet()
{
    const FJJobReceiver::Report report = m_receiver->runOne(sheetJob(m_receiver, QJsonObject(), m_orderDir));
    QVERIFY(report.ok);
    const QString pdf = m_orderDir + QStringLiteral("其他/") + kSheet;
    QCOMPARE(head(pdf, 5), QByteArray("%PDF-"));
    QVERIFY(!head(pdf, 1 << 24).contains("/Width 40"));
}

void TestFJSheetJob::unwritableFolderReportsFailure_data()
{
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("orderDir");
    // A file where the folder should be cannot be written into, whoever runs the test.
    QTest::newRow("other is a file") << QStringLiteral("其他") << QString();
    QTest::newRow("order folder is a file") << QString() << QString();
    QTest::newRow("sheet name is a folder") << QStringLiteral("其他/明细制作单.pdf/") << QString();
    QTest::newRow("relative order folder") << QString() << QStringLiteral("relative/order/");
    QTest::newRow("climbing order folder") << QString() << QStringLiteral("%1/x/../");
    QTest::newRow("no order folder") << QString() << QStringLiteral("");
}

void TestFJSheetJob::unwritableFolderReportsFailure()
{
    QFETCH(QString, blocker);
    QFETCH(QString, orderDir);
    QString dir = orderDir.isNull() ? m_orderDir : orderDir;
    if (dir.contains(QLatin1String("%1")))
        dir = dir.arg(m_dir->path());

    if (QTest::currentDataTag() == QByteArray("order folder is a file")) {
        QFile file(m_orderDir.chopped(1));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (blocker.endsWith(QLatin1Char('/'))) {
        QVERIFY(QDir().mkpath(m_orderDir + blocker));
    } else if (!blocker.isEmpty()) {
        QVERIFY(QDir().mkpath(m_orderDir));
        QFile file(m_orderDir + blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QStringList before = filesBelow(m_dir->path());

    const FJJobReceiver::Report report = m_receiver->runOne(sheetJob(m_receiver, D::reply(), dir));
    QCOMPARE(m_receiver->reports.size(), 1);
    QVERIFY(!report.ok);
    QCOMPARE(report.jobType, QStringLiteral("生成Html"));
    QCOMPARE(report.message, QStringLiteral("明细制作单.pdf 未生成"));
    QCOMPARE(filesBelow(m_dir->path()), before);
    QVERIFY(!QFileInfo::exists(QDir::current().filePath(QStringLiteral("relative"))));
}

void TestFJSheetJob::severalOrdersAtOnce()
{
    QList<FJDataThread *> jobs;
    QStringList folders;
    for (int i = 0; i < 4; ++i) {
        const QString dir = m_dir->path() + QStringLiteral("/order%1/").arg(i);
        QVERIFY(D::writeOrderPictures(dir));
        QJsonObject reply = D::reply();
        QJsonObject order = reply.value("order").toObject();
        order.insert("orderpayforkey", QStringLiteral("N%1").arg(i));
        reply.insert("order", order);
        jobs << sheetJob(m_receiver, reply, dir);
        folders << dir;
    }
    m_receiver->runAll(jobs, 4);
    QCOMPARE(m_receiver->reports.size(), 4);
    for (const FJJobReceiver::Report &report : qAsConst(m_receiver->reports))
        QVERIFY(report.ok && report.onGuiThread);
    for (const QString &dir : qAsConst(folders)) {
        QCOMPARE(head(dir + QStringLiteral("其他/") + kSheet, 5), QByteArray("%PDF-"));
        QVERIFY(!QDir(dir + QStringLiteral("其他")).entryList(QDir::Files | QDir::Hidden).join('|').contains(".明细"));
    }
}

QTEST_MAIN(TestFJSheetJob)
#include "tst_FJSheetJob.moc"
