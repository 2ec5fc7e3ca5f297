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
// Offscreen, on a temporary mount root and a temporary home. The share is a
// tmpfs mounted below the root (as root), so each removal goes through a
// pinned, mounted share; where mounting is impossible the share is a plain
// local folder declared as such, and the run says so. A measure whose work
// did not all happen (files left, counts short) ends the run non-zero.

#include "app/core/Config.h"
#include "batchdelete/BatchDelete.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/BatchLoginDialog.h"
#include "batchdelete/BatchdeleteThread.h"
#include "batchdelete/FileScanThread.h"
#include "platform/MountRoot.h"
#include "platform/ShareGuard.h"
#include "support/BatchDeleteStudioData.h"
#include "support/LoginDialogWatcher.h"
#include "support/SmallTmpfs.h"
#include "support/StandInService.h"
#include "bench/BenchSupport.h"
#include "bench/ServiceThread.h"
#include "bench/StallProbe.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
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

int filesLeft(const QString &folder)
{
    int left = 0;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories); it.hasNext();
         it.next())
        ++left;
    return left;
}

// Says what did not happen; true when nothing is missing.
bool allDone(const char *measure, int done, int count, const QString &folder, QTextStream &out)
{
    const int left = filesLeft(folder);
    if (done == count && left == 0)
        return true;
    out << "NOT DONE: " << measure << ": " << done << " of " << count << " files, " << left << " left in the folder\n";
    return false;
}

bool threadsAlone(const QString &folder, int count, QTextStream &out)
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
    if (result.code != 0 || result.fileCount != count) {
        out << "NOT DONE: scan: " << result.fileCount << " of " << count << " files, " << result.errorMessage << "\n";
        return false;
    }

    BatchDeleteOrderInfo order;
    order.order_photo_id = QStringLiteral("OP1");
    order.netpath = folder;
    const QString real = QFileInfo(folder).canonicalFilePath();
    // As a run does it: every removal only on the share pinned at the scan.
    ShareGuard share;
    if (!share.pin(folder)) {
        out << "NOT DONE: two deletion threads alone: the share of " << folder << " cannot be pinned\n";
        return false;
    }
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
        task->share = share;
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
    return allDone("two deletion threads alone", deleted, count, folder, out);
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
    MountRoot::setPath(root.path());
    // Room for the files (a page each) and their folders.
    const QString size = QString::number(qMax(64, count / 128 + 32)) + QStringLiteral("m");
    const SmallTmpfs share(root.path() + QStringLiteral("/photo"), size);
    if (share.isMounted()) {
        qunsetenv("STUDIO_LOCAL_SHARES");
        out << "share: a tmpfs of " << size << " mounted at " << root.path() << "/photo\n";
    } else {
        BenchSupport::declareLocalShares();
        out << "share: NOT MOUNTED (mounting needs root): a plain local folder, STUDIO_LOCAL_SHARES=1\n";
    }
    const QString folder = root.path() + QStringLiteral("/photo/2024/05/A1-2_张三");
    if (!makeOrderFolder(folder, count)) {
        out << "cannot write test files\n";
        return 1;
    }
    out.flush();
    const bool threadsDone = threadsAlone(folder, count, out);
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
    if (!makeOrderFolder(folder, count)) {
        out << "cannot write test files\n";
        return 1;
    }

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
    bool runDone = allDone("window run", reports(), count, folder, out);
    if (finished && boxes.texts().value(0) != QStringLiteral("全部删除完成！")) {
        out << "NOT DONE: window run ended with: " << boxes.texts().value(0) << "\n";
        runDone = false;
    }
    delete window;
    MountRoot::reset();
    return finished && runDone && threadsDone ? 0 : 1;
}
