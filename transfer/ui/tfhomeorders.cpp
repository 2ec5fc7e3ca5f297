#include "transfer/ui/tfhomeorders.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/ServiceReply.h"
#include "widgets/ComboBoxItemDelegate.h"
#include "transfer/ui/OrderRecords.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"
#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

const QString tfhomeorders::kRefreshMode = QStringLiteral("刷新导入数量");

namespace {

QString px(int value)
{
    return K::s(K::f(value)) + QStringLiteral("px");
}

QString labelStyle()
{
    return QStringLiteral("QLabel { font-size: %1; font-weight: 600; color: #333; }").arg(px(12));
}

QString comboStyle()
{
    return QStringLiteral(
               "QComboBox { padding: %1 %2; border: 1px solid #e0e0e0; border-radius: %3; font-size: %4;"
               " background: #ffffff; color: #000000; selection-background-color: #e3f2fd; }"
               "QComboBox:focus { border-color: #007aff; }"
               "QComboBox::drop-down { width: %5; border: none; }"
               "QComboBox::down-arrow { image: url(:/public/image/public/arrows/downarrow_gray_64.png);"
               " width: %6; height: %6; margin-right: %7; }"
               "QComboBox QAbstractItemView { border: 1px solid #e0e0e0; background: #ffffff;"
               " selection-background-color: #e3f2fd; selection-color: white; font-size: %4; min-height: %8; }"
               "QComboBox QAbstractItemView::item { height: %8; min-height: %8; max-height: %8; padding: %9 %2;"
               " border: none; }"
               "QComboBox QAbstractItemView::item:hover { background: #2c3e50; color: white; }"
               "QComboBox QAbstractItemView::item:selected { background: #e3f2fd; color: black; }")
        .arg(px(6), px(12), px(6), px(10), px(30), px(16), px(8), px(60), px(8));
}

QString comboViewStyle()
{
    return QStringLiteral("QListView { background: white; border: 1px solid #e0e0e0; outline: none;"
                          " font-size: %1; show-decoration-selected: 1; }")
        .arg(px(10));
}

QString lineEditStyle()
{
    return QStringLiteral("QLineEdit { padding: %1 %2; border: 1px solid #e0e0e0; border-radius: %3; font-size: %4;"
                          " background: #ffffff; color: #000000; }"
                          "QLineEdit:focus { border-color: #007aff; }")
        .arg(px(6), px(12), px(6), px(10));
}

QString dateEditStyle()
{
    return QStringLiteral(
               "QDateEdit { padding: %1 %2; border: 1px solid #e0e0e0; border-radius: %3; font-size: %4;"
               " background: #ffffff; selection-background-color: transparent; selection-color: #333333; }"
               "QDateEdit[readOnly=\"true\"] { background: #ffffff; color: #333333; }"
               "QDateEdit:focus { border-color: #007aff; }"
               "QDateEdit::drop-down { width: %5; background: transparent; border: none; }"
               "QDateEdit::down-arrow { image: url(:/public/image/public/arrows/downarrow_gray_64.png);"
               " width: %6; height: %6; margin-right: %7; }"
               "QCalendarWidget QWidget { background: white; font-size: %8; }"
               "QCalendarWidget QToolButton { background: #f8f9fa; border: 1px solid #e0e0e0; border-radius: %9;"
               " padding: %9; margin: %10; font-size: %8; color: #000000; }"
               "QCalendarWidget QToolButton:hover { background: #e3f2fd; border-color: #007aff; }"
               "QCalendarWidget QAbstractItemView:enabled { font-size: %8; color: #333333;"
               " selection-background-color: #007aff; selection-color: #FFFFFF; }")
        .arg(px(6), px(12), px(6), px(10), px(30), px(16), px(8), px(8), px(4))
        .arg(px(2));
}

QString searchButtonStyle(const QString &background)
{
    return QStringLiteral("QPushButton { background: %1; color: white; border: 1px solid #0051d5; border-radius: %2;"
                          " font-size: %3; font-weight: 600; }"
                          "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #74c0fc,"
                          " stop:1 #339af0); border-color: #228be6; }"
                          "QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1971c2,"
                          " stop:1 #003d99); border-color: #003d99; }")
        .arg(background, px(6), px(10));
}

QString standaloneCalendarStyle()
{
    return QStringLiteral(
               "QCalendarWidget { background: white; border: 2px solid #007aff; border-radius: %1; font-size: %2; }"
               "QCalendarWidget QWidget#qt_calendar_navigationbar { background: #f8f9fa; font-size: %2;"
               " font-weight: bold; min-height: %3; border-bottom: 1px solid #e0e0e0; }"
               "QCalendarWidget QToolButton { background: #f8f9fa; border: 1px solid #e0e0e0; border-radius: %4;"
               " padding: %5 %6; margin: %7; font-size: %8; font-weight: bold; color: #333333; min-width: %9;"
               " min-height: %10; }"
               "QCalendarWidget QToolButton:hover { background: #e3f2fd; border-color: #007aff; color: #007aff; }"
               "QCalendarWidget QToolButton:pressed { background: #007aff; color: white; }"
               "QCalendarWidget QSpinBox { background: white; border: 1px solid #e0e0e0; color: #333333;"
               " font-size: %8; font-weight: bold; }"
               "QCalendarWidget QMenu { background: white; border: 1px solid #e0e0e0; color: #333333; }"
               "QCalendarWidget QAbstractItemView { selection-background-color: #007aff; selection-color: white;"
               " font-size: %8; font-weight: bold; color: #333333; gridline-color: #e0e0e0; }")
        .arg(px(8), px(18), px(40), px(6), px(8), px(12), px(2), px(16), px(60))
        .arg(px(30));
}

QString replyCode(const QJsonDocument &reply)
{
    return reply.object().value(QStringLiteral("code")).toString();
}

void addShop(FormBody &body, const QString &shopId, const QString &eid, const QString &superId)
{
    body.add(QStringLiteral("shopid"), shopId)
        .add(QStringLiteral("eid"), eid)
        .add(QStringLiteral("superid"), superId)
        .add(QStringLiteral("personid"), eid);
}

// The branch, or the ids its switch gave, cannot be named in a request.
QString unusableBranchText()
{
    return QStringLiteral("切换分店：") + ServiceReply::unusableIdText();
}

} // namespace

