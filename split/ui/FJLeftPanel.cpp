#include "split/ui/FJLeftPanel.h"

#include "widgets/ColumnFit.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/ServiceReply.h"
#include "split/ui/FJMessageBox.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <QtMath>

namespace {

QString jsonText(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

const QString &tickBoxStyle()
{
    static const QString style = QStringLiteral(
        "QCheckBox { background-color: transparent; spacing: -9px; margin: 0px; padding-top: 1px; padding-left: 3px;"
        " font-size: 8px; font-weight: bold; color: transparent; }"
        "QCheckBox:checked { color: white; }"
        "QCheckBox::indicator { width: 12px; height: 12px; border: 1px solid #d1d1d6; border-radius: 2px;"
        " background-color: #ffffff; }"
        "QCheckBox::indicator:hover { border-color: #007aff; background-color: #ffffff; }"
        "QCheckBox::indicator:checked { background-color: #007aff; border-color: #007aff; }"
        "QCheckBox::indicator:checked:hover { background-color: #0056cc; border-color: #0056cc; }");
    return style;
}

const QString &pickButtonStyle()
{
    static const QString style =
        QStringLiteral("QPushButton { background-color: transparent; color: blue; border: none; font-size: 10px; }"
                       "QPushButton:hover { color: #0066cc; }"
                       "QPushButton:pressed { color: #004499; }"
                       "QPushButton:disabled { color: gray; }");
    return style;
}

// Widens a column to show the whole of a text: an elided order number cannot
// tell two orders apart.
void widenToFit(QTableWidget *table, int column, const QString &text)
{
    table->ensurePolished(); // the style sheet's font is the one the cells are drawn in
    ColumnFit::widen(table, column, ColumnFit::textWidth(table, table->font(), text, K::f(5)));
}

} // namespace

FJLeftPanel::FJLeftPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FJLeftPanel"));
    setupUI();
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(0);
    connect(&m_showTimer, &QTimer::timeout, this, &FJLeftPanel::showSomeOrders);
}

// The table outlives the kept ticks by a moment: its last signals must not reach them.
FJLeftPanel::~FJLeftPanel()
{
    tableWidget->viewport()->removeEventFilter(this);
    disconnect(tableWidget->model(), nullptr, this, nullptr);
    disconnect(tableWidget->verticalScrollBar(), nullptr, this, nullptr);
}

void FJLeftPanel::setupUI()
{
    mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(K::f(13), K::f(13), K::f(7), K::f(13));
    mainLayout->setSpacing(K::f(10));

    progressLabel = new QLabel(QStringLiteral("分件进度"), this);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    progressLabel->setStyleSheet(QStringLiteral("QLabel { font-size: %1px; font-weight: 600; color: #1d1d1f;"
                                                " margin-bottom: %2px; padding: %3px 0px; }")
                                     .arg(K::s(11), K::s(7), K::s(3)));

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setFixedHeight(K::f(13));
    progressBar->setTextVisible(true);
    progressBar->setStyleSheet(
        QStringLiteral("QProgressBar { background-color: #e5e5ea; border: none; border-radius: %1px;"
                       " text-align: center; font-size: %2px; color: #1d1d1f; }"
                       "QProgressBar::chunk { background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
                       " stop:0 #007aff, stop:1 #34c759); border-radius: %3px; margin: 1px; }")
            .arg(K::s(7), K::s(9), K::s(6)));

    setupTableWidget();
    setupButtonsLayout();

    mainLayout->addWidget(progressLabel);
    mainLayout->addWidget(progressBar);
    mainLayout->addWidget(tableWidget, 1);
    mainLayout->addLayout(buttonsLayout);
}

