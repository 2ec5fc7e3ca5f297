// Searches orders in the file import window ("导入原片") against the stand-in
// service answering with COUNT orders (default: 2000, then 100000), and
// reports for each count:
//  - how long from the click until every row of the order table is filled;
//  - the longest time the GUI thread was held at a time, from the click
//    until the rows are filled and drawn, and while the table is scrolled
//    from top to bottom in some 200 jumps;
//  - how long closing the window takes.
//
//   import_search_bench [COUNT ...]
//
// Offscreen; the service answers on a thread of its own.

#include "app/core/Config.h"
#include "importfiles/ImportFiles.h"
#include "support/ImportFilesStudioData.h"
#include "support/StandInService.h"

#include "bench/BenchSupport.h"
#include "bench/ServiceThread.h"
#include "bench/TableSearchRun.h"

#include <QApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextStream>
#include <QThread>
#include <QTimer>

namespace Data = ImportFilesStudioData;

namespace {

bool runOne(StandInService *service, int count, QTextStream &out)
{
    QMetaObject::invokeMethod(service, [service, count]() {
        QJsonArray list;
        for (int n = 0; n < count; ++n)
            list.append(Data::order(n, Data::orderNetpath(n % 500)));
        service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(list));
    }, Qt::BlockingQueuedConnection);

    auto *window = new ImportFiles();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setImportType(OriginalFiles);
    window->resize(1400, 800);
    window->show();
    TableSearchRun::settle(300);
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    auto *search = window->findChild<QPushButton *>(QStringLiteral("searchButton"));

    const TableSearchRun run = TableSearchRun::measure(search, table, [table, count] {
        return table->rowCount() == count && table->item(count - 1, 0) && table->item(count - 1, 0)->text().size() > 0;
    }, 900000);
    if (!run.filled) {
        out << count << " orders: the table was not filled\n";
        return false;
    }
    const qint64 closeMs = TableSearchRun::closeAndWait(window);

    out << QStringLiteral("%1 orders: %2; close %3 ms\n").arg(count).arg(run.summary()).arg(closeMs);
    out.flush();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    BenchSupport::quietLogs();
    QTextStream out(stdout);
    const QList<int> counts = BenchSupport::countsFromArguments({2000, 100000});

    const ServiceThread serviceThread([](StandInService &service) {
        Data::install(service, 0);
    });
    StandInService *service = serviceThread.service();
    Config::setUrlHost(service->baseUrl());
    Config::k_shops = {ShopEntry{QStringLiteral("11"), QStringLiteral("旗舰店"), QString()}};
    BenchSupport::MessageBoxAnswerer boxes(50);

    bool ok = true;
    for (int count : qAsConst(counts))
        ok = runOne(service, count, out) && ok;

    return ok ? 0 : 1;
}