tfhomeorders::tfhomeorders(QWidget *parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("tfhomeorders"));
    resize(400, 300);
    setWindowTitle(QStringLiteral("Form"));
    setupUI();
    reqTiaoseList();
}

tfhomeorders::~tfhomeorders() = default;

void tfhomeorders::setupUI()
{
    if (!Config::k_shops.isEmpty())
        m_shopId = Config::k_shops.first().id;

    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->setSpacing(K::f(10));
    auto *filterRow = new QHBoxLayout();
    filterRow->setContentsMargins(K::f(15), K::f(10), K::f(15), K::f(10));
    filterRow->setSpacing(K::f(8));

    auto makeLabel = [this](const QString &text) {
        auto *label = new QLabel(text, this);
        label->setStyleSheet(labelStyle());
        return label;
    };
    auto styleCombo = [this](QComboBox *combo) {
        combo->setItemDelegate(new ComboBoxItemDelegate(this));
        combo->setStyleSheet(comboStyle());
        combo->view()->setStyleSheet(comboViewStyle());
    };

    QLabel *branchLabel = makeLabel(QStringLiteral("分店选择:"));
    m_branchComboBox = new QComboBox(this);
    m_branchComboBox->setObjectName(QStringLiteral("branchComboBox"));
    m_branchComboBox->setFixedHeight(K::f(30));
    m_branchComboBox->setMinimumWidth(K::f(120));
    for (const ShopEntry &shop : qAsConst(Config::k_shops))
        m_branchComboBox->addItem(shop.name);
    styleCombo(m_branchComboBox);
    connect(m_branchComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &tfhomeorders::onBranchSelectionChanged);

    QLabel *typeLabel = makeLabel(QStringLiteral("搜索类型:"));
    m_searchTypeComboBox = new QComboBox(this);
    m_searchTypeComboBox->setObjectName(QStringLiteral("searchTypeComboBox"));
    m_searchTypeComboBox->setFixedHeight(K::f(30));
    m_searchTypeComboBox->setMinimumWidth(K::f(60));
    m_searchTypeComboBox->addItems({QStringLiteral("基本信息"), QStringLiteral("拍照日期"), QStringLiteral("选片日期")});
    styleCombo(m_searchTypeComboBox);

    m_searchLineEdit = new QLineEdit(this);
    m_searchLineEdit->setObjectName(QStringLiteral("searchLineEdit"));
    m_searchLineEdit->setPlaceholderText(QStringLiteral("搜索订单号、姓名、电话、微信..."));
    m_searchLineEdit->setFixedHeight(K::f(30));
    m_searchLineEdit->setFixedWidth(K::f(120));
    m_searchLineEdit->setStyleSheet(lineEditStyle());

    auto makeDateEdit = [this](const char *name, const QString &tip) {
        auto *edit = new QDateEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setFixedHeight(K::f(30));
        edit->setFixedWidth(K::f(120));
        edit->setDate(QDate::currentDate());
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->hide();
        edit->setReadOnly(true);
        edit->setStyleSheet(dateEditStyle());
        edit->installEventFilter(this);
        QPointer<QDateEdit> guarded(edit);
        QTimer::singleShot(0, this, [this, guarded]() {
            if (!guarded)
                return;
            const QList<QWidget *> children = guarded->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
            for (QWidget *child : children)
                child->installEventFilter(this);
        });
        edit->setToolTip(tip);
        connect(edit, &QDateEdit::dateChanged, this, [guarded]() {
            if (guarded && guarded->calendarWidget() && guarded->calendarWidget()->isVisible())
                guarded->calendarWidget()->hide();
        });
        return edit;
    };
    m_shotDateEdit = makeDateEdit("shotDateEdit", QStringLiteral("点击选择拍照日期"));
    m_selectDateEdit = makeDateEdit("selectDateEdit", QStringLiteral("点击选择选片日期"));

    QLabel *tiaoseLabel = makeLabel(QStringLiteral("样前修片师:"));
    m_tiaoseComboBox = new QComboBox(this);
    m_tiaoseComboBox->setObjectName(QStringLiteral("tiaoseComboBox"));
    m_tiaoseComboBox->setFixedHeight(K::f(30));
    m_tiaoseComboBox->setFixedWidth(K::f(80));
    styleCombo(m_tiaoseComboBox);

    m_searchButton = new QPushButton(QStringLiteral("搜索"), this);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_searchButton->setFixedHeight(K::f(25));
    m_searchButton->setFixedWidth(K::f(60));
    m_searchButton->setStyleSheet(searchButtonStyle(m_searchIdleBackground));
    connect(m_searchButton, &QPushButton::clicked, this, &tfhomeorders::onSearchClick);

    filterRow->addWidget(branchLabel);
    filterRow->addWidget(m_branchComboBox);
    filterRow->addStretch(1);
    filterRow->addWidget(typeLabel);
    filterRow->addWidget(m_searchTypeComboBox);
    filterRow->addWidget(m_searchLineEdit, 1);
    filterRow->addWidget(m_shotDateEdit, 1);
    filterRow->addWidget(m_selectDateEdit, 1);
    filterRow->addWidget(tiaoseLabel);
    filterRow->addWidget(m_tiaoseComboBox);
    filterRow->addStretch(1);
    filterRow->addWidget(m_searchButton);

    connect(m_searchTypeComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &tfhomeorders::onSearchTypeChanged);
    connect(m_tiaoseComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (index >= 0 && index < m_tiaoseIds.size())
            m_tiaoseId = m_tiaoseIds.at(index);
    });
    // Return searches like the button, and not while the button is disabled.
    connect(m_searchLineEdit, &QLineEdit::returnPressed, this, [this]() {
        if (m_searchButton->isEnabled())
            onSearchClick();
    });

    m_orderListWidget = new tfhomeorders_OrderListWidget(this);
    m_orderListWidget->setObjectName(QStringLiteral("m_orderListWidget"));
    m_photoDisplayWidget = new tfhomeorders_PhotoDisplayWidget(this);
    m_photoDisplayWidget->setObjectName(QStringLiteral("m_photoDisplayWidget"));
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->addWidget(m_orderListWidget);
    m_splitter->addWidget(m_photoDisplayWidget);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);

    connect(m_orderListWidget, &tfhomeorders_OrderListWidget::orderSelectionChanged, this,
            &tfhomeorders::onOrderSelectionChanged);
    connect(m_orderListWidget, &tfhomeorders_OrderListWidget::startImportOrder, this,
            &tfhomeorders::onStartImportOrder);
    connect(m_orderListWidget, &tfhomeorders_OrderListWidget::startImportAllOrders, this,
            &tfhomeorders::onStartImportAllOrders);
    connect(m_orderListWidget, &tfhomeorders_OrderListWidget::stopAllImport, this, &tfhomeorders::onStopAllImport);
    connect(m_orderListWidget, &tfhomeorders_OrderListWidget::importAllFinish, this, [this]() {
        if (m_reportsPending)
            m_refreshAfterReports = true;
        else
            reqOrderList(kRefreshMode);
    });
    connect(m_photoDisplayWidget, &tfhomeorders_PhotoDisplayWidget::reloadOrderThumbnail, this,
            &tfhomeorders::onReloadOrderThumbnail);

    m_mainLayout->addLayout(filterRow);
    m_mainLayout->addWidget(m_splitter, 1);

    m_searchTypeComboBox->setCurrentIndex(2);
    onSearchTypeChanged(2);

    connect(m_orderListWidget, &tfhomeorders_OrderListWidget::importStatusChange, this,
            &tfhomeorders::setSearchButtonBusy);
}

