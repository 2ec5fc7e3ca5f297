#include "batchdelete/BatchDelete_OrderListWidget.h"

#include "app/core/K.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "widgets/ColumnFit.h"
#include "widgets/ElementButton.h"
#include "widgets/SimpleDialog.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kCheckTitle = QStringLiteral("选择");
const QString kCounterTitle = QStringLiteral("成功/失败/总数");
const QString kOrderNumberTitle = QStringLiteral("订单号");
const QString kDateTitle = QStringLiteral("结单日期");
const int kColumnWidths[] = {40, 100, 100, 80, 100, 170, 300};
// Rows above and below the view that keep their widgets, so a small scroll shows them at once.
constexpr int kRowsAroundView = 4;
// Time the GUI thread gives one slice of the fill before it answers the user again.
constexpr int kFillSliceMs = 20;

QString counterText(const BatchDeleteOrderInfo &order)
{
    return QStringLiteral("%1/%2/%3").arg(order.deleted.size()).arg(order.failed.size()).arg(order.all.size());
}

// Row boxes and the "全选" box share one indicator.
QString checkIndicatorStyle()
{
    return QStringLiteral("QCheckBox::indicator { width: %1px; height: %1px; border: 2px solid #d0d0d0;"
                          " border-radius: %2px; background-color: #ffffff; }"
                          "QCheckBox::indicator:checked { background-color: #007aff; border-color: #007aff; }"
                          "QCheckBox::indicator:hover { border-color: #007aff; }")
        .arg(K::f(16))
        .arg(K::f(4));
}

// Set once on the table, so the check boxes and progress bars of every row take it
// without a style sheet of their own each.
QString tableStyle()
{
    return QStringLiteral("QTableWidget { border: none; background-color: #ffffff; gridline-color: #f0f0f0;"
                          " font-size: %1px; selection-background-color: #e3f2fd; }"
                          "QTableWidget::item { padding: %2px %3px; border-bottom: 1px solid #f0f0f0; color: #333333; }"
                          "QTableWidget::item:selected { background-color: #e3f2fd; color: #333333; }"
                          "QProgressBar { border: 1px solid #d0d0d0; border-radius: %4px; background-color: #f0f0f0;"
                          " text-align: center; font-size: %5px; }"
                          "QProgressBar::chunk { background-color: #007aff; border-radius: %6px; }"
                          "QAbstractScrollArea::corner { background: transparent; }")
               .arg(K::f(12))
               .arg(K::f(6))
               .arg(K::f(4))
               .arg(K::f(4))
               .arg(K::f(10))
               .arg(K::f(3))
           + checkIndicatorStyle();
}
} // namespace

QString BatchDelete_OrderListWidget::getHeaderStyle()
{
    return QStringLiteral("QHeaderView::section { background-color: #F5F7F9; border: none; padding: %1px %2px;"
                          " font-weight: 500; font-size: %3px; color: #333333; border-bottom: 2px solid #e0e0e0;"
                          " padding-left: %4px; }")
        .arg(K::f(6))
        .arg(K::f(4))
        .arg(K::f(12))
        .arg(K::f(8));
}

QString BatchDelete_OrderListWidget::getScrollBarStyle()
{
    return QStringLiteral("QScrollBar:vertical { background: rgba(0, 0, 0, 0.05); width: %1px; border-radius: %2px; margin: 0px; }"
                          "QScrollBar:horizontal { background: rgba(0, 0, 0, 0.05); height: %1px; border-radius: %2px;"
                          " margin: 0px; }"
                          "QScrollBar::handle:vertical { background: rgba(0, 0, 0, 0.2); border-radius: %2px;"
                          " min-height: %3px; margin: %4px; }"
                          "QScrollBar::handle:horizontal { background: rgba(0, 0, 0, 0.2); border-radius: %2px;"
                          " min-width: %3px; margin: %4px; }"
                          "QScrollBar::handle:hover { background: rgba(0, 0, 0, 0.35); }"
                          "QScrollBar::handle:pressed { background: rgba(0, 0, 0, 0.5); }"
                          "QScrollBar::add-line, QScrollBar::sub-line { border: none; background: none; width: 0px;"
                          " height: 0px; }"
                          "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(K::f(8))
        .arg(K::f(4))
        .arg(K::f(20))
        .arg(K::f(2));
}

BatchDelete_OrderListWidget::BatchDelete_OrderListWidget(QWidget *parent)
    : QWidget(parent)
{
    setupUI();
    fillTimer = new QTimer(this);
    fillTimer->setSingleShot(true);
    fillTimer->setInterval(0);
    connect(fillTimer, &QTimer::timeout, this, &BatchDelete_OrderListWidget::fillSomeRows);
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this, &BatchDelete_OrderListWidget::placeRowWidgets);
    table->viewport()->installEventFilter(this);
}

