// Copies a set of raw-sized files the way the file import tool does (one
// ImportFileCopyRunnable per file on a pool of four threads) and, for
// comparison, with cp, and reports both times and their ratio.
//
//   import_copy_bench WORK_DIR [--files 80] [--mib 25.6] [--rounds 3] [--threads 4] [--qfile]
//
// --qfile times QFile::copy into a temporary name and a rename on the same
// pool instead, as the tool copied before.
//
// WORK_DIR/src is filled once with the files. Every copy goes into the same
// emptied WORK_DIR/out, cp and the tool taking turns to go first, so both
// write into the blocks the other has just freed (on a virtual disk, blocks
// never written before are much slower to write).

#include "importfiles/ImportFileCopyRunnable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
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

double timeCp(const QStringList &sources, const QString &target)
{
    prepare(target);
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QStringLiteral("cp"), QStringList(sources) << target);
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
    return timer.elapsed() / 1000.0;
}

double timeImport(const QStringList &sources, const QString &target, int threads, int &failures)
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
    QList<double> cp, import;
    int failures = 0;
    const QString target = work.filePath(QStringLiteral("out"));
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0)
            cp << timeCp(sources, target);
        import << (qfile ? timeQFileCopy(sources, target) : timeImport(sources, target, threads, failures));
        if (round % 2 == 1)
            cp << timeCp(sources, target);
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
