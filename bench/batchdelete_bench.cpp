// Two measures of the batch delete tool on an order folder of N files
// (default 20000, spread over 30 subfolders):
//  1. the scanner, then the two deletion threads alone;
//  2. a whole run through the window against the stand-in service on a
//     thread of its own: search, verification, announcement, every removal
//     and its report, up to the final box, with the GUI thread's longest
//     stall on the way (the announcement of the whole list among others).
//
//   batchdelete_bench [COUNT]
//
// Offscreen, on a temporary mount root and a temporary home.

#include "app/core/Config.h"
#include "batchdelete/BatchDelete.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/BatchLoginDialog.h"
#include "batchdelete/BatchdeleteThread.h"
#include "batchdelete/FileScanThread.h"
#include "platform/MountRoot.h"
#include "support/BatchDeleteStudioData.h"
#include "support/LoginDialogWatcher.h"
#include "support/StandInService.h"
#include "bench/BenchSupport.h"
#include "bench/ServiceThread.h"
#include "bench/StallProbe.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

using namespace BatchDeleteStudioData;
using BenchSupport::waitFor;

namespace {

bool makeOrderFolder(const QString &folder, int count)
{
    for (int i = 0; i < count; ++i) {
        const QString sub = folder + QStringLiteral("/原片%1").arg(i % 30);
        QDir().mkpath(sub);
        QFile file(sub + QStringLiteral("/IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(4096, 'x')) != 4096)
            return false;
    }
    return true;
}

void threadsAlone(const QString &folder, QTextStream &out)
{
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
    out << "scan: " << result.fileCount << " files in " << timer.elapsed() << " ms\n";

    BatchDeleteOrderInfo order;
    order.order_photo_id = QStringLiteral("OP1");
    order.netpath = folder;
    const QString real = QFileInfo(folder).canonicalFilePath();
    QList<BatchDeleteFileInfo> pending = result.files;
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    int deleted = 0;
    int outstanding = 0;
    std::function<void()> handOn;
    handOn = [&]() {
        if (pending.isEmpty()) {
            if (outstanding == 0)
                loop.quit();
            return;
        }
        auto *task = new BatchdeleteThread();
        task->order = order;
        task->file = pending.takeFirst();
        task->scannedFolder = real;
        QObject::connect(task, &BatchdeleteThread::deleteFileFinish, &loop,
                         [&](const BatchDeleteOrderInfo &, const BatchDeleteFileInfo &file) {
                             deleted += file.status == Deleted ? 1 : 0;
                             --outstanding;
                             handOn();
                         });
        ++outstanding;
        task->startIn(&pool);
    };
    timer.restart();
    handOn();
    handOn();
    loop.exec();
    out << "two deletion threads alone: " << deleted << " of " << result.fileCount << " files in " << timer.elapsed() << " ms\n";
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    // The deletion journal goes with the temporary home.
    Config::k_datarootpath = home.path() + QStringLiteral("/data/");
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*=false"));
    BatchDeleteLogic::registerMetaTypes();
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    QTextStream out(stdout);

    QTemporaryDir root;
    BenchSupport::declareLocalShares();
    MountRoot::setPath(root.path());
    const QString folder = root.path() + QStringLiteral("/photo/2024/05/A1-2_张三");
    if (!makeOrderFolder(folder, count)) {
        out << "cannot write test files\n";
        return 1;
    }
    out.flush();
    threadsAlone(folder, out);
    out.flush();

    const ServiceThread serviceThread([folder](StandInService &service) {
        service.setReply(QStringLiteral("public"), QStringLiteral("dologin"), accepted());
        service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), switchShopReply(1));
        service.setReply(QStringLiteral("order"), QStringLiteral("order_list"), orderListReply({order(1, folder)}));
        service.setReply(QStringLiteral("order"), QStringLiteral("delete_pic_before"), accepted());
        service.setReply(QStringLiteral("order"), QStringLiteral("delete_pic_after"), accepted());
    });
    StandInService *service = serviceThread.service();
    const auto reports = [service]() {
        int n = 0;
        QMetaObject::invokeMethod(service, [&]() { n = service->requests(QStringLiteral("order"),
                                                                         QStringLiteral("delete_pic_after")).size(); },
                                  Qt::BlockingQueuedConnection);
        return n;
    };
    Config::setUrlHost(service->baseUrl());
    Config::k_shops = {ShopEntry{QStringLiteral("101"), QStringLiteral("旗舰店"), QString()}};
    writeCredentials(kAccount);
    makeOrderFolder(folder, count);

    LoginDialogWatcher boxes;
    auto *window = new BatchDelete();
    window->resize(1400, 800);
    window->show();
    window->findChild<QPushButton *>(QStringLiteral("searchButton"))->click();
    QTableWidget *table = window->orderListPanel()->tableWidget();
    if (!waitFor([table]() { return table->rowCount() == 1; }, 10000)) {
        out << "search failed\n";
        return 1;
    }
    table->cellWidget(0, 0)->findChild<QCheckBox *>()->setChecked(true);
    window->findChild<QPushButton *>(QStringLiteral("startButton"))->click();
    BatchLoginDialog *dialog = nullptr;
    waitFor([&]() { return (dialog = window->findChild<BatchLoginDialog *>()) != nullptr; }, 5000);
    dialog->findChild<QLineEdit *>(QStringLiteral("passwordEdit"))->setText(kPassword);
    QElapsedTimer timer;
    timer.start();
    StallProbe probe;
    probe.start();
    dialog->handleOk();
    const bool finished = waitFor([&]() { return !boxes.texts().isEmpty(); }, 600000);
    const qint64 runMs = timer.elapsed();
    probe.stop();
    out << "window run against the stand-in: " << reports() << " reports for " << count << " files in " << runMs
        << " ms" << (finished ? "" : " (no final box)") << ", box: "
        << boxes.texts().value(0).section(QLatin1Char('\n'), 0, 0) << "\n";
    out << "longest GUI stall: " << probe.longestMs() << " ms, ending " << probe.longestEndMs() << " ms into the run\n";
    delete window;
    MountRoot::reset();
    return finished ? 0 : 1;
}
