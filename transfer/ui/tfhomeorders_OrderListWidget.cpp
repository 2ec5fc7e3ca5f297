#include "transfer/ui/tfhomeorders_OrderListWidget.h"

#include "app/core/Config.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/SharedFolderOpener.h"
#include "transfer/ui/PickedEntries.h"
#include "widgets/OrderNumberButtonDelegate.h"
#include "widgets/SimpleDialog.h"
#include "widgets/ToastWidget.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QFileInfo>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kColOrderNumber = QStringLiteral("订单号");
const QString kColImported = QStringLiteral("已导");
const QString kColUploadState = QStringLiteral("上传状态");
const QString kColSelected = QStringLiteral("已选");
const QString kColOperation = QStringLiteral("操作");
const QString kColImportPath = QStringLiteral("导片路径");

const QString kStatusNone = QStringLiteral("未选择");
const QString kStatusWaiting = QStringLiteral("等待中");
const QString kStatusNotUploaded = QStringLiteral("未上传");
const QString kStatusImporting = QStringLiteral("导片中");
const QString kStatusFinished = QStringLiteral("导片完成");

const QString kSelectPhotos = QStringLiteral("选择照片/视频");
const QString kCleanPhotos = QStringLiteral("清空已选");

struct Column
{
    const char *title;
    int width;
};

const Column kColumns[] = {
    {"订单号", 100}, {"客户姓名", 110}, {"样前修片师", 80}, {"已导", 70}, {"上传状态", 70},
    {"已选", 70}, {"操作", 250}, {"导片路径", 360}, {"男士电话", 150}, {"女士电话", 150},
    {"摄影师", 70}, {"化妆师", 70}, {"选片师", 100}, {"选片完成时间", 100},
};

QString px(int value)
{
    return K::s(K::f(value)) + QStringLiteral("px");
}

QString startButtonStyle()
{
    return QStringLiteral("QPushButton { background-color: #6ac144; color: white; border: 1px solid #2b9348;"
                          " border-radius: %1; font-size: %2; font-weight: 600; }"
                          "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          " stop:0 #69db7c, stop:1 #40c057); border: 1px solid #37b24d; }"
                          "QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          " stop:0 #2f9e49, stop:1 #2ea043); border: 1px solid #2ea043; }")
        .arg(px(3), px(10));
}

QString pauseButtonStyle()
{
    return QStringLiteral("QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          " stop:0 #ffa94d, stop:1 #ff9500); color: white; border: 1px solid #e6850e;"
                          " border-radius: %1; font-size: %2; font-weight: 600; }"
                          "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          " stop:0 #ffb366, stop:1 #fd7e14); border: 1px solid #fd7e14; }"
                          "QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          " stop:0 #e8590c, stop:1 #cc7500); border: 1px solid #cc7500; }")
        .arg(px(3), px(10));
}

// One sheet on the table styles every row's buttons: setting a sheet per
// button makes filling thousands of rows slow.
QString tableStyle()
{
    return QStringLiteral(
               "QTableWidget { border: none; background-color: #ffffff; gridline-color: #f0f0f0;"
               " font-size: %1; selection-background-color: #e3f2fd; }"
               "QTableWidget::item { padding: %2 %3; border-bottom: 1px solid #f0f0f0; color: #333333; }"
               "QTableWidget::item:selected { background-color: #e3f2fd; color: #333333; }"
               "QHeaderView::section { background-color: #F5F7F9; border: none; padding: %2 %3;"
               " font-weight: 500; font-size: %1; color: #333333; border-bottom: 2px solid #e0e0e0; }"
               "QWidget#rowOperations { background: transparent; }"
               "QPushButton[rowButton=\"green\"] { background-color: #6ac144; color: white;"
               " border: 1px solid #40c057; border-radius: %4; font-size: %5; font-weight: 600; }"
               "QPushButton[rowButton=\"green\"]:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
               " stop:0 #96f2d7, stop:1 #63e6be); border: 1px solid #38d9a9; }"
               "QPushButton[rowButton=\"green\"]:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
               " stop:0 #37b24d, stop:1 #2f9e49); }"
               "QPushButton[rowButton=\"green\"]:disabled { background-color: #bbbbbb; color: white;"
               " border: none; border-radius: %4; font-size: %5; font-weight: 600; }"
               "QPushButton[rowButton=\"blue\"] { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
               " stop:0 #4dabf7, stop:1 #007aff); color: white; border: 1px solid #0051d5;"
               " border-radius: %4; font-size: %5; font-weight: 600; }"
               "QPushButton[rowButton=\"blue\"]:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
               " stop:0 #74c0fc, stop:1 #339af0); border: 1px solid #228be6; }"
               "QPushButton[rowButton=\"blue\"]:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
               " stop:0 #1971c2, stop:1 #003d99); }")
        .arg(px(12), px(6), px(4), px(4), px(10));
}

QString scrollBarStyle()
{
    return QStringLiteral(
               "QScrollBar:vertical { background: rgba(0, 0, 0, 0.05); width: %1; border-radius: %2; margin: 0; }"
               "QScrollBar:horizontal { background: rgba(0, 0, 0, 0.05); height: %1; border-radius: %2; margin: 0; }"
               "QScrollBar::handle:vertical { background: rgba(0, 0, 0, 0.2); border-radius: %2; min-height: %3;"
               " margin: %4; }"
               "QScrollBar::handle:horizontal { background: rgba(0, 0, 0, 0.2); border-radius: %2; min-width: %3;"
               " margin: %4; }"
               "QScrollBar::handle:hover { background: rgba(0, 0, 0, 0.35); }"
               "QScrollBar::handle:pressed { background: rgba(0, 0, 0, 0.5); }"
               "QScrollBar::add-line, QScrollBar::sub-line { border: none; background: none; width: 0; height: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
               "QAbstractScrollArea::corner { background: transparent; }")
        .arg(px(8), px(4), px(20), px(2));
}

QString headerStyle()
{
    return QStringLiteral("QHeaderView::section { background-color: #F5F7F9; border: none; padding: %1 %2;"
                          " font-weight: 500; font-size: %3; color: #333333; border-bottom: 2px solid #e0e0e0;"
                          " padding-left: %4 !important; }")
        .arg(px(6), px(4), px(12), px(15));
}

QString customerName(const OrderInfo &order)
{
    if (!order.mname.isEmpty() && !order.wname.isEmpty())
        return order.mname + QLatin1Char('/') + order.wname;
    return order.mname.isEmpty() ? order.wname : order.mname;
}

QString importedCounts(const OrderInfo &order)
{
    return QStringLiteral("%1/%2/%3")
        .arg(order.importedPhotos.size())
        .arg(order.importedTrialVideos.size())
        .arg(order.importedRetouchedVideos.size());
}

QStringList defaultFileChooser(QWidget *parent, const QString &caption, const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, caption, QString(), filter);
}

} // namespace