void FJLeftPanel::setupTableWidget()
{
    headers = QStringList{QStringLiteral(""),
               QStringLiteral("订单号"),
               QStringLiteral("男士姓名"),
               QStringLiteral("女士姓名"),
               QStringLiteral("摄影师"),
               QStringLiteral("套系"),
               QStringLiteral("拍照日期"),
               QStringLiteral("初修数/精修数"),
               QStringLiteral("化妆师"),
               QStringLiteral("选片师"),
               QStringLiteral("选片日期"),
               QStringLiteral("选片完成时间"),
               QStringLiteral("男士电话"),
               QStringLiteral("女士电话"),
               QStringLiteral("订单金额")};
    tableWidget = new QTableWidget(this);
    tableWidget->setObjectName(QStringLiteral("orderTable"));
    tableWidget->setColumnCount(headers.size());
    tableWidget->setHorizontalHeaderLabels(headers);
    tableWidget->setStyleSheet(QStringLiteral(
        "QTableWidget { background-color: #ffffff; border: 1px solid #e5e5ea; border-radius: 8px;"
        " gridline-color: #f2f2f7; font-size: 13px; selection-background-color: transparent;"
        " selection-color: #1d1d1f; }"
        "QTableWidget::item { padding: 3px 5px; border-bottom: 1px solid #f2f2f7; color: #1d1d1f; }"
        "QTableWidget::item:selected { background-color: transparent; color: #1d1d1f; }"
        "QTableWidget::item:hover { background-color: #f2f2f7; color: #1d1d1f; }"
        "QHeaderView::section { background-color: #f9f9fb; color: #1d1d1f; font-weight: 600; font-size: 12px;"
        " padding: 8px 5px; border: none; border-bottom: 1px solid #e5e5ea; border-right: 1px solid #e5e5ea; }"
        "QHeaderView::section:first { border-top-left-radius: 8px; }"
        "QHeaderView::section:last { border-top-right-radius: 8px; border-right: none; }"
        "QScrollBar:vertical { background-color: #f2f2f7; width: 5px; border-radius: 3px; margin: 0; }"
        "QScrollBar::handle:vertical { background-color: #c7c7cc; border-radius: 3px; min-height: 13px; }"
        "QScrollBar::handle:vertical:hover { background-color: #aeaeb2; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { border: none; background: none; }"));
    tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableWidget->setSelectionMode(QAbstractItemView::NoSelection);
    tableWidget->setAlternatingRowColors(false);
    tableWidget->setShowGrid(true);
    tableWidget->setSortingEnabled(false);
    tableWidget->horizontalHeader()->setSortIndicatorShown(false);
    tableWidget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One fixed height for every row: a table of many thousand rows never measures them.
    tableWidget->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableWidget->verticalHeader()->setDefaultSectionSize(K::f(33));
    connect(tableWidget, &QTableWidget::cellClicked, this, &FJLeftPanel::onCellClicked);

    // The kept ticks follow the rows, whoever sets the row count.
    QAbstractItemModel *model = tableWidget->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        m_ticks.insert(first, last - first + 1, RowTick::NoBox);
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
        m_ticks.remove(first, last - first + 1);
    });
    connect(model, &QAbstractItemModel::modelReset, this,
            [this] { m_ticks = QVector<RowTick>(tableWidget->rowCount(), RowTick::NoBox); });
    connect(tableWidget->verticalScrollBar(), &QScrollBar::valueChanged, this, &FJLeftPanel::placeRowWidgets);
    tableWidget->viewport()->installEventFilter(this);
}

bool FJLeftPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tableWidget->viewport() && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeRowWidgets();
    return QWidget::eventFilter(watched, event);
}

