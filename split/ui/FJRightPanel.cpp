#include "split/ui/FJRightPanel.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/Logging.h"
#include "split/ui/FJMessageBox.h"
#include "split/ui/naming/FolderNamingRule.h"
#include "split/ui/naming/NamingRuleFormat.h"
#include "widgets/ElementButton.h"
#include "widgets/ThumbnailTableView.h"
#include "widgets/ToastWidget.h"
#include "app/core/K.h"
#include "app/core/ServiceReply.h"

#include <QCheckBox>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDesktopWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

QString dirLabelStyle(bool chosen)
{
    return chosen ? QStringLiteral("QLabel { font-size: %1px; color: #1d1d1f; padding: %2px; background-color: #e3f2fd;"
                                   " border-radius: %3px; }")
                        .arg(K::s(11), K::s(5), K::s(5))
                  : QStringLiteral("QLabel { font-size: %1px; color: #8e8e93; padding: %2px; background-color: #f2f2f7;"
                                   " border-radius: %3px; }")
                        .arg(K::s(11), K::s(5), K::s(5));
}

QString actionButtonStyle(const char *from, const char *to, const char *hoverFrom, const char *hoverTo,
                          const char *pressFrom, const char *pressTo)
{
    const QString gradient = QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)");
    return QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: %4px;"
                          " font-size: %5px; font-weight: 600; }"
                          "QPushButton:hover { background: %2; }"
                          "QPushButton:pressed { background: %3; }"
                          "QPushButton:disabled { background: #c7c7cc; color: #8e8e93; }")
        .arg(gradient.arg(QLatin1String(from), QLatin1String(to)),
             gradient.arg(QLatin1String(hoverFrom), QLatin1String(hoverTo)),
             gradient.arg(QLatin1String(pressFrom), QLatin1String(pressTo)), K::s(8), K::s(11));
}

} // namespace

FJRightPanel::FJRightPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FJRightPanel"));
    setupUI();
    const int index = shopComboBox->currentIndex();
    if (index >= 0 && index < Config::k_shops.size())
        shopId = Config::k_shops.at(index).id;
}