void tfhomeorders::setSearchButtonBusy(bool busy)
{
    m_importBusy = busy;
    m_searchIdleBackground = QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4dabf7, stop:1 #007aff)");
    refreshSearchButton();
}

// While a search is out the button is busy too, so it is never sent twice.
void tfhomeorders::setSearching(bool searching)
{
    m_searching = searching;
    refreshSearchButton();
}

void tfhomeorders::refreshSearchButton()
{
    const bool busy = m_importBusy || m_searching;
    m_searchButton->setEnabled(!busy);
    m_searchButton->setStyleSheet(searchButtonStyle(busy ? QStringLiteral("#bbbbbb") : m_searchIdleBackground));
}

void tfhomeorders::clearSearchResult()
{
    // The panels below showed an order of the old list: it may be gone now.
    m_photoDisplayWidget->clearOrder();
    emit orderSelChanged(-1, OrderInfo());
    m_orderListWidget->clearOrders();
}

// A failed search leaves no earlier result on screen as if it were the answer.
void tfhomeorders::failSearch(const QString &problem)
{
    setSearching(false);
    // Never pull the orders from under a run that started meanwhile.
    if (!m_importBusy)
        clearSearchResult();
    QMessageBox::warning(this, QStringLiteral("温馨提示"), problem, QMessageBox::Ok);
}

