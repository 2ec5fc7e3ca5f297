// Copies a set of raw-sized files the way the file import tool does (one
// ImportFileCopyRunnable per file on a pool of four threads) and, for
// comparison, with cp, and reports both times and their ratio.
//
//   import_copy_bench WORK_DIR [--files 80] [--mib 25.6] [--rounds 3] [--threads 4] [--qfile]
//
// --qfile times QFile::copy into a temporary name and a rename on the same
// pool instead, as the tool copied before.
//
// WORK_DIR/src is filled once with the files. WORK_DIR/share is bind-mounted
// (as root) on the share's mount point below a temporary mount root, and the
// tool copies as a run does: with the share pinned and the order folder
// resolved, so every check before a copy is in the figure. Where mounting is
// refused the share is a plain local folder declared as such, and the run
// says so. Every copy goes into the same emptied order subfolder, cp and the
// tool taking turns to go first, so both write into the blocks the other has
// just freed (on a virtual disk, blocks never written before are much slower
// to write).

#include "importfiles/ImportFileCopyRunnable.h"
#include "importfiles/ImportRules.h"
#include "platform/MountRoot.h"
#include "platform/ShareGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTextStream>
#include <QThreadPool>

#include <algorithm>

namespace {

QStringList makeSources(const QString &folder, int count, qint64 size)
{
    QDir().mkpath(folder);
    QStringList paths;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) {
        const QString path = QDir(folder).filePath(QStringLiteral("IMG_%1.CR3").arg(i, 4, 10, QLatin1Char('0')));
        paths << path;
        if (QFileInfo(path).size() == size)
            continue;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        for (qint64 written = 0; written < size; written += block.size()) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
            file.write(block.constData(), qMin<qint64>(block.size(), size - written));
        }
    }
    return paths;
}

// Empties the target and lets earlier writes reach the disk, outside the timing.
void prepare(const QString &target)
{
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    QProcess::execute(QStringLiteral("sync"), {});
}

// Inside every timing: the copies and their folder on the disk, so each side
// pays for its own writes and not for the page cache or the last run's.
void flushCopies(const QString &target)
{
    QStringList paths{target};
    for (const QFileInfo &file : QDir(target).entryInfoList(QDir::Files | QDir::Hidden))
        paths << file.absoluteFilePath();
    QProcess::execute(QStringLiteral("sync"), paths);
}

double timeCp(const QStringList &sources, const QString &target)
{
    prepare(target);
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QStringLiteral("cp"), QStringList(sources) << target);
    flushCopies(target);
    return timer.elapsed() / 1000.0;
}

double timeQFileCopy(const QStringList &sources, const QString &target)
{
    prepare(target);
    QThreadPool pool;
    pool.setMaxThreadCount(4);
    QElapsedTimer timer;
    timer.start();
    for (const QString &source : sources) {
        pool.start([source, target] {
            const QString temporary = QDir(target).filePath(QStringLiteral(".~") + QFileInfo(source).fileName());
            QFile::copy(source, temporary);
            QFile::rename(temporary, QDir(target).filePath(QFileInfo(source).fileName()));
        });
    }
    pool.waitForDone();
    flushCopies(target);
    return timer.elapsed() / 1000.0;
}

// The order folder on the pinned share, as a run resolves it before its copies.
struct PinnedOrder
{
    ShareGuard share;
    QString named;
    ImportRules::OrderPlace place;
};