// The table goes after the panel's own members: its last events and signals must not reach them.
BatchDelete_OrderListWidget::~BatchDelete_OrderListWidget()
{
    table->viewport()->removeEventFilter(this);
    disconnect(table->verticalScrollBar(), nullptr, this, nullptr);
}

bool BatchDelete_OrderListWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == table->viewport() && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeRowWidgets();
    return QWidget::eventFilter(watched, event);
}

void BatchDelete_OrderListWidget::setupUI()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("orderListParentWidget"));
    frame->setStyleSheet(QStringLiteral(
        "#orderListParentWidget { border: 1px solid #DCDEE2; border-radius: 10px; background-color: #ffffff; }"));
    outer->addWidget(frame);
    innerLayout = new QVBoxLayout(frame);
    innerLayout->setContentsMargins(K::f(10), K::f(10), K::f(10), K::f(10));
    innerLayout->setSpacing(K::f(8));

    auto *top = new QHBoxLayout();
    selectAllCheck = new QCheckBox(QStringLiteral("全选"), frame);
    selectAllCheck->setObjectName(QStringLiteral("selectAllCheckBox"));
    selectAllCheck->setStyleSheet(QStringLiteral("QCheckBox { font-size: %1px; font-weight: 500; color: #333333; spacing: %2px; }")
                                      .arg(K::f(12))
                                      .arg(K::f(6))
                                  + checkIndicatorStyle());
    connect(selectAllCheck, &QCheckBox::stateChanged, this, &BatchDelete_OrderListWidget::onSelectAllChanged);
    countLab = new QLabel(frame);
    countLab->setObjectName(QStringLiteral("orderCountLabel"));
    countLab->setStyleSheet(QStringLiteral("font-size: %1px; font-weight: 500; color: #333333;").arg(K::f(12)));
    top->addWidget(selectAllCheck);
    top->addWidget(countLab);
    top->addStretch();

    columnTitles = QStringList{kCheckTitle,
                               kOrderNumberTitle,
                               QStringLiteral("客户姓名"),
                               QStringLiteral("摄影师"),
                               kDateTitle,
                               kCounterTitle,
                               QStringLiteral("导片路径")};
    table = new QTableWidget(frame);
    table->setObjectName(QStringLiteral("orderListTable"));
    table->setStyleSheet(tableStyle());
    table->verticalScrollBar()->setStyleSheet(getScrollBarStyle());
    table->horizontalScrollBar()->setStyleSheet(getScrollBarStyle());
    table->horizontalHeader()->setStyleSheet(getHeaderStyle());
    table->setColumnCount(columnTitles.size());
    table->setHorizontalHeaderLabels(columnTitles);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(K::f(45));
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (int column = 0; column < columnTitles.size(); ++column)
        table->setColumnWidth(column, K::f(kColumnWidths[column]));
    // Measured in the font the style sheet gives the table.
    table->ensurePolished();
    // A closing time shows whole, date and time.
    fitTextColumn(columnOf(kDateTitle), QStringLiteral("0000-00-00 00:00:00"));
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BatchDelete_OrderListWidget::onTableSelectionChanged);

    innerLayout->addLayout(top);
    innerLayout->addWidget(table);
}

int BatchDelete_OrderListWidget::columnOf(const QString &title) const
{
    return columnTitles.indexOf(title);
}

