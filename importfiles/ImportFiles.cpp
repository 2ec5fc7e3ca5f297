#include "importfiles/ImportFiles.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/ServiceReply.h"
#include "app/core/SharedFolderOpener.h"
#include "importfiles/FileButtonDelegate.h"
#include "importfiles/ImportChoiceRunnable.h"
#include "importfiles/ImportFileCopyRunnable.h"
#include "importfiles/ImportFileTableModel.h"
#include "importfiles/ImportFilesComboBoxDelegate.h"
#include "importfiles/ImportTargetCheckRunnable.h"
#include "importfiles/OriginalView.h"
#include "platform/MountRoot.h"
#include "widgets/DialogAnswer.h"
#include "widgets/FullScreenLoading.h"
#include "widgets/OrderNumberButtonDelegate.h"
#include "widgets/SimpleDialog.h"
#include "widgets/ToastWidget.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QMouseEvent>
#include <QTimer>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QEventLoopLocker>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

// A choice read within this time shows no busy overlay.
constexpr int kChoiceBusyDelayMs = 300;
// Filling order rows holds the window at most this long at a time.
constexpr int kFillSliceMs = 20;
// Rows above and below the visible ones that keep their buttons, so that a
// small scroll shows them at once.
constexpr int kButtonMarginRows = 4;
// Rows measured for a column sized to its contents: more than a screenful.
constexpr int kSizedRows = 100;
// The GUI thread's time for starting copies, or for taking their results,
// in one turn of the event loop.
constexpr int kStartSliceMs = 20;

const char *const kTableStyle =
    "%1 {    border: 1px solid #e0e0e0;    border-radius: 6px;    background-color: #ffffff;"
    "    gridline-color: #f0f0f0;    font-size: %2px;    color: #333333;}"
    // No colour on ::item: it would paint over the state colours of the cells.
    "%1::item {    padding: 8px;    border-bottom: 1px solid #f0f0f0;}"
    "%1::item:selected {    background-color: #e3f2fd;    color: #000000;}"
    "%1::item:hover {    background-color: #f5f5f5;}"
    "QHeaderView::section {    background-color: #f8f9fa;    color: #000;    font-weight: 500;"
    "    font-size: %2px;    padding: 10px 8px;    border: none;    border-bottom: 2px solid #e0e0e0;}";

QString startButtonStyle(bool running)
{
    const QString bg = running ? QStringLiteral("#E57373") : QStringLiteral("#52B788");
    const QString border = running ? QStringLiteral("#D4625E") : QStringLiteral("#40A072");
    const QString hover = running ? QStringLiteral("#EF8A8A") : QStringLiteral("#6BC99A");
    return QStringLiteral("QPushButton {    background: %1;    color: white;    border: 1px solid %2;"
                          "    border-radius: 6px;    font-size: %3px;    font-weight: 600;    padding: 0 20px;}"
                          "QPushButton:hover {    background: %4;}QPushButton:pressed {    background: %2;}")
        .arg(bg, border, K::s(K::f(12)), hover);
}

// The row buttons' looks, set once on the order table: a sheet on every
// button made each row's widget slow to build.
QString rowButtonStyles()
{
    const auto rule = [](const QString &name, const QString &background, const QString &hover) {
        return QStringLiteral("QPushButton#%1 {background: %2; color: white; border: none; border-radius: 4px;"
                              " font-size: %3px;}QPushButton#%1:hover {background: %4;}")
            .arg(name, background, K::s(K::f(10)), hover);
    };
    return QStringLiteral("QWidget#orderRowButtons {background: transparent;}")
           + rule(QStringLiteral("selectFilesButton"), QStringLiteral("#5B8DEF"), QStringLiteral("#4A7CD8"))
           + rule(QStringLiteral("clearFilesButton"), QStringLiteral("#E57373"), QStringLiteral("#D4625E"))
           + rule(QStringLiteral("openDirButton"), QStringLiteral("#8E99A4"), QStringLiteral("#7A8590"));
}

// Drops the outcome recorded for one file row of the order.
void forgetOutcome(ImportOrder &order, int fileRow)
{
    for (int i = order.failedFiles.size() - 1; i >= 0; --i) {
        if (order.failedFiles.at(i).fileRow == fileRow) {
            order.failedFiles.removeAt(i);
            if (i < order.failedNames.size())
                order.failedNames.removeAt(i);
        }
    }
    for (int i = order.successFiles.size() - 1; i >= 0; --i) {
        if (order.successFiles.at(i).fileRow == fileRow)
            order.successFiles.removeAt(i);
    }
}

// Lets copies still inside run() finish without the window waiting for them.
void releaseWhenIdle(QThreadPool *pool)
{
    pool->setParent(nullptr);
    if (pool->waitForDone(0)) {
        delete pool;
        return;
    }
    pool->setParent(QCoreApplication::instance());
    auto *poll = new QTimer(pool);
    QObject::connect(poll, &QTimer::timeout, pool, [pool] {
        if (pool->waitForDone(0))
            pool->deleteLater();
    });
    poll->start(200);
}

// Sends the report of one placed file; answered gets the refusal's text,
// empty when the service took it. Goes on when the window has gone.
void postPhotoReport(const QByteArray &body, std::function<void(const QString &)> answered = {})
{
    auto *req = BaseReq::forOwedReport();
    req->getResultData(QStringLiteral("&m=order&a=savepicpath"), body,
                       [req, answered](bool ok, const QJsonDocument &doc) {
                           req->deleteLater();
                           if (answered)
                               answered(ServiceReply::problem(ok, doc, req->lastFailure(), QStringLiteral("msg")));
                       });
}

bool hasFileToCopy(const ImportOrder &order)
{
    for (const ImportFile &file : order.files) {
        if (file.status != ImportStatus::Success)
            return true;
    }
    return false;
}

} // namespace

ImportFiles::ImportFiles(QWidget *parent)
    : QMainWindow(parent)
    , m_threadPool(new QThreadPool(this))
    , m_folderOpener(new SharedFolderOpener(this))
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("ImportFiles"));
    resize(400, 300);
    setWindowTitle(QStringLiteral("Form"));
    m_threadPool->setMaxThreadCount(4);
    qRegisterMetaType<ImportFile>("ImportFile");
    qRegisterMetaType<ImportOrder>("ImportOrder");
    qRegisterMetaType<QList<ImportFile>>("QList<ImportFile>");
    qRegisterMetaType<QList<int>>("QList<int>");
}

ImportFiles::~ImportFiles()
{
    stopAllImportTasks();
    // Copies already whole when the window goes are on the share: the
    // service hears of each, also of those whose results were not taken yet.
    for (const ImportFile &file : qAsConst(m_copyResults)) {
        if (file.status == ImportStatus::Success && isCurrent(file))
            m_runPlaced[file.orderRow].append(file);
    }
    m_copyResults.clear();
    leaveToListings();
    reportAllUnlisted();
    releaseWhenIdle(m_threadPool);
}

void ImportFiles::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    // The reports of what is on the share go out as the window is deleted,
    // after the close: closing the last window meanwhile does not end the program.
    if (event->isAccepted() && testAttribute(Qt::WA_DeleteOnClose) && !m_keepsProgram)
        m_keepsProgram = std::make_unique<QEventLoopLocker>();
}

void ImportFiles::setImportType(ImportFileType type)
{
    if (m_uiBuilt)
        return;
    m_importType = type;
    setupUI();
    m_uiBuilt = true;
    if (type == OriginalFiles) {
        m_originalView = new OriginalView(this);
        m_originalView->initUI({});
        m_rightLayout->addWidget(m_originalView, 1);
    }
}

// ---------------------------------------------------------------- layout

void ImportFiles::setupUI()
{
    if (!Config::k_shops.isEmpty())
        m_shopId = Config::k_shops.first().id;

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("importFilesCentral"));
    m_mainLayout = new QHBoxLayout(central);
    m_mainLayout->setContentsMargins(0, 0, 0, 0);
    m_mainLayout->setSpacing(0);
    m_splitter = new QSplitter(Qt::Horizontal, central);
    m_splitter->setStyleSheet(QStringLiteral("QSplitter::handle {    background-color: #e0e0e0;    width: 1px;}"));
    m_mainLayout->addWidget(m_splitter);

    auto *left = new QWidget(m_splitter);
    auto *right = new QWidget(m_splitter);
    left->setStyleSheet(QStringLiteral("background-color: #ffffff;"));
    right->setStyleSheet(QStringLiteral("background-color: #ffffff;"));
    setupLeftPanel(left);
    setupRightPanel(right);
    m_splitter->addWidget(left);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(central);
}

