// Imports every JPEG of a folder as one order with the real engine, headless,
// and reports the time and the peak memory of the run.
//
//   import_bench PHOTO_DIR OUT_DIR [--workers N]
//
// OUT_DIR stands for the share (the mount root is set to its parent); the
// order's folder is OUT_DIR/BENCH, with the copies in all, 90, 190 and 1920.

#include "app/core/Config.h"
#include "platform/MountRoot.h"
#include "transfer/engine/tfimportthreadmanager.h"
#include "bench/BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <sys/resource.h>

#include <cstdio>

namespace {

double peakRssMb()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

PhotoInfo entry(const QFileInfo &file, const QString &tag, const QString &size)
{
    PhotoInfo info;
    info.img_name = file.fileName();
    info.url = file.absoluteFilePath();
    info.sizeTag = tag;
    info.imagesize = size;
    return info;
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::offscreenUnlessSet();
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));

    QStringList args = app.arguments().mid(1);
    int workers = 4;
    const int w = args.indexOf(QStringLiteral("--workers"));
    if (w >= 0 && w + 1 < args.size()) {
        workers = args.at(w + 1).toInt();
        args.removeAt(w + 1);
        args.removeAt(w);
    }
    QTextStream out(stdout);
    if (args.size() != 2) {
        out << "usage: import_bench PHOTO_DIR OUT_DIR [--workers N]\n";
        return 2;
    }
    const QDir photoDir(args.at(0));
    const QString outDir = QFileInfo(args.at(1)).absoluteFilePath();
    // A share with content: an empty share folder is an unmounted mount point.
    QDir().mkpath(outDir + QStringLiteral("/.share"));
    MountRoot::setPath(QFileInfo(outDir).absolutePath());
    Config::k_importType = 0;

    OrderInfo order;
    order.id = QStringLiteral("1");
    order.order_photo_id = QStringLiteral("1");
    order.orderpayforkey = QStringLiteral("BENCH");
    order.servicetimes = QStringLiteral("1");
    // OUT_DIR stands for the share; the order folder lies below it.
    order.importPath = outDir + QStringLiteral("/BENCH");
    order.index = 0;
    const QFileInfoList files = photoDir.entryInfoList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                                                        QStringLiteral("*.JPG"), QStringLiteral("*.JPEG")},
                                                       QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        order.photoList.append(entry(file, QStringLiteral("all"), QString()));
        order.photoList.append(entry(file, QStringLiteral("90"), QStringLiteral("90")));
        order.photoList.append(entry(file, QStringLiteral("190"), QStringLiteral("190")));
        order.photoList.append(entry(file, QStringLiteral("1920"), QStringLiteral("1920")));
    }

    tfimportthreadmanager manager;
    manager.setMaxWorkerCount(workers);
    int failures = 0;
    bool refused = false;
    QElapsedTimer timer;
    QObject::connect(&manager, &tfimportthreadmanager::photoImported, &app,
                     [&](const OrderInfo &, const QString &name, int, bool ok, const QString &error) {
                         if (!ok) {
                             ++failures;
                             out << "failed: " << name << " " << error << "\n";
                         }
                     });
    // The exit is queued: a refused folder is reported inside the start call,
    // before the loop runs, and an exit asked for then would be lost.
    const auto exitLater = [&app](int code) {
        QMetaObject::invokeMethod(&app, [&app, code]() { app.exit(code); }, Qt::QueuedConnection);
    };
    QObject::connect(&manager, &tfimportthreadmanager::orderImportCompleted, &app, [&]() { exitLater(0); });
    QObject::connect(&manager, &tfimportthreadmanager::pathErrorOccurred, &app,
                     [&](const QString &message, const QString &path) {
                         out << "path error: " << message << " " << path << "\n";
                         refused = true;
                         exitLater(1);
                     });
    timer.start();
    manager.startImportAllOrders({order});
    const int rc = app.exec();
    const double seconds = timer.elapsed() / 1000.0;
    const int photos = files.size();
    out << "workers: " << manager.workerCount() << "  failed entries: " << failures << "\n";
    out << QStringLiteral("photos: %1  seconds: %2  photos_per_s: %3  peak_rss_mb: %4")
               .arg(photos)
               .arg(seconds, 0, 'f', 2)
               .arg(seconds > 0 ? photos / seconds : 0.0, 0, 'f', 2)
               .arg(peakRssMb(), 0, 'f', 1)
        << "\n";
    return rc == 0 && failures == 0 && !refused ? 0 : 1;
}
