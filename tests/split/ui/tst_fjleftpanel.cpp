#include "split/ui/FJLeftPanel.h"
#include "split/ui/OrderData.h"
#include "support/SplitStudioData.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPainter>
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

    void cells_data();
    void cells();
    void columnWidths_data();
    void columnWidths();
    void tickBoxLooks_data();
    void tickBoxLooks();
    void clicksTickAndAnnounce_data();
    void clicksTickAndAnnounce();
    void selectButtonsAndLocking();
    void rowsWithoutATickBoxAreSkipped();
    void everyRowInViewHasItsWidget();

private:
    // Fills rows as the search does: row count first, then record and row one by one.
    void fill(DesignFileSplitTypes mode, int count, const QList<int> &skip = {});
    QCheckBox *box(int row) const
    {
        QWidget *cell = m_panel->tableWidget->cellWidget(row, 0);
        return cell ? cell->findChild<QCheckBox *>() : nullptr;
    }
    QPushButton *pick(int row) const { return m_panel->tableWidget->cellWidget(row, 0)->findChild<QPushButton *>(); }
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

void tst_FJLeftPanel::fill(DesignFileSplitTypes mode, int count, const QList<int> &skip)
{
    m_panel->setSplitType(mode);
    // Shown first, as the window is when a search answers.
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel));
    m_panel->tableWidget->setRowCount(count);
    for (int i = 0; i < count; ++i) {
        m_panel->orderList.append(OrderData::fromJson(Data::order(i + 1)));
        if (!skip.contains(i))
            m_panel->addOrder(m_panel->orderList.last(), i);
    }
    if (count > 100)
        QVERIFY2(!m_panel->tableWidget->cellWidget(count - 1, 0), "a row far from view waits for it");
    m_panel->tableWidget->doItemsLayout(); // as the search does after its rows
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
}

void tst_FJLeftPanel::cells()
{
    QFETCH(QString, header);
    QFETCH(QString, text);
    fill(DesignSplit, 2);
    QTableWidgetItem *item = m_panel->tableWidget->item(1, m_panel->headers.indexOf(header));
    QVERIFY(item);
    QCOMPARE(item->text(), text);
    // The tick column holds the box and no text.
    QVERIFY(!m_panel->tableWidget->item(1, 0));
    QCOMPARE(box(1)->text(), QStringLiteral("✓"));
    QJsonObject element = Data::order(1);
    element.remove(QStringLiteral("images"));
    QCOMPARE(FJLeftPanel::cellText(OrderData::fromJson(element), QStringLiteral("初修数/精修数")),
             QStringLiteral("0 / 20"));
}

void tst_FJLeftPanel::columnWidths_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("orderNumber"); // orderpayforkey and servicetimes; empty: the stand-in's
    QTest::addColumn<int>("tick");
    QTest::addColumn<int>("number"); // -1: wider than the part's width, to fit the number
    QTest::addColumn<int>("name");
    QTest::addColumn<bool>("stretch");
    QTest::newRow("design split") << int(DesignSplit) << QString() << 40 << 150 << 80 << true;
    QTest::newRow("raw files") << int(DownloadOriginals) << QString() << 100 << 150 << 80 << true;
    QTest::newRow("selection results") << int(DownloadSelectionResults) << QString() << 40 << 150 << 80 << true;
    const int standard = QTableWidget().horizontalHeader()->defaultSectionSize();
    QTest::newRow("delivery keeps the defaults") << int(DownloadPhotoDelivery) << QString() << standard << standard
                                                 << standard << false;
    QTest::newRow("delivery: a long number widens its column")
        << int(DownloadPhotoDelivery) << "DD20240602002:1" << standard << -1 << standard << false;
    QTest::newRow("design split: a number wider than its column")
        << int(DesignSplit) << "DD2024060200200000000000088:12" << 40 << -1 << 80 << true;
}