void FJRightPanel::setupUI()
{
    mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(K::f(7), K::f(13), K::f(13), K::f(13));
    mainLayout->setSpacing(K::f(13));

    const QString labelStyle =
        QStringLiteral("QLabel { font-size: %1px; font-weight: 600; color: #1d1d1f; min-width: %2px; }")
            .arg(K::s(11), K::s(53));
    const QString comboStyle =
        QStringLiteral("QComboBox { padding: %1px %2px; border: 1px solid #e5e5ea; border-radius: %3px;"
                       " font-size: %4px; background-color: #ffffff; selection-background-color: #007aff;"
                       " color: #000000; }"
                       "QComboBox:focus { border-color: #007aff; outline: none; }"
                       "QComboBox::drop-down { border: none; width: %5px; }"
                       "QComboBox::down-arrow { image: url(:/public/image/public/arrows/downarrow_gray_64.png);"
                       " width: %4px; height: %4px; }"
                       "QComboBox QAbstractItemView { border: 1px solid #e5e5ea; background-color: #ffffff;"
                       " selection-background-color: #007aff; selection-color: white; font-size: %4px;"
                       " border-radius: %6px; }"
                       "QComboBox QAbstractItemView::item { height: %7px; padding: %1px %2px; border: none; }"
                       "QComboBox QAbstractItemView::item:hover { background-color: #f2f2f7; }"
                       "QComboBox QAbstractItemView::item:selected { background-color: #007aff; color: white; }")
            .arg(K::s(5), K::s(11), K::s(7), K::s(11), K::s(20), K::s(5), K::s(27));
    const QString inputStyle =
        QStringLiteral("padding: %1px %2px; border: 1px solid #e5e5ea; border-radius: %3px; font-size: %2px;"
                       " background-color: #ffffff; color: #000000;")
            .arg(K::s(5), K::s(11), K::s(7));
    const QString arrowImage = QStringLiteral("image: url(:/public/image/public/arrows/downarrow_gray_64.png);"
                                              " width: %1px; height: %1px;")
                                   .arg(K::s(11));

    shopLayout = new QHBoxLayout();
    shopLabel = new QLabel(QStringLiteral("分店选择:"), this);
    shopLabel->setStyleSheet(labelStyle);
    shopComboBox = new QComboBox(this);
    shopComboBox->setObjectName(QStringLiteral("shopComboBox"));
    shopComboBox->setFixedHeight(K::f(27));
    for (const ShopEntry &shop : qAsConst(Config::k_shops))
        shopComboBox->addItem(shop.name);
    shopComboBox->setStyleSheet(comboStyle);
    // The list's item rules are drawn only by a styled delegate.
    shopComboBox->setItemDelegate(new QStyledItemDelegate(shopComboBox));
    connect(shopComboBox, &QComboBox::currentTextChanged, this, &FJRightPanel::onShopChanged);
    shopLayout->addWidget(shopLabel, 0);
    shopLayout->addWidget(shopComboBox, 1);
    mainLayout->addLayout(shopLayout);

    searchLayout = new QHBoxLayout();
    searchTypeLabel = new QLabel(QStringLiteral("搜索类型:"), this);
    searchTypeLabel->setStyleSheet(shopLabel->styleSheet());
    searchTypeComboBox = new QComboBox(this);
    searchTypeComboBox->setObjectName(QStringLiteral("searchTypeComboBox"));
    searchTypeComboBox->setFixedHeight(K::f(27));
    searchTypeComboBox->addItems({QStringLiteral("基本信息"), QStringLiteral("拍照日期"), QStringLiteral("选片日期")});
    searchTypeComboBox->setStyleSheet(shopComboBox->styleSheet());
    searchTypeComboBox->setItemDelegate(new QStyledItemDelegate(searchTypeComboBox));
    searchLineEdit = new QLineEdit(this);
    searchLineEdit->setObjectName(QStringLiteral("searchLineEdit"));
    searchLineEdit->setFixedHeight(K::f(27));
    searchLineEdit->setPlaceholderText(QStringLiteral("搜索订单号、姓名..."));
    searchLineEdit->setStyleSheet(
        QStringLiteral("QLineEdit { %1 } QLineEdit:focus { border-color: #007aff; outline: none; }").arg(inputStyle));
    // Style sheets have no placeholder colour and reset the palette's one to the
    // text colour whenever they polish the edit: it is set again after each polish.
    searchLineEdit->installEventFilter(this);
    setPlaceholderColour();
    shotDateEdit = new QDateEdit(this);
    shotDateEdit->setObjectName(QStringLiteral("shotDateEdit"));
    selectDateEdit = new QDateEdit(this);
    selectDateEdit->setObjectName(QStringLiteral("selectDateEdit"));
    for (QDateEdit *edit : {shotDateEdit, selectDateEdit}) {
        edit->setFixedHeight(K::f(27));
        edit->setDate(QDate::currentDate());
        edit->setCalendarPopup(false);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->hide();
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::StrongFocus);
        edit->setCursor(Qt::PointingHandCursor);
        edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
    }
    shotDateEdit->setStyleSheet(QStringLiteral("QDateEdit { %1 } QDateEdit:focus { border-color: #007aff; outline: none; }"
                                               "QDateEdit:hover { background-color: #f8f8fa; border-color: #007aff; }"
                                               "QDateEdit::drop-down { border: none; width: %2px;"
                                               " background-color: transparent; }"
                                               "QDateEdit::down-arrow { %3 }")
                                    .arg(inputStyle, K::s(20), arrowImage));
    selectDateEdit->setStyleSheet(shotDateEdit->styleSheet());
    QTimer::singleShot(0, this, [this] {
        installEventFilterRecursively(shotDateEdit);
        installEventFilterRecursively(selectDateEdit);
    });
    connect(searchTypeComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &FJRightPanel::onSearchTypeChanged);
    searchLayout->addWidget(searchTypeLabel, 0);
    searchLayout->addWidget(searchTypeComboBox, 0);
    searchLayout->addWidget(searchLineEdit, 1);
    searchLayout->addWidget(shotDateEdit, 1);
    searchLayout->addWidget(selectDateEdit, 1);
    mainLayout->addLayout(searchLayout);

    buttonLayout = new QHBoxLayout();
    buttonLayout->setSpacing(K::f(7));
    startButton = new QPushButton(QStringLiteral("开始分件"), this);
    startButton->setObjectName(QStringLiteral("startButton"));
    startButton->setFixedSize(K::f(120), K::f(33));
    startButton->setStyleSheet(
        actionButtonStyle("#007aff", "#0051d5", "#1a8cff", "#0066ff", "#0066ff", "#003d99"));
    searchButton = new QPushButton(QStringLiteral("搜索订单"), this);
    searchButton->setObjectName(QStringLiteral("searchButton"));
    searchButton->setFixedSize(K::f(120), K::f(33));
    searchButton->setStyleSheet(
        actionButtonStyle("#34c759", "#28a745", "#5ace70", "#32d74b", "#28a745", "#1e7e34"));
    connect(startButton, &QPushButton::clicked, this, &FJRightPanel::onStartProcessClicked);
    connect(searchButton, &QPushButton::clicked, this, &FJRightPanel::onSearchOrderClicked);
    buttonLayout->addWidget(searchButton, 1);
    buttonLayout->addWidget(startButton, 1);
    mainLayout->addLayout(buttonLayout);

    dirLayout = new QHBoxLayout();
    chooseDirButton = new QPushButton(QStringLiteral("选择分件目录"), this);
    chooseDirButton->setObjectName(QStringLiteral("chooseDirButton"));
    chooseDirButton->setFixedSize(K::f(100), K::f(29));
    chooseDirButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: #f2f2f7; color: #007aff; border: 1px solid #e5e5ea;"
                       " border-radius: %1px; font-size: %2px; font-weight: 600; min-width: %3px; }"
                       "QPushButton:hover { background-color: #e5e5ea; }"
                       "QPushButton:pressed { background-color: #d1d1d6; }")
            .arg(K::s(7), K::s(11), K::s(80)));
    dirLabel = new QLabel(QStringLiteral("未选择目录"), this);
    dirLabel->setObjectName(QStringLiteral("dirLabel"));
    dirLabel->setStyleSheet(dirLabelStyle(false));
    connect(chooseDirButton, &QPushButton::clicked, this, &FJRightPanel::onChooseDirectoryClicked);
    dirLayout->addWidget(chooseDirButton, 0);
    dirLayout->addWidget(dirLabel, 1);
    mainLayout->addLayout(dirLayout);

    mainLayout->addStretch(0);
    onSearchTypeChanged();
}

