// Searches orders in the batch delete window ("批量删除") against the
// stand-in service answering with COUNT orders (default: 2000, then 20000),
// and reports for each count:
//  - how long from the click until every row of the order table is filled;
//  - the longest time the GUI thread was held at a time, from the click
//    until the rows are filled and drawn, and while the table is scrolled
//    from top to bottom in some 200 jumps;
//  - how long "全选" takes, and whether the checked orders are all of them;
//  - how long closing the window takes.
//
//   batchdelete_search_bench [COUNT ...]
//
// Offscreen unless QT_QPA_PLATFORM says otherwise; the service answers on a
// thread of its own.

#include "app/core/Config.h"
#include "batchdelete/BatchDelete.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "platform/MountRoot.h"
#include "support/BatchDeleteStudioData.h"
#include "support/StandInService.h"

#include "bench/BenchSupport.h"
#include "bench/ServiceThread.h"
#include "bench/TableSearchRun.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

namespace Data = BatchDeleteStudioData;

namespace {

bool runOne(StandInService *service, const QString &root, int count, QTextStream &out)
{
    QMetaObject::invokeMethod(service, [service, root, count]() {
        QList<QJsonObject> orders;
        for (int n = 0; n < count; ++n)
            orders << Data::order(n, root + QStringLiteral("/photo/2024/05/A12%1-2_张三").arg(n));
        service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(orders));
    }, Qt::BlockingQueuedConnection);

    auto *window = new BatchDelete();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->resize(1400, 800);
    window->show();
    TableSearchRun::settle(300);
    QTableWidget *table = window->orderListPanel()->tableWidget();
    auto *search = window->findChild<QPushButton *>(QStringLiteral("searchButton"));

    const TableSearchRun run = TableSearchRun::measure(search, table, [table, count] {
        return table->rowCount() == count && table->item(count - 1, 1) && !table->item(count - 1, 1)->text().isEmpty();
    }, 1800000);
    if (!run.filled) {
        out << count << " orders: the table was not filled\n";
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    window->orderListPanel()->selectAllBox()->setChecked(true);
    const qint64 selectAllMs = clock.elapsed();
    const int checked = window->orderListPanel()->getCheckedOrders().size();
    const qint64 closeMs = TableSearchRun::closeAndWait(window);

    out << QStringLiteral("%1 orders: %2; 全选 %3 ms, %4 checked; close %5 ms\n")
               .arg(count)
               .arg(run.summary())
               .arg(selectAllMs)
               .arg(checked)
               .arg(closeMs);
    out.flush();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    BenchSupport::quietLogs();
    BatchDeleteLogic::registerMetaTypes();
    QTextStream out(stdout);
    const QList<int> counts = BenchSupport::countsFromArguments({2000, 20000});

    QTemporaryDir root;
    BenchSupport::declareLocalShares();
    MountRoot::setPath(root.path());

    const ServiceThread serviceThread([](StandInService &service) {
        service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), Data::switchShopReply(1));
    });
    StandInService *service = serviceThread.service();
    Config::setUrlHost(service->baseUrl());
    Config::k_shops = {ShopEntry{QStringLiteral("101"), QStringLiteral("旗舰店"), QString()}};
    BenchSupport::MessageBoxAnswerer boxes(50);

    bool ok = true;
    for (int count : qAsConst(counts))
        ok = runOne(service, root.path(), count, out) && ok;

    MountRoot::reset();
    return ok ? 0 : 1;
}