void tst_FJLeftPanel::columnWidths()
{
    QFETCH(int, mode);
    QFETCH(QString, orderNumber);
    QFETCH(int, tick);
    QFETCH(int, number);
    QFETCH(int, name);
    QFETCH(bool, stretch);
    fill(DesignFileSplitTypes(mode), 2);
    if (!orderNumber.isEmpty()) {
        OrderData &order = m_panel->orderList[1];
        order.orderpayforkey = orderNumber.section(QLatin1Char(':'), 0, 0);
        order.servicetimes = orderNumber.section(QLatin1Char(':'), 1);
        m_panel->addOrder(order, 1);
    }
    QTableWidget *table = m_panel->tableWidget;
    const int numberColumn = m_panel->headers.indexOf(QStringLiteral("订单号"));
    QCOMPARE(table->columnWidth(0), tick);
    if (number >= 0)
        QCOMPARE(table->columnWidth(numberColumn), number);
    else
        QVERIFY(table->columnWidth(numberColumn) > QTableWidget().horizontalHeader()->defaultSectionSize());
    QCOMPARE(table->columnWidth(m_panel->headers.indexOf(QStringLiteral("女士姓名"))), name);
    QCOMPARE(table->horizontalHeader()->stretchLastSection(), stretch);
    QCOMPARE(m_panel->selectAllBtn->isHidden(), mode == DownloadPhotoDelivery);
    // Only the raw-file tool's rows carry the flat "设置选中".
    auto *button = table->cellWidget(0, 0)->findChild<QPushButton *>();
    QCOMPARE(button != nullptr, mode == DownloadOriginals);
    if (button) {
        QCOMPARE(button->text(), QStringLiteral("设置选中"));
        QVERIFY(button->isFlat());
        QVERIFY(button->isVisible());
    }

    // The whole number shows, dark on light, also on a selected row: its ink is
    // as wide as the number drawn alone.
    table->selectionModel()->select(table->model()->index(1, numberColumn),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString text = table->item(1, numberColumn)->text();
    const QImage cell = table->viewport()->grab(table->visualRect(table->model()->index(1, numberColumn))).toImage();
    QImage alone(cell.width() * 2, cell.height(), QImage::Format_RGB32);
    alone.fill(Qt::white);
    QPainter painter(&alone);
    painter.setFont(table->font());
    painter.setPen(Qt::black);
    painter.drawText(alone.rect(), Qt::AlignCenter, text);
    painter.end();
    const auto inkWidth = [](const QImage &image) {
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y).lightness() < 128) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                }
        return right - left + 1;
    };
    QVERIFY2(inkWidth(cell) >= inkWidth(alone) - 1, qPrintable(text));
    QVERIFY(cell.pixelColor(cell.width() - 3, 2).lightness() > 200);
}

void tst_FJLeftPanel::tickBoxLooks_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("edge");
    QTest::addColumn<QString>("inside");
    QTest::newRow("unticked: white in a grey frame") << false << "#d1d1d6" << "#ffffff";
    QTest::newRow("ticked: a white tick on blue") << true << "#007aff" << "#007aff";
}

void tst_FJLeftPanel::tickBoxLooks()
{
    QFETCH(bool, ticked);
    QFETCH(QString, edge);
    QFETCH(QString, inside);
    fill(DesignSplit, 1);
    box(0)->setChecked(ticked);
    const QImage image = box(0)->grab().toImage();
    // The indicator is the square framed in its edge colour.
    QRect square;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(edge))
                square |= QRect(x, y, 1, 1);
    QVERIFY2(square.width() >= 12 && square.height() >= 12, qPrintable(edge));
    // Inside it the fill, but where the tick lightens it.
    int tick = 0;
    for (int y = square.top() + 2; y < square.bottom() - 1; ++y)
        for (int x = square.left() + 2; x < square.right() - 1; ++x)
            if (image.pixelColor(x, y) != QColor(inside)) {
                QVERIFY(qRed(image.pixel(x, y)) > QColor(inside).red());
                ++tick;
            }
    QCOMPARE(tick > 2, ticked);
}