void FJRightPanel::setSplitType(DesignFileSplitTypes type)
{
    splitType = type;
    if (type == DownloadPhotoDelivery) {
        addDownTypeUI();
    } else if (type == DownloadOriginals) {
        startButton->setText(QStringLiteral("开始下载"));
        addDownAndUndownloadPhotoList();
    } else if (type == DesignSplit) {
        addNamingRuleUI();
    }
}

void FJRightPanel::onSearchTypeChanged()
{
    searchLineEdit->hide();
    shotDateEdit->hide();
    selectDateEdit->hide();
    switch (searchTypeComboBox->currentIndex()) {
    case 0:
        searchLineEdit->show();
        break;
    case 1:
        shotDateEdit->show();
        break;
    case 2:
        selectDateEdit->show();
        break;
    default:
        break;
    }
}

QString FJRightPanel::getSearchText() const
{
    switch (searchTypeComboBox->currentIndex()) {
    case 0:
        return searchLineEdit->text();
    case 1:
        return shotDateEdit->date().toString(QStringLiteral("yyyy-MM-dd"));
    case 2:
        return selectDateEdit->date().toString(QStringLiteral("yyyy-MM-dd"));
    default:
        return QString();
    }
}

QString FJRightPanel::getSearchTypeName() const
{
    return searchTypeComboBox->currentText();
}

int FJRightPanel::getSearchType() const
{
    return searchTypeComboBox->currentIndex();
}

int FJRightPanel::getCurrentBranch() const
{
    return shopComboBox->currentIndex();
}

QJsonArray FJRightPanel::getGoodsFolderNameRules() const
{
    return goodsFolderNameRules;
}

void FJRightPanel::onSearchOrderClicked()
{
    const int index = shopComboBox->currentIndex();
    // Without a branch there is nothing to search in.
    if (index < 0 || index >= Config::k_shops.size())
        return;
    Config::k_fjshop_id = Config::k_shops.at(index).id;
    shopId = Config::k_fjshop_id;
    onSetSearchBtnStatus(false);
    emit searchRequested(getSearchTypeName(), getSearchText(), shopId);
}

void FJRightPanel::searchClick()
{
    onSearchOrderClicked();
}

// A run started while a search is going in would read rows that are not
// there yet, or that the reply is about to replace.
void FJRightPanel::onSetSearchBtnStatus(bool enable)
{
    m_searching = !enable;
    searchButton->setText(enable ? QStringLiteral("搜索订单") : QStringLiteral("搜索中..."));
    enableStartAndSearch();
}