void ImportFiles::setupLeftPanel(QWidget *panel)
{
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    const QString labelStyle =
        QStringLiteral("QLabel {    font-size: %1px;    font-weight: 600;    color: #333;}").arg(K::s(K::f(12)));
    const QString comboStyle = QStringLiteral(
        "QComboBox {    padding: 6px 12px;    border: 1px solid #e0e0e0;    border-radius: 6px;    font-size: %1px;"
        "    background-color: #ffffff;    color: #000000;}QComboBox:focus {    border-color: #007aff;}"
        "QComboBox::drop-down {    border: none;    width: 30px;}QComboBox::down-arrow {"
        "    image: url(:/public/image/public/arrows/downarrow_gray_64.png);    width: 16px;    height: 16px;"
        "    margin-right: 8px;}QComboBox QAbstractItemView {    background-color: #ffffff;    border: 1px solid #e0e0e0;"
        "    selection-background-color: #87CEEB;    selection-color: #000000;    color: #000000;}"
        "QComboBox QAbstractItemView::item {    padding: 6px 12px;    color: #000000;}"
        "QComboBox QAbstractItemView::item:selected {    background-color: #87CEEB;    color: #000000;}")
                                   .arg(K::s(K::f(10)));
    const QString dateStyle = QStringLiteral(
        "QDateEdit {    padding: 6px 12px;    border: 1px solid #e0e0e0;    border-radius: 6px;    font-size:  %1px;"
        "    background-color: #ffffff;    selection-background-color: transparent;    selection-color: #333333;}"
        "QDateEdit[readOnly=\"true\"] {    background-color: #ffffff;    color: #333333;}"
        "QDateEdit:focus {    border-color: #007aff;    outline: none;}"
        "QDateEdit::drop-down {    border: none;    width: 30px;    background: transparent;}"
        "QDateEdit::down-arrow {    image: url(:/public/image/public/arrows/downarrow_gray_64.png);    width: 16px;"
        "    height: 16px;    margin-right: 8px;}QCalendarWidget {    background-color: white;"
        "    border: 1px solid #e0e0e0;    font-size:  %2px;}QCalendarWidget QToolButton {    background-color: #f8f9fa;"
        "    border: 1px solid #e0e0e0;    border-radius: 4px;    padding: 4px;    margin: 2px;    font-size:  %2px;"
        "    color: #000000;}QCalendarWidget QToolButton:hover {    background-color: #e3f2fd;    border-color: #007aff;}"
        "QCalendarWidget QAbstractItemView {    selection-background-color: #007aff;    selection-color: #FFFFFF;}"
        "QCalendarWidget QAbstractItemView:enabled {    font-size:  %2px;    color: #333333;}"
        "QWidget#qt_calendar_navigationbar > QToolButton {    color: #000000;}")
                                  .arg(K::s(K::f(10)), K::s(K::f(8)));

    auto *searchRow = new QHBoxLayout();
    searchRow->setSpacing(8);
    auto *branchLabel = new QLabel(QStringLiteral("分店选择:"), this);
    branchLabel->setStyleSheet(labelStyle);
    m_branchBox = new QComboBox(this);
    m_branchBox->setObjectName(QStringLiteral("branchBox"));
    m_branchBox->setFixedHeight(K::f(30));
    m_branchBox->setMinimumWidth(K::f(100));
    m_branchBox->setStyleSheet(comboStyle);
    for (const ShopEntry &shop : Config::k_shops)
        m_branchBox->addItem(shop.name);

    auto *typeLabel = new QLabel(QStringLiteral("搜索类型:"), this);
    typeLabel->setStyleSheet(labelStyle);
    m_searchTypeBox = new QComboBox(this);
    m_searchTypeBox->setObjectName(QStringLiteral("searchTypeBox"));
    m_searchTypeBox->setFixedHeight(K::f(30));
    m_searchTypeBox->setMinimumWidth(K::f(60));
    m_searchTypeBox->setStyleSheet(comboStyle);
    m_searchTypeBox->addItems({QStringLiteral("基本信息"), QStringLiteral("拍照日期"), QStringLiteral("选片日期")});
    m_branchBox->setItemDelegate(new ImportFilesComboBoxDelegate(this));
    m_searchTypeBox->setItemDelegate(new ImportFilesComboBoxDelegate(this));

    m_keywordEdit = new QLineEdit(this);
    m_keywordEdit->setObjectName(QStringLiteral("keywordEdit"));
    m_keywordEdit->setPlaceholderText(QStringLiteral("搜索订单号、姓名、电话..."));
    m_keywordEdit->setFixedHeight(K::f(30));
    m_keywordEdit->setMinimumWidth(K::f(150));
    m_keywordEdit->setStyleSheet(QStringLiteral("QLineEdit {    padding: 6px 12px;    border: 1px solid #e0e0e0;"
                                                "    border-radius: 6px;    font-size: %1px;    background-color: #ffffff;"
                                                "    color: #000000;}QLineEdit:focus {    border-color: #007aff;}")
                                     .arg(K::s(K::f(10))));

    const auto makeDate = [this, &dateStyle](const char *name, const QString &tip) {
        auto *edit = new QDateEdit(QDate::currentDate(), this);
        edit->setObjectName(QLatin1String(name));
        edit->setToolTip(tip);
        edit->setFixedHeight(K::f(30));
        edit->setStyleSheet(dateStyle);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setReadOnly(true);
        edit->hide();
        edit->installEventFilter(this);
        // The line edit inside exists only once the field is polished.
        QTimer::singleShot(0, edit, [this, edit] {
            for (QObject *child : edit->children()) {
                if (child->isWidgetType())
                    child->installEventFilter(this);
            }
        });
        connect(edit, &QDateEdit::dateChanged, edit, [edit] {
            if (edit->calendarWidget() && edit->calendarWidget()->isVisible())
                edit->calendarWidget()->hide();
        });
        return edit;
    };
    m_shotDateEdit = makeDate("shotDateEdit", QStringLiteral("点击选择拍照日期"));
    m_pickDateEdit = makeDate("pickDateEdit", QStringLiteral("点击选择选片日期"));

    m_searchButton = new QPushButton(QStringLiteral("搜索"), this);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_searchButton->setFixedSize(K::f(60), K::f(30));
    m_searchButton->setStyleSheet(
        QStringLiteral("QPushButton {    background: #5B8DEF;    color: white;    border: 1px solid #4A7CD8;"
                       "    border-radius: 6px;    font-size: %1px;    font-weight: 600;}"
                       "QPushButton:hover {    background: #7BA3F5;}QPushButton:pressed {    background: #4A7CD8;}")
            .arg(K::s(K::f(10))));

    searchRow->addWidget(branchLabel);
    searchRow->addWidget(m_branchBox);
    searchRow->addSpacing(10);
    searchRow->addWidget(typeLabel);
    searchRow->addWidget(m_searchTypeBox);
    searchRow->addWidget(m_keywordEdit, 1);
    searchRow->addWidget(m_shotDateEdit, 1);
    searchRow->addWidget(m_pickDateEdit, 1);
    searchRow->addWidget(m_searchButton);
    layout->addLayout(searchRow);

    setupOrderTable();
    layout->addWidget(m_orderTable, 1);

    auto *bottom = new QHBoxLayout();
    bottom->setSpacing(10);
    bottom->addStretch();
    m_startButton = new QPushButton(this);
    m_startButton->setObjectName(QStringLiteral("startAllButton"));
    m_startButton->setFixedHeight(K::f(36));
    setStartButtonRunning(false);
    bottom->addWidget(m_startButton);
    layout->addLayout(bottom);

    m_keywordEdit->hide();
    m_shotDateEdit->hide();
    m_pickDateEdit->hide();
    m_keywordEdit->show();

    connect(m_branchBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ImportFiles::onBranchSelectionChanged);
    connect(m_searchTypeBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ImportFiles::onSearchTypeChanged);
    connect(m_keywordEdit, &QLineEdit::returnPressed, this, &ImportFiles::onSearchClick);
    connect(m_searchButton, &QPushButton::clicked, this, &ImportFiles::onSearchClick);
    connect(m_startButton, &QPushButton::clicked, this, &ImportFiles::onStartAllClicked);
}

void ImportFiles::setupRightPanel(QWidget *panel)
{
    m_rightLayout = new QVBoxLayout(panel);
    m_rightLayout->setContentsMargins(10, 10, 10, 10);
    m_rightLayout->setSpacing(10);
    auto *title = new QLabel(QStringLiteral("待导入文件列表"), this);
    title->setStyleSheet(QStringLiteral("QLabel {    font-size: %1px;    font-weight: 600;    color: #333333;"
                                        "    padding: 5px 0;}")
                             .arg(K::s(K::f(14))));
    m_rightLayout->addWidget(title);
    setupFileTable();
    m_rightLayout->addWidget(m_fileTable, 1);
}

void ImportFiles::setupOrderTable()
{
    if (m_importType == OriginalFiles) {
        m_headers = QStringList{QStringLiteral("订单号"), QStringLiteral("男姓名"), QStringLiteral("女姓名"),
                                QStringLiteral("摄影师"), QStringLiteral("已导原片"), QStringLiteral("已导原始档"),
                                QStringLiteral("化妆师"), QStringLiteral("本次已选"), QStringLiteral("照片状态"),
                                QStringLiteral("操作"), QStringLiteral("导片路径")};
    } else {
        m_headers = QStringList{QStringLiteral("订单号"), QStringLiteral("男姓名"), QStringLiteral("女姓名"),
                                QStringLiteral("摄影师"), QStringLiteral("已导精修"), QStringLiteral("化妆师"),
                                QStringLiteral("本次已选"), QStringLiteral("照片状态"), QStringLiteral("操作"),
                                QStringLiteral("导片路径")};
    }

    m_orderTable = new QTableWidget(this);
    m_orderTable->setObjectName(QStringLiteral("orderTable"));
    m_orderTable->setColumnCount(m_headers.size());
    m_orderTable->setHorizontalHeaderLabels(m_headers);
    m_orderTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_orderTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_orderTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_orderTable->setAlternatingRowColors(true);
    m_orderTable->verticalHeader()->setVisible(false);
    m_orderTable->verticalHeader()->setDefaultSectionSize(K::f(45));
    m_orderTable->setShowGrid(false);
    m_orderTable->setSortingEnabled(false);
    m_orderTable->setStyleSheet(QString::fromLatin1(kTableStyle).arg(QStringLiteral("QTableWidget"), K::s(K::f(11)))
                                + rowButtonStyles());

    QHeaderView *header = m_orderTable->horizontalHeader();
    // Columns sized to their contents measure the rows around the view: a
    // thousand rows of each, after every change, held the window.
    header->setResizeContentsPrecision(kSizedRows);
    for (int c = 0; c < m_headers.size(); ++c) {
        const QString &label = m_headers.at(c);
        if (label == QStringLiteral("订单号")) {
            header->setSectionResizeMode(c, QHeaderView::Interactive);
            m_orderTable->setColumnWidth(c, K::f(100));
        } else if (label == QStringLiteral("操作")) {
            header->setSectionResizeMode(c, QHeaderView::Fixed);
            m_orderTable->setColumnWidth(c, K::f(200));
        } else if (label == QStringLiteral("导片路径")) {
            header->setSectionResizeMode(c, QHeaderView::Fixed);
            m_orderTable->setColumnWidth(c, K::f(500));
        } else {
            header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
        }
    }

    m_orderNumberDelegate = new OrderNumberButtonDelegate(this);
    m_orderTable->setItemDelegateForColumn(columnOf(QStringLiteral("订单号")), m_orderNumberDelegate);
    connect(m_orderNumberDelegate, &OrderNumberButtonDelegate::orderNumberClicked, this,
            &ImportFiles::onOrderNumberClicked);
    connect(m_orderTable, &QTableWidget::itemSelectionChanged, this, &ImportFiles::onOrderTableSelectionChanged);
    // Order numbers are measured in the font the style sheet gives the table.
    m_orderTable->ensurePolished();

    m_fillTimer = new QTimer(this);
    m_fillTimer->setSingleShot(true);
    m_fillTimer->setInterval(0);
    connect(m_fillTimer, &QTimer::timeout, this, &ImportFiles::fillPendingRows);
    connect(m_orderTable->verticalScrollBar(), &QScrollBar::valueChanged, this, &ImportFiles::placeRowWidgets);
    m_orderTable->viewport()->installEventFilter(this);
}