// ---- forwarding ---------------------------------------------------------

OrderInfo tfhomeorders::getCurrentOrderInfo() const
{
    return m_orderListWidget->getCurrentOrderInfo();
}

OrderInfo tfhomeorders::getIndexOrderInfo(int index) const
{
    return m_orderListWidget->orderAt(index);
}

void tfhomeorders::updateOrderProgress(const OrderInfo &order, int percent)
{
    m_orderListWidget->updateOrderProgress(order, percent);
}

void tfhomeorders::updateOrderStatus(const OrderInfo &order, const QString &status)
{
    m_orderListWidget->updateOrderStatus(order, status);
}

void tfhomeorders::updatePhotoStatus(const OrderInfo &order, int photoIndex, const QString &fileName,
                                     PhotoStatus status, const QString &failure)
{
    m_orderListWidget->updatePhotoStatus(order, photoIndex, fileName, status, failure);
}

void tfhomeorders::reloadStartAllButtonStatus(bool running)
{
    m_orderListWidget->reloadStartAllButtonStatus(running);
}

void tfhomeorders::upNextOrderPhotos(int row)
{
    m_orderListWidget->upNextOrderPhotos(row);
}

void tfhomeorders::updateOrderInfo(const OrderInfo &order)
{
    m_orderListWidget->updateOrderInfo(order);
}

void tfhomeorders::onAddSinglePhoto(const PhotoInfo &photo)
{
    m_photoDisplayWidget->addSinglePhoto(photo);
}