void FJRightPanel::enableStartAndSearch()
{
    const bool enable = !m_runLocked && !m_searching;
    startButton->setEnabled(enable);
    searchButton->setEnabled(enable);
}

void FJRightPanel::onStartProcessClicked()
{
    if (!dirPath.isEmpty()) {
        emit startProcessRequested();
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("温馨提示"),
                                QStringLiteral("请选择分件目录后再点击开始分件按钮"), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("fjWarning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, &FJRightPanel::onChooseDirectoryClicked, Qt::QueuedConnection);
    box->open();
}

QString FJRightPanel::askDirectory()
{
    return QFileDialog::getExistingDirectory(this, QStringLiteral("选择分件目录"), QString(),
                                             QFileDialog::ShowDirsOnly);
}

void FJRightPanel::onChooseDirectoryClicked()
{
    const QString path = askDirectory();
    if (path.isEmpty())
        return;
    applyDirectory(path);
}

void FJRightPanel::applyDirectory(const QString &path)
{
    Config::k_fj_dirpath = path;
    dirPath = path;
    dirLabel->setText(elidedDirText(path, dirLabel->fontMetrics(), dirLabel->width() - 20));
    dirLabel->setToolTip(path);
    dirLabel->setStyleSheet(dirLabelStyle(true));
}

QString FJRightPanel::elidedDirText(const QString &path, const QFontMetrics &metrics, int room)
{
    QString text = path;
    if (metrics.horizontalAdvance(text) > room)
        text = QStringLiteral("...") + text.right(qMax(0, text.size() - 10));
    while (metrics.horizontalAdvance(text) > room && text.size() >= 11)
        text = QStringLiteral("...") + text.right(text.size() - 5);
    return text;
}

void FJRightPanel::setBtnEnable(bool enable)
{
    for (QWidget *w : std::initializer_list<QWidget *>{shopComboBox, searchTypeComboBox, searchLineEdit, shotDateEdit,
                                                       selectDateEdit, chooseDirButton})
        w->setEnabled(enable);
    m_runLocked = !enable;
    enableStartAndSearch();
    if (splitType == DownloadPhotoDelivery) {
        for (QCheckBox *box : {rawFileCheckBox, originalImageCheckBox, simpleRetouchCheckBox,
                               simpleRetouchRejectsCheckBox, fullRetouchCheckBox})
            box->setEnabled(enable);
    }
    // The photo sections stay usable: each order of a run reads its choice when its turn comes.
}

void FJRightPanel::showWarning(const QString &text)
{
    FJMessageBox::open(this, QMessageBox::Warning, text);
}

void FJRightPanel::addDownTypeUI()
{
    downTypeLayout = new QVBoxLayout();
    downTypeLayout->setSpacing(8);
    downTypeLabel = new QLabel(QStringLiteral("下载目录选项:"), this);
    downTypeLabel->setStyleSheet(
        QStringLiteral("QLabel { font-size: 10px; font-weight: 600; color: #1d1d1f; padding-bottom: 4px; }"));
    downTypeCheckLayout = new QHBoxLayout();
    downTypeCheckLayout->setSpacing(12);
    const QString style = QStringLiteral(
        "QCheckBox { font-size: 9px; color: #1d1d1f; spacing: 5px; padding: 6px 10px; background-color: #f8f8fa;"
        " border: 1px solid #e5e5ea; border-radius: 6px; }"
        "QCheckBox:hover { background-color: #f0f0f5; border-color: #007aff; }"
        "QCheckBox:checked { background-color: #e8f4fd; border-color: #007aff; color: #007aff; }"
        "QCheckBox::indicator { width: 14px; height: 14px; border: 2px solid #c7c7cc; border-radius: 4px;"
        " background-color: white; }"
        "QCheckBox::indicator:hover { border-color: #007aff; }"
        "QCheckBox::indicator:checked { background-color: #007aff; border-color: #007aff;"
        " image: url(:/public/image/public/check_white.png); }"
        "QCheckBox::indicator:checked:hover { background-color: #0066cc; border-color: #0066cc; }");
    const struct {
        QCheckBox **box;
        const char *name;
        const char *text;
        bool checked;
    } boxes[] = {{&rawFileCheckBox, "rawFileCheckBox", "原始档", false},
                 {&originalImageCheckBox, "originalImageCheckBox", "原图", false},
                 {&simpleRetouchCheckBox, "simpleRetouchCheckBox", "简修", false},
                 {&simpleRetouchRejectsCheckBox, "simpleRetouchRejectsCheckBox", "简修含汰片", false},
                 {&fullRetouchCheckBox, "fullRetouchCheckBox", "精修", true}};
    for (const auto &entry : boxes) {
        auto *box = new QCheckBox(QString::fromUtf8(entry.text), this);
        box->setObjectName(QLatin1String(entry.name));
        box->setChecked(entry.checked);
        box->setStyleSheet(style);
        box->setCursor(Qt::PointingHandCursor);
        *entry.box = box;
        downTypeCheckLayout->addWidget(box);
    }
    downTypeCheckLayout->addStretch(0);
    downTypeLayout->addWidget(downTypeLabel);
    downTypeLayout->addLayout(downTypeCheckLayout);
    mainLayout->addLayout(downTypeLayout);
    mainLayout->addStretch(3);
}

QWidget *FJRightPanel::createPhotoSection(const QString &title, const char *color, const char *hover,
                                          const char *pressed, const char *barFrom, const char *barTo,
                                          QLabel **titleLabel, QPushButton **selectAll, QPushButton **clearAll,
                                          ThumbnailTableView **view)
{
    auto *section = new QWidget(this);
    auto *layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, K::f(10), 0, K::f(10));
    layout->setSpacing(K::f(8));

    auto *header = new QWidget(section);
    auto *headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->setSpacing(K::f(8));

    auto *group = new QWidget(header);
    auto *groupLayout = new QHBoxLayout(group);
    groupLayout->setContentsMargins(0, 0, 0, 0);
    groupLayout->setSpacing(K::f(6));
    auto *bar = new QWidget(group);
    bar->setFixedSize(K::f(4), K::f(16));
    bar->setStyleSheet(QStringLiteral("QWidget { border-radius: 2px; background: qlineargradient(x1:0, y1:0, x2:0,"
                                      " y2:1, stop:0 %1, stop:1 %2); }")
                           .arg(QLatin1String(barFrom), QLatin1String(barTo)));
    *titleLabel = new QLabel(title, group);
    (*titleLabel)->setStyleSheet(
        QStringLiteral("QLabel { font-size: 13px; font-weight: 600; color: #1d1d1f; padding: 0px; }"));
    groupLayout->addWidget(bar);
    groupLayout->addWidget(*titleLabel);
    groupLayout->addStretch();

    *selectAll = new QPushButton(QStringLiteral("全选"), header);
    (*selectAll)->setFixedHeight(K::f(28));
    (*selectAll)->setMinimumWidth(K::f(60));
    (*selectAll)->setCursor(Qt::PointingHandCursor);
    (*selectAll)->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: white; border: none; border-radius: 6px;"
                       " padding: 4px 12px; font-size: 11px; font-weight: 500; }"
                       "QPushButton:hover { background-color: %2; }"
                       "QPushButton:pressed { background-color: %3; }")
            .arg(QLatin1String(color), QLatin1String(hover), QLatin1String(pressed)));
    *clearAll = new QPushButton(QStringLiteral("取消全选"), header);
    (*clearAll)->setFixedHeight(K::f(28));
    (*clearAll)->setMinimumWidth(K::f(70));
    (*clearAll)->setCursor(Qt::PointingHandCursor);
    (*clearAll)->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: #f5f5f7; color: #1d1d1f; border: 1px solid #d2d2d7; border-radius: 6px;"
        " padding: 4px 12px; font-size: 11px; font-weight: 500; }"
        "QPushButton:hover { background-color: #e8e8ed; border-color: #b8b8bd; }"
        "QPushButton:pressed { background-color: #d2d2d7; }"));
    headerLayout->addWidget(group);
    headerLayout->addStretch();
    headerLayout->addWidget(*selectAll);
    headerLayout->addWidget(*clearAll);

    *view = new ThumbnailTableView(section);
    (*view)->setMinimumHeight(K::f(200));
    layout->addWidget(header, 0);
    layout->addWidget(*view, 1);
    return section;
}