tfhomeorders_OrderListWidget::tfhomeorders_OrderListWidget(QWidget *parent)
    : QWidget(parent)
    , m_fileChooser(defaultFileChooser)
{
    setupUI();
}

tfhomeorders_OrderListWidget::~tfhomeorders_OrderListWidget() = default;

void tfhomeorders_OrderListWidget::setFileChooser(FileChooser chooser)
{
    m_fileChooser = chooser ? std::move(chooser) : FileChooser(defaultFileChooser);
}

void tfhomeorders_OrderListWidget::setupUI()
{
    m_folderOpener = new SharedFolderOpener(this);

    auto *outer = new QVBoxLayout(this);
    auto *container = new QWidget(this);
    container->setObjectName(QStringLiteral("parentWidget"));
    container->setStyleSheet(QStringLiteral("#parentWidget {   border: 1px solid #DCDEE2;   border-radius: 10px;}"));
    outer->addWidget(container);

    m_contentLayout = new QVBoxLayout(container);
    m_contentLayout->setContentsMargins(K::f(10), K::f(10), K::f(10), K::f(10));
    m_contentLayout->setSpacing(K::f(5));

    m_topBarLayout = new QHBoxLayout();
    m_topBarLayout->setSpacing(K::f(5));
    m_photoRadio = new QRadioButton(QStringLiteral("成品照片"), this);
    m_photoRadio->setObjectName(QStringLiteral("photoRadio"));
    m_trialVideoRadio = new QRadioButton(QStringLiteral("试拍视频"), this);
    m_trialVideoRadio->setObjectName(QStringLiteral("trialVideoRadio"));
    m_retouchedVideoRadio = new QRadioButton(QStringLiteral("精修视频"), this);
    m_retouchedVideoRadio->setObjectName(QStringLiteral("retouchedVideoRadio"));
    m_photoRadio->setChecked(true);
    // The kind is shared by every window: a new one starts with its checked radio, not the last window's.
    Config::k_importType = FinishedPhotos;
    m_importKindGroup = new QButtonGroup(this);
    m_importKindGroup->setExclusive(true);
    for (QRadioButton *radio : {m_photoRadio, m_trialVideoRadio, m_retouchedVideoRadio}) {
        m_importKindGroup->addButton(radio);
        m_topBarLayout->addWidget(radio);
    }

    m_startAllButton = new QPushButton(QStringLiteral("全部开始"), this);
    m_startAllButton->setObjectName(QStringLiteral("startAllButton"));
    m_startAllButton->setFixedHeight(K::f(25));
    m_startAllButton->setFixedWidth(K::f(70));
    m_startAllButton->setStyleSheet(startButtonStyle());
    connect(m_startAllButton, &QPushButton::clicked, this, &tfhomeorders_OrderListWidget::onStartAllClicked);
    m_topBarLayout->addStretch();
    m_topBarLayout->addWidget(m_startAllButton);

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("orderTable"));
    for (const Column &column : kColumns)
        m_headerLabels.append(QString::fromUtf8(column.title));
    m_table->setColumnCount(m_headerLabels.size());
    m_table->setHorizontalHeaderLabels(m_headerLabels);

    m_table->setStyleSheet(tableStyle());
    m_table->verticalScrollBar()->setStyleSheet(scrollBarStyle());
    m_table->horizontalScrollBar()->setStyleSheet(scrollBarStyle());
    m_table->horizontalHeader()->setStyleSheet(headerStyle());
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setAlternatingRowColors(true);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setDefaultSectionSize(K::f(50));
    // The order-number link shows its hover state only with mouse tracking.
    m_table->setMouseTracking(true);

    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &tfhomeorders_OrderListWidget::onTableSelectionChanged);
    connect(m_table->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &tfhomeorders_OrderListWidget::ensureOperationCells);

    for (int column = 0; column < m_headerLabels.size(); ++column) {
        if (m_headerLabels.at(column) == kColOrderNumber) {
            m_table->setColumnWidth(column, K::f(100));
            m_orderNumberDelegate = new OrderNumberButtonDelegate(this);
            m_table->setItemDelegateForColumn(column, m_orderNumberDelegate);
            connect(m_orderNumberDelegate, &OrderNumberButtonDelegate::orderNumberClicked, this,
                    &tfhomeorders_OrderListWidget::onOrderNumberClicked);
        } else {
            m_table->setColumnWidth(column, K::f(kColumns[column].width));
        }
    }
    // Order numbers are measured in the font the style sheet gives the table.
    m_table->ensurePolished();

    m_contentLayout->addLayout(m_topBarLayout);
    m_contentLayout->addWidget(m_table);

    connect(m_photoRadio, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            changeImportType(FinishedPhotos);
    });
    connect(m_trialVideoRadio, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            changeImportType(TrialVideo);
    });
    connect(m_retouchedVideoRadio, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            changeImportType(RetouchedVideo);
    });
}