// ---- slots --------------------------------------------------------------

void tfhomeorders::onSearchClick()
{
    setSearching(true);
    reqShopInfo();
}

void tfhomeorders::onBranchSelectionChanged(int index)
{
    if (index >= 0 && index < Config::k_shops.size())
        m_shopId = Config::k_shops.at(index).id;
    m_tiaoseComboBox->clear();
    m_tiaoseIds.clear();
    reqTiaoseList();
}

void tfhomeorders::onOrderSelectionChanged(int row, const OrderInfo &order)
{
    m_photoDisplayWidget->loadPhotosForOrder(order);
    emit orderSelChanged(row, order);
}

void tfhomeorders::onSearchTypeChanged(int index)
{
    m_searchLineEdit->hide();
    m_shotDateEdit->hide();
    m_selectDateEdit->hide();
    if (index == 1)
        m_shotDateEdit->show();
    else if (index == 2)
        m_selectDateEdit->show();
    else
        m_searchLineEdit->show();
    qCDebug(lcTransfer) << "搜索类型已切换到索引:" << index;
}

void tfhomeorders::onStartImportOrder(const OrderInfo &order)
{
    qCDebug(lcTransfer) << "启动单个订单导片:" << order.orderpayforkey;
    emit startImportOrder(order);
}

void tfhomeorders::onStartImportAllOrders(const QList<OrderInfo> &orders)
{
    qCDebug(lcTransfer) << "启动批量导片，订单数量:" << orders.size();
    emit startImportAllOrders(orders);
}

void tfhomeorders::onStopAllImport()
{
    qCDebug(lcTransfer) << "停止所有导片";
    emit stopAllImport();
}

void tfhomeorders::onReloadOrderThumbnail(const QString &order_photo_id)
{
    const OrderInfo current = m_orderListWidget->getCurrentOrderInfo();
    if (current.index >= 0 && current.order_photo_id == order_photo_id)
        getOrderImportPhotos(current);
}

void tfhomeorders::setReportsPending(bool pending)
{
    m_reportsPending = pending;
    if (!pending && std::exchange(m_refreshAfterReports, false))
        reqOrderList(kRefreshMode);
}

// ---- requests -----------------------------------------------------------

void tfhomeorders::post(const QString &path, const QByteArray &body, ReplyHandler handler)
{
    auto *request = new BaseReq(this);
    request->getResultData(path, body, [request, handler](bool ok, const QJsonDocument &reply) {
        handler(ok, reply, request->lastFailure());
        request->deleteLater();
    });
}

void tfhomeorders::reqShopInfo()
{
    // No branch of the login reply had a usable id: nothing names the branch.
    if (m_shopId.isEmpty()) {
        failSearch(unusableBranchText());
        return;
    }
    const QByteArray body = FormBody().add(QStringLiteral("shopid"), m_shopId).toBytes();
    post(QStringLiteral("&m=public&a=switch_shop"), body,
         [this](bool ok, const QJsonDocument &reply, BaseReq::Failure failure) {
             onSwitchShopReply(ok, reply, failure);
         });
}

void tfhomeorders::reqTiaoseList()
{
    if (m_shopId.isEmpty())
        return;
    FormBody body;
    addShop(body, m_shopId, m_eid, m_superId);
    post(QStringLiteral("&m=order&a=get_persons"), body.toBytes(),
         [this](bool ok, const QJsonDocument &reply, BaseReq::Failure) { onPersonsReply(ok, reply); });
}

void tfhomeorders::reqOrderList(const QString &mode)
{
    QString keyword;
    QString searchType;
    switch (m_searchTypeComboBox->currentIndex()) {
    case 1:
        keyword = m_shotDateEdit->date().toString(QStringLiteral("yyyy-MM-dd"));
        searchType = QStringLiteral("4");
        break;
    case 2:
        keyword = m_selectDateEdit->date().toString(QStringLiteral("yyyy-MM-dd"));
        searchType = QStringLiteral("5");
        break;
    default:
        keyword = m_searchLineEdit->text();
        searchType = QStringLiteral("1");
        break;
    }
    FormBody body;
    body.add(QStringLiteral("keyword"), keyword)
        .add(QStringLiteral("searchtype"), searchType)
        .add(QStringLiteral("role7id"), m_tiaoseId)
        .add(QStringLiteral("ratio"), QStringLiteral("90"));
    addShop(body, m_shopId, m_eid, m_superId);
    post(QStringLiteral("&m=order&a=order_list"), body.toBytes(),
         [this, mode](bool ok, const QJsonDocument &reply, BaseReq::Failure failure) {
             onOrderListReply(mode, ok, reply, failure);
         });
}