void FJRightPanel::createUndownloadPhotoSection()
{
    undownloadSection = createPhotoSection(QStringLiteral("未下载图片"), "#007aff", "#0051d5", "#003d99", "#007aff",
                                           "#0051d5", &undownloadTitleLabel, &undownloadSelectAllButton,
                                           &undownloadClearAllButton, &undownloadThumbnailView);
    undownloadSection->setObjectName(QStringLiteral("undownloadSection"));
    connect(undownloadSelectAllButton, &QPushButton::clicked, this, &FJRightPanel::onUndownloadSelectAllClicked);
    connect(undownloadClearAllButton, &QPushButton::clicked, this, &FJRightPanel::onUndownloadClearAllClicked);
    connect(undownloadThumbnailView, &ThumbnailTableView::selectionChanged, this,
            &FJRightPanel::onUndownloadSelectionChanged);
}

void FJRightPanel::createDownloadedPhotoSection()
{
    downloadedSection = createPhotoSection(QStringLiteral("已下载图片"), "#34c759", "#248a3d", "#1e7e34", "#34c759",
                                           "#248a3d", &downloadedTitleLabel, &downloadedSelectAllButton,
                                           &downloadedClearAllButton, &downloadedThumbnailView);
    downloadedSection->setObjectName(QStringLiteral("downloadedSection"));
    connect(downloadedSelectAllButton, &QPushButton::clicked, this, &FJRightPanel::onDownloadedSelectAllClicked);
    connect(downloadedClearAllButton, &QPushButton::clicked, this, &FJRightPanel::onDownloadedClearAllClicked);
    connect(downloadedThumbnailView, &ThumbnailTableView::selectionChanged, this,
            &FJRightPanel::onDownloadedSelectionChanged);
}