double timeImport(const QStringList &sources, const QString &target, const PinnedOrder &order, int threads,
                  int &failures)
{
    prepare(target);
    QThreadPool pool;
    pool.setMaxThreadCount(threads);
    int done = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < sources.size(); ++i) {
        const QFileInfo info(sources.at(i));
        ImportFile file;
        file.sourcePath = info.absoluteFilePath();
        file.baseName = info.completeBaseName();
        file.suffix = info.suffix();
        file.targetFolder = target;
        file.fileRow = i;
        file.size = info.size();
        auto *task = new ImportFileCopyRunnable(file);
        task->setShareGuard(order.share);
        task->setOrderFolder(order.named, order.place);
        task->setAutoDelete(true);
        QObject::connect(task, &ImportFileCopyRunnable::copyFinished, qApp, [&](const ImportFile &result) {
            if (result.status != ImportStatus::Success)
                ++failures;
            if (++done == sources.size())
                qApp->quit();
        });
        pool.start(task);
    }
    QCoreApplication::exec();
    flushCopies(target);
    return timer.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
    qRegisterMetaType<ImportFile>("ImportFile");
    QStringList args = app.arguments().mid(1);
    const auto option = [&args](const QString &name, double fallback) {
        const int at = args.indexOf(name);
        if (at < 0 || at + 1 >= args.size())
            return fallback;
        const double value = args.at(at + 1).toDouble();
        args.erase(args.begin() + at, args.begin() + at + 2);
        return value;
    };
    const int files = int(option(QStringLiteral("--files"), 80));
    const double mib = option(QStringLiteral("--mib"), 25.6);
    const int rounds = int(option(QStringLiteral("--rounds"), 3));
    const int threads = int(option(QStringLiteral("--threads"), 4));
    const bool qfile = args.removeAll(QStringLiteral("--qfile")) > 0;
    QTextStream out(stdout);
    if (args.size() != 1) {
        out << "usage: import_copy_bench WORK_DIR [--files 80] [--mib 25.6] [--rounds 3]\n";
        return 2;
    }
    const QDir work(args.at(0));
    const QStringList sources = makeSources(work.filePath(QStringLiteral("src")), files, qint64(mib * 1024 * 1024));

    const QString root = work.filePath(QStringLiteral("root"));
    const QString mountPoint = root + QStringLiteral("/photo");
    const QString backing = work.filePath(QStringLiteral("share"));
    QDir().mkpath(mountPoint);
    QDir().mkpath(backing);
    QFile(backing + QStringLiteral("/.mounted")).open(QIODevice::WriteOnly);
    MountRoot::setPath(root);
    const bool mounted = QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), backing, mountPoint}) == 0;
    if (mounted) {
        qunsetenv("STUDIO_LOCAL_SHARES");
        out << "share: " << backing << " bind-mounted at " << mountPoint << "\n";
    } else {
        qputenv("STUDIO_LOCAL_SHARES", "1");
        QFile(mountPoint + QStringLiteral("/.mounted")).open(QIODevice::WriteOnly);
        out << "share: NOT MOUNTED (mounting needs root): a plain local folder, STUDIO_LOCAL_SHARES=1\n";
    }
    const auto unmount = qScopeGuard([&] {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint});
    });
    PinnedOrder order;
    order.named = mountPoint + QStringLiteral("/2024/05/01/A1001-1");
    QDir().mkpath(order.named);
    if (!order.share.pin(order.named)
        || (order.place = ImportRules::resolveOrderFolder(order.named, order.share)).isEmpty()) {
        out << "NOT DONE: the share of " << order.named << " cannot be pinned\n";
        return 1;
    }
    QList<double> cp, import;
    int failures = 0;
    const QString target = order.named + QStringLiteral("/原始档");
    // A side that left files out did not do the work it is timed for.
    const auto countMissing = [&](const char *side) {
        const int missing = sources.size() - QDir(target).entryList(QDir::Files).size();
        if (missing != 0) {
            out << "NOT DONE: " << side << " left " << missing << " of " << sources.size() << " files out\n";
            ++failures;
        }
    };
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            cp << timeCp(sources, target);
            countMissing("cp");
        }
        import << (qfile ? timeQFileCopy(sources, target) : timeImport(sources, target, order, threads, failures));
        countMissing("import");
        if (round % 2 == 1) {
            cp << timeCp(sources, target);
            countMissing("cp");
        }
        out << QStringLiteral("round %1: cp %2 s, import %3 s\n").arg(round + 1).arg(cp.last(), 0, 'f', 2).arg(import.last(), 0, 'f', 2);
        out.flush();
    }
    std::sort(cp.begin(), cp.end());
    std::sort(import.begin(), import.end());
    const double cpMedian = cp.at(cp.size() / 2);
    const double importMedian = import.at(import.size() / 2);
    out << QStringLiteral("files: %1 x %2 MiB  median cp: %3 s  median import: %4 s  ratio: %5  failures: %6\n")
               .arg(files).arg(mib).arg(cpMedian, 0, 'f', 2).arg(importMedian, 0, 'f', 2)
               .arg(cpMedian > 0 ? importMedian / cpMedian : 0.0, 0, 'f', 2).arg(failures);
    QDir(target).removeRecursively();
    return failures == 0 ? 0 : 1;
}