int tfhomeorders_OrderListWidget::columnOf(const QString &title) const
{
    return m_headerLabels.indexOf(title);
}

QTableWidgetItem *tfhomeorders_OrderListWidget::cellItem(int row, const QString &title) const
{
    const int column = columnOf(title);
    if (row < 0 || column < 0 || row >= m_table->rowCount())
        return nullptr;
    return m_table->item(row, column);
}

void tfhomeorders_OrderListWidget::setCellText(int row, const QString &title, const QString &text)
{
    if (QTableWidgetItem *item = cellItem(row, title))
        item->setText(text);
}

int tfhomeorders_OrderListWidget::rowOfOrder(const OrderInfo &order) const
{
    const int row = order.index;
    if (row < 0 || row >= m_orders.size())
        return -1;
    if (m_orders.at(row).order_photo_id != order.order_photo_id)
        return -1;
    return row;
}

int tfhomeorders_OrderListWidget::rowFromSender() const
{
    auto *button = qobject_cast<QPushButton *>(sender());
    if (!button)
        return -1;
    bool ok = false;
    const int row = button->property("row").toInt(&ok);
    if (!ok || row < 0 || row >= m_orders.size())
        return -1;
    return row;
}

void tfhomeorders_OrderListWidget::selectRow(int row)
{
    if (row >= 0 && row < m_table->rowCount())
        m_table->selectRow(row);
}

QString tfhomeorders_OrderListWidget::getStatusColor(const QString &status)
{
    if (status == QStringLiteral("已完成"))
        return QStringLiteral("#34c759");
    if (status == QStringLiteral("上传中"))
        return QStringLiteral("#007aff");
    if (status == kStatusWaiting)
        return QStringLiteral("#ff9500");
    if (status == kStatusNotUploaded)
        return QStringLiteral("#8e8e93");
    return QStringLiteral("#333333");
}

