// Imports N files (default 50000) for one order of the file import window
// ("导入原片") against the stand-in service and reports how long the GUI
// thread was held at a time during the run, and how long the order's batch
// report took from the order's last copy result until the service had it.
// Then the report's folder scan and body alone, three times.
//
//   import_report_bench [COUNT]
//
// Offscreen, on a temporary mount root; the sources are one-byte files in a
// temporary folder, camera JPEGs and raw files side by side.

#include "app/core/Config.h"
#include "importfiles/ImportFiles.h"
#include "importfiles/ImportRules.h"
#include "platform/MountRoot.h"
#include "support/ImportFilesStudioData.h"
#include "support/StandInService.h"

#include "bench/BenchSupport.h"
#include "bench/ServiceThread.h"
#include "bench/StallProbe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

QString cellText(QTableWidget *table, int row, const QString &header)
{
    for (int c = 0; c < table->columnCount(); ++c) {
        if (table->horizontalHeaderItem(c) && table->horizontalHeaderItem(c)->text() == header)
            return table->item(row, c) ? table->item(row, c)->text() : QString();
    }
    return QString();
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    BenchSupport::quietLogs();
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    const int count = args.isEmpty() ? 50000 : args.first().toInt();

    QTemporaryDir root;
    QTemporaryDir sources;
    BenchSupport::declareLocalShares();
    MountRoot::setPath(root.path());
    QDir(root.path()).mkpath(QStringLiteral("photo/.share")); // the share is mounted: an empty one is a mount point
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = sources.filePath(
            QStringLiteral("IMG_%1.%2").arg(i / 2, 5, 10, QLatin1Char('0')).arg(i % 2 ? "CR3" : "JPG"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("x");
        files << path;
    }

    const ServiceThread serviceThread([](StandInService &service) {
        ImportFilesStudioData::install(service);
    });
    StandInService *service = serviceThread.service();
    Config::setUrlHost(service->baseUrl());
    QElapsedTimer clock;
    qint64 reportArrived = -1;
    qint64 reportBytes = 0;
    QObject::connect(service, &StandInService::requestReceived, &app,
                     [&](const StandInService::Request &request) {
                         if (request.action() == QStringLiteral("savepicpath_batch") && reportArrived < 0) {
                             reportArrived = clock.elapsed();
                             reportBytes = request.body.size();
                         }
                     });

    // The window takes its branch when it is made; boxes are answered from the start.
    Config::k_shops = {ShopEntry{QStringLiteral("11"), QStringLiteral("旗舰店"), QString()}};
    BenchSupport::MessageBoxAnswerer answerer(50);

    auto *window = new ImportFiles();
    window->setImportType(OriginalFiles);
    window->setFileChooser([&files](QWidget *, const QString &, const QString &) { return files; });
    window->resize(1400, 800);
    window->show();
    ImportOrder order;
    order.id = QStringLiteral("1");
    order.orderid = QStringLiteral("1");
    order.order_photo_id = QStringLiteral("1");
    order.orderpayforkey = QStringLiteral("BENCH1");
    order.servicetimes = QStringLiteral("1");
    order.netPath = QStringLiteral("\\\\srv\\photo\\bench1");
    order.serverName = QStringLiteral("srv");
    order.importPath = QDir(root.path()).filePath(QStringLiteral("photo/bench1"));
    window->addOrder(order);
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    table->selectRow(0);
    window->onSelectFilesClicked(0);
    if (!BenchSupport::waitFor([&] { return !window->isReadingChoice() && cellText(table, 0, QStringLiteral("本次已选")) == QString::number(count); }, 300000)) {
        out << "the choice was not taken\n";
        return 1;
    }

    StallProbe probe;
    qint64 lastResult = -1;
    probe.start();
    clock.start();
    window->findChild<QPushButton *>(QStringLiteral("startAllButton"))->click();
    QString status;
    BenchSupport::waitFor([&] {
        status = cellText(table, 0, QStringLiteral("照片状态"));
        return status == QStringLiteral("导入完成") || status.startsWith(QStringLiteral("成功:"));
    }, 1200000);
    const bool copied = status == QStringLiteral("导入完成");
    lastResult = clock.elapsed();
    StallProbe reportProbe;
    reportProbe.start();
    const bool reported = BenchSupport::waitFor([&] { return reportArrived >= 0; }, 600000);
    reportProbe.stop();
    BenchSupport::waitFor([&] { return !window->isImporting(); }, 600000);
    probe.stop();
    out << "files: " << count << ", copies done after " << lastResult << " ms" << (copied ? "" : " (not all)")
        << ", report of " << reportBytes << " bytes at the service " << (reportArrived - lastResult)
        << " ms after the last result" << (reported ? "" : " (never)") << "\n";
    out << QStringLiteral("longest GUI-thread stall, whole run: %1 ms (ending at %2 ms); report phase: %3 ms\n")
               .arg(probe.longestMs(), 0, 'f', 1)
               .arg(probe.longestEndMs(), 0, 'f', 0)
               .arg(reportProbe.longestMs(), 0, 'f', 1);
    if (!copied || !reported) {
        out << "NOT DONE: the order ended as \"" << status << "\"" << (reported ? "" : ", no report")
            << (answerer.texts().isEmpty() ? QString()
                                           : QStringLiteral(", the window said: ") + answerer.texts().join(QStringLiteral(" | ")))
            << "\n";
        return 1;
    }
    out.flush();

    // The report's scan and body alone, on whatever thread builds them.
    const ImportOrder done = window->orders().value(0);
    QList<double> builds;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer build;
        build.start();
        const auto jpegs = ImportRules::scanSubfolder(done.importPath, QStringLiteral("原片"),
                                                      ImportRules::placedNames(done, QStringLiteral("原片")));
        const auto raws = ImportRules::scanSubfolder(done.importPath, QStringLiteral("原始档"),
                                                     ImportRules::placedNames(done, QStringLiteral("原始档")));
        const QByteArray body = ImportRules::batchBody(OriginalFiles, done, {}, jpegs.entries, raws.entries);
        builds << build.nsecsElapsed() / 1e6;
        if (body.isEmpty())
            return 1;
    }
    std::sort(builds.begin(), builds.end());
    out << QStringLiteral("report scan and body alone, min/median/max of 3: %1 / %2 / %3 ms\n")
               .arg(builds.at(0), 0, 'f', 1)
               .arg(builds.at(1), 0, 'f', 1)
               .arg(builds.at(2), 0, 'f', 1);
    delete window;
    return 0;
}