int BatchDelete_OrderListWidget::indexOf(const QString &orderPhotoId) const
{
    for (int i = 0; i < orderList.size(); ++i) {
        if (orderList.at(i).order_photo_id == orderPhotoId)
            return i;
    }
    return -1;
}

void BatchDelete_OrderListWidget::fitTextColumn(int column, const QString &text)
{
    if (column >= 0)
        ColumnFit::widen(table, column, ColumnFit::textWidth(table, table->font(), text, K::f(4)));
}

QWidget *BatchDelete_OrderListWidget::counterCell(int row) const
{
    const int column = columnOf(kCounterTitle);
    if (column < 0 || row < 0 || row >= table->rowCount())
        return nullptr;
    return table->cellWidget(row, column);
}

void BatchDelete_OrderListWidget::addOrder(const BatchDeleteOrderInfo &given)
{
    BatchDeleteOrderInfo order = given;
    order.row = orderList.size();
    order.checked = false;
    orderList.append(order);
    const int row = table->rowCount();
    table->insertRow(row);
    fillRow(row);
    if (nextRowToFill == row)
        ++nextRowToFill;
    placeRowWidgets();
}

void BatchDelete_OrderListWidget::showOrders(const QList<BatchDeleteOrderInfo> &orders)
{
    clearOrders();
    orderList = orders;
    for (int i = 0; i < orderList.size(); ++i) {
        orderList[i].row = i;
        orderList[i].checked = false;
    }
    table->setRowCount(orderList.size());
    placeRowWidgets();
    fillSomeRows();
}

bool BatchDelete_OrderListWidget::isFilling() const
{
    return nextRowToFill < table->rowCount();
}

void BatchDelete_OrderListWidget::fillRow(int row)
{
    if (row < 0 || row >= orderList.size() || row >= table->rowCount())
        return;
    const int numberColumn = columnOf(kOrderNumberTitle);
    if (numberColumn >= 0 && table->item(row, numberColumn))
        return;
    const BatchDeleteOrderInfo &order = orderList.at(row);
    for (int column = 0; column < columnTitles.size(); ++column) {
        const QString &title = columnTitles.at(column);
        if (title == kCheckTitle || title == kCounterTitle)
            continue;
        QString text;
        switch (column) {
        case 1: text = order.orderpayforkey + QLatin1Char('-') + order.servicetimes; break;
        case 2: text = BatchDeleteLogic::customerName(order.mname, order.wname); break;
        case 3: text = order.role1; break;
        case 4: text = order.fulfil_time; break;
        case 6: text = order.netpath; break;
        default: break;
        }
        table->setItem(row, column, new QTableWidgetItem(text));
        // Orders are deleted by number: an elided one could not tell two orders apart.
        if (title == kOrderNumberTitle)
            fitTextColumn(column, text);
    }
}

void BatchDelete_OrderListWidget::fillSomeRows()
{
    const int rows = qMin(table->rowCount(), int(orderList.size()));
    const int first = nextRowToFill;
    QElapsedTimer slice;
    slice.start();
    {
        // Rows out of view need no repaint each; one change below covers the slice.
        const QSignalBlocker blocker(table->model());
        while (nextRowToFill < rows) {
            fillRow(nextRowToFill++);
            if (nextRowToFill % 64 == 0 && slice.elapsed() >= kFillSliceMs)
                break;
        }
    }
    if (nextRowToFill > first) {
        QAbstractItemModel *model = table->model();
        emit model->dataChanged(model->index(first, 0), model->index(nextRowToFill - 1, columnTitles.size() - 1));
    }
    if (nextRowToFill < rows)
        fillTimer->start();
}

QPair<int, int> BatchDelete_OrderListWidget::rowsNearView() const
{
    const int rows = qMin(table->rowCount(), int(orderList.size()));
    const int rowHeight = qMax(1, table->verticalHeader()->defaultSectionSize());
    int height = table->viewport()->height();
    // A table not shown yet has no view of its own: a screen's height stands in.
    if (!table->isVisible()) {
        const QScreen *screen = table->screen();
        height = qMax(height, screen ? screen->availableGeometry().height() : 0);
    }
    const int top = qMax(0, table->rowAt(0));
    const int shown = height / rowHeight + 1;
    return {qMax(0, top - kRowsAroundView), qMin(rows, top + shown + kRowsAroundView)};
}

