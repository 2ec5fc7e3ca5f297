// Imports N small photos (default 2000) as one order twice: once through the
// whole transfer window (order table, panel, engine, reports) and once with
// the engine alone, and reports the total times and the longest stall of the
// GUI thread during the window run.
//
//   tfhome_run_bench [COUNT] [--workers N]
//
// Offscreen, on a temporary mount root; the service address is a closed
// loopback port, so every report is built and sent and then fails at once.

#include "app/core/Config.h"
#include "platform/MountRoot.h"
#include "transfer/engine/tfimportthreadmanager.h"
#include "transfer/ui/tfhome.h"
#include "transfer/ui/tfhomeorders.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"

#include "bench/BenchSupport.h"
#include "bench/StallProbe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {


OrderInfo benchOrder(const QString &root, int index)
{
    OrderInfo order;
    order.id = QString::number(index + 1);
    order.order_photo_id = QString::number(7000 + index);
    order.orderpayforkey = QStringLiteral("BENCH%1").arg(index);
    order.servicetimes = QStringLiteral("1");
    order.serverName = QStringLiteral("srv");
    order.status = QStringLiteral("未选择");
    order.importPath = root + QStringLiteral("photo/bench%1/").arg(index);
    order.importPublicPath = root + QStringLiteral("photo/");
    order.index = index;
    return order;
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    BenchSupport::quietLogs();
    QTextStream out(stdout);

    QStringList args = app.arguments().mid(1);
    int workers = 4;
    const int w = args.indexOf(QStringLiteral("--workers"));
    if (w >= 0 && w + 1 < args.size()) {
        workers = args.at(w + 1).toInt();
        args.removeAt(w + 1);
        args.removeAt(w);
    }
    const int count = args.isEmpty() ? 2000 : args.first().toInt();

    QTemporaryDir root;
    QTemporaryDir sources;
    BenchSupport::declareLocalShares();
    MountRoot::setPath(root.path());
    QDir(root.path()).mkpath(QStringLiteral("photo/.share")); // an empty share folder is an unmounted mount point
    Config::setUrlHost(QStringLiteral("http://127.0.0.1:9"));
    Config::k_importType = FinishedPhotos;
    Config::k_shops = {ShopEntry{QStringLiteral("1"), QStringLiteral("bench"), QString()}};

    const QStringList files = BenchSupport::smallJpegs(sources.path(), count);

    // Answers the end-of-run summary box, which is modal.
    const BenchSupport::MessageBoxAnswerer boxes(10);

    // A run that was refused or left photos out is no figure.
    bool done = true;
    // Through the window.
    double windowSeconds = 0;
    double longestStall = 0;
    double longestStallEnd = 0;
    {
        tfhome window;
        window.show();
        window.importManager()->setMaxWorkerCount(workers);
        tfhomeorders *pane = window.findChild<tfhomeorders *>();
        tfhomeorders_OrderListWidget *table = pane->orderListWidget();
        OrderInfo order = benchOrder(MountRoot::path(), 0);
        table->addOrder(order);
        order.photoList = table->createPhotoInfoList(files, order);
        order.selectedNum = files.size();
        table->updateOrderInfo(order);
        table->updateOrderStatus(order, QStringLiteral("等待中"));
        // Shown in the picked-photo panel too, as when the user picked it.
        table->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
        QElapsedTimer settle;
        settle.start();
        const int settleMs = qEnvironmentVariableIsSet("BENCH_SETTLE_MS") ? qEnvironmentVariableIntValue("BENCH_SETTLE_MS") : 2000;
        while (settle.elapsed() < settleMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

        StallProbe probe;
        QElapsedTimer clock;
        QEventLoop loop;
        QObject::connect(table, &tfhomeorders_OrderListWidget::importAllFinish, &loop, &QEventLoop::quit);
        QTimer::singleShot(1200000, &loop, &QEventLoop::quit);
        probe.start();
        clock.start();
        table->findChild<QPushButton *>(QStringLiteral("startAllButton"))->click();
        loop.exec();
        windowSeconds = clock.elapsed() / 1000.0;
        longestStall = probe.longestMs();
        longestStallEnd = probe.longestEndMs();
        if (table->orderAt(0).status != QStringLiteral("导片完成")) {
            out << "NOT DONE: the window run ended the order as \"" << table->orderAt(0).status << "\""
                << (boxes.texts().isEmpty() ? QString() : QStringLiteral(", the window said: ") + boxes.texts().join(QStringLiteral(" | ")))
                << "\n";
            done = false;
        }
    }

    // The engine alone, into a fresh folder.
    double engineSeconds = 0;
    {
        OrderInfo order = benchOrder(MountRoot::path(), 1);
        tfhomeorders_OrderListWidget table;
        order.photoList = table.createPhotoInfoList(files, order);
        tfimportthreadmanager manager;
        manager.setMaxWorkerCount(workers);
        QEventLoop loop;
        QObject::connect(&manager, &tfimportthreadmanager::orderImportCompleted, &loop, &QEventLoop::quit);
        int failures = 0;
        QObject::connect(&manager, &tfimportthreadmanager::photoImported, &loop,
                         [&failures](const OrderInfo &, const QString &, int, bool ok, const QString &) {
                             failures += ok ? 0 : 1;
                         });
        // Queued: a refused folder is reported inside the start call, before the loop runs.
        bool refused = false;
        QObject::connect(&manager, &tfimportthreadmanager::pathErrorOccurred, &loop,
                         [&](const QString &message, const QString &path) {
                             out << "NOT DONE: the engine refused " << path << ": " << message << "\n";
                             refused = true;
                             QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
                         });
        QElapsedTimer clock;
        clock.start();
        manager.startImportAllOrders({order});
        loop.exec();
        engineSeconds = clock.elapsed() / 1000.0;
        if (failures > 0)
            out << "NOT DONE: the engine alone failed " << failures << " photo entries\n";
        done = done && !refused && failures == 0;
    }

    out << QStringLiteral("photos: %1  workers: %2\n").arg(count).arg(workers);
    out << QStringLiteral("window run: %1 s  engine alone: %2 s  ratio: %3\n")
               .arg(windowSeconds, 0, 'f', 2)
               .arg(engineSeconds, 0, 'f', 2)
               .arg(engineSeconds > 0 ? windowSeconds / engineSeconds : 0.0, 0, 'f', 2);
    out << QStringLiteral("longest GUI-thread stall during the window run: %1 ms (ending %2 ms after the start)\n")
               .arg(longestStall, 0, 'f', 1)
               .arg(longestStallEnd, 0, 'f', 0);
    return done ? 0 : 1;
}