void ImportFiles::setupFileTable()
{
    m_fileTable = new QTableView(this);
    m_fileTable->setObjectName(QStringLiteral("fileTable"));
    m_fileModel = new ImportFileTableModel(this);
    m_fileTable->setModel(m_fileModel);
    m_fileButtonDelegate = new FileButtonDelegate(this);
    m_fileTable->setItemDelegateForColumn(2, m_fileButtonDelegate);
    connect(m_fileButtonDelegate, &FileButtonDelegate::retryClicked, this, &ImportFiles::onRetryImportClicked);
    m_fileTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fileTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fileTable->setAlternatingRowColors(true);
    m_fileTable->verticalHeader()->setVisible(false);
    m_fileTable->setShowGrid(false);
    QHeaderView *header = m_fileTable->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    m_fileTable->setColumnWidth(0, K::f(150));
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::Fixed);
    m_fileTable->setColumnWidth(2, K::f(100));
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    m_fileTable->verticalHeader()->setDefaultSectionSize(K::f(40));
    m_fileTable->setStyleSheet(QString::fromLatin1(kTableStyle).arg(QStringLiteral("QTableView"), K::s(K::f(11))));
}

void ImportFiles::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_splitterSized && m_splitter) {
        const int w = m_splitter->width();
        if (w > 0) {
            m_splitter->setSizes({w / 2, w / 2});
            m_splitterSized = true;
        }
    }
}

bool ImportFiles::eventFilter(QObject *watched, QEvent *event)
{
    if (m_orderTable && watched == m_orderTable->viewport()) {
        if (event->type() == QEvent::Resize)
            placeRowWidgets();
        return QMainWindow::eventFilter(watched, event);
    }
    QDateEdit *field = nullptr;
    for (QDateEdit *candidate : {m_shotDateEdit, m_pickDateEdit}) {
        if (candidate && (watched == candidate || watched->parent() == candidate)) {
            field = candidate;
            break;
        }
    }
    if (!field)
        return QMainWindow::eventFilter(watched, event);
    if (field->isVisible() && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        qCDebug(lcImportFiles) << "日期选择器被点击，控件:" << watched->metaObject()->className();
        QPointer<QDateEdit> guarded(field);
        QTimer::singleShot(10, this, [this, guarded] {
            if (guarded)
                openCalendar(guarded);
        });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void ImportFiles::openCalendar(QDateEdit *field)
{
    const bool wasReadOnly = field->isReadOnly();
    if (wasReadOnly)
        field->setReadOnly(false);
    const QPoint below = field->mapToGlobal(QPoint(0, field->height()));
    if (QCalendarWidget *calendar = field->calendarWidget()) {
        qCDebug(lcImportFiles) << "尝试使用内置日历控件";
        calendar->setSelectedDate(field->date());
        calendar->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        calendar->setFocusPolicy(Qt::StrongFocus);
        calendar->move(below);
        calendar->resize(320, 360);
        calendar->setVisible(true);
        calendar->show();
        calendar->raise();
        calendar->activateWindow();
        calendar->setFocus();
        qCDebug(lcImportFiles) << "内置日历显示状态:" << calendar->isVisible();
        if (!calendar->isVisible()) {
            qCDebug(lcImportFiles) << "内置日历无法显示，创建独立日历弹窗";
            showCustomCalendar(field, below);
        }
    } else {
        qCDebug(lcImportFiles) << "无法获取日历控件，创建独立日历";
        showCustomCalendar(field, below);
    }
    QTimer::singleShot(100, field, [field, wasReadOnly] {
        if (wasReadOnly)
            field->setReadOnly(true);
    });
}

void ImportFiles::showCustomCalendar(QDateEdit *field, const QPoint &globalPos)
{
    auto *calendar = new QCalendarWidget();
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setSelectedDate(field->date());
    calendar->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    calendar->setFocusPolicy(Qt::StrongFocus);
    calendar->resize(K::f(160), K::f(180));
    calendar->move(globalPos);
    QPointer<QDateEdit> guarded(field);
    connect(calendar, &QCalendarWidget::clicked, calendar, [calendar, guarded](const QDate &date) {
        if (guarded)
            guarded->setDate(date);
        calendar->close();
    });
    calendar->show();
    calendar->raise();
    calendar->activateWindow();
    calendar->setFocus();
}

void ImportFiles::showBusyWarning()
{
    QMessageBox::warning(this, QStringLiteral("温馨提示"), QStringLiteral("导片中..."), QMessageBox::Ok);
}

// ---------------------------------------------------------------- search

void ImportFiles::onSearchTypeChanged(int index)
{
    m_keywordEdit->hide();
    m_shotDateEdit->hide();
    m_pickDateEdit->hide();
    if (index == 2)
        m_pickDateEdit->show();
    else if (index == 1)
        m_shotDateEdit->show();
    else
        m_keywordEdit->show();
}

void ImportFiles::onBranchSelectionChanged(int index)
{
    if (index >= 0 && index < Config::k_shops.size()) {
        m_shopId = Config::k_shops.at(index).id;
        qCDebug(lcImportFiles) << "选择了分店:" << m_branchBox->currentText();
    }
}

void ImportFiles::onSearchClick()
{
    if (m_importing) {
        showBusyWarning();
        return;
    }
    // Return in the keyword field while a search is out sends nothing more.
    if (!m_searchButton->isEnabled())
        return;
    // No branch the login gave in a usable form: nothing to search in.
    if (m_shopId.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), QStringLiteral("分店") + ServiceReply::unusableIdText(),
                             QMessageBox::Ok);
        return;
    }
    m_searchButton->setEnabled(false);
    reqShopInfo();
}

void ImportFiles::reqShopInfo()
{
    auto *req = new BaseReq(this);
    QPointer<ImportFiles> self(this);
    req->getResultData(QStringLiteral("&m=public&a=switch_shop"),
                       FormBody().add(QStringLiteral("shopid"), m_shopId).toBytes(),
                       [self, req](bool ok, const QJsonDocument &doc) {
                           req->deleteLater();
                           if (!self)
                               return;
                           const QString problem =
                               ServiceReply::problem(ok, doc, req->lastFailure(), QStringLiteral("msg"));
                           if (!problem.isEmpty()) {
                               self->failSearch(problem);
                               return;
                           }
                           const QJsonObject reply = doc.object();
                           self->m_superId = ServiceReply::idText(reply.value(QStringLiteral("SUPERID")));
                           self->m_managerId = ServiceReply::idText(reply.value(QStringLiteral("EID")));
                           // Ids no request may carry: the branch's reply is of the wrong form.
                           if (self->m_superId.isEmpty() || self->m_managerId.isEmpty()) {
                               self->failSearch(ServiceReply::badFormMessage());
                               return;
                           }
                           self->reqOrderList();
                       });
}

void ImportFiles::reqOrderList()
{
    QString keyword = m_keywordEdit->text();
    QString searchType = QStringLiteral("1");
    const int type = m_searchTypeBox->currentIndex();
    if (type == 1) {
        keyword = m_shotDateEdit->date().toString(QStringLiteral("yyyy-MM-dd"));
        searchType = QStringLiteral("4");
    } else if (type == 2) {
        keyword = m_pickDateEdit->date().toString(QStringLiteral("yyyy-MM-dd"));
        searchType = QStringLiteral("5");
    }
    // The reply is read and turned into orders on a thread of its own: a
    // hundred thousand orders held the window for seconds.
    const QByteArray body = ImportRules::orderListBody(keyword, searchType, m_shopId, m_managerId, m_superId);
    QPointer<ImportFiles> self(this);
    ServiceReply::requestOnOwnThread(
        QStringLiteral("&m=order&a=order_list"), body, [self](const QString &problem, const QJsonDocument &doc) {
            QList<ImportOrder> orders;
            int openypml = 0;
            int delyp = 0;
            if (problem.isEmpty()) {
                const QJsonObject reply = doc.object();
                orders = ImportRules::ordersFromReply(reply);
                openypml = ImportRules::flagValue(reply.value(QStringLiteral("openypml")));
                delyp = ImportRules::flagValue(reply.value(QStringLiteral("delyp")));
            }
            // Checked on the GUI thread, where the window is deleted.
            QMetaObject::invokeMethod(
                qApp,
                [self, problem, orders, openypml, delyp] {
                    if (self)
                        self->onOrderListReply(problem, orders, openypml, delyp);
                },
                Qt::QueuedConnection);
        });
}

// A failed search leaves no earlier result on screen as if it were the answer.
void ImportFiles::failSearch(const QString &problem)
{
    m_searchButton->setEnabled(true);
    if (!m_importing)
        clearOrders();
    QMessageBox::warning(this, QStringLiteral("温馨提示"), problem, QMessageBox::Ok);
}