void BatchDelete_OrderListWidget::placeRowWidgets()
{
    const int rows = qMin(table->rowCount(), int(orderList.size()));
    const QPair<int, int> near = rowsNearView();
    const int checkColumn = columnOf(kCheckTitle);
    const int counterColumn = columnOf(kCounterTitle);
    // Released out of view: the table moves every widget it holds on each scroll.
    for (int row = widgetRowsFirst; row < qMin(widgetRowsLast, rows); ++row) {
        if (row >= near.first && row < near.second)
            continue;
        for (int column : {checkColumn, counterColumn}) {
            if (column >= 0 && table->cellWidget(row, column))
                table->removeCellWidget(row, column);
        }
    }
    for (int row = near.first; row < near.second; ++row) {
        fillRow(row);
        if (checkColumn >= 0 && !table->cellWidget(row, checkColumn))
            makeCheckCell(row);
        if (counterColumn >= 0 && !table->cellWidget(row, counterColumn))
            makeCounterCell(row);
    }
    widgetRowsFirst = near.first;
    widgetRowsLast = qMax(near.first, near.second);
}

void BatchDelete_OrderListWidget::makeCheckCell(int row)
{
    // Made in the viewport, where the table puts it: moved there later it would be polished twice.
    auto *cell = new QWidget(table->viewport());
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(K::f(8), 0, 0, 0);
    layout->setAlignment(Qt::AlignCenter);
    auto *box = new QCheckBox(cell);
    box->setProperty("row", row);
    box->setChecked(orderList.at(row).checked);
    box->setEnabled(userEnabled);
    connect(box, &QCheckBox::stateChanged, this, &BatchDelete_OrderListWidget::onCheckBoxStateChanged);
    layout->addWidget(box);
    table->setCellWidget(row, columnOf(kCheckTitle), cell);
}

void BatchDelete_OrderListWidget::makeCounterCell(int row)
{
    const BatchDeleteOrderInfo &order = orderList.at(row);
    auto *cell = new QWidget(table->viewport());
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(K::f(8), 0, 0, 0);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto *label = new QLabel(counterText(order), cell);
    label->setObjectName(QStringLiteral("numLab"));
    auto *bar = new QProgressBar(cell);
    bar->setObjectName(QStringLiteral("progressBar"));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setFixedSize(K::f(80), K::f(16));
    bar->setTextVisible(true);
    bar->hide();
    auto *okButton = new ElementButton(QStringLiteral("查看成功"), ElementButton::ButtonType(2), cell);
    okButton->setObjectName(QStringLiteral("checkOkBtn"));
    okButton->setButtonSize(ElementButton::ButtonSize(0));
    okButton->setTextStyle(true);
    okButton->hide();
    auto *failButton = new ElementButton(QStringLiteral("查看失败"), ElementButton::ButtonType(3), cell);
    failButton->setObjectName(QStringLiteral("checkFailBtn"));
    failButton->setButtonSize(ElementButton::ButtonSize(0));
    failButton->setTextStyle(true);
    failButton->hide();
    connect(okButton, &QPushButton::clicked, this, [this, row]() { showFileList(row, true); });
    connect(failButton, &QPushButton::clicked, this, [this, row]() { showFileList(row, false); });
    layout->addWidget(label);
    layout->addWidget(bar);
    layout->addWidget(okButton);
    layout->addWidget(failButton);

    // A cell made again after a scroll shows where the order's deletion stands.
    if (!order.all.isEmpty()) {
        bar->setMaximum(order.all.size());
        const int done = order.deleted.size() + order.failed.size();
        if (done > 0 && done < order.all.size()) {
            bar->setValue(done);
            bar->show();
        } else if (done > 0) {
            okButton->setVisible(!order.deleted.isEmpty());
            failButton->setVisible(!order.failed.isEmpty());
        }
    }
    table->setCellWidget(row, columnOf(kCounterTitle), cell);
    if (!order.all.isEmpty())
        fitCounter(cell, order.all.size());
}

