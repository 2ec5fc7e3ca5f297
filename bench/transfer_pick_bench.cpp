// Picks N photos (default 5000) for one order of the photo transfer window
// and reports the longest time the GUI thread was held at a time, from the
// click on "选择照片/视频" until every picked photo has its tile in the
// picked-photo panel. Three runs (a pick replaces the previous one).
//
//   transfer_pick_bench [COUNT]
//
// Offscreen, on a temporary mount root, with small local JPEGs whose
// previews are made afresh in each run.

#include "app/core/Config.h"
#include "platform/MountRoot.h"
#include "transfer/ui/tfhome.h"
#include "transfer/ui/tfhomeorders.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"
#include "transfer/ui/tfhomephotos.h"

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

#include <algorithm>

int main(int argc, char **argv)
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    BenchSupport::quietLogs();
    QTextStream out(stdout);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5000;

    QTemporaryDir root;
    QTemporaryDir sources;
    BenchSupport::declareLocalShares();
    MountRoot::setPath(root.path());
    QDir(root.path()).mkpath(QStringLiteral("photo/bench0"));
    Config::setUrlHost(QStringLiteral("http://127.0.0.1:9"));
    Config::k_importType = FinishedPhotos;
    Config::k_shops = {ShopEntry{QStringLiteral("1"), QStringLiteral("bench"), QString()}};

    const QStringList files = BenchSupport::smallJpegs(sources.path(), count);

    // Answers the modal "已选择" box.
    const BenchSupport::MessageBoxAnswerer boxes(10);

    tfhome window;
    window.resize(1400, 900);
    window.show();
    tfhomeorders *pane = window.findChild<tfhomeorders *>();
    tfhomeorders_OrderListWidget *table = pane->orderListWidget();
    table->setFileChooser([&files](QWidget *, const QString &, const QString &) { return files; });
    OrderInfo order;
    order.id = QStringLiteral("1");
    order.order_photo_id = QStringLiteral("7000");
    order.orderpayforkey = QStringLiteral("BENCH0");
    order.servicetimes = QStringLiteral("1");
    order.serverName = QStringLiteral("srv");
    order.status = QStringLiteral("未选择");
    order.importPath = MountRoot::path() + QStringLiteral("photo/bench0/");
    order.importPublicPath = MountRoot::path() + QStringLiteral("photo/");
    order.index = 0;
    table->addOrder(order);
    auto *orderTable = table->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    orderTable->selectRow(0);
    tfhomephotos *panel = window.findChild<tfhomephotos *>();

    QList<double> stalls;
    QList<qint64> spans;
    for (int run = 0; run < 3; ++run) {
        QDir(sources.filePath(QStringLiteral("DP_缩略图"))).removeRecursively();
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QPushButton *button = nullptr;
        for (int c = 0; !button && c < orderTable->columnCount(); ++c) {
            if (QWidget *cell = orderTable->cellWidget(0, c))
                button = cell->findChild<QPushButton *>(QStringLiteral("selectPhotosButton"));
        }
        if (!button) {
            out << "no pick button\n";
            return 1;
        }
        StallProbe probe;
        QElapsedTimer clock;
        probe.start();
        clock.start();
        // Queued: the pick's modal box runs its own loop, which must not hold this one.
        QTimer::singleShot(0, button, &QPushButton::click);
        while ((panel->tileCount() < count || clock.elapsed() < 50) && clock.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        spans << clock.elapsed();
        probe.stop();
        if (panel->tileCount() != count) {
            out << "NOT DONE: " << panel->tileCount() << " of " << count << " tiles shown"
                << (boxes.texts().isEmpty() ? QString() : QStringLiteral(", the window said: ") + boxes.texts().join(QStringLiteral(" | ")))
                << "\n";
            return 1;
        }
        stalls << probe.longestMs();
        out << QStringLiteral("run %1: longest stall %2 ms, ending %3 ms after the click\n")
                   .arg(run + 1)
                   .arg(probe.longestMs(), 0, 'f', 1)
                   .arg(probe.longestEndMs(), 0, 'f', 0);
    }
    std::sort(stalls.begin(), stalls.end());
    out << "photos picked: " << count << ", all tiles shown after (last run): " << spans.last() << " ms\n";
    out << QStringLiteral("longest GUI-thread stall, min/median/max of 3: %1 / %2 / %3 ms\n")
               .arg(stalls.at(0), 0, 'f', 1)
               .arg(stalls.at(1), 0, 'f', 1)
               .arg(stalls.at(2), 0, 'f', 1);
    return 0;
}