void ImportFiles::onOrderListReply(const QString &problem, const QList<ImportOrder> &orders, int openypml,
                                   int delyp)
{
    if (!problem.isEmpty()) {
        failSearch(problem);
        return;
    }
    m_searchButton->setEnabled(true);
    if (orders.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), QStringLiteral("未检索到订单"), QMessageBox::Ok);
        return;
    }
    // A reply landing during a run would pull the orders from under it.
    if (m_importing)
        return;

    clearOrders();
    m_openypml = openypml;
    m_delyp = delyp;

    // One row count, then the rows in view, then the rest a slice at a time:
    // a hundred thousand orders filled at once held the window for minutes.
    m_orders = orders;
    {
        const QSignalBlocker blocker(m_orderTable);
        m_orderTable->setRowCount(orders.size());
    }
    m_nextRowToFill = 0;
    placeRowWidgets();
    fillPendingRows();
}

// ---------------------------------------------------------------- order table

int ImportFiles::columnOf(const QString &header) const
{
    return m_headers.indexOf(header);
}

void ImportFiles::addOrder(const ImportOrder &order)
{
    m_orders.append(order);
    const int row = m_orderTable->rowCount();
    m_orderTable->insertRow(row);
    fillRow(order, row);
    placeRowWidgets();
}

void ImportFiles::addOrderFast(const ImportOrder &order, int row)
{
    m_orders.append(order);
    fillRow(order, row);
    placeRowWidgets();
}

void ImportFiles::ensureRowFilled(int row)
{
    if (row < 0 || row >= m_orders.size() || row >= m_orderTable->rowCount())
        return;
    if (!m_orderTable->item(row, columnOf(QStringLiteral("订单号"))))
        fillRow(m_orders.at(row), row);
}

void ImportFiles::fillPendingRows()
{
    const int rows = qMin(m_orderTable->rowCount(), int(m_orders.size()));
    QElapsedTimer slice;
    slice.start();
    {
        // The rows in view are filled already; these need no repaint, and a
        // change each made the view measure its sized columns after every slice.
        const QSignalBlocker blocker(m_orderTable->model());
        while (m_nextRowToFill < rows) {
            ensureRowFilled(m_nextRowToFill++);
            if (m_nextRowToFill % 64 == 0 && slice.elapsed() >= kFillSliceMs)
                break;
        }
    }
    if (m_nextRowToFill < rows) {
        m_fillTimer->start();
    } else if (rows > 0) {
        QAbstractItemModel *model = m_orderTable->model();
        emit model->dataChanged(model->index(0, 0), model->index(rows - 1, m_headers.size() - 1));
    }
}

void ImportFiles::placeRowWidgets()
{
    const int column = columnOf(QStringLiteral("操作"));
    const int rows = qMin(m_orderTable->rowCount(), int(m_orders.size()));
    const int rowHeight = qMax(1, m_orderTable->verticalHeader()->defaultSectionSize());
    const int top = qMax(0, m_orderTable->rowAt(0));
    const int shown = m_orderTable->viewport()->height() / rowHeight + 1;
    const int first = qMax(0, top - kButtonMarginRows);
    const int last = qMin(rows, top + shown + kButtonMarginRows);
    // Widgets of rows gone out of view are released: each is a window-system
    // object with its own layout, and a table of them all took minutes to close.
    for (int row = m_widgetRowsFirst; row < qMin(m_widgetRowsLast, rows); ++row) {
        if (column >= 0 && (row < first || row >= last))
            m_orderTable->removeCellWidget(row, column);
    }
    for (int row = first; row < last; ++row) {
        ensureRowFilled(row);
        if (column >= 0 && !m_orderTable->cellWidget(row, column))
            createOrderButtonWidget(row);
    }
    m_widgetRowsFirst = first;
    m_widgetRowsLast = qMax(first, last);
}

void ImportFiles::fillRow(const ImportOrder &order, int row)
{
    const auto centred = [](const QString &text) {
        auto *item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        return item;
    };
    // One change for the whole row: each item's own made the view measure
    // its sized columns again, a thousand rows deep.
    QAbstractItemModel *model = m_orderTable->model();
    QSignalBlocker blocker(model);
    for (int c = 0; c < m_headers.size(); ++c) {
        const QString &h = m_headers.at(c);
        QTableWidgetItem *item = nullptr;
        if (h == QStringLiteral("订单号")) {
            item = centred(QStringLiteral("%0-%1").arg(order.orderpayforkey, order.servicetimes));
            // Two orders cut to the same visible text could not be told apart.
            m_orderNumberDelegate->fitColumn(m_orderTable, c, item->text());
        }
        else if (h == QStringLiteral("男姓名"))
            item = centred(order.mname);
        else if (h == QStringLiteral("女姓名"))
            item = centred(order.wname);
        else if (h == QStringLiteral("摄影师"))
            item = centred(order.role1);
        else if (h == QStringLiteral("已导原片"))
            item = centred(order.number_yuanpian);
        else if (h == QStringLiteral("已导原始档"))
            item = centred(order.number_yuanshidang);
        else if (h == QStringLiteral("已导精修"))
            item = centred(order.number_jingxiu);
        else if (h == QStringLiteral("化妆师"))
            item = centred(order.role2);
        else if (h == QStringLiteral("本次已选"))
            item = centred(QString::number(order.files.size()));
        else if (h == QStringLiteral("照片状态")) {
            item = centred(QStringLiteral("未选择"));
            item->setForeground(QColor(QStringLiteral("#999999")));
        } else if (h == QStringLiteral("导片路径"))
            item = new QTableWidgetItem(order.importPath);
        if (item)
            m_orderTable->setItem(row, c, item);
    }
    blocker.unblock();
    emit model->dataChanged(model->index(row, 0), model->index(row, m_headers.size() - 1));
}

QWidget *ImportFiles::createOrderButtonWidget(int row)
{
    auto *widget = new QWidget();
    widget->setObjectName(QStringLiteral("orderRowButtons"));
    auto *layout = new QHBoxLayout(widget);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);

    auto *choose = new QPushButton(QStringLiteral("选择文件"), widget);
    choose->setObjectName(QStringLiteral("selectFilesButton"));
    choose->setFixedSize(K::f(60), K::f(26));
    layout->addWidget(choose);
    connect(choose, &QPushButton::clicked, this, [this, row] {
        if (m_importing) {
            showBusyWarning();
            return;
        }
        if (row < 0 || row >= m_orders.size())
            return;
        const ImportOrder &order = m_orders.at(row);
        if (order.importPath.isEmpty() && order.publicNetPath.isEmpty()) {
            QMessageBox::information(
                this, QStringLiteral("温馨提示"),
                order.storesname + QStringLiteral(" 没有设置本地云导片路径, 请在后台设置本地云导片路径！"),
                QMessageBox::Ok);
            return;
        }
        onSelectFilesClicked(row);
    });

    auto *clear = new QPushButton(QStringLiteral("清空已选"), widget);
    clear->setObjectName(QStringLiteral("clearFilesButton"));
    clear->setFixedSize(K::f(45), K::f(26));
    layout->addWidget(clear);
    connect(clear, &QPushButton::clicked, this, [this, row] {
        if (m_importing) {
            showBusyWarning();
            return;
        }
        onClearFilesClicked(row);
    });

    if (m_openypml == 1) {
        auto *open = new QPushButton(QStringLiteral("打开目录"), widget);
        open->setObjectName(QStringLiteral("openDirButton"));
        open->setFixedSize(K::f(45), K::f(26));
        layout->addWidget(open);
        connect(open, &QPushButton::clicked, this, [this, row] { onOpenDirClicked(row); });
    }
    layout->addStretch();

    const int column = columnOf(QStringLiteral("操作"));
    if (column >= 0)
        m_orderTable->setCellWidget(row, column, widget);
    else
        widget->deleteLater();
    return widget;
}

void ImportFiles::clearOrders()
{
    // Placed files of the orders going away are still on the share.
    reportAllUnlisted();
    m_orders.clear();
    m_fillTimer->stop();
    m_nextRowToFill = 0;
    m_widgetRowsFirst = m_widgetRowsLast = 0;
    m_orderNumberDelegate->forgetFit();
    m_orderTable->setRowCount(0);
    m_currentOrderRow = -1;
    m_fileModel->clearFiles();
}

void ImportFiles::updateOrderStatus(int row, const QString &text)
{
    if (row < 0 || row >= m_orderTable->rowCount())
        return;
    ensureRowFilled(row);
    QTableWidgetItem *item = m_orderTable->item(row, columnOf(QStringLiteral("照片状态")));
    if (!item)
        return;
    item->setText(text);
    static const QMap<QString, QString> colours{
        {QStringLiteral("未选择"), QStringLiteral("#999999")}, {QStringLiteral("已选择"), QStringLiteral("#007aff")},
        {QStringLiteral("导入中"), QStringLiteral("#ffc107")}, {QStringLiteral("导入完成"), QStringLiteral("#28a745")},
        {QStringLiteral("导入失败"), QStringLiteral("#dc3545")}};
    const auto colour = colours.constFind(text);
    if (colour != colours.constEnd())
        item->setForeground(QColor(colour.value()));
}

void ImportFiles::updateOrderFileCount(int row, int count)
{
    if (row < 0 || row >= m_orderTable->rowCount())
        return;
    ensureRowFilled(row);
    if (QTableWidgetItem *item = m_orderTable->item(row, columnOf(QStringLiteral("本次已选"))))
        item->setText(QString::number(count));
    updateOrderStatus(row, count > 0 ? QStringLiteral("已选择") : QStringLiteral("未选择"));
}

void ImportFiles::refreshListOrderPath(int row, const QString &path)
{
    updateTabColText(row, QStringLiteral("导片路径"), path);
}

void ImportFiles::updateTabColText(int row, const QString &header, const QString &text)
{
    if (row < 0 || row >= m_orderTable->rowCount())
        return;
    const int column = columnOf(header);
    if (column < 0)
        return;
    ensureRowFilled(row);
    if (QTableWidgetItem *item = m_orderTable->item(row, column))
        item->setText(text);
}

void ImportFiles::loadFilesForOrder(int row)
{
    if (row >= 0 && row < m_orders.size())
        m_fileModel->setFiles(m_orders.at(row).files);
    else
        m_fileModel->clearFiles();
}