void tst_FJLeftPanel::clicksTickAndAnnounce_data()
{
    // Clicks: "R:C" a cell of the table, "box:R" the row's tick box, "pick:R" its "设置选中",
    // "scroll:R" brings row R into view, "call:R" a cell click on R while it may be out of
    // view, "all" and "none" the select buttons.
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QStringList>("announced");
    QTest::newRow("design split: any cell ticks") << int(DesignSplit) << 3 << QStringList{"2:3", "0:6", "2:1"}
                                                 << QList<int>{0} << QStringList();
    QTest::newRow("design split: the box") << int(DesignSplit) << 3 << QStringList{"box:1", "box:2", "box:2"}
                                           << QList<int>{1} << QStringList();
    QTest::newRow("selection results") << int(DownloadSelectionResults) << 3 << QStringList{"1:0", "box:2"}
                                       << QList<int>{1, 2} << QStringList();
    QTest::newRow("raw files: every cell click announced") << int(DownloadOriginals) << 3 << QStringList{"1:4", "1:4"}
                                                           << QList<int>() << QStringList{"1:1", "1:0"};
    QTest::newRow("raw files: 设置选中 picks without ticking")
        << int(DownloadOriginals) << 3 << QStringList{"pick:0", "box:2", "pick:2"} << QList<int>{2}
        << QStringList{"0:1", "2:1"};
    QTest::newRow("raw files: the box itself is quiet") << int(DownloadOriginals) << 3 << QStringList{"box:0", "box:1"}
                                                        << QList<int>{0, 1} << QStringList();
    QTest::newRow("delivery: one row at a time") << int(DownloadPhotoDelivery) << 3 << QStringList{"0:2", "2:5", "box:1"}
                                                 << QList<int>{1} << QStringList{"0:1", "2:1", "1:1"};
    QTest::newRow("delivery: unticking announces nothing")
        << int(DownloadPhotoDelivery) << 3 << QStringList{"2:1", "box:2"} << QList<int>() << QStringList{"2:1"};

    // Long tables: rows far down get their widgets only when scrolled to.
    QTest::newRow("delivery: a late row unticks one out of view")
        << int(DownloadPhotoDelivery) << 300 << QStringList{"0:2", "scroll:250", "box:250", "scroll:0"}
        << QList<int>{250} << QStringList{"0:1", "250:1"};
    QTest::newRow("delivery: a row ticked out of view shows it when it comes")
        << int(DownloadPhotoDelivery) << 300 << QStringList{"box:1", "call:299", "scroll:299"} << QList<int>{299}
        << QStringList{"1:1", "299:1"};
    QTest::newRow("raw files: the last row's box, scrolled to")
        << int(DownloadOriginals) << 300 << QStringList{"scroll:299", "box:299"} << QList<int>{299} << QStringList();
    QTest::newRow("raw files: a late row picks and ticks")
        << int(DownloadOriginals) << 300 << QStringList{"scroll:280", "pick:280", "280:4", "scroll:0", "0:1"}
        << QList<int>{0, 280} << QStringList{"280:1", "280:1", "0:1"};
    QList<int> allButLast;
    for (int r = 0; r < 299; ++r)
        allButLast << r;
    QTest::newRow("design split: select all reaches rows never shown")
        << int(DesignSplit) << 300 << QStringList{"all", "scroll:299", "299:1"} << allButLast << QStringList();
    QTest::newRow("selection results: unselect all too")
        << int(DownloadSelectionResults) << 300 << QStringList{"scroll:200", "box:200", "scroll:0", "all", "none",
                                                               "call:150"}
        << QList<int>{150} << QStringList();
}

