#include "split/ui/FJRightPanel.h"

#include "app/Config.h"
#include "app/K.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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
                       " width: %4px; height: %4px; }")
            .arg(K::s(5), K::s(11), K::s(7), K::s(11), K::s(20));
    const QString inputStyle =
        QStringLiteral("padding: %1px %2px; border: 1px solid #e5e5ea; border-radius: %3px; font-size: %2px;"
                       " background-color: #ffffff; color: #000000;")
            .arg(K::s(5), K::s(11), K::s(7));

    shopLayout = new QHBoxLayout();
    shopLabel = new QLabel(QStringLiteral("分店选择:"), this);
    shopLabel->setStyleSheet(labelStyle);
    shopComboBox = new QComboBox(this);
    shopComboBox->setObjectName(QStringLiteral("shopComboBox"));
    shopComboBox->setFixedHeight(K::f(27));
    for (const ShopEntry &shop : qAsConst(Config::k_shops))
        shopComboBox->addItem(shop.name);
    shopComboBox->setStyleSheet(comboStyle);
    connect(shopComboBox, &QComboBox::currentTextChanged, this, [this] {
        if (splitType == DesignSplit)
            emit shopChange();
    });
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
    searchTypeComboBox->setStyleSheet(comboStyle);
    searchLineEdit = new QLineEdit(this);
    searchLineEdit->setObjectName(QStringLiteral("searchLineEdit"));
    searchLineEdit->setFixedHeight(K::f(27));
    searchLineEdit->setPlaceholderText(QStringLiteral("搜索订单号、姓名..."));
    searchLineEdit->setStyleSheet(QStringLiteral("QLineEdit { %1 } QLineEdit:focus { border-color: #007aff; }")
                                      .arg(inputStyle));
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
    shotDateEdit->setStyleSheet(QStringLiteral("QDateEdit { %1 } QDateEdit:focus { border-color: #007aff; }"
                                               "QDateEdit:hover { background-color: #f8f8fa; border-color: #007aff; }")
                                    .arg(inputStyle));
    selectDateEdit->setStyleSheet(shotDateEdit->styleSheet());
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
    if (type == DownloadOriginals)
        startButton->setText(QStringLiteral("开始下载"));
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

void FJRightPanel::onSetSearchBtnStatus(bool enable)
{
    if (enable) {
        searchButton->setEnabled(startButton->isEnabled());
        searchButton->setText(QStringLiteral("搜索订单"));
    } else {
        searchButton->setEnabled(false);
        searchButton->setText(QStringLiteral("搜索中..."));
    }
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
                                                       selectDateEdit, chooseDirButton, startButton, searchButton})
        w->setEnabled(enable);
}