void tfhomeorders::getOrderImportPhotos(const OrderInfo &order)
{
    FormBody body;
    body.add(QStringLiteral("order_photo_id"), order.order_photo_id).add(QStringLiteral("ratio"), QStringLiteral("90"));
    addShop(body, m_shopId, m_eid, m_superId);
    post(QStringLiteral("&m=order&a=getorderphotoimg"), body.toBytes(),
         [this, order](bool ok, const QJsonDocument &reply, BaseReq::Failure) {
             onOrderPhotosReply(order, ok, reply);
         });
}

// ---- replies ------------------------------------------------------------

void tfhomeorders::onSwitchShopReply(bool ok, const QJsonDocument &reply, BaseReq::Failure failure)
{
    const QString problem = ServiceReply::problem(ok, reply, failure, QStringLiteral("msg"));
    if (!problem.isEmpty()) {
        failSearch(problem);
        return;
    }
    const QJsonObject object = reply.object();
    const QString superId = ServiceReply::idText(object.value(QStringLiteral("SUPERID")));
    const QString eid = ServiceReply::idText(object.value(QStringLiteral("EID")));
    // Every later request carries both: none goes out with an empty one.
    if (superId.isEmpty() || eid.isEmpty()) {
        qCWarning(lcTransfer) << "切换分店的回复编号无效:" << object.value(QStringLiteral("SUPERID"))
                              << object.value(QStringLiteral("EID"));
        failSearch(unusableBranchText());
        return;
    }
    m_superId = superId;
    m_eid = eid;
    m_photoDisplayWidget->m_shopId = m_shopId;
    m_photoDisplayWidget->m_eid = m_eid;
    m_photoDisplayWidget->m_superId = m_superId;

    QMap<QString, QString> shop;
    shop.insert(QStringLiteral("shopid"), m_shopId);
    shop.insert(QStringLiteral("superid"), m_superId);
    shop.insert(QStringLiteral("managerid"), m_eid);
    emit changeShop(shop);
    reqOrderList(QString());
}

void tfhomeorders::onPersonsReply(bool ok, const QJsonDocument &reply)
{
    if (!ok)
        return;
    const QJsonObject object = reply.object();
    const ServiceReply::Code code = ServiceReply::codeOf(object);
    if (code != ServiceReply::Code::Accepted) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"),
                             code == ServiceReply::Code::BadForm ? ServiceReply::badFormMessage()
                                                                 : object.value(QStringLiteral("message")).toString(),
                             QMessageBox::Ok);
        return;
    }
    m_tiaoseIds.append(QString());
    m_tiaoseComboBox->addItem(QStringLiteral("全部"));
    const QJsonArray persons = object.value(QStringLiteral("persons")).toArray();
    for (const QJsonValue &value : persons) {
        const QJsonObject person = value.toObject();
        // A retoucher no filter could name is not offered.
        const QString id = ServiceReply::idText(person.value(QStringLiteral("id")));
        if (id.isEmpty()) {
            qCWarning(lcTransfer) << "修片师编号无效，已跳过:" << person.value(QStringLiteral("name")).toString();
            continue;
        }
        m_tiaoseIds.append(id);
        m_tiaoseComboBox->addItem(person.value(QStringLiteral("name")).toString());
    }
}

