#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJOrderTableModel.h"
#include "split/ui/OrderData.h"
#include "support/SplitStudioData.h"

#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace Data = SplitStudioData;

class tst_FJLeftPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cells_data();
    void cells();
    void clicksTickAndAnnounce_data();
    void clicksTickAndAnnounce();
    void selectButtonsAndLocking();

private:
    void fill(DesignFileSplitTypes mode, int count);
    QString cell(int row, const QString &header) const
    {
        const QModelIndex index = m_panel->orderModel->index(row, m_panel->headers.indexOf(header));
        return index.data().toString();
    }
    // x < 0: the middle of the cell; otherwise that many pixels from its left edge.
    void clickCell(int row, int column, int x = -1)
    {
        QTableView *table = m_panel->tableWidget;
        const QRect rect = table->visualRect(table->model()->index(row, column));
        const QPoint at = x < 0 ? rect.center() : QPoint(rect.left() + x, rect.center().y());
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    }

    FJLeftPanel *m_panel = nullptr;
};

void tst_FJLeftPanel::init()
{
    m_panel = new FJLeftPanel();
    m_panel->resize(1600, 600);
}

void tst_FJLeftPanel::cleanup()
{
    delete m_panel;
    m_panel = nullptr;
}

void tst_FJLeftPanel::fill(DesignFileSplitTypes mode, int count)
{
    m_panel->setSplitType(mode);
    QList<OrderData> orders;
    for (int i = 0; i < count; ++i)
        orders.append(OrderData::fromJson(Data::order(i + 1)));
    m_panel->setOrders(orders);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel));
}

void tst_FJLeftPanel::cells_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("text");
    QTest::newRow("number") << "订单号" << "FJ1002-3";
    QTest::newRow("man") << "男士姓名" << "王强2";
    QTest::newRow("woman") << "女士姓名" << "李娜2";
    QTest::newRow("photographer") << "摄影师" << "摄影赵";
    QTest::newRow("make-up") << "化妆师" << "化妆钱";
    QTest::newRow("package") << "套系" << "婚纱套系A";
    QTest::newRow("shot") << "拍照日期" << "2024-05-12";
    QTest::newRow("selection") << "选片日期" << "2024-06-02";
    QTest::newRow("counts") << "初修数/精修数" << "3 / 20";
    QTest::newRow("consultant") << "选片师" << "选片张";
    QTest::newRow("finished") << "选片完成时间" << "2024-06-02 10:00";
    QTest::newRow("phones") << "女士电话" << "13800000002";
    QTest::newRow("amount") << "订单金额" << "5999.00";
    QTest::newRow("tick column") << "" << "";
}

void tst_FJLeftPanel::cells()
{
    QFETCH(QString, header);
    QFETCH(QString, text);
    fill(DesignSplit, 2);
    QCOMPARE(cell(1, header), text);
    QJsonObject element = Data::order(1);
    element.remove(QStringLiteral("images"));
    QCOMPARE(FJOrderTableModel::cellText(OrderData::fromJson(element), QStringLiteral("初修数/精修数")),
             QStringLiteral("0 / 20"));
}

void tst_FJLeftPanel::clicksTickAndAnnounce_data()
{
    // Clicks as row:column, or row:column:x for a point that many pixels into the cell.
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QStringList>("announced");
    QTest::newRow("design split: any cell ticks") << int(DesignSplit) << QStringList{"2:3", "0:6", "2:1"}
                                                 << QList<int>{0} << QStringList();
    QTest::newRow("selection results") << int(DownloadSelectionResults) << QStringList{"1:0:8"} << QList<int>{1}
                                       << QStringList();
    QTest::newRow("raw files: every click announced") << int(DownloadOriginals) << QStringList{"1:4", "1:4"}
                                                      << QList<int>() << QStringList{"1:1", "1:0"};
    QTest::newRow("raw files: 设置选中 picks without ticking")
        << int(DownloadOriginals) << QStringList{"0:0:70"} << QList<int>() << QStringList{"0:1"};
    QTest::newRow("raw files: the tick itself") << int(DownloadOriginals) << QStringList{"0:0:8"} << QList<int>{0}
                                                << QStringList{"0:1"};
    QTest::newRow("delivery: one row at a time") << int(DownloadPhotoDelivery) << QStringList{"0:2", "2:5", "1:2"}
                                                 << QList<int>{1} << QStringList{"0:1", "2:1", "1:1"};
    QTest::newRow("delivery: unticking announces nothing")
        << int(DownloadPhotoDelivery) << QStringList{"2:1", "2:1"} << QList<int>() << QStringList{"2:1"};
}

void tst_FJLeftPanel::clicksTickAndAnnounce()
{
    QFETCH(int, mode);
    QFETCH(QStringList, clicks);
    QFETCH(QList<int>, ticked);
    QFETCH(QStringList, announced);
    fill(DesignFileSplitTypes(mode), 3);
    QSignalSpy picks(m_panel, &FJLeftPanel::orderSelected);
    for (const QString &click : clicks) {
        const QStringList parts = click.split(QLatin1Char(':'));
        clickCell(parts.at(0).toInt(), parts.at(1).toInt(), parts.value(2, QStringLiteral("-1")).toInt());
    }
    QCOMPARE(m_panel->getSelectedRows(), ticked);
    QStringList got;
    for (const QVariantList &pick : qAsConst(picks))
        got << QStringLiteral("%1:%2").arg(pick.at(0).toInt()).arg(pick.at(1).toBool() ? 1 : 0);
    QCOMPARE(got, announced);
    QCOMPARE(m_panel->selectAllBtn->isHidden(), mode == DownloadPhotoDelivery);
}

void tst_FJLeftPanel::selectButtonsAndLocking()
{
    fill(DesignSplit, 3);
    QSignalSpy picks(m_panel, &FJLeftPanel::orderSelected);
    QTest::mouseClick(m_panel->selectAllBtn, Qt::LeftButton);
    QCOMPARE(m_panel->getSelectedRows(), (QList<int>{0, 1, 2}));
    clickCell(1, 2);
    QCOMPARE(m_panel->getSelectedRows(), (QList<int>{0, 2}));
    m_panel->setBtnEnable(false);
    clickCell(1, 2);
    QVERIFY(!m_panel->selectAllBtn->isEnabled());
    QCOMPARE(m_panel->getSelectedRows(), (QList<int>{0, 2}));
    m_panel->setBtnEnable(true);
    QTest::mouseClick(m_panel->unselectAllBtn, Qt::LeftButton);
    QVERIFY(m_panel->getSelectedRows().isEmpty());
    QCOMPARE(picks.size(), 0);
    // Clearing the rows keeps the records.
    m_panel->clearOrders();
    QCOMPARE(m_panel->tableWidget->model()->rowCount(), 0);
    QCOMPARE(m_panel->orderList.size(), 3);
}

QTEST_MAIN(tst_FJLeftPanel)
#include "tst_fjleftpanel.moc"
