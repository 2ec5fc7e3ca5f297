#include "app/ChooseTools.h"

#include "app/core/Config.h"
#include "app/FramelessWindow.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/ToolCardWidget.h"
#include "batchdelete/BatchDelete.h"
#include "importfiles/ImportFiles.h"
#include "platform/MacWindowManager.h"
#include "split/ui/FJHome.h"
#include "transfer/ui/tfhome.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum class ToolKind { Transfer, Split, ImportFile, BatchDelete };

struct ToolEntry {
    const char *name; // UTF-8
    const char *icon;
    ToolKind kind;
    int mode; // DesignFileSplitTypes or ImportFileType
};

// Grid order: row = index / 3, column = index % 3.
const ToolEntry kTools[] = {
    {"导入原片", "tools_dr_yp", ToolKind::ImportFile, OriginalFiles},
    {"下载原始档", "tools_xz_ysd", ToolKind::Split, DownloadOriginals},
    {"导片工具", "tools_dr_qxp", ToolKind::Transfer, 0},
    {"下载选片结果", "tools_xz_xpjg", ToolKind::Split, DownloadSelectionResults},
    {"导入精修片", "tools_dr_jxp", ToolKind::ImportFile, RetouchedFiles},
    {"设计分件", "tools_sjfj", ToolKind::Split, DesignSplit},
    {"下载照片交付", "tools_xz_zpjf", ToolKind::Split, DownloadPhotoDelivery},
    {"批量删除", "tools_batchdel", ToolKind::BatchDelete, 0},
};
constexpr int kToolCount = int(sizeof(kTools) / sizeof(kTools[0]));

int toolIndexOf(const QString &name)
{
    for (int i = 0; i < kToolCount; ++i) {
        if (name == QString::fromUtf8(kTools[i].name))
            return i;
    }
    return -1;
}

// Only the first launcher of the process is centred.
bool s_firstShowDone = false;

} // namespace

ChooseTools::ChooseTools(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ToolCardWidget"));
    setupFramelessWindow();
    setupUI();
    setupStyles();
    setupAnimations();
}

ChooseTools::~ChooseTools()
{
    MacWindowManager::removeWindowListener(this);
}

void ChooseTools::setupFramelessWindow()
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(K::f(800), K::f(450));
}

void ChooseTools::setupUI()
{
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(K::f(40), K::f(30), K::f(40), K::f(30));
    mainLayout->setSpacing(0);

    mainLayout->addLayout(FramelessWindow::titleBar(this, K::f(21), &minimizeButton, &closeButton));
    connect(minimizeButton, &QPushButton::clicked, this, &ChooseTools::onMinimizeButtonClicked);
    connect(closeButton, &QPushButton::clicked, this, &ChooseTools::onCloseButtonClicked);

    mainLayout->addSpacing(K::f(20));

    auto *brandRow = new QHBoxLayout();
    brandRow->setContentsMargins(0, 0, 0, 0);
    logoLabel = new QLabel(QStringLiteral("Pindle云"), this);
    logoLabel->setAlignment(Qt::AlignCenter);
    logoLabel->setObjectName(QStringLiteral("logoLabel"));
    brandRow->addStretch();
    brandRow->addWidget(logoLabel);
    brandRow->addStretch();
    mainLayout->addLayout(brandRow);

    mainLayout->addSpacing(K::f(15));

    auto *sloganRow = new QHBoxLayout();
    sloganRow->setContentsMargins(0, 0, 0, 0);
    sloganLabel = new QLabel(QStringLiteral("Quorvane"), this);
    sloganLabel->setAlignment(Qt::AlignCenter);
    sloganLabel->setObjectName(QStringLiteral("sloganLabel"));
    sloganRow->addStretch();
    sloganRow->addWidget(sloganLabel);
    sloganRow->addStretch();
    mainLayout->addLayout(sloganRow);

    mainLayout->addSpacing(K::f(50));

    auto *cardRow = new QHBoxLayout();
    auto *container = new QWidget(this);
    container->setObjectName(QStringLiteral("toolsContainer"));
    toolsGrid = new QGridLayout(container);
    toolsGrid->setContentsMargins(0, 0, 0, 0);
    toolsGrid->setSpacing(K::f(25));
    toolsGrid->setAlignment(Qt::AlignCenter);
    for (int column = 0; column < columnCount; ++column)
        toolsGrid->setColumnStretch(column, 1);
    for (const ToolEntry &tool : kTools) {
        addToolCard(QStringLiteral(":/choosetools/image/choosetools/%1.svg").arg(QLatin1String(tool.icon)),
                    QString::fromUtf8(tool.name));
    }
    cardRow->addStretch();
    cardRow->addWidget(container);
    cardRow->addStretch();
    mainLayout->addLayout(cardRow);

    mainLayout->addStretch();
    mainLayout->addSpacing(K::f(50));

    versionLabel = new QLabel(QStringLiteral("版本信息：") + Config::k_version, this);
    versionLabel->setAlignment(Qt::AlignCenter);
    versionLabel->setObjectName(QStringLiteral("versionLabel"));
    mainLayout->addWidget(versionLabel);

    mainLayout->addSpacing(K::f(20));
}