void BatchDelete_OrderListWidget::clearOrders()
{
    // Rows of the last reply still to be filled have no place any more.
    fillTimer->stop();
    nextRowToFill = 0;
    widgetRowsFirst = 0;
    widgetRowsLast = 0;
    orderList.clear();
    table->setRowCount(0);
    selectAllCheck->setChecked(false);
}

void BatchDelete_OrderListWidget::selectAll(bool checked)
{
    const int column = columnOf(kCheckTitle);
    for (int row = 0; row < table->rowCount(); ++row) {
        QWidget *cell = column >= 0 ? table->cellWidget(row, column) : nullptr;
        if (cell) {
            if (auto *box = cell->findChild<QCheckBox *>()) {
                const QSignalBlocker blocker(box);
                box->setChecked(checked);
            }
        }
        if (row < orderList.size())
            orderList[row].checked = checked;
    }
}

QList<BatchDeleteOrderInfo> BatchDelete_OrderListWidget::getCheckedOrders() const
{
    QList<BatchDeleteOrderInfo> checked;
    for (const BatchDeleteOrderInfo &order : orderList) {
        if (order.checked)
            checked.append(order);
    }
    return checked;
}

BatchDeleteOrderInfo BatchDelete_OrderListWidget::getCurrentOrder() const
{
    const int row = table->currentRow();
    if (row >= 0 && row < orderList.size())
        return orderList.at(row);
    BatchDeleteOrderInfo none;
    none.row = -1;
    return none;
}

void BatchDelete_OrderListWidget::updateOrderCheckState(int row, bool checked)
{
    if (row >= 0 && row < orderList.size())
        orderList[row].checked = checked;
}

void BatchDelete_OrderListWidget::refreshOrderFiles(const QString &orderPhotoId, const QList<BatchDeleteFileInfo> &files)
{
    const int index = indexOf(orderPhotoId);
    if (index < 0)
        return;
    BatchDeleteOrderInfo &order = orderList[index];
    order.all = files;
    order.deleted.clear();
    order.failed.clear();
    QWidget *cell = counterCell(index);
    if (!cell)
        return;
    auto *bar = cell->findChild<QProgressBar *>(QStringLiteral("progressBar"));
    if (bar) {
        bar->hide();
        bar->setMaximum(files.size());
    }
    if (auto *button = cell->findChild<QWidget *>(QStringLiteral("checkOkBtn")))
        button->hide();
    if (auto *button = cell->findChild<QWidget *>(QStringLiteral("checkFailBtn")))
        button->hide();
    if (auto *label = cell->findChild<QLabel *>(QStringLiteral("numLab")))
        label->setText(counterText(order));
    fitCounter(cell, files.size());
}

void BatchDelete_OrderListWidget::fitCounter(QWidget *cell, int total)
{
    auto *label = cell->findChild<QLabel *>(QStringLiteral("numLab"));
    auto *layout = qobject_cast<QHBoxLayout *>(cell->layout());
    if (!label || !layout)
        return;
    // Room for the widest count of this order beside the bar or the two buttons, never covered.
    const QString widest = QStringLiteral("%1/%1/%1").arg(total);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + K::f(4));
    int beside = 0;
    for (const char *name : {"checkOkBtn", "checkFailBtn"}) {
        if (QWidget *button = cell->findChild<QWidget *>(QLatin1String(name)))
            beside += button->sizeHint().width() + layout->spacing();
    }
    if (QWidget *bar = cell->findChild<QWidget *>(QStringLiteral("progressBar")))
        beside = qMax(beside, bar->width() + layout->spacing());
    const QMargins margins = layout->contentsMargins();
    const int need = margins.left() + label->minimumWidth() + beside + margins.right() + K::f(8);
    const int column = columnOf(kCounterTitle);
    if (table->columnWidth(column) < need)
        table->setColumnWidth(column, need);
}

void BatchDelete_OrderListWidget::refreshFileStatusDeleting(const QString &orderPhotoId, int fileIndex)
{
    for (BatchDeleteOrderInfo &order : orderList) {
        if (order.order_photo_id == orderPhotoId && fileIndex >= 0 && fileIndex < order.all.size())
            order.all[fileIndex].status = Deleting;
    }
}

