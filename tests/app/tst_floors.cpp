// Reads every include of the sources and checks it against the floors the
// README's "Layout" section lists: a file includes only its own floor or
// lower ones, and a tool never reaches into another tool.
#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct Floor
{
    int level;
    QString tool;
    QString prefix;
};

const QList<Floor> &floors()
{
    static const QList<Floor> list = {
        {1, {}, QStringLiteral("platform/")},
        {2, {}, QStringLiteral("app/core/")},
        {3, {}, QStringLiteral("widgets/")},
        {4, QStringLiteral("transfer"), QStringLiteral("transfer/records/")},
        {4, QStringLiteral("transfer"), QStringLiteral("transfer/engine/")},
        {4, QStringLiteral("split"), QStringLiteral("split/engine/")},
        {4, QStringLiteral("orderfields"), QStringLiteral("orderfields/")},
        {5, QStringLiteral("transfer"), QStringLiteral("transfer/ui/")},
        {5, QStringLiteral("split"), QStringLiteral("split/ui/")},
        {5, QStringLiteral("importfiles"), QStringLiteral("importfiles/")},
        {5, QStringLiteral("batchdelete"), QStringLiteral("batchdelete/")},
        {6, {}, QStringLiteral("app/")},
    };
    return list;
}

// The floor of a project path: the longest matching prefix, or none.
const Floor *place(const QString &path)
{
    const Floor *best = nullptr;
    for (const Floor &floor : floors()) {
        if (path.startsWith(floor.prefix) && (!best || floor.prefix.size() > best->prefix.size()))
            best = &floor;
    }
    return best;
}

// Every include that breaks the floors, one line each.
QStringList brokenIncludes(const QString &root)
{
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                            QRegularExpression::MultilineOption);
    QStringList broken;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(root).relativeFilePath(it.next());
        const Floor *here = place(rel);
        if (!here)
            continue;
        QFile file(it.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        auto match = include.globalMatch(text);
        while (match.hasNext()) {
            const QString target = match.next().captured(1);
            const Floor *there = place(target);
            if (!there)
                continue;
            if (there->level > here->level)
                broken << rel + QStringLiteral(" reaches up to ") + target;
            else if (!here->tool.isEmpty() && !there->tool.isEmpty() && here->tool != there->tool)
                broken << rel + QStringLiteral(" reaches into another tool: ") + target;
        }
    }
    return broken;
}

} // namespace

class TestFloors : public QObject
{
    Q_OBJECT

private slots:
    void sourcesKeepTheirFloors()
    {
        const QString root = QStringLiteral(STUDIO_SOURCE_DIR);
        QVERIFY(QFileInfo::exists(root + QStringLiteral("/app/core/K.h")));
        const QStringList broken = brokenIncludes(root);
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
    }

    void ruleSeesBrokenIncludes()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto write = [&](const QString &rel, const QByteArray &text) {
            QDir().mkpath(QFileInfo(dir.filePath(rel)).path());
            QFile file(dir.filePath(rel));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        write(QStringLiteral("widgets/W.cpp"), "#include \"app/core/K.h\"\n#include \"transfer/ui/X.h\"\n");
        write(QStringLiteral("importfiles/I.cpp"), "#include \"transfer/ui/tfhome.h\"\n");
        write(QStringLiteral("split/engine/S.cpp"), "#include \"transfer/records/OrderInfo.h\"\n");
        write(QStringLiteral("app/Login.cpp"), "#include \"split/ui/FJHome.h\"\n");
        const QStringList broken = brokenIncludes(dir.path());
        QCOMPARE(broken.size(), 3);
        QVERIFY(broken.join(QLatin1Char('\n')).contains(QStringLiteral("widgets/W.cpp reaches up to transfer/ui/X.h")));
    }
};

QTEST_GUILESS_MAIN(TestFloors)
#include "tst_floors.moc"