QWidget *tfhomeorders_OrderListWidget::createOperationCell(int row)
{
    auto *cell = new QWidget();
    cell->setObjectName(QStringLiteral("rowOperations"));
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(K::f(2), K::f(2), K::f(2), K::f(2));
    layout->setSpacing(K::f(2));

    auto addButton = [&](const QString &text, const char *name, int width, const char *look,
                         void (tfhomeorders_OrderListWidget::*slot)()) {
        auto *button = new QPushButton(text, cell);
        button->setObjectName(QLatin1String(name));
        button->setFixedSize(K::f(width), K::f(25));
        button->setProperty("rowButton", QLatin1String(look));
        button->setProperty("row", row);
        button->setEnabled(!m_running);
        connect(button, &QPushButton::clicked, this, slot);
        layout->addWidget(button);
    };
    addButton(kSelectPhotos, "selectPhotosButton", 80, "green",
              &tfhomeorders_OrderListWidget::onSelectPhotosClicked);
    addButton(kCleanPhotos, "cleanPhotosButton", 80, "green",
              &tfhomeorders_OrderListWidget::onCleanPhotosClicked);
    if (m_openButtonMode == 1) {
        addButton(QStringLiteral("打开"), "openPathButton", 50, "blue",
                  &tfhomeorders_OrderListWidget::onOpenPhotoPathClicked);
    }
    layout->addStretch();
    return cell;
}

void tfhomeorders_OrderListWidget::addOrder(const OrderInfo &order)
{
    addOrders(QList<OrderInfo>{order});
}

void tfhomeorders_OrderListWidget::addOrders(const QList<OrderInfo> &orders)
{
    // All rows first, then their contents: cell widgets are persistent
    // indexes, and every later row insertion would walk all of them.
    const int first = m_table->rowCount();
    m_orders.append(orders);
    m_table->setRowCount(first + orders.size());
    for (int i = 0; i < orders.size(); ++i)
        fillRow(first + i, orders.at(i));
    ensureOperationCells();
}

void tfhomeorders_OrderListWidget::ensureOperationCells()
{
    const int column = columnOf(kColOperation);
    const int rows = std::min(m_table->rowCount(), int(m_orders.size()));
    if (column < 0 || rows == 0)
        return;
    const int rowHeight = std::max(m_table->verticalHeader()->defaultSectionSize(), 1);
    const int screen = std::max(m_table->viewport()->height(), height()) / rowHeight + 1;
    const int top = std::max(m_table->rowAt(0), 0);
    const int from = std::max(top - screen, 0);
    const int to = std::min(top + 2 * screen, rows);
    for (int row = from; row < to; ++row) {
        if (!m_table->cellWidget(row, column))
            m_table->setCellWidget(row, column, createOperationCell(row));
    }
}

void tfhomeorders_OrderListWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ensureOperationCells();
}

void tfhomeorders_OrderListWidget::fillRow(int row, const OrderInfo &order)
{
    for (int column = 0; column < m_headerLabels.size(); ++column) {
        const QString &title = m_headerLabels.at(column);
        if (title == kColOperation)
            continue;
        QString text;
        if (title == kColOrderNumber)
            text = order.orderpayforkey + QLatin1Char('-') + order.servicetimes;
        else if (title == QStringLiteral("客户姓名"))
            text = customerName(order);
        else if (title == QStringLiteral("样前修片师"))
            text = order.tiaosename;
        else if (title == kColImported)
            text = importedCounts(order);
        else if (title == kColUploadState)
            text = order.status;
        else if (title == kColSelected)
            text = order.photoList.isEmpty() ? kStatusNone : K::s(order.photoList.size()) + QStringLiteral("张");
        else if (title == kColImportPath)
            text = order.importPath;
        else if (title == QStringLiteral("男士电话"))
            text = order.mphone;
        else if (title == QStringLiteral("女士电话"))
            text = order.wphone;
        else if (title == QStringLiteral("摄影师"))
            text = order.role1;
        else if (title == QStringLiteral("化妆师"))
            text = order.role2;
        else if (title == QStringLiteral("选片师"))
            text = order.selectphotoname;
        else if (title == QStringLiteral("选片完成时间"))
            text = order.selectphototime;
        auto *item = new QTableWidgetItem(text);
        if (title == kColUploadState)
            item->setForeground(QBrush(QColor(getStatusColor(order.status))));
        m_table->setItem(row, column, item);
        // Two orders cut to the same visible text could not be told apart.
        if (title == kColOrderNumber && m_orderNumberDelegate)
            m_orderNumberDelegate->fitColumn(m_table, column, text);
    }
}