void ImportFiles::clearFiles()
{
    m_fileModel->clearFiles();
}

void ImportFiles::updateFileStatus(int fileRow, ImportStatus status, const QString &message)
{
    m_fileModel->updateFileStatus(fileRow, status, message);
}

void ImportFiles::onOrderNumberClicked(int row, const QString &)
{
    if (row < 0 || row >= m_orders.size())
        return;
    QApplication::clipboard()->setText(m_orders.at(row).orderpayforkey);
    ToastWidget::showMessage(this, QStringLiteral("订单号已复制"), 2000);
}

void ImportFiles::onOrderTableSelectionChanged()
{
    // Indexes, not items: a row not filled yet has none.
    const QModelIndexList selected = m_orderTable->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        m_currentOrderRow = -1;
        m_fileModel->clearFiles();
        return;
    }
    const int row = selected.first().row();
    if (row < 0 || row == m_currentOrderRow || row >= m_orders.size())
        return;
    m_currentOrderRow = row;
    m_fileModel->setFiles(m_orders.at(row).files);
    emit orderSelectionChanged(row, m_orders.at(row));
    if (m_importType == OriginalFiles && m_originalView) {
        const ImportOrder &order = m_orders.at(row);
        QMap<QString, QString> map;
        map.insert(QStringLiteral("id"), order.id);
        map.insert(QStringLiteral("orderid"), order.orderid);
        map.insert(QStringLiteral("order_photo_id"), order.order_photo_id);
        map.insert(QStringLiteral("orderpayforkey"), order.orderpayforkey);
        map.insert(QStringLiteral("servicetimes"), order.servicetimes);
        map.insert(QStringLiteral("wname"), order.wname);
        map.insert(QStringLiteral("mname"), order.mname);
        map.insert(QStringLiteral("comboname"), order.comboname);
        map.insert(QStringLiteral("shotdate"), order.shotdate);
        map.insert(QStringLiteral("role1name"), order.role1);
        map.insert(QStringLiteral("shopid"), m_shopId);
        map.insert(QStringLiteral("delyp"), QString::number(m_delyp));
        // Its share is the one the view deletes on, and only while it is mounted.
        QString refused;
        map.insert(QStringLiteral("importPath"), ImportRules::orderFolder(order, refused));
        m_originalView->refreshData(map);
    }
}

void ImportFiles::onClearFilesClicked(int row)
{
    if (row < 0 || row >= m_orders.size())
        return;
    m_orders[row].files.clear();
    updateOrderFileCount(row, 0);
    updateOrderStatus(row, QStringLiteral("未选择"));
    if (row == m_currentOrderRow)
        m_fileModel->clearFiles();
    qCDebug(lcImportFiles) << "订单" << m_orders.at(row).orderpayforkey << "已清空文件";
}

void ImportFiles::onOpenDirClicked(int row)
{
    if (row < 0 || row >= m_orders.size() || m_orders.at(row).importPath.isEmpty())
        return;
    const QString message = m_folderOpener->open(m_orders.at(row).importPath);
    if (!message.isEmpty())
        ToastWidget::showMessage(this, message, 2000);
}

// ---------------------------------------------------------------- choosing files

void ImportFiles::onSelectFilesClicked(int row)
{
    if (row < 0 || row >= m_orders.size())
        return;
    // Files of an order without its ids could only be reported to no order.
    if (!ImportRules::hasIds(m_orders.at(row))) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), ImportRules::badOrderMessage(), QMessageBox::Ok);
        return;
    }
    QString refused;
    const QString folder = ImportRules::orderFolder(m_orders.at(row), refused);
    // Refused before anything is looked at: a look at each of its parts holds the window for minutes.
    const QString tooLong = K::pathTooLongMessage(folder.isEmpty() ? refused : folder);
    if (!tooLong.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), tooLong, QMessageBox::Ok);
        return;
    }
    if (folder.isEmpty()) {
        // Nothing may be written to a folder off the share.
        QMessageBox::warning(this, QStringLiteral("温馨提示"), QStringLiteral("订单文件夹路径无效：") + refused,
                             QMessageBox::Ok);
        return;
    }
    if (!MountRoot::isBelowMountedShare(folder)) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), K::missingShareMessage(folder), QMessageBox::Ok);
        return;
    }
    const QString orderId = m_orders.at(row).id;
    const QString title = QStringLiteral("选择要导入的文件");
    const QString filter = ImportRules::fileFilter(m_importType);
    const QStringList paths = m_fileChooser ? m_fileChooser(this, title, filter)
                                            : QFileDialog::getOpenFileNames(this, title, QString(), filter);
    // A search reply may have replaced the orders while the dialog was open.
    if (paths.isEmpty() || row >= m_orders.size() || m_orders.at(row).id != orderId)
        return;

    // The files are read on a pool thread: on a share thousands of them hold the window for seconds.
    const int generation = ++m_nextGeneration;
    m_readingChoices.insert(orderId, generation);
    auto *reader = new ImportChoiceRunnable(paths, folder, m_importType, row, generation,
                                            m_orders.at(row).selectedNames);
    connect(reader, &ImportChoiceRunnable::choiceRead, this,
            [this, orderId, folder](int row, int generation, const ImportChoiceRunnable::Choice &choice) {
                onChoiceRead(orderId, folder, row, generation, choice);
            });
    QThreadPool::globalInstance()->start(reader);
    QTimer::singleShot(kChoiceBusyDelayMs, this, [this] {
        if (!m_readingChoices.isEmpty())
            FullScreenLoading::show(this, QStringLiteral("正在读取所选文件..."), true);
    });
}

void ImportFiles::onChoiceRead(const QString &orderId, const QString &folder, int row, int generation,
                               const ImportChoiceRunnable::Choice &choice)
{
    // Only the last choice of the order counts, and only while the order is still on that row.
    if (m_readingChoices.value(orderId) != generation)
        return;
    m_readingChoices.remove(orderId);
    if (m_readingChoices.isEmpty()) {
        if (FullScreenLoading *loading = FullScreenLoading::getInstance(this))
            loading->dismiss();
    }
    if (row >= m_orders.size() || m_orders.at(row).id != orderId)
        return;
    const QList<ImportFile> &files = choice.files;
    if (!choice.colliding.isEmpty()) {
        // The card scrolls a long list; a message box grew past the screen and hid its button.
        SimpleDialog::warning(this, QStringLiteral("温馨提示"),
                              QStringLiteral("以下文件重名，无法同时导入：\n") + choice.colliding.join(QLatin1Char('\n')));
        return;
    }

    // The folders are made only below the share as it is now, never the share's own folder.
    ShareGuard share;
    if (!share.pin(folder)) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), K::missingShareMessage(folder), QMessageBox::Ok);
        return;
    }
    // Made only where the folder's name leads into the share: a link off it
    // gets no folder made through it.
    const bool offShare = ImportRules::leadsOffShare(folder, share);
    // On the share, a link on the way may lead into another order's folder.
    const QString linked = offShare ? QString() : K::orderFolderLinkRefusal(folder);
    if (!linked.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), linked, QMessageBox::Ok);
        return;
    }
    ImportRules::OrderPlace made;
    if (!offShare) {
        share.makePath(folder);
        made = ImportRules::resolveOrderFolder(folder, share);
    }
    // Gone meanwhile: what its mount point holds tells nothing of the share.
    if (!share.stillThere()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), K::missingShareMessage(folder), QMessageBox::Ok);
        return;
    }
    if (offShare || (made.isEmpty() && QFileInfo::exists(folder))) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"),
                             ImportRules::outsideShareMessage(QDir::cleanPath(folder)), QMessageBox::Ok);
        return;
    }
    if (m_beforeSubfolderCheck)
        m_beforeSubfolderCheck();
    const QString refusal = subfolderRefusal(folder, made, share);
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), refusal, QMessageBox::Ok);
        return;
    }
    ImportOrder &order = m_orders[row];
    order.importPath = folder;
    refreshListOrderPath(row, folder);

    if (!choice.mismatched.isEmpty()) {
        QPointer<ImportFiles> self(this);
        // "否" keeps the earlier choice as it is.
        SimpleDialog::confirm(this, QStringLiteral("温馨提示"),
                              QStringLiteral("要上传的精修照片与客人选中的照片名不一致，确认要继续上传吗？\n"
                                             "下列是不一致的照片：")
                                  + QLatin1Char('\n') + choice.mismatched.join(QLatin1Char('\n')),
                              DialogAnswer::afterClose(this, [self, row, files](bool yes) {
                                  if (self && yes)
                                      self->acceptChoice(row, files);
                              }));
        return;
    }
    acceptChoice(row, files);
}

QString ImportFiles::subfolderRefusal(const QString &folder, const ImportRules::OrderPlace &made,
                                      const ShareGuard &share) const
{
    const QString within = made.within;
    for (const QString &sub : ImportRules::subfoldersOf(m_importType)) {
        if (!made.isEmpty() && share.makePath(QDir(made.folder).filePath(sub), within))
            continue;
        // Once the share has gone, its mount point is a local folder: what lies there says nothing.
        if (!share.stillThere())
            return K::missingShareMessage(folder);
        // Not made for another reason: each copy says why.
        if (made.isEmpty())
            continue;
        // A subfolder that is a link off the share, or into another order's folder, takes no file.
        const QString target = QDir(made.folder).filePath(sub);
        const QString shown = QDir(QDir::cleanPath(folder)).filePath(sub);
        if (ImportRules::folderOffShare(target, share))
            return K::folderOffShareMessage(shown);
        if (ImportRules::folderOutsideOrder(target, share, within))
            return K::outsideOrderMessage(shown);
    }
    return QString();
}

void ImportFiles::acceptChoice(int row, const QList<ImportFile> &files)
{
    // A run may have started, or a search replaced the orders, while the confirm was open.
    if (m_importing) {
        showBusyWarning();
        return;
    }
    if (row < 0 || row >= m_orders.size())
        return;
    ImportOrder &order = m_orders[row];
    order.failedNames.clear();
    order.failedFiles.clear();
    order.successFiles.clear();
    order.files = files;
    order.generation = files.isEmpty() ? ++m_nextGeneration : files.first().generation;
    updateOrderFileCount(row, files.size());
    if (row == m_currentOrderRow)
        m_fileModel->setFiles(order.files);
}