void FJRightPanel::addDownAndUndownloadPhotoList()
{
    createUndownloadPhotoSection();
    mainLayout->addWidget(undownloadSection, 1);
    createDownloadedPhotoSection();
    mainLayout->addWidget(downloadedSection, 1);
}

void FJRightPanel::setAllSelected(QList<ThumbnailInfo> &list, bool selected)
{
    for (ThumbnailInfo &info : list)
        info.selected = selected;
    emit downAndUnDownImgSelectedChange();
}

void FJRightPanel::onUndownloadSelectAllClicked()
{
    undownloadThumbnailView->selectAll();
    setAllSelected(currentOrder.undownImgList, true);
}

void FJRightPanel::onUndownloadClearAllClicked()
{
    undownloadThumbnailView->clearAllSelections();
    setAllSelected(currentOrder.undownImgList, false);
}

void FJRightPanel::onDownloadedSelectAllClicked()
{
    downloadedThumbnailView->selectAll();
    setAllSelected(currentOrder.downImgList, true);
}

void FJRightPanel::onDownloadedClearAllClicked()
{
    downloadedThumbnailView->clearAllSelections();
    setAllSelected(currentOrder.downImgList, false);
}

void FJRightPanel::onUndownloadSelectionChanged(int index, bool selected)
{
    qCDebug(lcSplit).noquote() << "未下载的：" << index << "---" << (selected ? "true" : "false");
    if (index < 0 || index >= currentOrder.undownImgList.size())
        return;
    currentOrder.undownImgList[index].selected = selected;
    emit downAndUnDownImgSelectedChange();
}

void FJRightPanel::onDownloadedSelectionChanged(int index, bool selected)
{
    qCDebug(lcSplit).noquote() << "已下载的：" << index << "---" << (selected ? "true" : "false");
    if (index < 0 || index >= currentOrder.downImgList.size())
        return;
    currentOrder.downImgList[index].selected = selected;
    emit downAndUnDownImgSelectedChange();
}

void FJRightPanel::refreshDownAndUndownImgList()
{
    if (!undownloadThumbnailView)
        return;
    const QString orderText = currentOrder.orderpayforkey + QStringLiteral("-") + currentOrder.servicetimes
                              + QStringLiteral("  ") + currentOrder.mname + QStringLiteral("  ") + currentOrder.wname
                              + QStringLiteral("  ") + currentOrder.role1;
    undownloadTitleLabel->setText(QStringLiteral("未下载:  ")
                                  + QStringLiteral("(%1张)  ").arg(currentOrder.undownImgList.size()) + orderText);
    downloadedTitleLabel->setText(QStringLiteral("已下载:  ")
                                  + QStringLiteral("(%1张)  ").arg(currentOrder.downImgList.size()) + orderText);
    undownloadThumbnailView->loadThumbnails(currentOrder.undownImgList);
    downloadedThumbnailView->loadThumbnails(currentOrder.downImgList);
}