void tfhomeorders_OrderListWidget::clearOrders()
{
    m_orders.clear();
    m_table->setRowCount(0);
    if (m_orderNumberDelegate)
        m_orderNumberDelegate->forgetFit();
}

OrderInfo tfhomeorders_OrderListWidget::getCurrentOrderInfo() const
{
    return orderAt(m_table->currentRow());
}

OrderInfo tfhomeorders_OrderListWidget::orderAt(int index) const
{
    if (index < 0 || index >= m_orders.size())
        return OrderInfo();
    return m_orders.at(index);
}

void tfhomeorders_OrderListWidget::updateOrderProgress(const OrderInfo &order, int percent)
{
    const int row = rowOfOrder(order);
    if (row < 0) {
        qCDebug(lcTransfer) << "忽略已不在列表中的订单进度:" << order.order_photo_id;
        return;
    }
    OrderInfo &stored = m_orders[row];
    stored.progress = percent;
    // The pick's file count is kept with it; counting the entries on every result would grow with the order.
    const int files = stored.selectedNum > 0 ? stored.selectedNum : PickedEntries::fileCount(stored.photoList);
    setCellText(row, kColSelected, QStringLiteral("%1% %2张").arg(percent).arg(files));
}

void tfhomeorders_OrderListWidget::updateOrderStatus(const OrderInfo &order, const QString &status)
{
    const int row = rowOfOrder(order);
    if (row < 0) {
        qCDebug(lcTransfer) << "忽略已不在列表中的订单状态:" << order.order_photo_id << status;
        return;
    }
    m_orders[row].status = status;
    m_orders[row].importPath = order.importPath;
    if (QTableWidgetItem *item = cellItem(row, kColUploadState)) {
        item->setText(status);
        item->setForeground(QBrush(QColor(getStatusColor(status))));
    }
    setCellText(row, kColImportPath, order.importPath);
}

void tfhomeorders_OrderListWidget::updatePhotoStatus(const OrderInfo &order, int index, const QString &fileName,
                                                     PhotoStatus status, const QString &failure)
{
    const int row = rowOfOrder(order);
    if (row < 0) {
        qCDebug(lcTransfer) << "忽略已不在列表中的照片状态:" << order.order_photo_id << index;
        return;
    }
    // Edited in place: a copy would detach and copy the whole pick on every result.
    OrderInfo &record = m_orders[row];
    // The picks may have been replaced since the engine took its copy.
    if (!fileName.isEmpty() && index >= 0 && index < record.photoList.size()
        && record.photoList.at(index).img_name != fileName)
        return;
    PickedEntries::applyStatus(record.photoList, index, status, failure);
}

void tfhomeorders_OrderListWidget::updateOrderInfo(const OrderInfo &order)
{
    const int row = rowOfOrder(order);
    if (row < 0) {
        qCDebug(lcTransfer) << "忽略已不在列表中的订单:" << order.order_photo_id;
        return;
    }
    m_orders[row] = order;
    // Imported lists change on reloads and deletions: the count follows them.
    setCellText(row, kColImported, importedCounts(order));
}

void tfhomeorders_OrderListWidget::refreshImportNums(const QMap<QString, OrderInfo> &refreshed)
{
    for (int i = 0; i < m_orders.size(); ++i) {
        OrderInfo &stored = m_orders[i];
        const auto found = refreshed.constFind(stored.order_photo_id);
        if (found == refreshed.constEnd() || found->order_photo_id.isEmpty())
            continue;
        stored.importedPhotos = found->importedPhotos;
        stored.importedTrialVideos = found->importedTrialVideos;
        stored.importedRetouchedVideos = found->importedRetouchedVideos;
        setCellText(i, kColImported, importedCounts(stored));
    }
}

void tfhomeorders_OrderListWidget::refreshImporderList()
{
    QItemSelectionModel *selection = m_table->selectionModel();
    if (!selection || !selection->hasSelection())
        return;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty())
        return;
    const int row = rows.first().row();
    if (row < m_orders.size())
        emit orderSelectionChanged(row, m_orders.at(row));
}

QList<PhotoInfo> tfhomeorders_OrderListWidget::createPhotoInfoList(const QStringList &files,
                                                                   const OrderInfo &order) const
{
    return PickedEntries::build(files, order, Config::k_importType);
}