// ---------------------------------------------------------------- import run

void ImportFiles::setStartButtonRunning(bool running)
{
    m_startButton->setText(running ? QStringLiteral("停止导入") : QStringLiteral("开始全部导入"));
    m_startButton->setStyleSheet(startButtonStyle(running));
}

ShareGuard ImportFiles::runShare(const QString &folder)
{
    for (const ShareGuard &share : qAsConst(m_runShares)) {
        if (MountRoot::isStrictlyBelow(folder, share.shareFolder()))
            return share;
    }
    ShareGuard share;
    if (share.pin(folder))
        m_runShares.append(share);
    return share;
}

ImportRules::OrderPlace ImportFiles::runFolder(const QString &orderFolder, QString *why)
{
    const QString named = QDir::cleanPath(orderFolder);
    const auto known = m_runFolders.constFind(named);
    if (known != m_runFolders.constEnd())
        return known.value();
    const ShareGuard share = runShare(named);
    if (!share.stillThere()) {
        if (why)
            *why = K::missingShareMessage(named);
        return {};
    }
    // On the share, a link on the way may lead into another order's folder.
    const bool offShare = ImportRules::leadsOffShare(named, share);
    const QString linked = offShare ? QString() : K::orderFolderLinkRefusal(named);
    if (!linked.isEmpty()) {
        if (why)
            *why = linked;
        return {};
    }
    // Made again when it went since the files were chosen, only on the share
    // and not through a link off it; a refusal keeps the system's reason.
    QString error;
    if (!QFileInfo(named).exists() && !offShare
        && !ImportFileCopyRunnable::createDirectory(named, error, &share)) {
        if (why)
            *why = error;
        return {};
    }
    const ImportRules::OrderPlace real = ImportRules::resolveOrderFolder(named, share);
    if (!real.isEmpty())
        m_runFolders.insert(named, real);
    else if (why)
        *why = ImportRules::outsideShareMessage(named);
    return real;
}

void ImportFiles::forgetRunPlaces()
{
    // Files an earlier, stopped run placed stay owed: the next listing of their
    // order takes them, or they go one by one at the search or the close.
    m_runShares.clear();
    m_runFolders.clear();
}

void ImportFiles::failAll(const QList<ImportFile> &files, const QString &message)
{
    for (ImportFile file : files) {
        if (!isCurrent(file))
            continue;
        file.status = ImportStatus::Failed;
        file.message = message.isEmpty() ? K::missingShareMessage(file.targetFolder) : message;
        onFileCopyFinished(file);
    }
}

void ImportFiles::startCopy(const ImportFile &file, const ShareGuard &share, const ImportRules::OrderPlace &place)
{
    const QPair<int, int> key(file.generation, file.fileRow);
    // One copy per file at a time: a second one would race it for the same name.
    if (m_inFlight.contains(key))
        return;
    auto *task = new ImportFileCopyRunnable(file);
    task->setShareGuard(share);
    if (file.orderRow >= 0 && file.orderRow < m_orders.size())
        task->setOrderFolder(QDir::cleanPath(m_orders.at(file.orderRow).importPath), place);
    // The pool releases the task when run() returns, so nobody waits for it.
    task->setAutoDelete(true);
    connect(task, &ImportFileCopyRunnable::copyFinished, this, &ImportFiles::queueCopyResult);
    connect(task, &ImportFileCopyRunnable::copyCancelled, this, &ImportFiles::onFileCopyCancelled);
    m_inFlight.insert(key, task->cancelFlag());
    m_threadPool->start(task, 0);
}

bool ImportFiles::startOrder(int index)
{
    if (index < 0 || index >= m_orders.size() || !hasFileToCopy(m_orders.at(index)))
        return false;
    ImportOrder &order = m_orders[index];
    m_runningOrderIndex = index;
    order.failedNames.clear();
    order.failedFiles.clear();
    QList<ImportFile> pending;
    for (const ImportFile &file : qAsConst(order.files)) {
        if (file.status != ImportStatus::Success)
            pending.append(file);
    }
    checkThenCopy(pending);
    return true;
}

void ImportFiles::checkThenCopy(const QList<ImportFile> &files)
{
    if (files.isEmpty() || files.first().orderRow < 0 || files.first().orderRow >= m_orders.size())
        return;
    if (!ImportRules::hasIds(m_orders.at(files.first().orderRow)))
        return failAll(files, ImportRules::badOrderMessage());
    // The share pinned and the order folder resolved before anything looks
    // at the folders: a share that leaves later is told apart from its mount
    // point, a folder re-pointed later from the order's own.
    const QString orderFolder = QDir::cleanPath(m_orders.at(files.first().orderRow).importPath);
    const ShareGuard share = runShare(orderFolder);
    if (!share.stillThere())
        return failAll(files, QString());
    QString why;
    const ImportRules::OrderPlace place = runFolder(orderFolder, &why);
    if (place.isEmpty())
        return failAll(files, why);
    QList<ImportFile> checking;
    for (const ImportFile &file : files) {
        const QPair<int, int> key(file.generation, file.fileRow);
        if (m_inFlight.contains(key))
            continue;
        // Held like a copy's, so a stop reaches the files while they are looked at.
        m_inFlight.insert(key, std::make_shared<std::atomic<int>>(0));
        checking.append(file);
    }
    if (checking.isEmpty())
        return;
    auto *check = new ImportTargetCheckRunnable(checking, share, orderFolder, place);
    connect(check, &ImportTargetCheckRunnable::checked, this, &ImportFiles::onTargetsChecked);
    m_threadPool->start(check, 0);
}

bool ImportFiles::isCurrent(const ImportFile &file) const
{
    const int r = file.orderRow;
    if (r < 0 || r >= m_orders.size() || m_orders.at(r).generation != file.generation)
        return false;
    const QList<ImportFile> &chosen = m_orders.at(r).files;
    return file.fileRow >= 0 && file.fileRow < chosen.size()
           && chosen.at(file.fileRow).status != ImportStatus::Success;
}

void ImportFiles::onTargetsChecked(const QList<ImportFile> &files, const QList<int> &states)
{
    QList<ImportFile> kept;
    QList<int> keptStates;
    QStringList taken;
    for (int i = 0; i < files.size() && i < states.size(); ++i) {
        const ImportFile &file = files.at(i);
        const ImportFileCopyRunnable::CancelFlag flag = m_inFlight.take(qMakePair(file.generation, file.fileRow));
        if (flag && flag->load(std::memory_order_relaxed) != 0) {
            onFileCopyCancelled(file);
            continue;
        }
        if (!isCurrent(file))
            continue;
        kept.append(file);
        keptStates.append(states.at(i));
        if (states.at(i) == int(ImportFileCopyRunnable::TargetState::Different))
            taken.append(file.fileName());
    }
    if (kept.isEmpty())
        return;
    const int runToken = m_importing ? m_runId : -1;
    if (taken.isEmpty()) {
        copyChecked(kept, keptStates, false, runToken);
        return;
    }

    // Nothing of these files is copied before the answer; a stop or a new
    // run meanwhile makes the answer moot.
    QPointer<ImportFiles> self(this);
    auto *dialog = new SimpleDialog(this);
    dialog->setObjectName(QStringLiteral("replaceQuestion"));
    dialog->setDialogType(SimpleDialog::Confirm);
    dialog->setDialogTitle(QStringLiteral("温馨提示"));
    dialog->setDialogMessage(QStringLiteral("以下文件已存在，替换后无法恢复：\n") + taken.join(QLatin1Char('\n')));
    if (auto *replace = dialog->findChild<QPushButton *>(QStringLiteral("confirmButton")))
        replace->setText(QStringLiteral("替换"));
    dialog->setDialogCallback(DialogAnswer::afterClose(this, [self, kept, keptStates, runToken](bool yes) {
        if (!self)
            return;
        const bool sameRun = runToken < 0 ? true : self->m_importing && self->m_runId == runToken;
        if (!sameRun)
            return;
        if (yes)
            self->copyChecked(kept, keptStates, true, runToken);
        else if (runToken >= 0)
            self->endRun();
    }));
    dialog->show();
    dialog->raise();
}

void ImportFiles::copyChecked(const QList<ImportFile> &files, const QList<int> &states, bool replace, int runToken,
                              int from)
{
    QElapsedTimer slice;
    slice.start();
    // Results known without a copy: the share went away, or the file is
    // already on it with these bytes.
    QList<ImportFile> settled;
    // Asked once per order folder: on a share each look is a round trip.
    struct Place
    {
        ShareGuard share;
        bool there = false;
        ImportRules::OrderPlace orderPlace;
        QString why;
    };
    QHash<QString, Place> places;
    int i = from;
    for (; i < files.size() && slice.elapsed() < kStartSliceMs; ++i) {
        ImportFile file = files.at(i);
        if (!isCurrent(file) || m_inFlight.contains(qMakePair(file.generation, file.fileRow)))
            continue;
        const QString orderFolder = QDir::cleanPath(m_orders.at(file.orderRow).importPath);
        if (!places.contains(orderFolder)) {
            Place place;
            place.share = runShare(orderFolder);
            place.there = place.share.stillThere();
            place.orderPlace = place.there ? runFolder(orderFolder, &place.why) : ImportRules::OrderPlace();
            places.insert(orderFolder, place);
        }
        const Place &place = places[orderFolder];
        const auto state = ImportFileCopyRunnable::TargetState(states.at(i));
        if (!place.there || place.orderPlace.isEmpty()) {
            file.status = ImportStatus::Failed;
            file.message = place.there ? place.why : K::missingShareMessage(file.targetFolder);
            settled.append(file);
            continue;
        }
        if (state == ImportFileCopyRunnable::TargetState::Same) {
            file.status = ImportStatus::Success;
            file.message = QStringLiteral("已存在相同文件");
            settled.append(file);
            continue;
        }
        file.replaceAllowed = replace && state == ImportFileCopyRunnable::TargetState::Different;
        startCopy(file, place.share, place.orderPlace);
    }
    for (const ImportFile &file : qAsConst(settled)) {
        if (isCurrent(file))
            onFileCopyFinished(file);
    }
    // The rest of a run's files start only while that run goes on; a stop,
    // also one made by a result settled just now, leaves them waiting.
    if (i >= files.size() || (runToken >= 0 && !(m_importing && m_runId == runToken)))
        return;
    QTimer::singleShot(0, this, [this, files, states, replace, runToken, i] {
        if (runToken < 0 || (m_importing && m_runId == runToken))
            copyChecked(files, states, replace, runToken, i);
    });
}

