#include "batchdelete/BatchDeleteJournal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
BatchDeleteJournal::Entry entry(const QString &name)
{
    return {{QStringLiteral("101"), QStringLiteral("E7"), QStringLiteral("S9")}, QStringLiteral("OP1"),
            QStringLiteral("/Volumes/share/A1/") + name, name};
}

QStringList paths(const QList<BatchDeleteJournal::Entry> &entries)
{
    QStringList list;
    for (const BatchDeleteJournal::Entry &item : entries)
        list << item.filePath;
    return list;
}
} // namespace

class tst_BatchDeleteJournal : public QObject
{
    Q_OBJECT

private slots:
    void leftOverEntriesSurviveReopening_data();
    void leftOverEntriesSurviveReopening();
    void mostlyClearedFileShrinks();
};

void tst_BatchDeleteJournal::leftOverEntriesSurviveReopening_data()
{
    QTest::addColumn<QStringList>("recorded");
    QTest::addColumn<QStringList>("cleared");
    QTest::addColumn<QByteArray>("tail"); // written after the last line, as a killed run may leave it
    QTest::addColumn<QStringList>("left");
    QTest::newRow("nothing cleared") << QStringList{"a.jpg", "b.jpg"} << QStringList() << QByteArray()
                                     << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("one cleared") << QStringList{"a.jpg", "b.jpg", "c.jpg"} << QStringList{"b.jpg"} << QByteArray()
                                 << QStringList{"a.jpg", "c.jpg"};
    QTest::newRow("all cleared") << QStringList{"a.jpg"} << QStringList{"a.jpg"} << QByteArray() << QStringList();
    QTest::newRow("torn last line") << QStringList{"a.jpg", "b.jpg"} << QStringList{"a.jpg"}
                                    << QByteArray("{\"a\":\"-\",\"picpath\":\"/Volumes/sh") << QStringList{"b.jpg"};
    QTest::newRow("name with a line break and &") << QStringList{"a\nb&c.jpg"} << QStringList() << QByteArray()
                                                  << QStringList{"a\nb&c.jpg"};
}

void tst_BatchDeleteJournal::leftOverEntriesSurviveReopening()
{
    QFETCH(QStringList, recorded);
    QFETCH(QStringList, cleared);
    QFETCH(QByteArray, tail);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/journal"));
    {
        BatchDeleteJournal journal(path);
        QCOMPARE(journal.load().size(), 0);
        QList<BatchDeleteJournal::Entry> entries;
        for (const QString &name : recorded)
            entries << entry(name);
        QString error;
        QVERIFY2(journal.record(entries, &error), qPrintable(error));
        for (const QString &name : cleared)
            journal.clear(entry(name).filePath);
        QCOMPARE(journal.size(), left.size());
    }
    if (!tail.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(tail);
    }
    QStringList expected;
    for (const QString &name : left)
        expected << entry(name).filePath;
    BatchDeleteJournal reopened(path);
    QCOMPARE(paths(reopened.load()), expected);
    // Reading compacts: a third opening sees the same, from live lines only.
    QCOMPARE(paths(BatchDeleteJournal(path).load()), expected);
    QFile file(path);
    const int lines = file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    QCOMPARE(lines, left.size());
}

void tst_BatchDeleteJournal::mostlyClearedFileShrinks()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal"));
    BatchDeleteJournal journal(path);
    journal.load();
    QList<BatchDeleteJournal::Entry> entries;
    for (int i = 0; i < 10000; ++i)
        entries << entry(QStringLiteral("%1.jpg").arg(i));
    QString error;
    QVERIFY(journal.record(entries, &error));
    for (int i = 0; i < 9990; ++i)
        journal.clear(entries.at(i).filePath);
    QCOMPARE(journal.size(), 10);
    // Close to twenty thousand lines were written; compaction dropped the cleared ones on the way.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().count('\n') < 10000);
    QCOMPARE(paths(BatchDeleteJournal(path).load()).size(), 10);
    QCOMPARE(paths(BatchDeleteJournal(path).load()).last(), entries.last().filePath);
}

QTEST_GUILESS_MAIN(tst_BatchDeleteJournal)
#include "tst_BatchDeleteJournal.moc"