void tfhomeorders::onOrderListReply(const QString &mode, bool ok, const QJsonDocument &reply,
                                    BaseReq::Failure failure)
{
    const bool search = mode != kRefreshMode;
    const QString problem = ServiceReply::problem(ok, reply, failure, QStringLiteral("message"));
    if (!problem.isEmpty()) {
        if (search) {
            failSearch(problem);
        } else {
            QMessageBox::warning(this, QStringLiteral("温馨提示"), problem, QMessageBox::Ok);
        }
        return;
    }
    if (search)
        setSearching(false);
    const QJsonObject object = reply.object();
    const QJsonArray data = object.value(QStringLiteral("data")).toArray();
    if (data.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), QStringLiteral("未检索到订单"), QMessageBox::Ok);
        return;
    }

    if (mode == kRefreshMode) {
        QMap<QString, OrderInfo> refreshed;
        for (const QJsonValue &value : data) {
            const QJsonObject entry = value.toObject();
            OrderInfo order;
            order.id = ServiceReply::idText(entry.value(QStringLiteral("id")));
            order.order_photo_id = ServiceReply::idText(entry.value(QStringLiteral("order_photo_id")));
            OrderRecords::sortImportedEntries(entry.value(QStringLiteral("images")).toArray(), order.importedPhotos,
                                              order.importedTrialVideos, order.importedRetouchedVideos);
            OrderRecords::sortImportedEntries(entry.value(QStringLiteral("images_taipian")).toArray(),
                                              order.importedPhotos, order.importedTrialVideos,
                                              order.importedRetouchedVideos);
            refreshed.insert(order.order_photo_id, order);
        }
        m_orderListWidget->refreshImportNums(refreshed);
        return;
    }

    m_openypml = object.value(QStringLiteral("openypml")).toInt(0);
    m_delyp = object.value(QStringLiteral("delyp")).toInt(0);
    m_orderListWidget->setOpenButtonMode(m_openypml);
    m_orderListWidget->setDeleteButtonMode(m_delyp);
    m_photoDisplayWidget->setDelBtnShow(m_delyp);
    clearSearchResult();
    QList<OrderInfo> orders;
    orders.reserve(data.size());
    for (int i = 0; i < data.size(); ++i)
        orders.append(OrderRecords::orderFromListObject(data.at(i).toObject(), i));
    // One repaint for the whole list instead of one per row.
    m_orderListWidget->setUpdatesEnabled(false);
    m_orderListWidget->addOrders(orders);
    m_orderListWidget->setUpdatesEnabled(true);
}

void tfhomeorders::onOrderPhotosReply(const OrderInfo &asked, bool ok, const QJsonDocument &reply)
{
    if (!ok || replyCode(reply) != QLatin1String("1"))
        return;
    // The list may have been refilled since the request: only the order that asked takes the reply.
    OrderInfo stored = m_orderListWidget->orderAt(asked.index);
    if (stored.index < 0 || stored.order_photo_id != asked.order_photo_id) {
        qCDebug(lcTransfer) << "忽略已不在列表中的订单的已导入照片:" << asked.order_photo_id;
        return;
    }
    // A reply without a list says nothing about the photos: what is shown stays.
    const QJsonValue images = reply.object().value(QStringLiteral("images"));
    if (!images.isArray()) {
        qCWarning(lcTransfer) << "已导入照片的回复没有照片列表:" << asked.order_photo_id;
        return;
    }
    stored.importedPhotos.clear();
    stored.importedTrialVideos.clear();
    stored.importedRetouchedVideos.clear();
    OrderRecords::sortImportedEntries(images.toArray(), stored.importedPhotos, stored.importedTrialVideos,
                                      stored.importedRetouchedVideos);
    m_orderListWidget->updateOrderInfo(stored);
    if (m_orderListWidget->getCurrentOrderInfo().index == stored.index)
        m_photoDisplayWidget->loadPhotosForOrder(stored);
}

// ---- date fields --------------------------------------------------------

