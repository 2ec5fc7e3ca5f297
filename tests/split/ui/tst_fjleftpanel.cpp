#include "split/ui/FJLeftPanel.h"
#include "split/ui/OrderData.h"
#include "support/SplitStudioData.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace Data = SplitStudioData;

class tst_FJLeftPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cells();
    void missingImagesShowsZero();
    void columnWidths_data();
    void columnWidths();
    void emptyTable();
    void selectButtonsInDesignMode();
    void cellClickTicksWithoutAnnouncing_data();
    void cellClickTicksWithoutAnnouncing();
    void rawFileModeAnnouncesEveryClick();
    void deliveryModeTicksOneRow();
    void lockingDuringARun();
    void clearOrdersKeepsTheRecords();

private:
    void fill(DesignFileSplitTypes mode, int count);
    QCheckBox *tick(int row) const
    {
        QWidget *cell = m_panel->tableWidget->cellWidget(row, 0);
        return cell ? cell->findChild<QCheckBox *>() : nullptr;
    }
    QString cell(int row, const QString &header) const
    {
        const int column = m_panel->headers.indexOf(header);
        QTableWidgetItem *item = m_panel->tableWidget->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    void clickCell(int row, int column)
    {
        QTableWidget *table = m_panel->tableWidget;
        const QRect rect = table->visualRect(table->model()->index(row, column));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
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
    m_panel->tableWidget->setRowCount(count);
    for (int i = 0; i < count; ++i) {
        m_panel->orderList.append(OrderData::fromJson(Data::order(i + 1)));
        m_panel->addOrder(m_panel->orderList.constLast(), i);
    }
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel));
}

void tst_FJLeftPanel::cells()
{
    fill(DesignSplit, 2);
    QCOMPARE(m_panel->tableWidget->columnCount(), 15);
    QCOMPARE(m_panel->headers.first(), QString());
    QCOMPARE(cell(1, QStringLiteral("订单号")), QStringLiteral("FJ1002-3"));
    QCOMPARE(cell(1, QStringLiteral("男士姓名")), QStringLiteral("王强2"));
    QCOMPARE(cell(1, QStringLiteral("女士姓名")), QStringLiteral("李娜2"));
    QCOMPARE(cell(1, QStringLiteral("摄影师")), QStringLiteral("摄影赵"));
    QCOMPARE(cell(1, QStringLiteral("化妆师")), QStringLiteral("化妆钱"));
    QCOMPARE(cell(1, QStringLiteral("套系")), QStringLiteral("婚纱套系A"));
    QCOMPARE(cell(1, QStringLiteral("拍照日期")), QStringLiteral("2024-05-12"));
    QCOMPARE(cell(1, QStringLiteral("选片日期")), QStringLiteral("2024-06-02"));
    QCOMPARE(cell(1, QStringLiteral("初修数/精修数")), QStringLiteral("3 / 20"));
    QCOMPARE(cell(1, QStringLiteral("选片师")), QStringLiteral("选片张"));
    QCOMPARE(cell(1, QStringLiteral("选片完成时间")), QStringLiteral("2024-06-02 10:00"));
    QCOMPARE(cell(1, QStringLiteral("男士电话")), QStringLiteral("13900000002"));
    QCOMPARE(cell(1, QStringLiteral("女士电话")), QStringLiteral("13800000002"));
    QCOMPARE(cell(1, QStringLiteral("订单金额")), QStringLiteral("5999.00"));
    QVERIFY(!m_panel->tableWidget->item(1, 0));
    QVERIFY(tick(1));
    QVERIFY(!m_panel->tableWidget->cellWidget(1, 0)->findChild<QPushButton *>());
}

void tst_FJLeftPanel::missingImagesShowsZero()
{
    QJsonObject element = Data::order(1);
    element.remove(QStringLiteral("images"));
    m_panel->tableWidget->setRowCount(1);
    m_panel->addOrder(OrderData::fromJson(element), 0);
    QCOMPARE(cell(0, QStringLiteral("初修数/精修数")), QStringLiteral("0 / 20"));
}

void tst_FJLeftPanel::columnWidths_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("tickWidth");
    QTest::newRow("design split") << int(DesignSplit) << 40;
    QTest::newRow("raw files") << int(DownloadOriginals) << 100;
    QTest::newRow("selection results") << int(DownloadSelectionResults) << 40;
}

void tst_FJLeftPanel::columnWidths()
{
    QFETCH(int, mode);
    QFETCH(int, tickWidth);
    m_panel->setSplitType(DesignFileSplitTypes(mode));
    QTableWidget *table = m_panel->tableWidget;
    QCOMPARE(table->columnWidth(0), tickWidth);
    QCOMPARE(table->columnWidth(1), 150);
    QCOMPARE(table->columnWidth(2), 80);
    QCOMPARE(table->columnWidth(3), 80);
    QCOMPARE(table->columnWidth(5), 100);
    QVERIFY(table->horizontalHeader()->stretchLastSection());
    QVERIFY(!m_panel->selectAllBtn->isHidden());
}