void ImportFiles::endRun()
{
    m_importing = false;
    m_awaitingReport = false;
    setStartButtonRunning(false);
}

void ImportFiles::onStartAllClicked()
{
    if (m_importing) {
        endRun();
        stopAllImportTasks();
        return;
    }
    if (m_orders.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("提示"), QStringLiteral("没有订单可导入"), QMessageBox::Ok);
        return;
    }
    bool anyLeft = false;
    for (const ImportOrder &order : qAsConst(m_orders))
        anyLeft = anyLeft || hasFileToCopy(order);
    if (!anyLeft) {
        QMessageBox::warning(this, QStringLiteral("提示"), QStringLiteral("请先为订单选择要导入的文件"),
                             QMessageBox::Ok);
        return;
    }
    m_importing = true;
    ++m_runId;
    forgetRunPlaces();
    m_awaitingReport = false;
    m_runSucceeded = 0;
    setStartButtonRunning(true);
    m_runningOrderIndex = -1;
    for (int i = 0; i < m_orders.size(); ++i) {
        if (startOrder(i))
            break;
    }
}

void ImportFiles::stopAllImportTasks()
{
    qCDebug(lcImportFiles) << QStringLiteral("停止所有导入任务，当前任务数: %1").arg(m_inFlight.size());
    // Queued copies start, see the flag and report at once; running ones
    // stop at their next check. Nothing here waits for them.
    for (const ImportFileCopyRunnable::CancelFlag &flag : qAsConst(m_inFlight))
        flag->store(1, std::memory_order_relaxed);
    qCDebug(lcImportFiles) << "所有导入任务已停止";
}

void ImportFiles::queueCopyResult(const ImportFile &file)
{
    m_copyResults.append(file);
    if (m_takingScheduled)
        return;
    m_takingScheduled = true;
    QTimer::singleShot(0, this, &ImportFiles::takeCopyResults);
}

void ImportFiles::takeCopyResults()
{
    m_takingScheduled = false;
    QElapsedTimer slice;
    slice.start();
    while (!m_copyResults.isEmpty() && slice.elapsed() < kStartSliceMs)
        onFileCopyFinished(m_copyResults.takeFirst());
    if (!m_copyResults.isEmpty() && !m_takingScheduled) {
        m_takingScheduled = true;
        QTimer::singleShot(0, this, &ImportFiles::takeCopyResults);
    }
}

void ImportFiles::onFileCopyFinished(const ImportFile &file)
{
    m_inFlight.remove(qMakePair(file.generation, file.fileRow));
    const int r = file.orderRow;
    const int n = file.fileRow;
    if (r < 0 || r >= m_orders.size()) {
        qCDebug(lcImportFiles) << "copy result for an order no longer listed" << file.sourcePath;
        return;
    }
    ImportOrder &order = m_orders[r];
    // A result of an earlier choice (or of an earlier search) is stale.
    if (file.generation != order.generation || n < 0 || n >= order.files.size()) {
        qCDebug(lcImportFiles) << "copy result for a file no longer chosen" << file.sourcePath;
        return;
    }

    // A file still waiting has no outcome to drop: looking costs a pass over the order's outcomes.
    if (order.files.at(n).status != ImportStatus::Waiting)
        forgetOutcome(order, n);
    order.files[n].status = file.status;
    order.files[n].message = file.message;
    if (file.status == ImportStatus::Failed) {
        order.failedFiles.append(file);
        order.failedNames.append(file.fileName());
    } else if (file.status == ImportStatus::Success) {
        order.successFiles.append(file);
        m_runPlaced[r].append(file);
        if (m_importing && r == m_runningOrderIndex)
            ++m_runSucceeded;
        if (n == 0 && runShare(order.importPath).stillThere()) {
            upImportOrderPath(order);
            refreshListOrderPath(r, order.importPath);
        }
    }
    if (r == m_currentOrderRow)
        m_fileModel->updateFileStatus(n, file.status, file.message);

    const int done = order.successFiles.size() + order.failedFiles.size();
    const int total = order.files.size();
    if (done != total) {
        updateOrderStatus(r, QStringLiteral("导入中 %1/%2").arg(done).arg(total));
    } else {
        if (!order.failedFiles.isEmpty())
            updateOrderStatus(r, QStringLiteral("成功:%0, 失败:%1").arg(order.successFiles.size()).arg(order.failedFiles.size()));
        else
            updateOrderStatus(r, QStringLiteral("导入完成"));
        // The run moves on only from its own order's report, and only once;
        // a retry (or a late result) reports the order it completed.
        if (m_importing && r == m_runningOrderIndex && !m_awaitingReport)
            importNextOrder();
        else
            reportOrder(r, -1);
        return;
    }
    qCDebug(lcImportFiles) << QStringLiteral("文件拷贝完成: %1, 状态: %2, 信息: %3")
                                  .arg(file.baseName, file.status == ImportStatus::Success ? QStringLiteral("成功")
                                                                             : QStringLiteral("失败"),
                                       file.message);
}

void ImportFiles::onFileCopyCancelled(const ImportFile &file)
{
    m_inFlight.remove(qMakePair(file.generation, file.fileRow));
    // A copy stopped by an earlier stop that the current run had counted on.
    const int r = file.orderRow;
    if (m_importing && r == m_runningOrderIndex && r >= 0 && r < m_orders.size()
        && m_orders.at(r).generation == file.generation && file.fileRow >= 0
        && file.fileRow < m_orders.at(r).files.size()
        && m_orders.at(r).files.at(file.fileRow).status != ImportStatus::Success)
        checkThenCopy({m_orders.at(r).files.at(file.fileRow)});
}

void ImportFiles::onRetryImportClicked(int fileRow)
{
    if (m_currentOrderRow < 0 || m_currentOrderRow >= m_orders.size())
        return;
    const ImportFile file = m_fileModel->getFile(fileRow);
    ImportOrder &order = m_orders[m_currentOrderRow];
    if (file.baseName.isEmpty() || file.generation != order.generation || fileRow >= order.files.size())
        return;
    if (m_inFlight.contains(qMakePair(file.generation, fileRow))) {
        qCDebug(lcImportFiles) << "file is being copied already:" << file.baseName;
        return;
    }
    // A retry outside a run pins the share as it is now.
    if (!m_importing)
        forgetRunPlaces();
    forgetOutcome(order, fileRow);
    order.files[fileRow].status = ImportStatus::Waiting;
    order.files[fileRow].message.clear();
    m_fileModel->updateFileStatus(fileRow, ImportStatus::Waiting, QString());
    checkThenCopy({order.files.at(fileRow)});
    qCDebug(lcImportFiles) << "重新导入文件:" << file.baseName;
}

// ---------------------------------------------------------------- reports

ImportRules::BranchIds ImportFiles::branchIds() const
{
    return {m_shopId, m_managerId, m_superId};
}

void ImportFiles::finishRun()
{
    endRun();
    int failed = 0;
    for (const ImportOrder &order : qAsConst(m_orders))
        failed += order.failedFiles.size();
    if (failed == 0 && m_runSucceeded > 0) {
        QMessageBox::information(this, QStringLiteral("温馨提示"), QStringLiteral("导入完成！"), QMessageBox::Ok);
        return;
    }
    QMessageBox::warning(this, QStringLiteral("温馨提示"),
                         QStringLiteral("导入结束：成功%1个，失败%2个").arg(m_runSucceeded).arg(failed),
                         QMessageBox::Ok);
}

bool ImportFiles::movesRun(int runToken) const
{
    return runToken >= 0 && runToken == m_runId && m_importing && m_awaitingReport;
}

int ImportFiles::indexOf(const ImportOrder &order) const
{
    const int i = order.row;
    const bool same = i >= 0 && i < m_orders.size() && m_orders.at(i).id == order.id
                      && m_orders.at(i).generation == order.generation;
    return same ? i : -1;
}

void ImportFiles::importNextOrder()
{
    if (m_runningOrderIndex < 0 || m_runningOrderIndex >= m_orders.size()) {
        qCDebug(lcImportFiles) << "no order to report at index" << m_runningOrderIndex;
        return;
    }
    qCDebug(lcImportFiles) << "获取导的文件数量是：" << m_orders.at(m_runningOrderIndex).files.size() << " -- "
                           << m_runningOrderIndex;
    if (m_orders.at(m_runningOrderIndex).files.isEmpty()) {
        qCDebug(lcImportFiles) << "检测下一个订单文件的数量";
        if (m_runningOrderIndex + 1 >= m_orders.size()) {
            finishRun();
            return;
        }
        ++m_runningOrderIndex;
        importNextOrder();
        return;
    }
    m_awaitingReport = true;
    reportOrder(m_runningOrderIndex, m_runId);
}