void ChooseTools::setupStyles()
{
    setStyleSheet(QStringLiteral("#ToolCardWidget { background: transparent; }")
                  + FramelessWindow::titleButtonStyle()
                  + QStringLiteral(
                        "QLabel#logoLabel { color: white; font-size: %1px; font-weight: bold; }"
                        "QLabel#sloganLabel { color: rgba(255, 255, 255, 0.9); font-size: %2px; }"
                        "QLabel#versionLabel { color: rgba(160, 170, 190, 0.8); font-size: %3px; }")
                        .arg(K::f(32))
                        .arg(K::f(16))
                        .arg(K::f(12)));
}

void ChooseTools::setupAnimations()
{
    windowAnimation = new QPropertyAnimation(this, "windowOpacity", this);
    windowAnimation->setDuration(300);
    windowAnimation->setStartValue(0.0);
    windowAnimation->setEndValue(1.0);
    windowAnimation->setEasingCurve(QEasingCurve::OutCubic);
    windowAnimation->start();
}

void ChooseTools::startWindowAnimation()
{
    if (windowAnimation)
        windowAnimation->start();
}

void ChooseTools::addToolCard(const QString &iconPath, const QString &name)
{
    auto *card = new ToolCardWidget(iconPath, name, QString(), this);
    connect(card, &ToolCardWidget::clicked, this, &ChooseTools::onToolClicked);
    connect(card, &ToolCardWidget::doubleClicked, this, &ChooseTools::onToolDoubleClicked);
    toolCards.append(card);
    const int index = toolCards.size() - 1;
    toolsGrid->addWidget(card, index / columnCount, index % columnCount, Qt::AlignCenter);
}

QPointer<QWidget> *ChooseTools::windowSlot(int toolIndex)
{
    switch (toolIndex) {
    case 0: return &originalFilesWindow;
    case 1: return &downloadOriginalsWindow;
    case 2: return &transferToolWindow;
    case 3: return &downloadSelectionResultsWindow;
    case 4: return &retouchedFilesWindow;
    case 5: return &designSplitWindow;
    case 6: return &downloadPhotoDeliveryWindow;
    case 7: return &batchDeleteWindow;
    default: return nullptr;
    }
}

QWidget *ChooseTools::toolWindow(const QString &name) const
{
    const int index = toolIndexOf(name);
    if (index < 0)
        return nullptr;
    return const_cast<ChooseTools *>(this)->windowSlot(index)->data();
}

void ChooseTools::onToolClicked()
{
    if (qobject_cast<ToolCardWidget *>(sender()))
        QApplication::beep();
}

void ChooseTools::onToolDoubleClicked(QString name)
{
    if (!qobject_cast<ToolCardWidget *>(sender()))
        return;
    QApplication::beep();
    QTimer::singleShot(200, this, []() { QApplication::beep(); });

    const int index = toolIndexOf(name);
    if (index < 0)
        return;
    QPointer<QWidget> *slot = windowSlot(index);
    if (*slot) {
        (*slot)->showMaximized();
        (*slot)->raise();
        (*slot)->activateWindow();
        return;
    }

    const ToolEntry &tool = kTools[index];
    QWidget *window = nullptr;
    switch (tool.kind) {
    case ToolKind::Transfer: {
        auto *transfer = new tfhome();
        transfer->setAttribute(Qt::WA_DeleteOnClose);
        transfer->loginInfo = loginInfo;
        window = transfer;
        break;
    }
    case ToolKind::Split: {
        auto *split = new FJHome();
        split->setAttribute(Qt::WA_DeleteOnClose);
        split->loginData = loginInfo;
        split->splitType = static_cast<DesignFileSplitTypes>(tool.mode);
        QMap<QString, QString> data;
        data.insert(QStringLiteral("windowtitle"), name);
        split->setInitData(data);
        window = split;
        break;
    }
    case ToolKind::ImportFile: {
        auto *importFiles = new ImportFiles();
        importFiles->setAttribute(Qt::WA_DeleteOnClose);
        importFiles->setWindowTitle(name);
        importFiles->setImportType(static_cast<ImportFileType>(tool.mode));
        window = importFiles;
        break;
    }
    case ToolKind::BatchDelete: {
        auto *batchDelete = new BatchDelete();
        batchDelete->setAttribute(Qt::WA_DeleteOnClose);
        batchDelete->loginInfo = loginInfo;
        window = batchDelete;
        break;
    }
    }

    *slot = window;
    connect(window, &QObject::destroyed, this, [this, index]() {
        if (QPointer<QWidget> *emptied = windowSlot(index))
            *emptied = nullptr;
    });
    window->showMaximized();
}

void ChooseTools::onCloseButtonClicked()
{
    close();
}

void ChooseTools::onMinimizeButtonClicked()
{
    FramelessWindow::minimize(this);
}

void ChooseTools::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    FramelessWindow::paintDarkCard(this, painter);
    painter.end();
    QWidget::paintEvent(event);
}

void ChooseTools::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (s_firstShowDone)
        return;
    s_firstShowDone = true;
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.x() + (available.width() - width()) / 2,
             available.y() + (available.height() - height()) / 2);
    }
}

void ChooseTools::mousePressEvent(QMouseEvent *event)
{
    FramelessWindow::startDrag(this, event, dragPosition, isDragging);
}

void ChooseTools::mouseMoveEvent(QMouseEvent *event)
{
    FramelessWindow::continueDrag(this, event, dragPosition, isDragging);
}

void ChooseTools::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        isDragging = false;
    QWidget::mouseReleaseEvent(event);
}