void FJRightPanel::addNamingRuleUI()
{
    folderNamingRule = new FolderNamingRule(this);
    folderNamingRule->setObjectName(QStringLiteral("folderNamingRule"));
    mainLayout->addWidget(folderNamingRule, 0);
    folderNamingRule->setFieldOptions(FolderNamingRule::returnFieldOptions(QStringLiteral("产品文件夹")));
    connect(folderNamingRule, &FolderNamingRule::ruleChangedJson, this,
            [this](const QJsonArray &rules) { editedFolderNameRules = rules; });
    auto *row = new QHBoxLayout();
    row->addStretch();
    resetRuleButton = new ElementButton(QStringLiteral("重置"), ElementButton::ButtonType(3), this);
    resetRuleButton->setObjectName(QStringLiteral("resetRuleButton"));
    saveRuleButton = new ElementButton(QStringLiteral("保存"), ElementButton::ButtonType(2), this);
    saveRuleButton->setObjectName(QStringLiteral("saveRuleButton"));
    row->addWidget(resetRuleButton);
    row->addWidget(saveRuleButton);
    connect(resetRuleButton, &QPushButton::clicked, this, &FJRightPanel::onResetRuleClicked);
    connect(saveRuleButton, &QPushButton::clicked, this, &FJRightPanel::onSaveRuleClicked);
    mainLayout->addLayout(row);
    mainLayout->addStretch();
    // The branch shown is already chosen: its stored rule is what runs and saves start from.
    onShopChanged();
}

void FJRightPanel::onShopChanged()
{
    if (splitType != DesignSplit || !folderNamingRule)
        return;
    const int index = shopComboBox->currentIndex();
    if (index < 0 || index >= Config::k_shops.size())
        return;
    const ShopEntry &shop = Config::k_shops.at(index);
    shopId = shop.id;
    bool ok = false;
    const QJsonArray rule = NamingRuleFormat::fromStoredText(shop.goodsfoldernamerule, &ok);
    if (!ok) {
        qCDebug(lcSplit) << "产品文件夹命名 QString转QJsonArry失败";
        qCDebug(lcSplit) << shop.goodsfoldernamerule;
    }
    goodsFolderNameRules = rule;
    editedFolderNameRules = rule;
    folderNamingRule->refreshData(rule);
    emit shopChange();
}

void FJRightPanel::onResetRuleClicked()
{
    if (folderNamingRule)
        folderNamingRule->refreshData(goodsFolderNameRules);
}

void FJRightPanel::onSaveRuleClicked()
{
    const int index = shopComboBox->currentIndex();
    if (index < 0 || index >= Config::k_shops.size())
        return;
    const QJsonArray sentRule = editedFolderNameRules;
    const QString ruleText = NamingRuleFormat::toStoredText(sentRule);
    const QByteArray body = FormBody()
                                .add(QStringLiteral("goodsfoldernamerule"), ruleText)
                                .add(QStringLiteral("shopid"), shopId)
                                .add(QStringLiteral("eid"), eid)
                                .add(QStringLiteral("superid"), superId)
                                .add(QStringLiteral("personid"), eid)
                                .toBytes();
    // The branch the rule was written for, even if the selector moves meanwhile.
    const QString savedShopId = shopId;
    // A save on its way is finished when the window closes: the branch keeps the rule.
    auto *req = BaseReq::forOwedReport();
    QPointer<FJRightPanel> self(this);
    req->fjReq(QStringLiteral("&m=public&a=save_goodsfoldernamerule"), body,
               [self, req, ruleText, sentRule, savedShopId](bool ok, const QJsonDocument &doc) {
                   req->deleteLater();
                   const bool answered = ok && doc.isObject();
                   const QJsonObject reply = doc.object();
                   if (answered && ServiceReply::codeOf(reply) == ServiceReply::Code::Accepted) {
                       for (ShopEntry &shop : Config::k_shops) {
                           if (shop.id == savedShopId)
                               shop.goodsfoldernamerule = ruleText;
                       }
                   }
                   if (!self)
                       return;
                   if (!answered) {
                       self->showWarning(QStringLiteral("提交失败"));
                       return;
                   }
                   switch (ServiceReply::codeOf(reply)) {
                   case ServiceReply::Code::Accepted:
                       break;
                   case ServiceReply::Code::BadForm:
                       self->showWarning(ServiceReply::badFormMessage());
                       return;
                   case ServiceReply::Code::Refused:
                       self->showWarning(reply.value(QStringLiteral("msg")).toString());
                       return;
                   }
                   ToastWidget::showMessage(self, QStringLiteral("提交成功"), 2000);
                   // Edits made while the save was under way are not what the branch stores.
                   if (savedShopId == self->shopId)
                       self->goodsFolderNameRules = sentRule;
               });
}