void FJLeftPanel::setupButtonsLayout()
{
    buttonsLayout = new QHBoxLayout();
    buttonsLayout->setSpacing(K::f(7));
    buttonsLayout->setContentsMargins(0, 0, 0, 0);
    selectAllBtn = new QPushButton(QStringLiteral("全选"), this);
    selectAllBtn->setObjectName(QStringLiteral("selectAllBtn"));
    unselectAllBtn = new QPushButton(QStringLiteral("取消全选"), this);
    unselectAllBtn->setObjectName(QStringLiteral("unselectAllBtn"));
    for (QPushButton *button : {selectAllBtn, unselectAllBtn}) {
        button->setFixedHeight(K::f(23));
        button->setMinimumWidth(K::f(53));
    }
    selectAllBtn->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: #007aff; color: white; border: none; border-radius: 5px; font-size: 11px;"
        " font-weight: 500; padding: 5px 11px; }"
        "QPushButton:hover { background-color: #0056cc; }"
        "QPushButton:pressed { background-color: #004bb3; }"));
    unselectAllBtn->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: #f2f2f7; color: #1d1d1f; border: 1px solid #e5e5ea; border-radius: 5px;"
        " font-size: 11px; font-weight: 500; padding: 5px 11px; }"
        "QPushButton:hover { background-color: #e5e5ea; }"
        "QPushButton:pressed { background-color: #d1d1d6; }"));
    buttonsLayout->addWidget(selectAllBtn);
    buttonsLayout->addWidget(unselectAllBtn);
    buttonsLayout->addStretch();
    connect(selectAllBtn, &QPushButton::clicked, this, &FJLeftPanel::onSelectAllClicked);
    connect(unselectAllBtn, &QPushButton::clicked, this, &FJLeftPanel::onUnselectAllClicked);
}

int FJLeftPanel::columnWidth(const QString &header, DesignFileSplitTypes type)
{
    if (type == DownloadPhotoDelivery)
        return -1;
    if (header.isEmpty())
        return type == DownloadOriginals ? 100 : 40;
    if (header == QStringLiteral("订单号"))
        return 150;
    if (header == QStringLiteral("男士姓名") || header == QStringLiteral("女士姓名"))
        return 80;
    static const QStringList wide{QStringLiteral("套系"),     QStringLiteral("订单金额"),     QStringLiteral("拍照日期"),
                                  QStringLiteral("选片日期"), QStringLiteral("男士电话"),     QStringLiteral("女士电话"),
                                  QStringLiteral("摄影师"),   QStringLiteral("化妆师"),       QStringLiteral("选片师"),
                                  QStringLiteral("初修数/精修数"), QStringLiteral("选片完成时间")};
    return wide.contains(header) ? 100 : -1;
}

void FJLeftPanel::setSplitType(DesignFileSplitTypes type)
{
    splitType = type;
    if (type == DownloadPhotoDelivery) {
        selectAllBtn->hide();
        unselectAllBtn->hide();
        return;
    }
    tableWidget->horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < headers.size(); ++i) {
        const int width = columnWidth(headers.at(i), type);
        if (width >= 0)
            tableWidget->setColumnWidth(i, K::f(width));
    }
}

QString FJLeftPanel::cellText(const OrderData &order, const QString &header)
{
    if (header == QStringLiteral("订单号"))
        return order.orderpayforkey + QLatin1Char('-') + order.servicetimes;
    if (header == QStringLiteral("男士姓名"))
        return order.mname;
    if (header == QStringLiteral("女士姓名"))
        return order.wname;
    if (header == QStringLiteral("摄影师"))
        return order.role1;
    if (header == QStringLiteral("套系"))
        return order.comboname;
    if (header == QStringLiteral("拍照日期"))
        return order.shotdate;
    if (header == QStringLiteral("初修数/精修数"))
        return QStringLiteral("%1 / %2").arg(order.imagesNum, order.number_jingxiu);
    if (header == QStringLiteral("化妆师"))
        return order.role2;
    if (header == QStringLiteral("选片师"))
        return order.selectphotoname;
    if (header == QStringLiteral("选片日期"))
        return order.sampledate;
    if (header == QStringLiteral("选片完成时间"))
        return order.selectphototime;
    if (header == QStringLiteral("男士电话"))
        return QStringLiteral("%1").arg(order.mphone);
    if (header == QStringLiteral("女士电话"))
        return QStringLiteral("%1").arg(order.wphone);
    if (header == QStringLiteral("订单金额"))
        return order.order_price;
    return QString();
}