void tfhomeorders_OrderListWidget::changeImportType(ImportTypes type)
{
    Config::k_importType = type;
    QItemSelectionModel *selection = m_table->selectionModel();
    if (selection && selection->hasSelection()) {
        const QModelIndexList rows = selection->selectedRows();
        const int row = rows.isEmpty() ? -1 : rows.first().row();
        if (row >= 0 && row < m_orders.size() && !m_orders.at(row).photoList.isEmpty()) {
            OrderInfo &order = m_orders[row];
            order.photoList.clear();
            order.selectedNum = 0;
            order.status = kStatusNone;
            setCellText(row, kColUploadState, kStatusNone);
            setCellText(row, kColSelected, kStatusNone);
            emit orderSelectionChanged(row, order);
            selectRow(row);
        }
    }
    refreshImporderList();
}

void tfhomeorders_OrderListWidget::upNextOrderPhotos(int afterIndex)
{
    if (m_orders.isEmpty()) {
        qCDebug(lcTransfer) << "订单列表为空，无法开始导片";
        m_running = false;
        reloadAllBtnStatus();
        return;
    }

    QString summary;
    for (int i = 0; i < m_orders.size(); ++i) {
        OrderInfo &order = m_orders[i];
        int failed = 0;
        if (order.status == kStatusFinished) {
            failed = PickedEntries::failedFiles(order.photoList);
            const int total = PickedEntries::fileCount(order.photoList);
            summary += PickedEntries::summaryLine(order, total, failed);
            // The user sees why, not only how many.
            summary += PickedEntries::failureLines(order.photoList);
            if (failed > 0 && order.index >= 0 && order.index < m_table->rowCount()) {
                setCellText(order.index, kColSelected,
                            QStringLiteral("%1/%2 失败:%3").arg(total - failed).arg(total).arg(failed));
            }
        }
        order.failedNum = failed;
    }

    for (int i = qMax(afterIndex, -1) + 1; i < m_orders.size(); ++i) {
        const OrderInfo candidate = m_orders.at(i);
        if (candidate.status == kStatusWaiting || candidate.status == kStatusNotUploaded
            || candidate.failedNum > 0) {
            updateOrderStatus(candidate, kStatusImporting);
            emit startImportAllOrders(QList<OrderInfo>{m_orders.at(i)});
            return;
        }
    }

    m_running = false;
    reloadAllBtnStatus();
    reloadChoosePhotoBtn();
    emit importAllFinish();
    if (!summary.isEmpty()) {
        QTimer::singleShot(0, this, [this, summary]() {
            QMessageBox::information(this, QStringLiteral("全部导完"), summary, QMessageBox::Ok);
        });
    }
}

void tfhomeorders_OrderListWidget::reloadStartAllButtonStatus(bool running)
{
    m_running = running;
    reloadAllBtnStatus();
    reloadChoosePhotoBtn();
    if (running)
        return;
    for (int i = 0; i < m_orders.size(); ++i) {
        if (m_orders.at(i).status == kStatusImporting) {
            const OrderInfo importing = m_orders.at(i);
            updateOrderStatus(importing, kStatusWaiting);
            break;
        }
    }
    emit stopAllImport();
}

void tfhomeorders_OrderListWidget::reloadAllBtnStatus()
{
    emit importStatusChange(m_running);
    const bool idle = !m_running;
    for (QRadioButton *radio : {m_photoRadio, m_trialVideoRadio, m_retouchedVideoRadio})
        radio->setEnabled(idle);
    if (m_running) {
        m_startAllButton->setText(QStringLiteral("全部暂停"));
        m_startAllButton->setStyleSheet(pauseButtonStyle());
        return;
    }
    bool failuresRemain = false;
    for (const OrderInfo &order : qAsConst(m_orders)) {
        if (order.status == kStatusFinished && PickedEntries::hasFailedEntry(order.photoList)) {
            failuresRemain = true;
            break;
        }
    }
    m_startAllButton->setText(QStringLiteral("全部开始%1").arg(failuresRemain ? QStringLiteral("/上传失败照片")
                                                                         : QString()));
    m_startAllButton->setStyleSheet(startButtonStyle());
}

void tfhomeorders_OrderListWidget::reloadChoosePhotoBtn()
{
    const int column = columnOf(kColOperation);
    if (column < 0)
        return;
    for (int i = 0; i < m_orders.size() && i < m_table->rowCount(); ++i) {
        QWidget *cell = m_table->cellWidget(i, column);
        if (!cell)
            continue;
        const QList<QPushButton *> buttons = cell->findChildren<QPushButton *>();
        for (QPushButton *button : buttons) {
            if (button->text() == kSelectPhotos || button->text() == kCleanPhotos)
                button->setEnabled(!m_running);
        }
    }
}

