#include "platform/NoReplaceRename.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using NoReplaceRename::Fallback;
Q_DECLARE_METATYPE(Fallback)

// What stands at the new name before the rename.
enum class Before { Nothing, File, DanglingLink };
Q_DECLARE_METATYPE(Before)

// A file is placed under its new name only while nothing has that name, on
// every path the rename may take: the flag, the hard link, the look first.
class NoReplaceRenameTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { NoReplaceRename::forceFallbackForTests(Fallback::None); }
    void rename_data();
    void rename();
};

void NoReplaceRenameTest::rename_data()
{
    QTest::addColumn<Fallback>("fallback");
    QTest::addColumn<bool>("throughFolder"); // names relative to a folder held open, else absolute
    QTest::addColumn<Before>("before");
    const struct { const char *name; Fallback fallback; } ways[] = {
        {"flag", Fallback::None},
        {"hard link", Fallback::WithoutFlag},
        {"look first", Fallback::WithoutFlagOrLinks},
    };
    for (const auto &way : ways) {
        QTest::addRow("%s, new name", way.name) << way.fallback << true << Before::Nothing;
        QTest::addRow("%s, new name, absolute", way.name) << way.fallback << false << Before::Nothing;
        QTest::addRow("%s, name taken", way.name) << way.fallback << true << Before::File;
        QTest::addRow("%s, name taken, absolute", way.name) << way.fallback << false << Before::File;
        QTest::addRow("%s, name held by a dangling link", way.name) << way.fallback << true << Before::DanglingLink;
    }
}

void NoReplaceRenameTest::rename()
{
    QFETCH(Fallback, fallback);
    QFETCH(bool, throughFolder);
    QFETCH(Before, before);
    QTemporaryDir dir;
    const auto write = [&dir](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const auto read = [&dir](const QString &name) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    QVERIFY(write(QStringLiteral(".a.jpg.part"), "new"));
    if (before == Before::File)
        QVERIFY(write(QStringLiteral("a.jpg"), "old"));
    else if (before == Before::DanglingLink)
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.jpg")), dir.filePath(QStringLiteral("a.jpg"))));

    const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(folder >= 0);
    const QString prefix = throughFolder ? QString() : dir.path() + QLatin1Char('/');
    NoReplaceRename::forceFallbackForTests(fallback);
    errno = 0;
    const bool placed = NoReplaceRename::rename(throughFolder ? folder : AT_FDCWD,
                                                QFile::encodeName(prefix + QStringLiteral(".a.jpg.part")),
                                                QFile::encodeName(prefix + QStringLiteral("a.jpg")));
    const int error = errno;
    ::close(folder);

    const QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden
                                                        | QDir::NoDotAndDotDot, QDir::Name);
    QCOMPARE(placed, before == Before::Nothing);
    if (placed) {
        QCOMPARE(read(QStringLiteral("a.jpg")), QByteArray("new"));
        QCOMPARE(left, QStringList{QStringLiteral("a.jpg")});
        return;
    }
    QCOMPARE(error, EEXIST);
    QCOMPARE(read(QStringLiteral(".a.jpg.part")), QByteArray("new"));
    if (before == Before::File)
        QCOMPARE(read(QStringLiteral("a.jpg")), QByteArray("old"));
    else
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("a.jpg"))).symLinkTarget(), dir.filePath(QStringLiteral("gone.jpg")));
}

QTEST_GUILESS_MAIN(NoReplaceRenameTest)
#include "tst_NoReplaceRename.moc"