void FJLeftPanel::addOrder(const OrderData &order, int row)
{
    if (row < 0 || row >= m_ticks.size())
        return;
    m_ticks[row] = m_fillTick;
    const QPair<int, int> near = rowsNearView();
    if (row >= near.first && row <= near.second)
        makeRowWidget(row);
    else if (tableWidget->cellWidget(row, 0))
        tableWidget->removeCellWidget(row, 0);

    const int number = headers.indexOf(QStringLiteral("订单号"));
    for (int c = 0; c < headers.size(); ++c) {
        const QString &header = headers.at(c);
        if (header.isEmpty())
            continue;
        const QString text = cellText(order, header);
        tableWidget->setItem(row, c, new QTableWidgetItem(text));
        if (c == number)
            widenToFit(tableWidget, c, text);
    }
}

void FJLeftPanel::makeRowWidget(int row)
{
    auto *box = new QCheckBox(QStringLiteral("✓"));
    box->setLayoutDirection(Qt::RightToLeft);
    box->setStyleSheet(tickBoxStyle());
    box->setChecked(m_ticks.at(row) == RowTick::Ticked);
    connect(box, &QCheckBox::toggled, this, [this, row](bool state) { tickChanged(row, state); });

    // Made in the table's viewport, where the table puts it: moving a styled
    // widget into the table afterwards would polish it a second time.
    auto *container = new QWidget(tableWidget->viewport());
    container->setStyleSheet(QStringLiteral("QWidget { background-color: transparent; }"));
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setAlignment(Qt::AlignCenter);
    layout->addWidget(box);
    if (splitType == DownloadOriginals) {
        auto *pick = new QPushButton(QStringLiteral("设置选中"));
        pick->setFlat(true);
        pick->setStyleSheet(pickButtonStyle());
        connect(pick, &QPushButton::clicked, this, [this, row] { emit orderSelected(row, true); });
        layout->addWidget(pick);
    }
    tableWidget->setCellWidget(row, 0, container);
    m_madeFirst = qMin(m_madeFirst, row);
    m_madeLast = qMax(m_madeLast, row);
}

QPair<int, int> FJLeftPanel::rowsNearView() const
{
    const int rows = tableWidget->rowCount();
    const int rowHeight = qMax(1, tableWidget->verticalHeader()->defaultSectionSize());
    int height = tableWidget->viewport()->height();
    // A table not shown yet has no view of its own: a screen's height stands in.
    if (!tableWidget->isVisible()) {
        const QScreen *screen = tableWidget->screen();
        height = qMax(height, screen ? screen->availableGeometry().height() : 0);
    }
    const int page = height / rowHeight + 1;
    const int top = qMax(0, tableWidget->rowAt(0));
    return {qMax(0, top - page), qMin(rows - 1, top + 2 * page)};
}

void FJLeftPanel::placeRowWidgets()
{
    const QPair<int, int> near = rowsNearView();
    // Far rows lose their widgets: the table moves every widget it holds on each scroll.
    const int lastMade = qMin(m_madeLast, tableWidget->rowCount() - 1);
    for (int r = m_madeFirst; r <= lastMade; ++r)
        if ((r < near.first || r > near.second) && tableWidget->cellWidget(r, 0))
            tableWidget->removeCellWidget(r, 0);
    m_madeFirst = near.first;
    m_madeLast = near.second;
    for (int r = near.first; r <= near.second; ++r)
        if (m_ticks.at(r) != RowTick::NoBox && !tableWidget->cellWidget(r, 0))
            makeRowWidget(r);
}

void FJLeftPanel::clearOrders()
{
    // Orders of the last reply still to come have no rows left to go to.
    m_showTimer.stop();
    m_unshown = QJsonArray();
    m_fillTick = RowTick::Unticked;
    tableWidget->setRowCount(0);
}