void FJRightPanel::installEventFilterRecursively(QWidget *widget)
{
    if (!widget)
        return;
    widget->installEventFilter(this);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->installEventFilter(this);
}

void FJRightPanel::setPlaceholderColour()
{
    QPalette palette = searchLineEdit->palette();
    palette.setColor(QPalette::All, QPalette::PlaceholderText, QColor(QStringLiteral("#8e8e93")));
    searchLineEdit->setPalette(palette);
}

bool FJRightPanel::eventFilter(QObject *object, QEvent *event)
{
    if (object == searchLineEdit && (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange))
        setPlaceholderColour();
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return QWidget::eventFilter(object, event);
    QDateEdit *target = nullptr;
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == shotDateEdit || w == selectDateEdit) {
            target = static_cast<QDateEdit *>(w);
            break;
        }
    }
    if (!target)
        return QWidget::eventFilter(object, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down || key == Qt::Key_F4
            || key == Qt::Key_Space) {
            showCustomCalendar(target);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            showCustomCalendar(target);
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(object, event);
}

void FJRightPanel::showCustomCalendar(QDateEdit *dateEdit)
{
    auto *calendar = new QCalendarWidget();
    calendar->setObjectName(QStringLiteral("fjCalendarPopup"));
    calendar->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setSelectedDate(dateEdit->date());
    calendar->resize(500, 500);
    calendar->setStyleSheet(QStringLiteral(
        "QCalendarWidget { background-color: white; border: 1px solid #e5e5ea; border-radius: 12px; font-size: 13px; }"
        "QCalendarWidget QWidget#qt_calendar_navigationbar { background-color: #f9f9fb;"
        " border-bottom: 1px solid #e5e5ea; border-top-left-radius: 12px; border-top-right-radius: 12px; }"
        "QCalendarWidget QWidget#qt_calendar_navigationbar QToolButton { background-color: transparent; border: none;"
        " color: #007aff; font-weight: 600; font-size: 14px; padding: 8px; border-radius: 6px; }"
        "QCalendarWidget QWidget#qt_calendar_navigationbar QToolButton:hover { background-color: #f2f2f7; }"
        "QCalendarWidget QWidget#qt_calendar_navigationbar QToolButton:pressed { background-color: #e5e5ea; }"
        "QCalendarWidget QAbstractItemView { background-color: white; selection-background-color: #007aff;"
        " selection-color: white; gridline-color: #f2f2f7; }"
        "QCalendarWidget QAbstractItemView:enabled { font-size: 13px; color: #1d1d1f; }"
        "QCalendarWidget QHeaderView::section { background-color: #f9f9fb; color: #8e8e93; font-weight: 600;"
        " font-size: 12px; padding: 8px; border: none; }"));
    connect(
        calendar, &QCalendarWidget::clicked, calendar,
        [dateEdit, calendar](const QDate &date) {
            dateEdit->setDate(date);
            calendar->close();
        },
        Qt::DirectConnection);
    calendar->move(calculateCalendarPosition(dateEdit, calendar));
    calendar->show();
}

QPoint FJRightPanel::calculateCalendarPosition(QDateEdit *dateEdit, QCalendarWidget *calendar)
{
    return calendarPosition(dateEdit->mapToGlobal(QPoint(0, 0)), dateEdit->height(), calendar->size(),
                            QApplication::desktop()->availableGeometry(dateEdit));
}

QPoint FJRightPanel::calendarPosition(const QPoint &editTopLeft, int editHeight, const QSize &calendarSize,
                                      const QRect &available)
{
    int x = editTopLeft.x() - 50;
    int y = editTopLeft.y() + editHeight + 5;
    if (x + calendarSize.width() > available.right())
        x = available.right() - calendarSize.width() - 10;
    if (y + calendarSize.height() > available.bottom())
        y = editTopLeft.y() - calendarSize.height() - 5;
    if (x < available.left())
        x = available.left() + 10;
    if (y < available.top())
        y = available.top() + 10;
    return QPoint(x, y);
}