void tfhomeorders_OrderListWidget::orderUpPicNums(int position,
                                                  const std::function<void(int, QString)> &done) const
{
    qCDebug(lcTransfer) << "获取当前订单的上传照片数量";
    const PickedEntries::Uploaded result = PickedEntries::uploaded(orderAt(position).photoList);
    if (done)
        done(result.count, result.names);
}

void tfhomeorders_OrderListWidget::updateRowBackground(int, int)
{
}

void tfhomeorders_OrderListWidget::onStartAllClicked()
{
    if (m_running) {
        m_running = false;
        reloadStartAllButtonStatus(false);
        return;
    }
    m_running = true;
    int first = -1;
    for (int i = 0; i < m_orders.size(); ++i) {
        const OrderInfo &order = m_orders.at(i);
        if (order.status == kStatusImporting || order.status == kStatusWaiting
            || order.status == kStatusNotUploaded || order.failedNum > 0) {
            first = i;
            break;
        }
    }
    upNextOrderPhotos(first < 0 ? -1 : first - 1);
    reloadStartAllButtonStatus(m_running);
}

void tfhomeorders_OrderListWidget::onOpenPhotoPathClicked()
{
    const int row = rowFromSender();
    if (row < 0)
        return;
    const QString path = m_orders.at(row).importPath;
    if (path.isEmpty())
        return;
    const QString error = m_folderOpener->open(path);
    if (!error.isEmpty())
        ToastWidget::showMessage(this, error, 2000);
}

void tfhomeorders_OrderListWidget::onTableSelectionChanged()
{
    refreshImporderList();
}

void tfhomeorders_OrderListWidget::onSelectPhotosClicked()
{
    const int row = rowFromSender();
    if (row < 0)
        return;
    const OrderInfo order = m_orders.at(row);
    if (order.importPath.isEmpty() && order.publicNetpath.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("温馨提示"),
                                 order.storesname
                                     + QStringLiteral(" 没有设置本地云导片路径, 请在后台设置本地云导片路径！"),
                                 QMessageBox::Ok);
        return;
    }
    // The pick looks at the files already in the order's folder: never at a path the system refuses.
    const QString orderFolder = order.importPath.isEmpty() ? K::generateImportPathByOrder(order) : order.importPath;
    const QString tooLong = K::pathTooLongMessage(orderFolder);
    if (!tooLong.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), tooLong, QMessageBox::Ok);
        return;
    }
    // Nor through a link into another order's folder, whose files it would take for this order's.
    const QString linked = K::orderFolderLinkRefusal(orderFolder);
    if (!linked.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), linked, QMessageBox::Ok);
        return;
    }

    QString caption;
    QString filter;
    if (Config::k_importType != FinishedPhotos) {
        caption = QStringLiteral("选择视频文件 (可使用%1全选)").arg(PickedEntries::selectAllHint());
        filter = QStringLiteral("所有视频 (*.mp4 *.m4v *.mov *.avi *.mkv *.wmv *.flv *.webm *.3gp *.mpg *.mpeg"
                                " *.ts *.mts *.m2ts *.vob *.rm *.rmvb *.ogv);;MP4文件 (*.mp4 *.m4v);;"
                                "MOV文件 (*.mov);;AVI文件 (*.avi);;MKV文件 (*.mkv);;WMV文件 (*.wmv);;"
                                "FLV/WebM (*.flv *.webm);;高清摄像 (*.mts *.m2ts *.ts);;");
    } else {
        caption = QStringLiteral("选择照片文件 (可使用%1全选)").arg(PickedEntries::selectAllHint());
        filter = QStringLiteral("图片文件 (*.jpg *.jpeg *.JPG *.JPEG);;");
    }
    const QStringList files = m_fileChooser(this, caption, filter);
    // The dialog runs its own loop: the list may have been refilled meanwhile.
    if (files.isEmpty() || row >= m_orders.size()
        || m_orders.at(row).order_photo_id != order.order_photo_id)
        return;
    // The previews carry the photos' names at 160 px: imported, they would replace the photos.
    const QStringList previews = PickedEntries::previewFiles(files);
    if (!previews.isEmpty()) {
        QStringList names;
        for (const QString &path : previews)
            names.append(QFileInfo(path).fileName());
        QMessageBox::warning(this, QStringLiteral("温馨提示"),
                             QStringLiteral("以下文件是导片工具生成的缩略图（%1文件夹），不能导入：\n")
                                     .arg(PickedEntries::kPreviewFolder)
                                 + names.join(QLatin1Char('\n')),
                             QMessageBox::Ok);
        return;
    }
    // Copies of two such files would overwrite each other in the order's folders.
    const QStringList colliding = PickedEntries::collidingNames(files);
    if (!colliding.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"),
                             QStringLiteral("以下文件重名，无法同时导入：\n") + colliding.join(QLatin1Char('\n')),
                             QMessageBox::Ok);
        return;
    }

    QHash<QString, QString> replaced;
    if (!confirmReplacing(files, row, order.order_photo_id, &replaced))
        return;

    OrderInfo &record = m_orders[row];
    record.photoList = createPhotoInfoList(files, record);
    // Only these names may replace a file in the order's folder; anything found there later is kept.
    // A replacement goes under the name already there, the one the service holds.
    // One done already under a look-alike name is reported under that name too.
    const QString folder = record.importPath.isEmpty() ? K::generateImportPathByOrder(record) : record.importPath;
    const QHash<QString, QString> done = PickedEntries::doneLookAlikes(files, folder, Config::k_importType);
    // A size copy whose photo has no full-size copy is no photo of the order: it is replaced without asking.
    const QSet<QString> leftOver = PickedEntries::withoutFullCopy(files, folder, Config::k_importType);
    for (PhotoInfo &entry : record.photoList) {
        const auto form = replaced.constFind(entry.img_name);
        entry.replaceConfirmed = form != replaced.constEnd()
            || (entry.sizeTag != PickedEntries::kTagAll && leftOver.contains(entry.img_name));
        if (form != replaced.constEnd())
            entry.img_name = form.value();
        else
            entry.img_name = done.value(entry.img_name, entry.img_name);
    }
    record.selectedNum = files.size();
    record.status = kStatusWaiting;
    setCellText(row, kColUploadState, kStatusWaiting);
    setCellText(row, kColSelected, K::s(files.size()));
    emit orderSelectionChanged(row, record);
    selectRow(row);
    QMessageBox::information(this, QStringLiteral("成功"), QStringLiteral("已选择 %1 ").arg(files.size()),
                             QMessageBox::Ok);
}

