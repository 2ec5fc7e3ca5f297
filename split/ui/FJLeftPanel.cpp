#include "split/ui/FJLeftPanel.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/ServiceReply.h"
#include "split/ui/FJOrderTableModel.h"

#include <QMouseEvent>
#include <QStyle>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString jsonText(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

} // namespace

FJLeftPanel::FJLeftPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FJLeftPanel"));
    setupUI();
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
    tableWidget = new QTableView(this);
    tableWidget->setObjectName(QStringLiteral("orderTable"));
    orderModel = new FJOrderTableModel(&orderList, headers, this);
    tableWidget->setModel(orderModel);
    tableWidget->setStyleSheet(QStringLiteral(
        "QTableView { background-color: #ffffff; border: 1px solid #e5e5ea; border-radius: 8px;"
        " gridline-color: #f2f2f7; font-size: 13px; selection-background-color: transparent;"
        " selection-color: #1d1d1f; }"
        "QTableView::item { padding: 3px 5px; border-bottom: 1px solid #f2f2f7; color: #1d1d1f; }"
        "QTableView::item:selected { background-color: transparent; color: #1d1d1f; }"
        "QTableView::item:hover { background-color: #f2f2f7; color: #1d1d1f; }"
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
    // One fixed height for every row: a view of many thousand rows never measures them.
    tableWidget->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableWidget->verticalHeader()->setDefaultSectionSize(K::f(33));
    tableWidget->viewport()->installEventFilter(this);
    connect(tableWidget, &QTableView::clicked, this, &FJLeftPanel::onViewClicked);
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

void FJLeftPanel::setSplitType(DesignFileSplitTypes type)
{
    splitType = type;
    orderModel->setPickText(type == DownloadOriginals ? QStringLiteral("设置选中") : QString());
    if (type == DownloadPhotoDelivery) {
        selectAllBtn->hide();
        unselectAllBtn->hide();
        return;
    }
    tableWidget->horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < headers.size(); ++i) {
        const QString &label = headers.at(i);
        int width = -1;
        if (label.isEmpty())
            width = type == DownloadOriginals ? 100 : 40;
        else if (label == QStringLiteral("订单号"))
            width = 150;
        else if (label == QStringLiteral("男士姓名") || label == QStringLiteral("女士姓名"))
            width = 80;
        else
            width = 100;
        tableWidget->setColumnWidth(i, K::f(width));
    }
}

void FJLeftPanel::setOrders(const QList<OrderData> &orders)
{
    orderList = orders;
    orderModel->setRowCount(orderList.size());
}

void FJLeftPanel::clearOrders()
{
    orderModel->setRowCount(0);
}

bool FJLeftPanel::isTicked(int row) const
{
    return orderModel->isTicked(row);
}

void FJLeftPanel::setTicked(int row, bool ticked)
{
    if (row < 0 || row >= orderModel->rowCount() || orderModel->isTicked(row) == ticked)
        return;
    orderModel->setTicked(row, ticked);
    // The delivery tool works on one order: ticking one unticks the others.
    if (!ticked || splitType != DownloadPhotoDelivery)
        return;
    emit orderSelected(row, true);
    for (int r = 0; r < orderModel->rowCount(); ++r)
        if (r != row)
            orderModel->setTicked(r, false);
}

bool FJLeftPanel::eventFilter(QObject *object, QEvent *event)
{
    if (object == tableWidget->viewport() && event->type() == QEvent::MouseButtonPress)
        m_pressPos = static_cast<QMouseEvent *>(event)->pos();
    return QWidget::eventFilter(object, event);
}

// In the raw-file mode the tick cell also reads "设置选中": a click right of the tick picks the order.
bool FJLeftPanel::isPickClick(const QModelIndex &index) const
{
    if (splitType != DownloadOriginals || index.column() != 0)
        return false;
    const QRect cell = tableWidget->visualRect(index);
    const int margin = tableWidget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tableWidget) + 1;
    const int tickRight =
        cell.left() + 2 * margin + tableWidget->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, tableWidget);
    return cell.contains(m_pressPos) && m_pressPos.x() > tickRight;
}

void FJLeftPanel::onViewClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    if (isPickClick(index)) {
        emit orderSelected(index.row(), true);
        return;
    }
    onCellClicked(index.row(), index.column());
}

QList<int> FJLeftPanel::getSelectedRows() const
{
    QList<int> rows;
    for (int r = 0; r < orderModel->rowCount(); ++r)
        if (orderModel->isTicked(r))
            rows.append(r);
    return rows;
}

void FJLeftPanel::setBtnEnable(bool enable)
{
    tableWidget->setEnabled(enable);
    selectAllBtn->setEnabled(enable);
    unselectAllBtn->setEnabled(enable);
}

void FJLeftPanel::onCellClicked(int row, int)
{
    if (row < 0 || row >= orderModel->rowCount())
        return;
    setTicked(row, !isTicked(row));
    if (splitType == DownloadOriginals)
        emit orderSelected(row, isTicked(row));
}

void FJLeftPanel::onSelectAllClicked()
{
    orderModel->setAllTicked(true);
}

void FJLeftPanel::onUnselectAllClicked()
{
    orderModel->setAllTicked(false);
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
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("温馨提示"), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("fjWarning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
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
                   Config::k_fjsuper_id = jsonText(reply, QStringLiteral("SUPERID"));
                   Config::k_fjmanager_id = jsonText(reply, QStringLiteral("EID"));
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
        QList<OrderData> orders;
        orders.reserve(data.size());
        for (const QJsonValue &element : data)
            orders.append(OrderData::fromJson(element));
        setOrders(orders);
        finishSearch();
    });
}