void tst_FJLeftPanel::clicksTickAndAnnounce()
{
    QFETCH(int, mode);
    QFETCH(int, rows);
    QFETCH(QStringList, clicks);
    QFETCH(QList<int>, ticked);
    QFETCH(QStringList, announced);
    fill(DesignFileSplitTypes(mode), rows);
    QTableWidget *table = m_panel->tableWidget;
    QSignalSpy picks(m_panel, &FJLeftPanel::orderSelected);
    for (const QString &click : clicks) {
        const QStringList parts = click.split(QLatin1Char(':'));
        const int row = parts.value(1).toInt();
        if (parts.at(0) == QLatin1String("box")) {
            QVERIFY2(box(row), qPrintable(click));
            QTest::mouseClick(box(row), Qt::LeftButton);
        } else if (parts.at(0) == QLatin1String("pick"))
            QTest::mouseClick(pick(row), Qt::LeftButton);
        else if (parts.at(0) == QLatin1String("scroll"))
            table->scrollToItem(table->item(row, 1), QAbstractItemView::PositionAtCenter);
        else if (parts.at(0) == QLatin1String("call"))
            m_panel->onCellClicked(row, 1);
        else if (parts.at(0) == QLatin1String("all"))
            QTest::mouseClick(m_panel->selectAllBtn, Qt::LeftButton);
        else if (parts.at(0) == QLatin1String("none"))
            QTest::mouseClick(m_panel->unselectAllBtn, Qt::LeftButton);
        else
            clickCell(parts.at(0).toInt(), parts.at(1).toInt());
    }
    QCOMPARE(m_panel->getSelectedRows(), ticked);
    QStringList got;
    for (const QVariantList &pick : qAsConst(picks))
        got << QStringLiteral("%1:%2").arg(pick.at(0).toInt()).arg(pick.at(1).toBool() ? 1 : 0);
    QCOMPARE(got, announced);
    // Widgets stand only near the view, and each shows its row's tick.
    const int screen = table->viewport()->height() / table->rowHeight(0) + 1;
    const int top = table->rowAt(0);
    for (int r = 0; r < rows; ++r) {
        if (!table->cellWidget(r, 0))
            continue;
        QVERIFY2(qAbs(r - top) <= 3 * screen, qPrintable(QString::number(r)));
        QCOMPARE(box(r)->isChecked(), ticked.contains(r));
    }
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
    QTest::mouseClick(box(0), Qt::LeftButton);
    QVERIFY(!m_panel->selectAllBtn->isEnabled());
    QVERIFY(!box(0)->isEnabled());
    QCOMPARE(m_panel->getSelectedRows(), (QList<int>{0, 2}));
    m_panel->setBtnEnable(true);
    QTest::mouseClick(m_panel->unselectAllBtn, Qt::LeftButton);
    QVERIFY(m_panel->getSelectedRows().isEmpty());
    QCOMPARE(picks.size(), 0);
    // Clearing the rows keeps the records.
    m_panel->clearOrders();
    QCOMPARE(m_panel->tableWidget->rowCount(), 0);
    QCOMPARE(m_panel->orderList.size(), 3);
    QTest::mouseClick(m_panel->selectAllBtn, Qt::LeftButton);
    QVERIFY(m_panel->getSelectedRows().isEmpty());
}

void tst_FJLeftPanel::rowsWithoutATickBoxAreSkipped()
{
    fill(DownloadPhotoDelivery, 3, {1});
    QSignalSpy picks(m_panel, &FJLeftPanel::orderSelected);
    clickCell(1, 3);
    QVERIFY(m_panel->getSelectedRows().isEmpty());
    QCOMPARE(picks.size(), 0);
    QTest::mouseClick(box(0), Qt::LeftButton);
    clickCell(2, 3);
    QCOMPARE(m_panel->getSelectedRows(), QList<int>{2});
    QCOMPARE(picks.size(), 2);
    m_panel->splitType = DesignSplit;
    m_panel->onSelectAllClicked();
    QCOMPARE(m_panel->getSelectedRows(), (QList<int>{0, 2}));
}

// The view grows (the window is maximised) without a scroll, then scrolls.
void tst_FJLeftPanel::everyRowInViewHasItsWidget()
{
    m_panel->resize(1600, 200);
    fill(DownloadOriginals, 400);
    QTableWidget *table = m_panel->tableWidget;
    for (int step = 0; step < 2; ++step) {
        if (step == 0)
            m_panel->resize(1600, 1400);
        else
            table->scrollToItem(table->item(200, 1), QAbstractItemView::PositionAtTop);
        QTRY_VERIFY(table->rowAt(table->viewport()->height() - 1) > table->rowAt(0) + 20);
        const int top = table->rowAt(0);
        const int bottom = table->rowAt(table->viewport()->height() - 1);
        for (int r = top; r <= bottom; ++r)
            QVERIFY2(box(r) && pick(r), qPrintable(QStringLiteral("row %1 in view %2..%3").arg(r).arg(top).arg(bottom)));
    }
}

QTEST_MAIN(tst_FJLeftPanel)
#include "tst_fjleftpanel.moc"