bool tfhomeorders_OrderListWidget::confirmReplacing(const QStringList &files, int row, const QString &orderPhotoId,
                                                    QHash<QString, QString> *replaced)
{
    const OrderInfo &order = m_orders.at(row);
    const QString folder = order.importPath.isEmpty() ? K::generateImportPathByOrder(order) : order.importPath;
    const QList<QPair<QString, QString>> forms = PickedEntries::existingForms(files, folder, Config::k_importType);
    if (forms.isEmpty())
        return true;
    QStringList existing;
    for (const auto &form : forms)
        existing.append(form.first);
    // The card scrolls a long list; a message box grew past the screen and hid its buttons.
    auto *question = new SimpleDialog(this);
    question->setObjectName(QStringLiteral("replaceQuestion"));
    question->setDialogType(SimpleDialog::Confirm);
    question->setDialogTitle(QStringLiteral("温馨提示"));
    question->setDialogMessage(QStringLiteral("以下照片已存在于订单文件夹，替换后无法恢复：\n")
                               + existing.join(QLatin1Char('\n')));
    question->findChild<QPushButton *>(QStringLiteral("confirmButton"))->setText(QStringLiteral("替换"));
    const bool replace = question->exec() == QDialog::Accepted;
    // The card runs its own loop: the list may have been refilled meanwhile.
    if (!replace || row >= m_orders.size() || m_orders.at(row).order_photo_id != orderPhotoId)
        return false;
    for (const auto &form : forms)
        replaced->insert(form.first, form.second);
    return true;
}

void tfhomeorders_OrderListWidget::onCleanPhotosClicked()
{
    const int row = rowFromSender();
    if (row < 0)
        return;
    OrderInfo &record = m_orders[row];
    record.photoList.clear();
    record.selectedNum = 0;
    record.status = kStatusNone;
    setCellText(row, kColUploadState, kStatusNone);
    setCellText(row, kColSelected, kStatusNone);
}

void tfhomeorders_OrderListWidget::onRestImportPathClicked()
{
    const int row = rowFromSender();
    if (row < 0)
        return;
    m_orders[row].importPath.clear();
    setCellText(row, kColImportPath, QString());
}

void tfhomeorders_OrderListWidget::onOrderNumberClicked(int row, const QString &)
{
    if (row < 0 || row >= m_orders.size())
        return;
    QGuiApplication::clipboard()->setText(m_orders.at(row).orderpayforkey, QClipboard::Clipboard);
    ToastWidget::showMessage(this, QStringLiteral("订单号已复制"), 2000);
}
