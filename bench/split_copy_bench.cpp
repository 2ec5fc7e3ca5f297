// Byte copies of the split tools' copy jobs: COUNT files of SIZE kilobytes
// copied one by one through the jobs' writer into an empty folder, as a
// product folder fills, with a run's sweep of killed copies' temporaries
// ("nosweep": without one).
//
//   split_copy_bench OUT_DIR [COUNT] [SIZE_KB] [nosweep]    (default 1000 files of 500 KB)

#include "app/core/TemporarySweep.h"
#include "split/engine/FJJobFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: split_copy_bench OUT_DIR [COUNT] [SIZE_KB]\n");
        return 2;
    }
    const int count = args.value(2, QStringLiteral("1000")).toInt();
    const int sizeKb = args.value(3, QStringLiteral("500")).toInt();
    const bool swept = args.value(4) != QLatin1String("nosweep");
    QTemporaryDir sources;
    QByteArray bytes(sizeKb * 1024, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    for (int i = 0; i < count; ++i) {
        QFile file(sources.filePath(QStringLiteral("P%1.jpg").arg(i)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }
    const QString out = args.at(1);
    QDir().mkpath(out);
    TemporarySweep sweep;
    QElapsedTimer timer;
    timer.start();
    int copied = 0;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("/P%1.jpg").arg(i);
        if (FJJobFile::copyNew(sources.path() + name, out + name, nullptr, swept ? &sweep : nullptr)
            == FJJobFile::CopyResult::Copied)
            ++copied;
    }
    const double seconds = timer.elapsed() / 1000.0;
    std::printf("files: %d copied: %d size_kb: %d sweep: %s seconds: %.2f mb_per_s: %.1f\n", count, copied, sizeKb,
                swept ? "yes" : "no", seconds, count * sizeKb / 1024.0 / seconds);
    return copied == count ? 0 : 1;
}
