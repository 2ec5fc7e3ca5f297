// Scans an order folder of N files (default 3000, spread over 30 subfolders)
// with the batch delete tool's scanner, then removes every file through its
// deletion threads two at a time, as a run does, and reports both times.
//
//   batchdelete_bench [COUNT]
//
// On a temporary mount root; no service is involved.

#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchdeleteThread.h"
#include "batchdelete/FileScanThread.h"
#include "platform/MountRoot.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*=false"));
    BatchDeleteLogic::registerMetaTypes();
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3000;
    QTextStream out(stdout);

    QTemporaryDir root;
    MountRoot::setPath(root.path());
    const QString folder = root.path() + QStringLiteral("/photo/2024/05/A1-2_张三");
    for (int i = 0; i < count; ++i) {
        const QString sub = folder + QStringLiteral("/原片%1").arg(i % 30);
        QDir().mkpath(sub);
        QFile file(sub + QStringLiteral("/IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(4096, 'x')) != 4096) {
            out << "cannot write test files\n";
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    FileScanThread scanner;
    FileScanResult result;
    QEventLoop loop;
    QObject::connect(&scanner, &FileScanThread::scanFinished, &loop, [&](const FileScanResult &scanned) {
        result = scanned;
        loop.quit();
    });
    scanner.startScan(QStringLiteral("OP1"), folder);
    loop.exec();
    const qint64 scanMs = timer.elapsed();
    out << "scan: " << result.fileCount << " files in " << scanMs << " ms\n";

    BatchDeleteOrderInfo order;
    order.order_photo_id = QStringLiteral("OP1");
    order.netpath = folder;
    QList<BatchDeleteFileInfo> pending = result.files;
    int deleted = 0;
    int outstanding = 0;
    std::function<void()> handOn;
    handOn = [&]() {
        if (pending.isEmpty()) {
            if (outstanding == 0)
                loop.quit();
            return;
        }
        auto *thread = new BatchdeleteThread();
        thread->order = order;
        thread->file = pending.takeFirst();
        QObject::connect(thread, &BatchdeleteThread::deleteFileFinish, &loop,
                         [&](const BatchDeleteOrderInfo &, const BatchDeleteFileInfo &file) {
                             deleted += file.status == Deleted ? 1 : 0;
                             --outstanding;
                             handOn();
                         });
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        ++outstanding;
        thread->start();
    };
    timer.restart();
    handOn();
    handOn();
    loop.exec();
    out << "delete: " << deleted << " of " << result.fileCount << " files in " << timer.elapsed() << " ms\n";
    MountRoot::reset();
    return deleted == result.fileCount ? 0 : 1;
}
