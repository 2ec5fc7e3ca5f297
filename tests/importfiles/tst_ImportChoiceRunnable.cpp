#include "importfiles/ImportChoiceRunnable.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

class tst_ImportChoiceRunnable : public QObject
{
    Q_OBJECT

private slots:
    void recordsKeepTheDialogOrder_data();
    void recordsKeepTheDialogOrder();
    void collisionsAcrossReaders();
    void mismatchesOnlyForRetouched();
    void resultArrivesOnTheOwnersThread();

private:
    QStringList makeFiles(int count, const QString &suffix = QStringLiteral("jpg"));
    QTemporaryDir m_dir;
};

QStringList tst_ImportChoiceRunnable::makeFiles(int count, const QString &suffix)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = m_dir.filePath(QStringLiteral("F%1_%2.%3").arg(count).arg(i).arg(suffix));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(i % 7 + 1, 'x'));
        paths << path;
    }
    return paths;
}

void tst_ImportChoiceRunnable::recordsKeepTheDialogOrder_data()
{
    QTest::addColumn<int>("count");
    // One reader, a reader's exact share, one past it, several uneven readers.
    QTest::newRow("one") << 1;
    QTest::newRow("one reader") << 64;
    QTest::newRow("two readers") << 65;
    QTest::newRow("eight readers, uneven") << 1001;
}

void tst_ImportChoiceRunnable::recordsKeepTheDialogOrder()
{
    QFETCH(int, count);
    const QStringList paths = makeFiles(count);
    const QString folder = m_dir.filePath(QStringLiteral("order"));
    const ImportChoiceRunnable::Choice choice =
        ImportChoiceRunnable::read(paths, folder, OriginalFiles, 3, 17, {});
    QCOMPARE(choice.files.size(), count);
    for (int i = 0; i < count; ++i) {
        const ImportFile &file = choice.files.at(i);
        QCOMPARE(file.sourcePath, paths.at(i));
        QCOMPARE(file.fileRow, i);
        QCOMPARE(file.orderRow, 3);
        QCOMPARE(file.generation, 17);
        QCOMPARE(file.size, qint64(i % 7 + 1));
        QCOMPARE(file.targetFolder, QDir(folder).filePath(QStringLiteral("原片")));
    }
    QVERIFY(choice.colliding.isEmpty());
}

void tst_ImportChoiceRunnable::collisionsAcrossReaders()
{
    // The first and the last file fall to different readers and still collide.
    QStringList paths = makeFiles(300);
    QDir(m_dir.path()).mkpath(QStringLiteral("other"));
    const QString twin = m_dir.filePath(QStringLiteral("other/f300_0.JPG"));
    QFile(twin).open(QIODevice::WriteOnly);
    paths << twin;
    const ImportChoiceRunnable::Choice choice =
        ImportChoiceRunnable::read(paths, m_dir.filePath(QStringLiteral("order")), OriginalFiles, 0, 1, {});
    QCOMPARE(choice.colliding, QStringList({QDir::toNativeSeparators(paths.first()), QDir::toNativeSeparators(twin)}));
}

void tst_ImportChoiceRunnable::mismatchesOnlyForRetouched()
{
    const QStringList paths = makeFiles(3);
    const QStringList picked{QStringLiteral("F3_0.jpg"), QStringLiteral("F3_2.jpg")};
    const QString folder = m_dir.filePath(QStringLiteral("order"));
    QCOMPARE(ImportChoiceRunnable::read(paths, folder, RetouchedFiles, 0, 1, picked).mismatched,
             QStringList{QStringLiteral("F3_1.jpg")});
    QVERIFY(ImportChoiceRunnable::read(paths, folder, OriginalFiles, 0, 1, picked).mismatched.isEmpty());
}

void tst_ImportChoiceRunnable::resultArrivesOnTheOwnersThread()
{
    const QStringList paths = makeFiles(200);
    auto *reader = new ImportChoiceRunnable(paths, m_dir.filePath(QStringLiteral("order")), OriginalFiles, 2, 9, {});
    QObject receiver;
    int row = -1;
    int generation = -1;
    int files = -1;
    QThread *deliveredOn = nullptr;
    connect(reader, &ImportChoiceRunnable::choiceRead, &receiver,
            [&](int r, int g, const ImportChoiceRunnable::Choice &choice) {
                row = r;
                generation = g;
                files = choice.files.size();
                deliveredOn = QThread::currentThread();
            });
    QThreadPool::globalInstance()->start(reader);
    QTRY_COMPARE(files, 200);
    QCOMPARE(row, 2);
    QCOMPARE(generation, 9);
    QCOMPARE(deliveredOn, QThread::currentThread());
}

QTEST_MAIN(tst_ImportChoiceRunnable)
#include "tst_ImportChoiceRunnable.moc"
