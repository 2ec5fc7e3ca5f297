#include "batchdelete/BatchDeleteJournal.h"
#include "support/JournalHolder.h"
#include "support/SmallTmpfs.h"

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

QSet<QString> set(const QStringList &list)
{
    return QSet<QString>(list.begin(), list.end());
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
    void secondProgramLeavesFirstsEntries();
    void ownerLeavesOpenWindowsFile();
    void fullDiskLeavesNoCutLine();
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
    // Reading compacts: the file holds the same, in live lines only.
    QCOMPARE(paths(BatchDeleteJournal::read(path)), expected);
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
    QCOMPARE(paths(BatchDeleteJournal::read(path)).size(), 10);
    QCOMPARE(paths(BatchDeleteJournal::read(path)).last(), entries.last().filePath);
}

// Two programs with the journal open at once: the second neither rewrites nor
// clears what the first writes, and takes it over once the first is killed.
void tst_BatchDeleteJournal::secondProgramLeavesFirstsEntries()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal"));
    const QString share = QStringLiteral("/Volumes/share/A1/");
    JournalHolder::Process first(path, {share + "a.jpg", share + "b.jpg"});
    QCOMPARE(first.line(), QStringLiteral("ready"));

    QStringList expected{share + "a.jpg", share + "b.jpg"};
    {
        BatchDeleteJournal second(path);
        QCOMPARE(second.load().size(), 0);
        QVERIFY(!second.holdsLock());
        QString error;
        QVERIFY2(second.record({entry("own1.jpg"), entry("own2.jpg")}, &error), qPrintable(error));
        second.clear(entry("own1.jpg").filePath);
        // The first goes on writing after the second opened.
        QCOMPARE(first.record(share + "c.jpg"), QStringLiteral("recorded"));
        expected << share + "c.jpg";
        QCOMPARE(paths(BatchDeleteJournal::read(path)), expected);
        QCOMPARE(paths(second.load()), QStringList{entry("own2.jpg").filePath});

        first.kill();
        // The lock of a program gone is free: what it left is now the second's.
        QCOMPARE(set(paths(second.load())),
                 set(expected + QStringList{entry("own2.jpg").filePath}));
        QVERIFY(second.holdsLock());
        second.clear(share + "b.jpg");
        expected.removeOne(share + "b.jpg");
    }
    // A window opened later finds the second's own leftover too.
    expected << entry("own2.jpg").filePath;
    BatchDeleteJournal third(path);
    QCOMPARE(set(paths(third.load())), set(expected));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"journal", "journal.lock"}));
}

// The journal's owner looks for windows gone while another program's window
// is still open: that window's file stays its own, with what it records
// later, until the window is gone.
void tst_BatchDeleteJournal::ownerLeavesOpenWindowsFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal"));
    const QString share = QStringLiteral("/Volumes/share/A1/");
    BatchDeleteJournal owner(path);
    owner.load();
    QVERIFY(owner.holdsLock());
    JournalHolder::Process other(path, {share + "a.jpg"}, JournalHolder::Process::Beside);
    QCOMPARE(other.line(), QStringLiteral("ready"));
    QCOMPARE(owner.load().size(), 0);
    QCOMPARE(other.record(share + "b.jpg"), QStringLiteral("recorded"));
    other.kill();
    QCOMPARE(set(paths(owner.load())), set({share + "a.jpg", share + "b.jpg"}));
}

// A record cut short by a full disk is taken back whole: the next record
// written after it is not glued to a torn line.
void tst_BatchDeleteJournal::fullDiskLeavesNoCutLine()
{
    QTemporaryDir dir;
    SmallTmpfs disk(dir.filePath(QStringLiteral("disk")));
    if (!disk.isMounted())
        QSKIP("no tmpfs here");
    const QString path = dir.filePath(QStringLiteral("disk/journal"));
    BatchDeleteJournal journal(path);
    journal.load();
    QString error;
    QVERIFY(journal.record({entry("a.jpg"), entry("b.jpg")}, &error));
    QVERIFY(disk.fill());
    QList<BatchDeleteJournal::Entry> many;
    for (int i = 0; i < 200; ++i)
        many << entry(QStringLiteral("%1.jpg").arg(i));
    QVERIFY(!journal.record(many, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!journal.contains(many.first().filePath));
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("disk/filler"))));
    QVERIFY2(journal.record({entry("c.jpg")}, &error), qPrintable(error));
    QCOMPARE(paths(BatchDeleteJournal::read(path)),
             (QStringList{entry("a.jpg").filePath, entry("b.jpg").filePath, entry("c.jpg").filePath}));
}

int main(int argc, char **argv)
{
    int code = 0;
    if (JournalHolder::runIfAsked(argc, argv, &code))
        return code;
    QCoreApplication app(argc, argv);
    tst_BatchDeleteJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_BatchDeleteJournal.moc"
