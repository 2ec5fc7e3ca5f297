// Speed of the photo transfer panels: filling the order table, placing
// picked-photo tiles as previews arrive, and the imported-photo grid's
// first screen for a very large order. Run by hand; prints milliseconds.

#include "app/core/Config.h"
#include "transfer/records/ImportTypes.h"
#include "transfer/ui/OrderRecords.h"
#include "transfer/ui/PickedEntries.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"
#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"
#include "transfer/ui/tfhomephotos.h"
#include "bench/BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLoggingCategory>
#include <QImage>
#include <QScrollArea>
#include <QTcpServer>
#include <QTextStream>

namespace {

QTextStream out(stdout);

QJsonObject orderObject(int n, int photos)
{
    QJsonArray images;
    for (int i = 0; i < photos; ++i) {
        images.append(QJsonObject{
            {"id", QString::number(n * 10000 + i)},
            {"img_name", QStringLiteral("IMG_%1.JPG").arg(i + 1, 5, 10, QLatin1Char('0'))},
            {"url", QStringLiteral("http://127.0.0.1:1/pics/%1.jpg").arg(i)},
            {"localpath", QStringLiteral("\\\\NAS\\photo\\2024\\all\\IMG_%1.JPG").arg(i)},
            {"type", "1"}});
    }
    return QJsonObject{{"id", QString::number(n)},
                       {"order_photo_id", QString::number(80000 + n)},
                       {"orderpayforkey", QStringLiteral("DD2024%1").arg(n, 6, 10, QLatin1Char('0'))},
                       {"servicetimes", "1"},
                       {"mname", "张伟"},
                       {"wname", "李娜"},
                       {"shotdate", "2024-5-17"},
                       {"netpath", QStringLiteral("\\\\NAS\\photo\\2024\\05\\17\\DD%1").arg(n)},
                       {"picpathnew", QJsonObject{{"netpath", "\\\\NAS\\photo"}}},
                       {"images", images}};
}

bool waitUntil(const std::function<bool()> &done, int limitMs = 60000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void benchOrderTable(int count)
{
    QList<OrderInfo> orders;
    for (int i = 0; i < count; ++i)
        orders.append(OrderRecords::orderFromListObject(orderObject(i, 2), i));

    tfhomeorders_OrderListWidget table;
    table.setOpenButtonMode(1);
    table.resize(1400, 800);
    table.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    table.clearOrders();
    table.setUpdatesEnabled(false);
    table.addOrders(orders);
    table.setUpdatesEnabled(true);
    table.repaint();
    QCoreApplication::processEvents();
    out << "order table, " << count << " orders filled and painted: " << timer.elapsed() << " ms\n";
}

bool benchPickedTiles(int photos)
{
    QStringList files;
    for (int i = 0; i < photos; ++i)
        files << QStringLiteral("/Users/studio/pick/IMG_%1.JPG").arg(i);
    OrderInfo order = OrderRecords::orderFromListObject(orderObject(0, 0), 0);
    order.photoList = PickedEntries::build(files, order, FinishedPhotos);

    tfhomephotos panel;
    panel.resize(800, 900);
    panel.show();
    panel.setCurrentOrderInfo(0, order);
    QCoreApplication::processEvents();
    QImage preview(160, 120, QImage::Format_RGB32);
    preview.fill(Qt::darkCyan);

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < photos; ++i) {
        const PhotoInfo &entry = order.photoList.at(i * 4);
        panel.onThumbnailGenerated(entry.img_name, entry.url, preview, i * 4);
    }
    // Past a few milliseconds the panel queues previews for later turns: the
    // clock stops when the last tile is placed, not after the first turn.
    waitUntil([&] { return panel.tileCount() == photos; });
    const qint64 ms = timer.elapsed();
    if (panel.tileCount() != photos) {
        out << "NOT DONE: picked-photo panel, " << photos << " tiles: only " << panel.tileCount() << " placed\n";
        return false;
    }
    out << "picked-photo panel, " << photos << " tiles placed: " << ms << " ms ("
        << QString::number(double(ms) * 1000.0 / photos, 'f', 1) << " us per tile)\n";
    return true;
}

bool benchImportedGrid(int photos)
{
    Config::k_importType = FinishedPhotos;
    const OrderInfo order = OrderRecords::orderFromListObject(orderObject(0, photos), 0);

    tfhomeorders_PhotoDisplayWidget grid;
    grid.resize(700, 700);
    grid.show();
    waitUntil([] { return false; }, 50); // let the first layout settle

    auto *area = grid.findChild<QScrollArea *>();
    QElapsedTimer timer;
    timer.start();
    grid.loadPhotosForOrder(order);
    // The first screen is there when every tile in view exists and its picture was asked for.
    const int inView = grid.photosPerRow() * (area->viewport()->height() / 130 + 1);
    const bool shown = waitUntil([&] {
        for (int i = 0; i < inView && i < grid.entryCount(); ++i) {
            const PhotoDisplayData &entry = grid.entries().at(i);
            if (!entry.itemWidget || (!entry.isLoading && !entry.isLoaded && entry.photoLabel->text() != QStringLiteral("加载失败")))
                return false;
        }
        return true;
    });
    out << "imported-photo grid, " << photos << " photos, first screen (" << inView << " tiles): "
        << timer.elapsed() << " ms\n";
    if (!shown || grid.entryCount() != photos) {
        out << "NOT DONE: imported-photo grid, " << grid.entryCount() << " of " << photos << " entries, first screen "
            << (shown ? "shown" : "not shown") << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));

    benchOrderTable(500);
    benchOrderTable(2000);
    bool done = benchPickedTiles(500);
    done = benchPickedTiles(1000) && done;
    done = benchPickedTiles(2000) && done;
    done = benchImportedGrid(5000) && done;
    out.flush();
    return done ? 0 : 1;
}