bool tfhomeorders::eventFilter(QObject *watched, QEvent *event)
{
    auto belongsTo = [watched](QDateEdit *edit) { return watched == edit || watched->parent() == edit; };
    QDateEdit *edit = belongsTo(m_shotDateEdit) ? m_shotDateEdit
                      : belongsTo(m_selectDateEdit) ? m_selectDateEdit
                                                    : nullptr;
    if (!edit)
        return QWidget::eventFilter(watched, event);
    if (edit->isVisible() && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        qCDebug(lcTransfer) << "日期选择器被点击，控件:" << watched->metaObject()->className();
        QPointer<QDateEdit> guarded(edit);
        QTimer::singleShot(10, this, [this, guarded]() {
            if (guarded)
                openCalendar(guarded);
        });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void tfhomeorders::openCalendar(QDateEdit *dateEdit)
{
    const bool wasReadOnly = dateEdit->isReadOnly();
    if (wasReadOnly)
        dateEdit->setReadOnly(false);
    const QPoint corner = dateEdit->mapToGlobal(QPoint(0, dateEdit->height()));
    if (QCalendarWidget *calendar = dateEdit->calendarWidget()) {
        qCDebug(lcTransfer) << "尝试使用内置日历控件";
        calendar->setSelectedDate(dateEdit->date());
        calendar->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        calendar->setFocusPolicy(Qt::StrongFocus);
        calendar->move(corner);
        calendar->resize(320, 360);
        calendar->setVisible(true);
        calendar->show();
        calendar->raise();
        calendar->activateWindow();
        calendar->setFocus(Qt::OtherFocusReason);
        qCDebug(lcTransfer) << "内置日历显示状态:" << (calendar->isVisible() ? "true" : "false");
        if (!calendar->isVisible()) {
            qCDebug(lcTransfer) << "内置日历无法显示，创建独立日历弹窗";
            showCustomCalendar(dateEdit, corner);
        }
    } else {
        qCDebug(lcTransfer) << "无法获取日历控件，创建独立日历";
        showCustomCalendar(dateEdit, corner);
    }
    if (wasReadOnly) {
        QPointer<QDateEdit> guarded(dateEdit);
        QTimer::singleShot(100, this, [guarded]() {
            if (guarded)
                guarded->setReadOnly(true);
        });
    }
}

void tfhomeorders::showCustomCalendar(QDateEdit *dateEdit, const QPoint &globalPos)
{
    auto *calendar = new QCalendarWidget();
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setSelectedDate(dateEdit->date());
    calendar->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    calendar->setFocusPolicy(Qt::StrongFocus);
    calendar->resize(160, 180);
    calendar->move(globalPos);

    auto applyPalette = [](QWidget *widget) {
        QPalette palette = widget->palette();
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(QPalette::All, role, QColor(QStringLiteral("#333333")));
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button})
            palette.setColor(QPalette::All, role, QColor(QStringLiteral("#f8f9fa")));
        widget->setPalette(palette);
    };
    applyPalette(calendar);
    QPointer<QCalendarWidget> guardedCalendar(calendar);
    QTimer::singleShot(10, calendar, [calendar, applyPalette]() {
        qCDebug(lcTransfer) << "开始设置日历子控件调色板";
        for (QWidget *child : calendar->findChildren<QWidget *>()) {
            applyPalette(child);
            child->setAutoFillBackground(true);
        }
        for (QToolButton *button : calendar->findChildren<QToolButton *>())
            button->setStyleSheet(QStringLiteral("QToolButton { color: #333333 !important; background-color: #f8f9fa; }"));
        for (QLabel *label : calendar->findChildren<QLabel *>())
            label->setStyleSheet(QStringLiteral("QLabel { color: #333333 !important; }"));
        for (QLineEdit *edit : calendar->findChildren<QLineEdit *>())
            edit->setStyleSheet(QStringLiteral("QLineEdit { color: #333333 !important; }"));
        for (QSpinBox *spin : calendar->findChildren<QSpinBox *>())
            spin->setStyleSheet(QStringLiteral("QSpinBox { color: #333333 !important; }"));
    });
    calendar->setStyleSheet(standaloneCalendarStyle());
    QPointer<QDateEdit> guardedEdit(dateEdit);
    connect(calendar, &QCalendarWidget::clicked, calendar, [calendar, guardedEdit](const QDate &date) {
        if (guardedEdit)
            guardedEdit->setDate(date);
        calendar->hide();
        calendar->deleteLater();
        qCDebug(lcTransfer) << "日期已选择:" << date.toString(QStringLiteral("yyyy-MM-dd"));
    });
    calendar->show();
    calendar->raise();
    calendar->activateWindow();
    calendar->setFocus(Qt::OtherFocusReason);
    qCDebug(lcTransfer) << "自定义日历已显示，位置:" << globalPos << "可见性:"
                        << (guardedCalendar && guardedCalendar->isVisible() ? "true" : "false");
}