void ImportFiles::reportOrder(int index, int runToken)
{
    const ImportOrder order = m_orders.at(index);
    if (!ImportRules::hasIds(order)) {
        notListed(order, runToken, ImportRules::badOrderMessage());
        return;
    }
    // Whether the share is still there is asked again around the listing, on the worker.
    const ShareGuard share = runShare(order.importPath);
    if (!share.stillThere()) {
        notListed(order, runToken, K::missingShareMessage(order.importPath));
        return;
    }
    // Listed where the order folder was resolved, whatever its name leads to now.
    QString why;
    const ImportRules::OrderPlace place = runFolder(order.importPath, &why);
    if (place.isEmpty()) {
        notListed(order, runToken, why);
        return;
    }
    // Listing a large order's folders holds the window for seconds: done on a worker.
    QPointer<ImportFiles> self(this);
    const ImportFileType type = m_importType;
    const ImportRules::BranchIds ids = branchIds();
    // Files placed from here on were not there to be listed.
    const int placed = m_runPlaced.value(index).size();
    QThreadPool::globalInstance()->start([self, order, type, ids, share, place, runToken, placed] {
        ImportRules::BatchReport report = ImportRules::batchReport(type, order, ids, share, place);
        report.placedListed = placed;
        QMetaObject::invokeMethod(
            qApp,
            [self, order, report, runToken] {
                if (self)
                    self->sendReport(order, report, runToken);
            },
            Qt::QueuedConnection);
    });
}

void ImportFiles::sendReport(const ImportOrder &order, const ImportRules::BatchReport &report, int runToken)
{
    if (report.shareGone) {
        notListed(order, runToken, K::missingShareMessage(order.importPath));
        return;
    }
    if (!report.failure.isEmpty()) {
        notListed(order, runToken, report.failure);
        return;
    }
    // Answered also when the window has gone meanwhile: see leaveToListings.
    auto *req = BaseReq::forOwedReport();
    const LeftReportsSlot left = std::make_shared<std::shared_ptr<LeftReports>>();
    m_listingsOnTheirWay.insert(req, {order, report.placedListed, left});
    QPointer<ImportFiles> self(this);
    req->getResultData(QStringLiteral("&m=order&a=savepicpath_batch"), report.body,
                       [self, req, order, report, runToken, left](bool ok, const QJsonDocument &doc) {
                           req->deleteLater();
                           if (self) {
                               self->m_listingsOnTheirWay.remove(req);
                               self->onBatchReply(ok, doc, order, report, runToken);
                               return;
                           }
                           const std::shared_ptr<LeftReports> reports = *left;
                           if (!reports)
                               return;
                           reports->listed = reports->listed
                                             || (ok && ServiceReply::codeOf(doc.object()) == ServiceReply::Code::Accepted);
                           if (--reports->listingsOut > 0 || reports->listed)
                               return;
                           for (const QByteArray &body : qAsConst(reports->bodies))
                               postPhotoReport(body);
                       });
}

void ImportFiles::leaveToListings()
{
    // An order's listings on their way share its files: reported singly once
    // none of them was taken.
    QHash<int, std::shared_ptr<LeftReports>> byOrder;
    QHash<int, int> covered;
    for (const ListingOnItsWay &listing : qAsConst(m_listingsOnTheirWay)) {
        const int index = indexOf(listing.order);
        if (index < 0)
            continue;
        std::shared_ptr<LeftReports> &reports = byOrder[index];
        if (!reports)
            reports = std::make_shared<LeftReports>();
        ++reports->listingsOut;
        *listing.left = reports;
        covered[index] = qMax(covered.value(index), listing.placedListed);
    }
    for (auto it = covered.cbegin(); it != covered.cend(); ++it) {
        const ImportOrder &order = m_orders.at(it.key());
        QList<ImportFile> &placed = m_runPlaced[it.key()];
        const int count = qMin(it.value(), placed.size());
        for (int i = 0; i < count; ++i) {
            const ImportFile &file = placed.at(i);
            if (file.generation == order.generation && file.status == ImportStatus::Success)
                byOrder[it.key()]->bodies.append(
                    ImportRules::photoInfoBody(m_importType, order, file, branchIds(), Config::k_manager_id));
        }
        placed = placed.mid(count);
    }
    m_listingsOnTheirWay.clear();
}

void ImportFiles::notListed(const ImportOrder &order, int runToken, const QString &message)
{
    qCDebug(lcImportFiles) << "order folder not listed, placed files reported one by one:" << order.orderpayforkey;
    if (movesRun(runToken))
        endRun();
    // A listing stands for all of the order's files: one of only some of
    // them would drop the others from the service's record.
    const int index = indexOf(order);
    const QList<ImportFile> placed = reportUnlisted(index);
    // What the folders held before stays counted; the new files add to it.
    int newJpegs = 0;
    int newRaws = 0;
    for (const ImportFile &file : placed) {
        if (!file.newOnShare)
            continue;
        if (QFileInfo(QDir::cleanPath(file.targetFolder)).fileName() == QStringLiteral("原始档"))
            ++newRaws;
        else
            ++newJpegs;
    }
    const auto raise = [this, index](const QString &header, int added) {
        if (added > 0)
            updateTabColText(index, header, QString::number(cellNumber(index, header) + added));
    };
    if (m_importType == RetouchedFiles) {
        raise(QStringLiteral("已导精修"), newJpegs);
    } else {
        raise(QStringLiteral("已导原片"), newJpegs);
        raise(QStringLiteral("已导原始档"), newRaws);
    }
    QMessageBox::warning(this, QStringLiteral("温馨提示"), message, QMessageBox::Ok);
}

QList<ImportFile> ImportFiles::reportUnlisted(int index)
{
    QList<ImportFile> placed;
    if (index < 0 || index >= m_orders.size())
        return placed;
    const ImportOrder &order = m_orders.at(index);
    for (const ImportFile &file : m_runPlaced.take(index)) {
        if (file.generation != order.generation || file.status != ImportStatus::Success)
            continue;
        upImportPhotoInfo(order, file);
        placed.append(file);
    }
    return placed;
}

void ImportFiles::reportAllUnlisted()
{
    const QList<int> indexes = m_runPlaced.keys();
    for (const int index : indexes)
        reportUnlisted(index);
    m_runPlaced.clear();
}

int ImportFiles::cellNumber(int row, const QString &header)
{
    if (row < 0 || row >= m_orderTable->rowCount())
        return 0;
    ensureRowFilled(row);
    const int column = columnOf(header);
    const QTableWidgetItem *item = column >= 0 && row >= 0 ? m_orderTable->item(row, column) : nullptr;
    return item ? item->text().toInt() : 0;
}

void ImportFiles::askResend(const QString &text, const ImportOrder &order, const ImportRules::BatchReport &report,
                            int runToken)
{
    const auto answer = QMessageBox::warning(this, QStringLiteral("温馨提示"), text,
                                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    // The same body again: listing the folders anew would cost as much as the first time.
    if (answer == QMessageBox::Ok && indexOf(order) >= 0)
        sendReport(order, report, movesRun(runToken) ? runToken : -1);
    else if (movesRun(runToken))
        endRun();
}

void ImportFiles::onBatchReply(bool ok, const QJsonDocument &doc, const ImportOrder &order,
                               const ImportRules::BatchReport &report, int runToken)
{
    if (!ok) {
        askResend(QStringLiteral("网络不好，是否重新提交？如果取消，会停止导入。"), order, report, runToken);
        return;
    }
    const QJsonObject reply = doc.object();
    const ServiceReply::Code code = ServiceReply::codeOf(reply);
    if (code != ServiceReply::Code::Accepted) {
        // A reply of the wrong form gives no reason of its own.
        const QString why = code == ServiceReply::Code::BadForm ? ServiceReply::badFormMessage()
                                                                : reply.value(QStringLiteral("msg")).toString();
        askResend(why + QStringLiteral(" 是否重新提交?"), order, report, runToken);
        return;
    }
    const int row = indexOf(order);
    // The listing took the files placed before it.
    if (row >= 0 && m_runPlaced.contains(row))
        m_runPlaced[row] = m_runPlaced.value(row).mid(report.placedListed);
    if (m_importType == RetouchedFiles) {
        updateTabColText(row, QStringLiteral("已导精修"), QString::number(report.jpegCount));
    } else {
        updateTabColText(row, QStringLiteral("已导原片"), QString::number(report.jpegCount));
        updateTabColText(row, QStringLiteral("已导原始档"), QString::number(report.rawCount));
    }
    const bool moves = movesRun(runToken);
    const QString html = ImportRules::reimportHtml(m_importType, order, reply);
    if (!html.isEmpty()) {
        SimpleDialog::error(this, QStringLiteral("温馨提示"), html, true);
        if (moves)
            endRun();
        return;
    }
    // Only the running order's own report moves the run on; a stopped run stays stopped.
    if (!moves)
        return;
    m_awaitingReport = false;
    for (int i = qMax(0, m_runningOrderIndex + 1); i < m_orders.size(); ++i) {
        if (startOrder(i))
            return;
    }
    finishRun();
}

void ImportFiles::upImportOrderPath(const ImportOrder &order)
{
    auto *req = BaseReq::forOwedReport();
    req->getResultData(QStringLiteral("&m=order&a=saveorderphotopath"),
                       ImportRules::orderPathBody(order, branchIds(), Config::k_manager_id),
                       [req](bool, const QJsonDocument &) { req->deleteLater(); });
}

void ImportFiles::upImportPhotoInfo(const ImportOrder &order, const ImportFile &file)
{
    // Sent also as the window goes, and must outlive it.
    QPointer<ImportFiles> self(this);
    const QString name = file.placedName();
    postPhotoReport(ImportRules::photoInfoBody(m_importType, order, file, branchIds(), Config::k_manager_id),
                    [self, name](const QString &problem) {
                        if (!problem.isEmpty() && self)
                            self->noteReportFailure(name, problem);
                    });
}

void ImportFiles::noteReportFailure(const QString &name, const QString &problem)
{
    m_reportFailures << QStringLiteral("%1：%2").arg(name, problem);
    if (m_reportFailures.size() > 1)
        return;
    // Replies come one by one: the failures of one burst go into one message.
    QTimer::singleShot(0, this, [this] {
        const QString text = QStringLiteral("以下照片上报失败：\n") + m_reportFailures.join(QLatin1Char('\n'));
        m_reportFailures.clear();
        QMessageBox::warning(this, QStringLiteral("温馨提示"), text, QMessageBox::Ok);
    });
}