QCheckBox *FJLeftPanel::tickBox(int row) const
{
    QWidget *cell = tableWidget->cellWidget(row, 0);
    return cell ? cell->findChild<QCheckBox *>() : nullptr;
}

QList<int> FJLeftPanel::getSelectedRows() const
{
    QList<int> rows;
    for (int r = 0; r < m_ticks.size(); ++r)
        if (m_ticks.at(r) == RowTick::Ticked)
            rows.append(r);
    return rows;
}

void FJLeftPanel::setTicked(int row, bool ticked)
{
    if (m_ticks.value(row, RowTick::NoBox) == RowTick::NoBox)
        return;
    if (QCheckBox *box = tickBox(row)) {
        box->setChecked(ticked); // its toggled() comes back to tickChanged
        return;
    }
    if ((m_ticks.at(row) == RowTick::Ticked) != ticked)
        tickChanged(row, ticked);
}

void FJLeftPanel::tickChanged(int row, bool ticked)
{
    if (row >= m_ticks.size())
        return;
    m_ticks[row] = ticked ? RowTick::Ticked : RowTick::Unticked;
    // The delivery tool works on one order: a new tick announces it and clears the others.
    if (!ticked || splitType != DownloadPhotoDelivery)
        return;
    emit orderSelected(row, true);
    for (int r = 0; r < m_ticks.size(); ++r)
        if (r != row && m_ticks.at(r) == RowTick::Ticked)
            setTicked(r, false);
}

void FJLeftPanel::setBtnEnable(bool enable)
{
    tableWidget->setEnabled(enable);
    selectAllBtn->setEnabled(enable);
    unselectAllBtn->setEnabled(enable);
}

void FJLeftPanel::onCellClicked(int row, int)
{
    if (m_ticks.value(row, RowTick::NoBox) == RowTick::NoBox)
        return;
    const bool ticked = m_ticks.at(row) != RowTick::Ticked;
    setTicked(row, ticked);
    if (splitType == DownloadOriginals)
        emit orderSelected(row, ticked);
}

void FJLeftPanel::setAllTicked(bool ticked)
{
    if (m_nextUnshown < m_unshown.size())
        m_fillTick = ticked ? RowTick::Ticked : RowTick::Unticked;
    for (int r = 0; r < m_ticks.size(); ++r)
        setTicked(r, ticked);
}

void FJLeftPanel::onSelectAllClicked()
{
    setAllTicked(true);
}

void FJLeftPanel::onUnselectAllClicked()
{
    setAllTicked(false);
}

QString FJLeftPanel::searchCode(const QString &searchType)
{
    if (searchType == QStringLiteral("基本信息"))
        return QStringLiteral("1");
    if (searchType == QStringLiteral("拍照日期"))
        return QStringLiteral("4");
    if (searchType == QStringLiteral("选片日期"))
        return QStringLiteral("5");
    return QString();
}

void FJLeftPanel::showWarning(const QString &text)
{
    // Window-modal but not blocking: the reply handler finishes at once.
    FJMessageBox::open(this, QMessageBox::Warning, text);
}

void FJLeftPanel::finishSearch()
{
    emit emitReqOrderFinish(true);
}

// A failed search leaves no earlier result on screen as if it were the answer.
void FJLeftPanel::failSearch(const QString &problem)
{
    orderList.clear();
    clearOrders();
    showWarning(problem);
    finishSearch();
}