void BatchDelete_OrderListWidget::deleteRefreshOrder(const BatchDeleteOrderInfo &given, const BatchDeleteFileInfo &file)
{
    const int index = indexOf(given.order_photo_id);
    if (index < 0)
        return;
    BatchDeleteOrderInfo &order = orderList[index];
    // A file that is not part of the stored list is no outcome of this order.
    if (file.index < 0 || file.index >= order.all.size())
        return;
    if (file.status == Deleted)
        order.deleted.append(file);
    else
        order.failed.append(file);
    order.all[file.index].status = file.status;
    order.all[file.index].errorMessage = file.errorMessage;

    QWidget *cell = counterCell(index);
    if (!cell)
        return;
    if (auto *label = cell->findChild<QLabel *>(QStringLiteral("numLab")))
        label->setText(counterText(order));
    auto *bar = cell->findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QWidget *okButton = cell->findChild<QWidget *>(QStringLiteral("checkOkBtn"));
    QWidget *failButton = cell->findChild<QWidget *>(QStringLiteral("checkFailBtn"));
    const int done = order.deleted.size() + order.failed.size();
    if (done < order.all.size()) {
        if (bar) {
            bar->show();
            if (bar->maximum() != order.all.size())
                bar->setMaximum(order.all.size());
            bar->setValue(done);
        }
        if (okButton)
            okButton->hide();
        if (failButton)
            failButton->hide();
    } else {
        if (bar)
            bar->hide();
        if (okButton)
            okButton->setVisible(!order.deleted.isEmpty());
        if (failButton)
            failButton->setVisible(!order.failed.isEmpty());
    }
}

void BatchDelete_OrderListWidget::setUserEnable(bool enable)
{
    userEnabled = enable;
    selectAllCheck->setEnabled(enable);
    const int column = columnOf(kCheckTitle);
    for (int row = 0; row < table->rowCount(); ++row) {
        QWidget *cell = column >= 0 ? table->cellWidget(row, column) : nullptr;
        if (cell) {
            if (auto *box = cell->findChild<QCheckBox *>())
                box->setEnabled(enable);
        }
    }
}

void BatchDelete_OrderListWidget::onSelectAllChanged(int state)
{
    selectAll(state == Qt::Checked);
}

void BatchDelete_OrderListWidget::onCheckBoxStateChanged(int state)
{
    auto *box = qobject_cast<QCheckBox *>(sender());
    if (!box)
        return;
    const int row = box->property("row").toInt();
    if (row >= 0 && row < orderList.size())
        orderList[row].checked = (state == Qt::Checked);
    bool allChecked = true;
    bool anyChecked = false;
    for (const BatchDeleteOrderInfo &order : qAsConst(orderList)) {
        allChecked = allChecked && order.checked;
        anyChecked = anyChecked || order.checked;
    }
    const QSignalBlocker blocker(selectAllCheck);
    if (orderList.isEmpty() || !anyChecked)
        selectAllCheck->setCheckState(Qt::Unchecked);
    else if (allChecked)
        selectAllCheck->setCheckState(Qt::Checked);
    else
        selectAllCheck->setCheckState(Qt::PartiallyChecked);
}

void BatchDelete_OrderListWidget::onTableSelectionChanged()
{
    const int row = table->currentRow();
    if (row >= 0 && row < orderList.size())
        emit singleOrderClicked(orderList.at(row));
}

void BatchDelete_OrderListWidget::showFileList(int row, bool deletedList)
{
    if (row < 0 || row >= orderList.size())
        return;
    const BatchDeleteOrderInfo &order = orderList.at(row);
    const QString prefix = order.orderpayforkey + QLatin1Char('-') + order.servicetimes;
    if (deletedList)
        SimpleDialog::confirm(this, prefix + QStringLiteral(" 删除成功的照片"),
                              BatchDeleteLogic::deletedListText(order.deleted), nullptr, false);
    else
        SimpleDialog::confirm(this, prefix + QStringLiteral(" 删除失败的照片"),
                              BatchDeleteLogic::failedListText(order.failed), nullptr, false);
}