void tst_FJLeftPanel::emptyTable()
{
    m_panel->setSplitType(DesignSplit);
    QTest::mouseClick(m_panel->selectAllBtn, Qt::LeftButton);
    QTest::mouseClick(m_panel->unselectAllBtn, Qt::LeftButton);
    QVERIFY(m_panel->getSelectedRows().isEmpty());
}

void tst_FJLeftPanel::selectButtonsInDesignMode()
{
    fill(DesignSplit, 3);
    QSignalSpy picks(m_panel, &FJLeftPanel::orderSelected);
    QTest::mouseClick(m_panel->selectAllBtn, Qt::LeftButton);
    QCOMPARE(m_panel->getSelectedRows(), (QList<int>{0, 1, 2}));
    tick(1)->setChecked(false);
    QCOMPARE(m_panel->getSelectedRows(), (QList<int>{0, 2}));
    QTest::mouseClick(m_panel->unselectAllBtn, Qt::LeftButton);
    QVERIFY(m_panel->getSelectedRows().isEmpty());
    QCOMPARE(picks.size(), 0);
}

void tst_FJLeftPanel::cellClickTicksWithoutAnnouncing_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("design split") << int(DesignSplit);
    QTest::newRow("selection results") << int(DownloadSelectionResults);
}

void tst_FJLeftPanel::cellClickTicksWithoutAnnouncing()
{
    QFETCH(int, mode);
    fill(DesignFileSplitTypes(mode), 3);
    QSignalSpy picks(m_panel, &FJLeftPanel::orderSelected);
    clickCell(2, 3);
    QCOMPARE(m_panel->getSelectedRows(), QList<int>{2});
    clickCell(0, 6);
    QCOMPARE(m_panel->getSelectedRows(), (QList<int>{0, 2}));
    clickCell(2, 1);
    QCOMPARE(m_panel->getSelectedRows(), QList<int>{0});
    QCOMPARE(picks.size(), 0);
}

void tst_FJLeftPanel::rawFileModeAnnouncesEveryClick()
{
    fill(DownloadOriginals, 2);
    QSignalSpy picks(m_panel, &FJLeftPanel::orderSelected);
    clickCell(1, 4);
    clickCell(1, 4);
    QCOMPARE(picks.size(), 2);
    QCOMPARE(picks.at(0), (QVariantList{1, true}));
    QCOMPARE(picks.at(1), (QVariantList{1, false}));

    auto *pick = m_panel->tableWidget->cellWidget(0, 0)->findChild<QPushButton *>();
    QVERIFY(pick);
    QCOMPARE(pick->text(), QStringLiteral("设置选中"));
    QTest::mouseClick(pick, Qt::LeftButton);
    QCOMPARE(picks.size(), 3);
    QCOMPARE(picks.at(2), (QVariantList{0, true}));
    QVERIFY(m_panel->getSelectedRows().isEmpty());

    // Ticking the box itself or everything at once announces nothing.
    tick(0)->setChecked(true);
    QTest::mouseClick(m_panel->selectAllBtn, Qt::LeftButton);
    QCOMPARE(picks.size(), 3);
}

void tst_FJLeftPanel::deliveryModeTicksOneRow()
{
    fill(DownloadPhotoDelivery, 3);
    QVERIFY(m_panel->selectAllBtn->isHidden());
    QVERIFY(m_panel->unselectAllBtn->isHidden());
    QVERIFY(!m_panel->tableWidget->horizontalHeader()->stretchLastSection());
    QSignalSpy picks(m_panel, &FJLeftPanel::orderSelected);
    tick(0)->setChecked(true);
    tick(2)->setChecked(true);
    QCOMPARE(m_panel->getSelectedRows(), QList<int>{2});
    QCOMPARE(picks.size(), 2);
    QCOMPARE(picks.at(1), (QVariantList{2, true}));
    tick(2)->setChecked(false);
    QVERIFY(m_panel->getSelectedRows().isEmpty());
    QCOMPARE(picks.size(), 2);
    clickCell(1, 2);
    QCOMPARE(m_panel->getSelectedRows(), QList<int>{1});
    QCOMPARE(picks.size(), 3);
    QCOMPARE(picks.at(2), (QVariantList{1, true}));
}

void tst_FJLeftPanel::lockingDuringARun()
{
    fill(DesignSplit, 2);
    tick(1)->setChecked(true);
    m_panel->setBtnEnable(false);
    QVERIFY(!m_panel->tableWidget->isEnabled());
    QVERIFY(!tick(0)->isEnabled());
    QVERIFY(!m_panel->selectAllBtn->isEnabled());
    QVERIFY(!m_panel->unselectAllBtn->isEnabled());
    m_panel->setBtnEnable(true);
    QVERIFY(tick(0)->isEnabled());
    QCOMPARE(m_panel->getSelectedRows(), QList<int>{1});
}

void tst_FJLeftPanel::clearOrdersKeepsTheRecords()
{
    fill(DesignSplit, 2);
    m_panel->clearOrders();
    QCOMPARE(m_panel->tableWidget->rowCount(), 0);
    QCOMPARE(m_panel->orderList.size(), 2);
}

QTEST_MAIN(tst_FJLeftPanel)
#include "tst_fjleftpanel.moc"