void FJLeftPanel::onReqShopInfo(const QString &searchType, const QString &keyword, const QString &k_shopid)
{
    shopId = k_shopid;
    auto *req = new BaseReq(this);
    req->fjReq(QStringLiteral("&m=public&a=switch_shop"), FormBody().add(QStringLiteral("shopid"), shopId).toBytes(),
               [this, req, searchType, keyword](bool ok, const QJsonDocument &doc) {
                   req->deleteLater();
                   const QString problem =
                       ServiceReply::problem(ok, doc, req->lastFailure(), QStringLiteral("message"));
                   if (!problem.isEmpty()) {
                       failSearch(problem);
                       return;
                   }
                   const QJsonObject reply = doc.object();
                   const QString superIdText = ServiceReply::idText(reply.value(QStringLiteral("SUPERID")));
                   const QString managerIdText = ServiceReply::idText(reply.value(QStringLiteral("EID")));
                   // Every later request names the branch by both: none may go with an empty one.
                   if (superIdText.isEmpty() || managerIdText.isEmpty()) {
                       failSearch(ServiceReply::badFormMessage());
                       return;
                   }
                   Config::k_fjsuper_id = superIdText;
                   Config::k_fjmanager_id = managerIdText;
                   superId = Config::k_fjsuper_id;
                   eid = Config::k_fjmanager_id;
                   issjfenjianms = jsonText(reply, QStringLiteral("issjfenjianms"));
                   emit userInfoChange(shopId, eid, superId);
                   reqOrderList(searchType, keyword);
               });
}

void FJLeftPanel::reqOrderList(const QString &searchType, const QString &keyword)
{
    qCDebug(lcSplit) << "要开始刷新数据量 222";
    FormBody body;
    body.add(QStringLiteral("keyword"), keyword);
    const QString code = searchCode(searchType);
    if (!code.isEmpty())
        body.add(QStringLiteral("searchtype"), code);
    body.add(QStringLiteral("shopid"), shopId)
        .add(QStringLiteral("eid"), eid)
        .add(QStringLiteral("superid"), superId)
        .add(QStringLiteral("personid"), eid);

    orderList.clear();
    clearOrders();

    const QString path = splitType == DownloadOriginals ? QStringLiteral("&m=order&a=order_list_type_1")
                                                        : QStringLiteral("&m=order&a=order_list");
    auto *req = new BaseReq(this);
    req->fjReq(path, body.toBytes(), [this, req](bool ok, const QJsonDocument &doc) {
        req->deleteLater();
        const QString problem = ServiceReply::problem(ok, doc, req->lastFailure(), QStringLiteral("message"));
        if (!problem.isEmpty()) {
            failSearch(problem);
            return;
        }
        const QJsonObject reply = doc.object();
        const QJsonArray data = reply.value(QStringLiteral("data")).toArray();
        if (data.isEmpty()) {
            showWarning(QStringLiteral("未检索到订单"));
            finishSearch();
            return;
        }
        showOrders(data);
    });
}

void FJLeftPanel::showOrders(const QJsonArray &data)
{
    tableWidget->setRowCount(data.size());
    orderList.reserve(data.size());
    m_unshown = data;
    m_nextUnshown = 0;
    m_fillTick = RowTick::Unticked;
    showSomeOrders();
}

void FJLeftPanel::showSomeOrders()
{
    // One slice with the table quiet: no repaint, no signal and no re-layout per row.
    tableWidget->setUpdatesEnabled(false);
    const bool blocked = tableWidget->blockSignals(true);
    const int end = qMin(m_unshown.size(), m_nextUnshown + kOrdersPerSlice);
    for (; m_nextUnshown < end; ++m_nextUnshown) {
        orderList.append(OrderData::fromJson(m_unshown.at(m_nextUnshown)));
        addOrder(orderList.last(), m_nextUnshown);
    }
    // Place the new widgets while still quiet: moved later, with updates on,
    // each move would be tracked for repainting against all its siblings.
    tableWidget->doItemsLayout();
    tableWidget->blockSignals(blocked);
    tableWidget->setUpdatesEnabled(true);
    if (m_nextUnshown < m_unshown.size()) {
        m_showTimer.start();
        return;
    }
    m_unshown = QJsonArray();
    m_fillTick = RowTick::Unticked;
    finishSearch();
}
