#include "app/core/Config.h"
#include "app/core/K.h"
#include "importfiles/ImportFiles.h"
#include "importfiles/ImportRules.h"
#include "support/DialogChecks.h"
#include "support/ImportFilesMessageBoxes.h"
#include "support/ImportFilesStudioData.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"
#include "support/SmbShare.h"
#include "support/StandInService.h"
#include "widgets/OrderNumberButtonDelegate.h"
#include "widgets/SimpleDialog.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QScrollBar>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QtTest>

#include <cerrno>
#include <memory>
#include <utility>

#include <unistd.h>

namespace Data = ImportFilesStudioData;

namespace {

// Everything below folder, as paths relative to it, sorted.
QStringList everythingBelow(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(folder.size() + 1);
    found.sort();
    return found;
}

// Left in the share's mount point before it is mounted, so they show again
// once it is unmounted: Finder's note and, after an earlier run with the share
// down, that run's order folder.
void leaveInMountPoint(const QString &mountPoint, bool orderFolders)
{
    QFile::remove(mountPoint + QStringLiteral("/.mounted"));
    QFile(mountPoint + QStringLiteral("/.DS_Store")).open(QIODevice::WriteOnly);
    if (orderFolders)
        QDir(mountPoint).mkpath(Data::orderShareFolder(0).section(QLatin1Char('/'), 1) + QStringLiteral("/原片"));
}

} // namespace

class tst_ImportFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void searchSendsBranchThenOrderList();
    void searchByShootingDate();
    void dateFieldOpensCalendar();
    void searchRefusals_data();
    void searchRefusals();
    void orderTableCells();
    void openDirButtonOnlyWhenAllowed();
    void longSearchButtonsFollowTheView();
    void orderNumberClickCopiesOrderNumber();
    void choosingFilesRoutesAndCreatesFolders();
    void choosingRefused_data();
    void choosingRefused();
    void choosingMakesNoFolderOffShare_data();
    void choosingMakesNoFolderOffShare();
    void clearingKeepsOutcomes();
    void laterChoiceWinsOverOneBeingRead();
    void copyOfEarlierChoiceLandsLate();
    void runCopiesFilesAndReportsEachOrder();
    void failedCopiesShownNotReported();
    void namesToImportAgainStopTheRun();
    void failedReport_data();
    void failedReport();
    void stopEndsRunWithoutNextOrder();
    void retryDuringAnotherRunReportsItsOrder();
    void stopAndCloseNeverWaitForCopies();
    void mainRoadOnSmbShare();
    void nothingToImport();
    void searchRefusedWhileImporting();
    void retouchedMismatchConfirm_data();
    void retouchedMismatchConfirm();
    void existingNamesAskBeforeAnyCopy();
    void replaceAnsweredAfterShareWent();
    void replaceAnswerOfStoppedRunCopiesNothing();
    void blockedFolderRetrySucceeds();
    void oddNamesKeptAndReported();
    void shareGoneMidRunWritesNothingLocally();
    void orderFolderNotListable_data();
    void orderFolderNotListable();
    void closedMidRunReportsPlacedFiles_data();
    void closedMidRunReportsPlacedFiles();
    void orderIdsOfWrongFormRefused_data();
    void orderIdsOfWrongFormRefused();
    void readOnlyShareSaysWhy();
    void lookAlikeNamesAreOneName_data();
    void lookAlikeNamesAreOneName();
    void shareMountedAtStartOnly_data();
    void shareMountedAtStartOnly();
    void orderFolderRepointedMidRun_data();
    void orderFolderRepointedMidRun();
    void thousandsOfSmallFiles_data();
    void thousandsOfSmallFiles();

private:
    ImportFiles *openWindow(ImportFileType type);
    void search(int expectedRows);
    int column(const QString &header) const;
    QString cell(int row, const QString &header) const;
    QPushButton *rowButton(int row, const char *name) const;
    QString source(const QString &name, const QByteArray &bytes);
    void choose(int row, const QStringList &paths);
    QByteArray bytesOf(const QString &path) const;
    QString onShare(const QString &path, const QByteArray &bytes, int ageSeconds = 0) const;
    QString orderFolder(int n) const;
    SimpleDialog *openDialog() const;
    // A share with content: an empty share folder is a mount point left behind.
    static void markMounted(const QString &shareFolder);
    // Bind-mounts backing (given content) on the share's empty mount point; false where mounts are refused.
    bool bindShare(const QString &backing);
    void unbindShare();
    // Runs until the window is idle again after a click on the start button.
    void runToEnd();
    // The single-file reports sent: size by the file's path as the service knows it.
    QMap<QString, QString> photoReports() const;
    // The path the service knows for a file of an order's subfolder.
    static QString servicePath(int order, const QString &subfolderAndName);
    static bool drawnIn(QAbstractItemView *view, const QModelIndex &index, const QColor &colour);

    StandInService *m_service = nullptr;
    QScopedPointer<ScopedMountRoot> m_root;
    QScopedPointer<QTemporaryDir> m_sources;
    QPointer<ImportFiles> m_window;
    ImportFilesMessageBoxes *m_boxes = nullptr;
    QStringList m_nextChoice;
    int m_chooserCalls = 0;
    bool m_bound = false;
};

void tst_ImportFiles::init()
{
    Config::k_shops = {ShopEntry{QStringLiteral("11"), QStringLiteral("旗舰店"), QString()},
                       ShopEntry{QStringLiteral("12"), QStringLiteral("二店"), QString()}};
    Config::k_manager_id = QStringLiteral("M-9");
    m_root.reset(new ScopedMountRoot);
    QVERIFY(m_root->isValid());
    markMounted(m_root->mkpath(Data::kShare));
    m_sources.reset(new QTemporaryDir);
    // A service of its own per test: a late report of an earlier window never lands here.
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    Data::install(*m_service);
    m_boxes = new ImportFilesMessageBoxes(this);
}

void tst_ImportFiles::cleanup()
{
    // No box of the test was shown under a dialog still on screen.
    const QStringList under = m_boxes->seenUnderDialogs();
    delete m_window;
    unbindShare();
    delete m_boxes;
    m_boxes = nullptr;
    // Deleting a dialog may delete others it owns: hold guarded pointers.
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        windows.append(w);
    for (const QPointer<QWidget> &w : qAsConst(windows)) {
        if (qobject_cast<SimpleDialog *>(w))
            delete w.data();
    }
    m_root.reset();
    delete m_service;
    m_service = nullptr;
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
}

ImportFiles *tst_ImportFiles::openWindow(ImportFileType type)
{
    m_window = new ImportFiles();
    m_window->setImportType(type);
    m_chooserCalls = 0;
    m_window->setFileChooser([this](QWidget *, const QString &title, const QString &) {
        ++m_chooserCalls;
        return title == QStringLiteral("选择要导入的文件") ? m_nextChoice : QStringList();
    });
    m_window->resize(1400, 800);
    m_window->show();
    return m_window;
}

void tst_ImportFiles::search(int expectedRows)
{
    auto *button = m_window->findChild<QPushButton *>(QStringLiteral("searchButton"));
    QVERIFY(button);
    const int before = m_service->requests(QStringLiteral("order"), QStringLiteral("order_list")).size();
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("order_list")).size(),
                              before + 1, 10000);
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), expectedRows, 10000);
    // The reply is in: a search right after this one is not taken for a second click.
    QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 10000);
}

int tst_ImportFiles::column(const QString &header) const
{
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    for (int c = 0; c < table->columnCount(); ++c) {
        if (table->horizontalHeaderItem(c)->text() == header)
            return c;
    }
    return -1;
}

QString tst_ImportFiles::cell(int row, const QString &header) const
{
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    const int c = column(header);
    QTableWidgetItem *item = c >= 0 ? table->item(row, c) : nullptr;
    return item ? item->text() : QStringLiteral("<none>");
}

QPushButton *tst_ImportFiles::rowButton(int row, const char *name) const
{
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    QWidget *widget = table->cellWidget(row, column(QStringLiteral("操作")));
    return widget ? widget->findChild<QPushButton *>(QLatin1String(name)) : nullptr;
}

QString tst_ImportFiles::source(const QString &name, const QByteArray &bytes)
{
    const QString path = m_sources->filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void tst_ImportFiles::choose(int row, const QStringList &paths)
{
    m_nextChoice = paths;
    QPushButton *button = rowButton(row, "selectFilesButton");
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    // The chosen files are read off the GUI thread.
    QTRY_VERIFY(!m_window->isReadingChoice());
}

QByteArray tst_ImportFiles::bytesOf(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString tst_ImportFiles::onShare(const QString &path, const QByteArray &bytes, int ageSeconds) const
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
        file.flush();
        file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
    }
    return path;
}

QString tst_ImportFiles::orderFolder(int n) const
{
    return m_root->path() + Data::orderShareFolder(n);
}

void tst_ImportFiles::markMounted(const QString &shareFolder)
{
    QFile(shareFolder + QStringLiteral("/.mounted")).open(QIODevice::WriteOnly);
}

bool tst_ImportFiles::bindShare(const QString &backing)
{
    markMounted(backing);
    QFile::remove(m_root->path() + Data::kShare + "/.mounted");
    m_bound = QProcess::execute("mount", {"--bind", backing, m_root->path() + Data::kShare}) == 0;
    return m_bound;
}

void tst_ImportFiles::unbindShare()
{
    if (std::exchange(m_bound, false))
        QProcess::execute("umount", {"-l", m_root->path() + Data::kShare});
}

void tst_ImportFiles::runToEnd()
{
    QTest::mouseClick(m_window->findChild<QPushButton *>("startAllButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isImporting(), 60000);
}

QMap<QString, QString> tst_ImportFiles::photoReports() const
{
    QMap<QString, QString> sizes;
    for (const auto &request : m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath"))) {
        // A second report of a file, or one for another order, shows in the comparison.
        const QString path = request.field("path");
        const QString id = request.field("order_photo_id");
        sizes.insert(sizes.contains(path) ? path + " (again)" : path,
                     id == Data::orderPhotoId(0) ? request.field("size") : "order " + id);
    }
    return sizes;
}

QString tst_ImportFiles::servicePath(int order, const QString &subfolderAndName)
{
    return Data::unc(Data::orderShareFolder(order) + QLatin1Char('/') + subfolderAndName);
}

SimpleDialog *tst_ImportFiles::openDialog() const
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        auto *dialog = qobject_cast<SimpleDialog *>(w);
        if (dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// Whether the cell is drawn with pixels of the colour (its text), not only given it as a role.
bool tst_ImportFiles::drawnIn(QAbstractItemView *view, const QModelIndex &index, const QColor &colour)
{
    const QImage image = view->viewport()->grab(view->visualRect(index)).toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) + qAbs(c.blue() - colour.blue()) < 40)
                return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- search

void tst_ImportFiles::searchSendsBranchThenOrderList()
{
    openWindow(OriginalFiles);
    QVERIFY(m_service->requests().isEmpty());
    auto *branch = m_window->findChild<QComboBox *>(QStringLiteral("branchBox"));
    QCOMPARE(branch->count(), 2);
    branch->setCurrentIndex(1);
    QVERIFY(m_service->requests().isEmpty());
    m_window->findChild<QLineEdit *>(QStringLiteral("keywordEdit"))->setText(QStringLiteral(" 张&伟=1"));
    search(3);

    const QList<StandInService::Request> requests = m_service->requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).action(), QStringLiteral("switch_shop"));
    QCOMPARE(requests.at(0).field(QStringLiteral("shopid")), QStringLiteral("12"));
    const StandInService::Request &list = requests.at(1);
    QCOMPARE(list.action(), QStringLiteral("order_list"));
    QCOMPARE(list.fieldNames().mid(0, 7), (QStringList{"keyword", "searchtype", "ratio", "shopid", "eid", "superid", "personid"}));
    QStringList values;
    for (const char *key : {"keyword", "searchtype", "shopid", "eid", "superid", "personid"})
        values << list.field(QLatin1String(key));
    QCOMPARE(values.join('|'), QStringLiteral(" 张&伟=1|1|12|E-7|S-42|E-7"));
    QCOMPARE(m_window->currentOrderRow(), -1);
    // Ids given as JSON integers are sent by their digits.
    m_service->setReply("public", "switch_shop", QJsonObject{{"code", "1"}, {"SUPERID", 42}, {"EID", 7}});
    search(3);
    const auto again = m_service->requests("order", "order_list").last();
    QCOMPARE(again.field("eid") + '|' + again.field("superid") + '|' + again.field("personid"), QStringLiteral("7|42|7"));
    // The login gave no branch in a usable form: nothing is asked.
    delete m_window;
    Config::k_shops.clear();
    openWindow(OriginalFiles);
    m_service->clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("分店编号无效")));
    QVERIFY(m_service->requests().isEmpty());
}

void tst_ImportFiles::searchByShootingDate()
{
    openWindow(OriginalFiles);
    auto *type = m_window->findChild<QComboBox *>(QStringLiteral("searchTypeBox"));
    type->setCurrentIndex(1);
    QVERIFY(m_window->findChild<QWidget *>(QStringLiteral("shotDateEdit"))->isVisible());
    QVERIFY(!m_window->findChild<QWidget *>(QStringLiteral("keywordEdit"))->isVisible());
    search(3);
    const auto list = m_service->requests(QStringLiteral("order"), QStringLiteral("order_list"));
    QCOMPARE(list.last().field(QStringLiteral("keyword")), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    QCOMPARE(list.last().field(QStringLiteral("searchtype")), QStringLiteral("4"));
    type->setCurrentIndex(2);
    search(3);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("order_list")).last().field(QStringLiteral("searchtype")),
             QStringLiteral("5"));
}

void tst_ImportFiles::dateFieldOpensCalendar()
{
    openWindow(OriginalFiles);
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    auto *field = m_window->findChild<QDateEdit *>(QStringLiteral("shotDateEdit"));
    QVERIFY(field->isReadOnly());
    m_window->findChild<QComboBox *>(QStringLiteral("searchTypeBox"))->setCurrentIndex(1);
    QTRY_VERIFY(field->isVisible());
    QTest::mousePress(field, Qt::LeftButton, {}, QPoint(10, 10));
    QTRY_VERIFY(field->calendarWidget() && field->calendarWidget()->isVisible());
    QCOMPARE(field->calendarWidget()->selectedDate(), QDate::currentDate());
    QTRY_VERIFY(field->isReadOnly());

    const QDate chosen = QDate::currentDate().addDays(-3);
    field->calendarWidget()->setSelectedDate(chosen);
    QTRY_COMPARE(field->date(), chosen);
    QTRY_VERIFY(!field->calendarWidget()->isVisible());
}

void tst_ImportFiles::searchRefusals_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("orderLists");
    QTest::addColumn<int>("rowsAfter");
    // A refusal is no answer: the earlier orders go. An empty answer keeps them behind its notice.
    QTest::newRow("branch refused") << "switch_shop"
                                    << QJsonObject{{"code", "0"}, {"msg", "分店已停用"}} << "分店已停用" << 0 << 0;
    QTest::newRow("branch numeric code") << "switch_shop" << QJsonObject{{"code", 1}, {"msg", "数字"}}
                                         << "服务器返回数据格式错误" << 0 << 0;
    QTest::newRow("branch ids null and a fraction") << "switch_shop"
                                                    << QJsonObject{{"code", "1"}, {"SUPERID", QJsonValue()}, {"EID", 7.5}}
                                                    << "服务器返回数据格式错误" << 0 << 0;
    // One usable id is not enough: each is sent.
    QTest::newRow("branch super id a number, manager id an object")
        << "switch_shop" << QJsonObject{{"code", "1"}, {"SUPERID", 9}, {"EID", QJsonObject()}}
        << "服务器返回数据格式错误" << 0 << 0;
    QTest::newRow("branch manager id text, super id missing")
        << "switch_shop" << QJsonObject{{"code", "1"}, {"EID", "E-7"}} << "服务器返回数据格式错误" << 0 << 0;
    QTest::newRow("list refused") << "order_list" << QJsonObject{{"code", "0"}, {"message", "没有权限"}}
                                  << "没有权限" << 1 << 0;
    QTest::newRow("list empty") << "order_list" << QJsonObject{{"code", "1"}, {"data", QJsonArray()}}
                                << "未检索到订单" << 1 << 3;
    QTest::newRow("list without data") << "order_list" << QJsonObject{{"code", "1"}} << "未检索到订单" << 1 << 3;
}

void tst_ImportFiles::searchRefusals()
{
    QFETCH(QString, action);
    QFETCH(QJsonObject, reply);
    QFETCH(QString, text);
    QFETCH(int, orderLists);
    QFETCH(int, rowsAfter);
    openWindow(OriginalFiles);
    search(3);
    m_service->clearRequests();
    m_service->setReply(action == QLatin1String("switch_shop") ? QStringLiteral("public") : QStringLiteral("order"),
                        action, reply);
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), text), 10000);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("order_list")).size(), orderLists);
    QCOMPARE(m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->rowCount(), rowsAfter);
}

// ---------------------------------------------------------------- order table

void tst_ImportFiles::orderTableCells()
{
    QJsonObject longNumber = Data::order(1, QString());
    longNumber.insert(QStringLiteral("orderpayforkey"), QStringLiteral("DD20240602002"));
    QJsonArray orders{Data::order(0, Data::orderNetpath(0)), longNumber};
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(orders));
    openWindow(OriginalFiles);
    search(2);
    QStringList row;
    for (const char *header : {"订单号", "男姓名", "女姓名", "摄影师", "已导原片", "已导原始档", "化妆师", "本次已选", "照片状态"})
        row << cell(0, QString::fromUtf8(header));
    QCOMPARE(row.join('|'), Data::orderNumber(0) + QStringLiteral("-1|张伟|李娜|摄影师0|10|20|化妆师0|0|未选择"));
    QCOMPARE(QDir::cleanPath(cell(0, QStringLiteral("导片路径"))), QDir::cleanPath(orderFolder(0)));
    QCOMPARE(cell(1, QStringLiteral("导片路径")), QString());
    QCOMPARE(cell(0, QStringLiteral("已导精修")), QStringLiteral("<none>"));
    // The longest number shows whole.
    auto *numbers = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    QVERIFY(numbers->columnWidth(column(QStringLiteral("订单号")))
            >= OrderNumberButtonDelegate::columnWidthFor(numbers, QStringLiteral("DD20240602002-1")));

    // A second, shorter result replaces every row.
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"),
                        Data::orderListReply(QJsonArray{Data::order(2, QString())}));
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    table->selectRow(0);
    QCOMPARE(m_window->currentOrderRow(), 0);
    search(1);
    QCOMPARE(m_window->currentOrderRow(), -1);
    QCOMPARE(cell(0, QStringLiteral("订单号")), Data::orderNumber(2) + QStringLiteral("-1"));
}

// A long result gets row buttons only where the user looks, and every row its cells.
void tst_ImportFiles::longSearchButtonsFollowTheView()
{
    QJsonArray list;
    for (int n = 0; n < 3000; ++n)
        list.append(Data::order(n, Data::orderNetpath(n)));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(list));
    openWindow(OriginalFiles);
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    // A row not filled yet takes an update at once: sent as the rows appear, before any is filled.
    const auto update = connect(table->model(), &QAbstractItemModel::rowsInserted, m_window,
                                [this](const QModelIndex &, int, int last) {
                                    if (last >= 2990)
                                        m_window->updateOrderStatus(2990, QStringLiteral("导入完成"));
                                });
    search(3000);
    disconnect(update);
    const auto rowsWithButtons = [table, this] {
        int n = 0;
        for (int row = 0; row < table->rowCount(); ++row)
            n += table->cellWidget(row, column(QStringLiteral("操作"))) ? 1 : 0;
        return n;
    };
    QCOMPARE(cell(2990, QStringLiteral("照片状态")), QStringLiteral("导入完成"));
    QTRY_COMPARE(cell(2999, QStringLiteral("订单号")), Data::orderNumber(2999) + QStringLiteral("-1"));
    QCOMPARE(cell(2990, QStringLiteral("照片状态")), QStringLiteral("导入完成"));
    QCOMPARE(cell(2999, QStringLiteral("男姓名")), QStringLiteral("刘洋"));
    // Every row the user sees has its buttons, from the top of the view down, also once the window grows.
    const auto inViewHaveButtons = [table, this] {
        const int c = column("操作");
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->visualRect(table->model()->index(row, c)).intersects(table->viewport()->rect()) && !table->cellWidget(row, c))
                return false;
        }
        return true;
    };
    QVERIFY(rowButton(0, "selectFilesButton"));
    QVERIFY(!rowButton(2999, "selectFilesButton"));
    QVERIFY(inViewHaveButtons());
    const int height = table->viewport()->height();
    m_window->resize(1400, 1800);
    QTRY_VERIFY(table->viewport()->height() > height + 10 * table->verticalHeader()->defaultSectionSize());
    QTRY_VERIFY(inViewHaveButtons());
    const int inView = rowsWithButtons();
    QVERIFY(inView > 0 && inView < 60);

    table->scrollToBottom();
    QTRY_VERIFY(rowButton(2999, "selectFilesButton"));
    QVERIFY(!rowButton(0, "selectFilesButton"));
    QCOMPARE(rowsWithButtons(), inView);
    // A button made late still works for its own order.
    choose(2999, {source(QStringLiteral("a.jpg"), "x")});
    QCOMPARE(m_window->orders().at(2999).files.size(), 1);
    QCOMPARE(cell(2999, QStringLiteral("本次已选")), QStringLiteral("1"));
    QVERIFY(m_window->orders().at(0).files.isEmpty());
}

void tst_ImportFiles::openDirButtonOnlyWhenAllowed()
{
    openWindow(OriginalFiles);
    QJsonObject reply = Data::orderListReply(QJsonArray{Data::order(0, Data::orderNetpath(0))});
    reply.insert(QStringLiteral("openypml"), QStringLiteral("1"));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), reply);
    search(1);
    QCOMPARE(m_window->openypml(), 0);
    QVERIFY(rowButton(0, "selectFilesButton"));
    QVERIFY(!rowButton(0, "openDirButton"));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"),
                        Data::orderListReply(QJsonArray{Data::order(0, Data::orderNetpath(0))}, 1, 1));
    search(1);
    QTRY_VERIFY(rowButton(0, "openDirButton"));
    QCOMPARE(m_window->delyp(), 1);
}

void tst_ImportFiles::orderNumberClickCopiesOrderNumber()
{
    openWindow(OriginalFiles);
    search(3);
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    const QRect rect = table->visualRect(table->model()->index(2, column(QStringLiteral("订单号"))));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    QTRY_COMPARE(QApplication::clipboard()->text(), Data::orderNumber(2));
}

// ---------------------------------------------------------------- choosing files

void tst_ImportFiles::choosingFilesRoutesAndCreatesFolders()
{
    openWindow(OriginalFiles);
    search(3);
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    table->selectRow(1);
    const QStringList paths{source(QStringLiteral("IMG_1.jpg"), "a"), source(QStringLiteral("IMG_1.CR3"), "b"),
                            source(QStringLiteral("IMG_2.JPEG"), "c"), source(QStringLiteral("photo.Jpg"), "d")};
    choose(1, paths);
    const QString folder = QDir::cleanPath(orderFolder(1));
    QVERIFY(QDir(folder + QStringLiteral("/原片")).exists());
    QVERIFY(QDir(folder + QStringLiteral("/原始档")).exists());
    QVERIFY(!QDir(folder + QStringLiteral("/精修片")).exists());
    QCOMPARE(cell(1, QStringLiteral("本次已选")), QStringLiteral("4"));
    QCOMPARE(cell(1, QStringLiteral("照片状态")), QStringLiteral("已选择"));

    const QList<ImportFile> files = m_window->orders().at(1).files;
    QCOMPARE(files.size(), 4);
    const QStringList expected{QStringLiteral("原片"), QStringLiteral("原始档"), QStringLiteral("原片"), QStringLiteral("原始档")};
    for (int i = 0; i < files.size(); ++i) {
        QCOMPARE(QDir::cleanPath(files.at(i).targetFolder), folder + QLatin1Char('/') + expected.at(i));
        QCOMPARE(files.at(i).fileRow, i);
        QCOMPARE(files.at(i).orderRow, 1);
        QCOMPARE(files.at(i).size, qint64(1));
    }
    auto *fileTable = m_window->findChild<QTableView *>(QStringLiteral("fileTable"));
    QCOMPARE(fileTable->model()->rowCount(), 4);
    QCOMPARE(fileTable->model()->index(3, 0).data().toString(), QStringLiteral("photo.Jpg"));
    QCOMPARE(fileTable->model()->index(3, 1).data().toString(), QStringLiteral("等待导入"));

    // Cancelling the dialog changes nothing.
    choose(1, {});
    QCOMPARE(m_window->orders().at(1).files.size(), 4);
}

void tst_ImportFiles::choosingRefused_data()
{
    QTest::addColumn<QString>("netpath");
    QTest::addColumn<QString>("publicNetpath");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("dialogs");
    const QString climbing = QStringLiteral("\\\\NAS\\x\\..\\..\\etc");
    const QString own = Data::orderNetpath(0);
    QTest::newRow("no folder at all") << "" << "" << QStringList{"a.jpg"}
                                      << "旗舰店 没有设置本地云导片路径, 请在后台设置本地云导片路径！" << 0;
    QTest::newRow("public folder climbs out") << "" << climbing << QStringList{"a.jpg"}
                                              << "订单文件夹路径无效：" + climbing << 0;
    // Never silently replaced by a generated folder.
    QTest::newRow("own folder converts to nothing") << climbing << Data::publicNetpath() << QStringList{"a.jpg"}
                                                    << "订单文件夹路径无效：" + climbing << 0;
    QTest::newRow("share named in other case") << Data::unc(QStringLiteral("PHOTO/orders/o1")) << Data::publicNetpath()
                                               << QStringList{"a.jpg"} << "share:PHOTO/orders/o1/" << 0;
    // Refused before any look at the share: one look per level held the window for minutes.
    QTest::newRow("300,000 levels") << Data::unc(Data::kShare + QStringLiteral("/orders") + QStringLiteral("/a").repeated(300000))
                                    << Data::publicNetpath() << QStringList{"a.jpg"} << "路径过长: " << 0;
    QTest::newRow("a name of 256 bytes") << Data::unc(Data::kShare + QStringLiteral("/orders/") + QString(256, 'n'))
                                         << Data::publicNetpath() << QStringList{"a.jpg"} << "路径过长: " << 0;
    QTest::newRow("names differ in case") << own << Data::publicNetpath() << QStringList{"one/IMG_1.JPG", "two/IMG_1.jpg"}
                                          << "以下文件重名，无法同时导入：\none/IMG_1.JPG\ntwo/IMG_1.jpg" << 1;
    QTest::newRow("names differ in Unicode form")
        << own << Data::publicNetpath() << QStringList{QStringLiteral("one/caf\u00e9.jpg"), QStringLiteral("two/cafe\u0301.JPG")}
        << QStringLiteral("以下文件重名，无法同时导入：\none/caf\u00e9.jpg\ntwo/cafe\u0301.JPG") << 1;
    QTest::newRow("one name, two folders") << own << Data::publicNetpath() << QStringList{"one/A.CR3", "two/A.CR3", "B.jpg"}
                                           << "以下文件重名，无法同时导入：\none/A.CR3\ntwo/A.CR3" << 1;
}

void tst_ImportFiles::choosingRefused()
{
    QFETCH(QString, netpath);
    QFETCH(QString, publicNetpath);
    QFETCH(QStringList, names);
    QFETCH(QString, message);
    QJsonObject order = Data::order(0, netpath);
    if (publicNetpath.isEmpty())
        order.remove(QStringLiteral("picpathnew"));
    else
        order.insert(QStringLiteral("picpathnew"), QJsonObject{{QStringLiteral("netpath"), publicNetpath}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(QJsonArray{order}));
    openWindow(OriginalFiles);
    search(1);
    QStringList paths;
    for (const QString &name : names) {
        QDir(m_sources->path()).mkpath(QFileInfo(name).path());
        paths << source(name, "x");
    }
    QElapsedTimer clock;
    clock.start();
    choose(0, paths);
    QTRY_COMPARE(m_boxes->count(), 1);
    if (message.startsWith(QStringLiteral("路径过长: "))) {
        const QString text = m_boxes->boxes().at(0).text;
        // Elided in the middle: the box stays on the screen.
        QVERIFY2(text.startsWith(message + m_root->path()) && text.size() < 120, qPrintable(text.left(200)));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        message = text;
    }
    if (message.startsWith(QLatin1String("share:")))
        message = K::missingShareMessage(m_root->path() + message.mid(6));
    QCOMPARE(m_boxes->boxes().at(0).text, message.replace(QStringLiteral("one/"), m_sources->filePath(QStringLiteral("one/")))
                                                 .replace(QStringLiteral("two/"), m_sources->filePath(QStringLiteral("two/"))));
    QTEST(m_chooserCalls, "dialogs");
    QVERIFY(m_window->orders().at(0).files.isEmpty());
    QCOMPARE(QDir(m_root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{Data::kShare});
    QVERIFY(QDir(m_root->path() + Data::kShare).isEmpty());
}

void tst_ImportFiles::choosingMakesNoFolderOffShare_data()
{
    QTest::addColumn<bool>("above");
    QTest::addColumn<bool>("atRun");
    QTest::addColumn<QString>("sub");    // the order's subfolder that is the link; on a real mount then
    QTest::addColumn<QString>("target"); // "local" folder, "sibling": beside the share, its name extends the share's; "nowhere"
    QTest::addColumn<bool>("relative");
    QTest::newRow("order folder") << false << false << "" << "local" << false;
    QTest::newRow("folder above it") << true << false << "" << "local" << false;
    // The order folder went after the pick, and the folder above it became the link.
    QTest::newRow("folder above it, at the run") << true << true << "" << "local" << false;
    QTest::newRow("原片 to a local folder") << false << false << "原片" << "local" << false;
    QTest::newRow("原始档 to a sibling, relative") << false << false << "原始档" << "sibling" << true;
    QTest::newRow("精修片 to a sibling, at the run") << false << true << "精修片" << "sibling" << false;
    QTest::newRow("原片 to a local folder, relative, at the run") << false << true << "原片" << "local" << true;
    QTest::newRow("原始档 to a sibling, relative, at the run") << false << true << "原始档" << "sibling" << true;
    QTest::newRow("原片 to nowhere off the share") << false << false << "原片" << "nowhere" << false;
    QTest::newRow("原始档 to nowhere, at the run") << false << true << "原始档" << "nowhere" << false;
    // On the share, but another order's folder.
    QTest::newRow("原片 to another order, relative") << false << false << "原片" << "order" << true;
    QTest::newRow("原始档 to another order, at the run") << false << true << "原始档" << "order" << false;
}

// The order folder, a folder above it or one of its subfolders is a link out
// of the share: nothing is made, written, listed or reported through it.
void tst_ImportFiles::choosingMakesNoFolderOffShare()
{
    QFETCH(bool, above);
    QFETCH(bool, atRun);
    QFETCH(QString, sub);
    QFETCH(QString, target);
    QFETCH(bool, relative);
    const ScopedEnvironment realMounts("STUDIO_LOCAL_SHARES", sub.isEmpty() ? QByteArray("1") : QByteArray());
    QTemporaryDir local, backing;
    const QString elsewhere = target == "local"     ? local.path()
                              : target == "nowhere" ? local.filePath("gone/d")
                              : target == "order"   ? QDir::cleanPath(orderFolder(1)) + '/' + sub
                                                    : m_root->path() + Data::kShare + "-old/o1";
    const QString folder = QDir::cleanPath(orderFolder(0));
    QString link = above ? QFileInfo(folder).path() : folder;
    if (!sub.isEmpty()) {
        if (!bindShare(backing.path()))
            QSKIP("bind mounts need root");
        link = folder + '/' + sub;
    }
    // What lies there already is neither listed, cleaned up nor replaced.
    if (target != "nowhere") {
        onShare(elsewhere + "/OLD.jpg", "old");
        onShare(elsewhere + "/.~import-0123456789abcdef0123456789abcdef.tmp", "stale", 7200);
    }
    const QStringList before = everythingBelow(elsewhere);
    const QByteArray to = QFile::encodeName(relative ? QDir(QFileInfo(link).path()).relativeFilePath(elsewhere) : elsewhere);
    if (!atRun)
        QVERIFY(QDir().mkpath(QFileInfo(link).path()) && ::symlink(to.constData(), QFile::encodeName(link).constData()) == 0);
    openWindow(sub == "精修片" || sub.isEmpty() ? RetouchedFiles : OriginalFiles);
    search(3);
    choose(0, {source(sub == "原始档" ? "IMG_1.CR3" : "IMG_1.jpg", "one")});
    const QString refusal = sub.isEmpty()       ? ImportRules::outsideShareMessage(folder)
                            : target == "order" ? K::outsideOrderMessage(link)
                                                : K::folderOffShareMessage(link);
    if (atRun) {
        if (m_window->orders().at(0).files.isEmpty()) {
            QTRY_VERIFY(openDialog()); // none of the customer's picks
            openDialog()->handleOk();
            QVERIFY(dialogAnswersRun());
        }
        QCOMPARE(m_window->orders().at(0).files.size(), 1);
        QVERIFY(QDir(link).removeRecursively() && ::symlink(to.constData(), QFile::encodeName(link).constData()) == 0);
        m_service->clearRequests();
        runToEnd();
        QCOMPARE(m_window->orders().at(0).files.at(0).message, refusal);
        QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), refusal));
        QVERIFY(!m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")));
        QCOMPARE(everythingBelow(elsewhere), before);
        search(3); // what went out before has arrived by now
        for (const auto &request : m_service->requests())
            QVERIFY2(!request.action().startsWith("save"), qPrintable(request.action()));
        return;
    }
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->boxes().at(0).text, refusal);
    QCOMPARE(everythingBelow(elsewhere), before);
    QVERIFY(m_window->orders().at(0).files.isEmpty());
}

void tst_ImportFiles::laterChoiceWinsOverOneBeingRead()
{
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << source(QStringLiteral("MANY_%1.jpg").arg(i), "m");
    // Both choices are made before either is read: only the second may land.
    m_nextChoice = many;
    m_window->onSelectFilesClicked(0);
    m_nextChoice = QStringList{source(QStringLiteral("LAST.CR3"), "last")};
    m_window->onSelectFilesClicked(0);
    QVERIFY(m_window->isReadingChoice());
    QTRY_VERIFY(!m_window->isReadingChoice());
    QTest::qWait(50);
    const QList<ImportFile> files = m_window->orders().at(0).files;
    QCOMPARE(files.size(), 1);
    QCOMPARE(files.at(0).fileName(), QStringLiteral("LAST.CR3"));
    QCOMPARE(cell(0, QStringLiteral("本次已选")), QStringLiteral("1"));
    QCOMPARE(m_window->findChild<QTableView *>(QStringLiteral("fileTable"))->model()->rowCount(), 1);
}

void tst_ImportFiles::copyOfEarlierChoiceLandsLate()
{
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    choose(0, {source(QStringLiteral("OLD.jpg"), "old")});
    ImportFile late = m_window->orders().at(0).files.at(0);
    // Chosen again ("重新导入" then "选择文件", or after a stop) while the old copy still ran;
    // its result comes now, for the same row of the order.
    choose(0, {source(QStringLiteral("NEW.jpg"), "new")});
    late.status = ImportStatus::Success;
    late.message = QStringLiteral("拷贝成功");
    m_window->onFileCopyFinished(late);
    QCOMPARE(m_window->orders().at(0).files.at(0).status, ImportStatus::Waiting);
    QVERIFY(m_window->orders().at(0).successFiles.isEmpty());
    QCOMPARE(cell(0, QStringLiteral("照片状态")), QStringLiteral("已选择"));
}

void tst_ImportFiles::clearingKeepsOutcomes()
{
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    choose(0, {source(QStringLiteral("a.jpg"), "a")});
    QTest::mouseClick(rowButton(0, "clearFilesButton"), Qt::LeftButton);
    QCOMPARE(cell(0, QStringLiteral("本次已选")), QStringLiteral("0"));
    QCOMPARE(cell(0, QStringLiteral("照片状态")), QStringLiteral("未选择"));
    QVERIFY(m_window->orders().at(0).files.isEmpty());
    QCOMPARE(m_window->findChild<QTableView *>(QStringLiteral("fileTable"))->model()->rowCount(), 0);
    QVERIFY(QDir(orderFolder(0) + QStringLiteral("/原片")).exists());
}

// ---------------------------------------------------------------- run

void tst_ImportFiles::runCopiesFilesAndReportsEachOrder()
{
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(1);
    QByteArray big(200000, 'x');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i % 253);
    choose(1, {source(QStringLiteral("IMG_1.jpg"), big), source(QStringLiteral("IMG_1.CR3"), "raw-bytes"),
               source(QStringLiteral("IMG_2.JPG"), "second")});
    choose(2, {source(QStringLiteral("B_1.jpg"), "order two")});
    m_service->clearRequests();

    auto *start = m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(m_window->isImporting());
    QCOMPARE(start->text(), QStringLiteral("停止导入"));
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 20000);
    QCOMPARE(m_boxes->countOf(QStringLiteral("导入完成！")), 1);
    QCOMPARE(start->text(), QStringLiteral("开始全部导入"));
    QVERIFY(!m_window->isImporting());

    const QString one = orderFolder(1);
    QCOMPARE(bytesOf(one + QStringLiteral("/原片/IMG_1.jpg")), big);
    QCOMPARE(bytesOf(one + QStringLiteral("/原始档/IMG_1.CR3")), QByteArray("raw-bytes"));
    QCOMPARE(bytesOf(one + QStringLiteral("/原片/IMG_2.JPG")), QByteArray("second"));
    QCOMPARE(bytesOf(orderFolder(2) + QStringLiteral("/原片/B_1.jpg")), QByteArray("order two"));
    QCOMPARE(QDir(one + QStringLiteral("/原片")).entryList(QDir::Files | QDir::Hidden).size(), 2);

    QCOMPARE(cell(1, QStringLiteral("照片状态")), QStringLiteral("导入完成"));
    QCOMPARE(cell(2, QStringLiteral("照片状态")), QStringLiteral("导入完成"));
    auto *orderTable = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    QVERIFY(drawnIn(orderTable, orderTable->model()->index(2, column(QStringLiteral("照片状态"))), QColor(0x28, 0xa7, 0x45)));
    QCOMPARE(cell(1, QStringLiteral("已导原片")) + cell(1, QStringLiteral("已导原始档")) + cell(2, QStringLiteral("已导原片")),
             QStringLiteral("211"));
    auto *fileModel = m_window->findChild<QTableView *>(QStringLiteral("fileTable"))->model();
    QCOMPARE(fileModel->index(0, 1).data().toString(), QStringLiteral("导入成功"));

    // Order 1 is reported in full before order 2 starts; each folder reported once.
    QStringList actions;
    for (const auto &r : m_service->requests())
        actions << r.action();
    actions.removeAll(QStringLiteral("saveorderphotopath"));
    actions.removeAll(QStringLiteral("getorder_pics"));
    QCOMPARE(actions, (QStringList{"savepicpath_batch", "savepicpath_batch"}));
    // Folder reports are sent without waiting for their replies: wait for them to arrive.
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("saveorderphotopath")).size(), 2, 30000);
    const auto paths = m_service->requests(QStringLiteral("order"), QStringLiteral("saveorderphotopath"));
    const auto batches = m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch"));
    const StandInService::Request &first = batches.at(0);
    QCOMPARE(first.field(QStringLiteral("order_photo_id")), Data::orderPhotoId(1));
    QCOMPARE(first.field(QStringLiteral("orderid")), QStringLiteral("9101"));
    QCOMPARE(first.field(QStringLiteral("rawimgnames")), QStringLiteral("[{\"name\":\"IMG_1.CR3\",\"size\":\"9\"}]"));
    QCOMPARE(QJsonDocument::fromJson(first.field(QStringLiteral("imgnames")).toUtf8()).array().size(), 2);
    QCOMPARE(first.field(QStringLiteral("localpath")), Data::orderNetpath(1));
    QCOMPARE(paths.at(0).field(QStringLiteral("path")), Data::orderNetpath(1) + QLatin1Char('\\'));
    QCOMPARE(paths.at(0).field(QStringLiteral("person_id")), QStringLiteral("M-9"));

    // Starting again finds nothing left to copy.
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("提示"), QStringLiteral("请先为订单选择要导入的文件")));
    QVERIFY(!m_window->isImporting());

    // The listings took every placed file: closing the window owes the service nothing.
    delete m_window;
    openWindow(OriginalFiles);
    search(3); // what went out before has arrived by now
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath")).size(), 0);
}

void tst_ImportFiles::failedCopiesShownNotReported()
{
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    const QString gone = source(QStringLiteral("IMG_9.jpg"), "soon gone");
    choose(0, {source(QStringLiteral("IMG_8.jpg"), "stays"), gone, source(QStringLiteral("EMPTY.CR2"), QByteArray())});
    QVERIFY(QFile::remove(gone));
    m_service->clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    // Failures are not hidden behind a plain "导入完成！".
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入结束：成功1个，失败2个")), 20000);
    QCOMPARE(m_boxes->countOf(QStringLiteral("导入完成！")), 0);

    QCOMPARE(cell(0, QStringLiteral("照片状态")), QStringLiteral("成功:1, 失败:2"));
    auto *model = m_window->findChild<QTableView *>(QStringLiteral("fileTable"))->model();
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("原文件不存在: %1").arg(gone));
    QCOMPARE(model->index(1, 2).data().toString(), QStringLiteral("retry"));
    QCOMPARE(model->index(2, 1).data().toString(), QStringLiteral("文件大小为0KB，无法导入"));
    auto *view = m_window->findChild<QTableView *>(QStringLiteral("fileTable"));
    view->clearSelection();
    QVERIFY(drawnIn(view, model->index(1, 1), QColor(0xdc, 0x35, 0x45)));
    QVERIFY(drawnIn(view, model->index(0, 1), QColor(0x28, 0xa7, 0x45)));
    QStringList failed = m_window->orders().at(0).failedNames;
    failed.sort();
    QCOMPARE(failed, (QStringList{"EMPTY.CR2", "IMG_9.jpg"}));

    const auto batch = m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch"));
    QCOMPARE(batch.size(), 1);
    const QJsonArray names = QJsonDocument::fromJson(batch.at(0).field(QStringLiteral("imgnames")).toUtf8()).array();
    QCOMPARE(names.size(), 1);
    QCOMPARE(names.at(0).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("IMG_8.jpg"));
    QCOMPARE(batch.at(0).field(QStringLiteral("rawimgnames")), QStringLiteral("[]"));
    QVERIFY(!QFile::exists(orderFolder(0) + QStringLiteral("/原片/IMG_9.jpg")));
    QVERIFY(!QFile::exists(orderFolder(0) + QStringLiteral("/原始档/EMPTY.CR2")));
    // Row 0 succeeded: its folder is reported.
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("saveorderphotopath")).size(), 1, 30000);
}

void tst_ImportFiles::namesToImportAgainStopTheRun()
{
    QJsonObject reply = Data::accepted();
    reply.insert(QStringLiteral("server_imgnames"), QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("IMG_7.jpg")}}});
    m_service->setReply(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), reply);
    openWindow(OriginalFiles);
    search(3);
    choose(0, {source(QStringLiteral("IMG_7.jpg"), "seven")});
    choose(1, {source(QStringLiteral("IMG_8.jpg"), "eight")});
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(openDialog() != nullptr, 20000);
    const QString text = openDialog()->findChild<QTextBrowser *>()->toPlainText();
    QVERIFY2(text.contains(QStringLiteral("订单: ") + Data::orderNumber(0) + QStringLiteral("-1")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("以下原片需要重新导入:")));
    QVERIFY(text.contains(QStringLiteral("IMG_7.jpg")));
    QCOMPARE(openDialog()->dialogType(), SimpleDialog::Error);
    QTRY_VERIFY(!m_window->isImporting());
    QCOMPARE(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"))->text(), QStringLiteral("开始全部导入"));
    QVERIFY(!QFile::exists(orderFolder(1) + QStringLiteral("/原片/IMG_8.jpg")));
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")).size(), 1);
    QCOMPARE(m_boxes->countOf(QStringLiteral("导入完成！")), 0);
}

void tst_ImportFiles::failedReport_data()
{
    QTest::addColumn<bool>("answerable");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QJsonValue>("code");
    QTest::newRow("refused, sent again") << true << int(QMessageBox::Ok) << "稍后再试 是否重新提交?" << QJsonValue("0");
    QTest::newRow("no answer, run stopped") << false << int(QMessageBox::Cancel) << "网络不好，是否重新提交？如果取消，会停止导入。"
                                            << QJsonValue("0");
    // Its message is no reason: such a reply says nothing.
    QTest::newRow("numeric code, sent again") << true << int(QMessageBox::Ok) << "服务器返回数据格式错误 是否重新提交?"
                                              << QJsonValue(1);
}

void tst_ImportFiles::failedReport()
{
    QFETCH(bool, answerable);
    QFETCH(int, answer);
    QFETCH(QJsonValue, code);
    int calls = 0;
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("savepicpath_batch"),
                          [this, &calls, code](const StandInService::Request &) {
                              if (++calls > 1)
                                  return Data::accepted();
                              // Not in the report sent again: its body was built once.
                              onShare(orderFolder(0) + QStringLiteral("/原片/LATE.jpg"), "late");
                              return QJsonObject{{"code", code}, {"msg", "稍后再试"}};
                          });
    if (!answerable)
        m_service->setFailure(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), StandInService::Failure::NotJson);
    openWindow(OriginalFiles);
    search(3);
    choose(0, {source(QStringLiteral("IMG_1.jpg"), "one")});
    choose(1, {source(QStringLiteral("IMG_2.jpg"), "two")});
    m_boxes->queueAnswer(QMessageBox::StandardButton(answer));
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QFETCH(QString, question);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), question), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isImporting(), 20000);
    // Sent again, the run goes on to the end; cancelled, the next order never starts.
    QCOMPARE(m_boxes->countOf(QStringLiteral("导入完成！")), answerable ? 1 : 0);
    QCOMPARE(QFile::exists(orderFolder(1) + QStringLiteral("/原片/IMG_2.jpg")), answerable);
    QCOMPARE(bytesOf(orderFolder(0) + QStringLiteral("/原片/IMG_1.jpg")), QByteArray("one"));
    const auto batches = m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch"));
    if (answerable)
        QCOMPARE(batches.at(1).body, batches.at(0).body);
    m_service->setFailure(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), StandInService::Failure::None);
}

void tst_ImportFiles::stopEndsRunWithoutNextOrder()
{
    // The first order's report is held back so the stop lands while it is pending.
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), 300);
    openWindow(OriginalFiles);
    search(3);
    QStringList first;
    for (int i = 0; i < 6; ++i)
        first << source(QStringLiteral("S_%1.jpg").arg(i), QByteArray(50000, char('a' + i)));
    choose(0, first);
    choose(1, {source(QStringLiteral("NEXT.jpg"), "next")});
    auto *start = m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")).size(), 1, 20000);
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(!m_window->isImporting());
    QCOMPARE(start->text(), QStringLiteral("开始全部导入"));
    // The pending report's reply still writes the counts, and starts nothing.
    QTRY_COMPARE_WITH_TIMEOUT(cell(0, QStringLiteral("已导原片")), QStringLiteral("6"), 10000);
    QTest::qWait(200);
    QVERIFY(!QFile::exists(orderFolder(1) + QStringLiteral("/原片/NEXT.jpg")));
    QCOMPARE(m_boxes->countOf(QStringLiteral("导入完成！")), 0);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(bytesOf(orderFolder(0) + QStringLiteral("/原片/S_%1.jpg").arg(i)), QByteArray(50000, char('a' + i)));

    // Starting again goes on with the order left.
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 20000);
    QCOMPARE(bytesOf(orderFolder(1) + QStringLiteral("/原片/NEXT.jpg")), QByteArray("next"));
}

void tst_ImportFiles::retryDuringAnotherRunReportsItsOrder()
{
    openWindow(OriginalFiles);
    search(3);
    const QString late = source(QStringLiteral("L.jpg"), "late");
    choose(2, {source(QStringLiteral("K.jpg"), "k"), late});
    QVERIFY(QFile::remove(late));
    auto *start = m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入结束：成功1个，失败1个")), 20000);
    source(QStringLiteral("L.jpg"), "late");

    // Order 2's failed file is copied again by the next run: a retry of it starts nothing.
    auto *table = m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    table->selectRow(2);
    m_service->clearRequests();
    m_boxes->clear();
    QTest::mouseClick(start, Qt::LeftButton);
    m_window->onRetryImportClicked(1);
    QCOMPARE(m_window->copiesInFlight(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 20000);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")).size(), 1);

    // A retry that completes order 2 while order 1 runs reports order 2; order 1 is reported once.
    QFile::remove(orderFolder(2) + QStringLiteral("/原片/L.jpg"));
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), 300);
    const QString gone = source(QStringLiteral("N.jpg"), "n");
    choose(2, {gone});
    QVERIFY(QFile::remove(gone));
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->countOf(QStringLiteral("导入结束：成功0个，失败1个")) == 1, 20000);
    source(QStringLiteral("N.jpg"), "n");
    choose(1, {source(QStringLiteral("O.jpg"), "o"), source(QStringLiteral("P.jpg"), "p")});
    m_service->clearRequests();
    m_boxes->clear();
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")).size(), 1, 20000);
    m_window->onRetryImportClicked(0);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 20000);
    QTRY_COMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")).size(), 2);
    QStringList reported;
    for (const auto &request : m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")))
        reported << request.field(QStringLiteral("order_photo_id"));
    reported.sort();
    QCOMPARE(reported, (QStringList{Data::orderPhotoId(1), Data::orderPhotoId(2)}));
    QCOMPARE(m_boxes->countOf(QStringLiteral("导入完成！")), 1);
    QCOMPARE(bytesOf(orderFolder(2) + QStringLiteral("/原片/N.jpg")), QByteArray("n"));
    QCOMPARE(bytesOf(orderFolder(1) + QStringLiteral("/原片/P.jpg")), QByteArray("p"));
    QCOMPARE(cell(2, QStringLiteral("照片状态")), QStringLiteral("导入完成"));
    QTRY_COMPARE(cell(2, QStringLiteral("已导原片")), QStringLiteral("2"));
}

void tst_ImportFiles::stopAndCloseNeverWaitForCopies()
{
    openWindow(OriginalFiles);
    search(3);
    // Sparse sources: large to copy, nothing on disk.
    QStringList big;
    for (int i = 0; i < 2; ++i) {
        big << source(QStringLiteral("BIG_%1.CR3").arg(i), "");
        QVERIFY(QFile::resize(big.last(), qint64(4) << 30));
    }
    choose(0, big);
    auto *start = m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    // Guarded: once the window is gone the pool deletes itself when its copies end.
    QPointer<QThreadPool> pool = m_window->findChild<QThreadPool *>();
    const auto copying = [this] {
        return !QDir(orderFolder(0) + QStringLiteral("/原始档")).entryList(QDir::Files | QDir::Hidden).isEmpty();
    };
    QTest::mouseClick(start, Qt::LeftButton);
    // The names are looked at first; then the copies write their temporaries.
    QTRY_VERIFY_WITH_TIMEOUT(copying(), 20000);
    QTest::mouseClick(start, Qt::LeftButton);
    // The stop returned while the copies were still under way.
    QVERIFY(pool->activeThreadCount() > 0);
    QVERIFY(!m_window->isImporting());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->copiesInFlight(), 0, 20000);
    QCOMPARE(QDir(orderFolder(0) + QStringLiteral("/原始档")).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(cell(0, QStringLiteral("照片状态")), QStringLiteral("已选择"));

    // Closing the window mid-copy returns at once too; its copies end on their own.
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(copying(), 20000);
    QVERIFY(pool->activeThreadCount() > 0);
    delete m_window;
    QVERIFY(!pool || pool->parent() == QCoreApplication::instance());
    QTRY_VERIFY_WITH_TIMEOUT(qApp->findChildren<QThreadPool *>().isEmpty(), 20000);
    QCOMPARE(QDir(orderFolder(0) + QStringLiteral("/原始档")).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_ImportFiles::existingNamesAskBeforeAnyCopy()
{
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(1);
    // A second card that also starts at IMG_0001.
    choose(1, {source(QStringLiteral("IMG_0001.JPG"), "second card"), source(QStringLiteral("IMG_0002.JPG"), "two"),
               source(QStringLiteral("IMG_0003.JPG"), "three")});
    const QString folder = orderFolder(1) + QStringLiteral("/原片/");
    onShare(folder + QStringLiteral("IMG_0001.JPG"), "first card");
    onShare(folder + QStringLiteral("IMG_0003.JPG"), "three");
    // Left by a killed run an hour ago.
    const QString stale = onShare(folder + QStringLiteral(".~import-%1.tmp").arg(QString(32, QLatin1Char('e'))), "half", 3600);
    m_service->clearRequests();
    auto *start = m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"));

    for (const bool replace : {false, true}) {
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 20000);
        SimpleDialog *question = openDialog();
        QCOMPARE(question->objectName(), QStringLiteral("replaceQuestion"));
        QCOMPARE(question->findChild<QTextBrowser *>()->toPlainText(),
                 QStringLiteral("以下文件已存在，替换后无法恢复：\nIMG_0001.JPG"));
        QCOMPARE(question->findChild<QPushButton *>(QStringLiteral("confirmButton"))->text(), QStringLiteral("替换"));
        // Nothing is copied while the question is open.
        QVERIFY(!QFile::exists(stale));
        QCOMPARE(bytesOf(folder + QStringLiteral("IMG_0001.JPG")), QByteArray("first card"));
        QVERIFY(!QFile::exists(folder + QStringLiteral("IMG_0002.JPG")));
        if (replace)
            break;
        question->handleCancel();
        delete question;
        QVERIFY(dialogAnswersRun());
        QVERIFY(!m_window->isImporting());
        QCOMPARE(start->text(), QStringLiteral("开始全部导入"));
        for (const auto &request : m_service->requests())
            QCOMPARE(request.action(), QStringLiteral("getorder_pics")); // the photo view's own list
    }
    openDialog()->handleOk();
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 20000);
    QCOMPARE(bytesOf(folder + QStringLiteral("IMG_0001.JPG")), QByteArray("second card"));
    QCOMPARE(bytesOf(folder + QStringLiteral("IMG_0002.JPG")), QByteArray("two"));
    QCOMPARE(bytesOf(folder + QStringLiteral("IMG_0003.JPG")), QByteArray("three"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 3);
    // The one already there counts as imported.
    const auto batch = m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch"));
    QCOMPARE(batch.size(), 1);
    QCOMPARE(QJsonDocument::fromJson(batch.at(0).field(QStringLiteral("imgnames")).toUtf8()).array().size(), 3);
}

// The share went while the question was open: the box naming it is read
// once the question has gone, and nothing is written in the share's place.
void tst_ImportFiles::replaceAnsweredAfterShareWent()
{
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    const QString mountPoint = m_root->path() + Data::kShare;
    QTemporaryDir backing;
    leaveInMountPoint(mountPoint, false);
    if (!bindShare(backing.path()))
        QSKIP("bind mounts need root");
    openWindow(OriginalFiles);
    search(3);
    choose(0, {source(QStringLiteral("IMG_0001.JPG"), "second card")});
    const QString served = backing.path() + QLatin1Char('/') + Data::orderShareFolder(0).section(QLatin1Char('/'), 1);
    onShare(served + QStringLiteral("/原片/IMG_0001.JPG"), "first card");
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 20000);
    unbindShare();
    openDialog()->handleOk();
    const QString gone = K::missingShareMessage(m_window->orders().at(0).importPath);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), gone), 20000);
    QCOMPARE(m_boxes->seenUnderDialogs(), QStringList());
    QTRY_VERIFY(!m_window->isImporting());
    QCOMPARE(bytesOf(served + QStringLiteral("/原片/IMG_0001.JPG")), QByteArray("first card"));
    QCOMPARE(everythingBelow(mountPoint), QStringList{".DS_Store"});
}

// A replace question the user left open while the run was stopped and a new
// one started answers nothing of the new run.
void tst_ImportFiles::replaceAnswerOfStoppedRunCopiesNothing()
{
    openWindow(OriginalFiles);
    search(3);
    choose(1, {source(QStringLiteral("IMG_0001.JPG"), "second card"), source(QStringLiteral("IMG_0002.JPG"), "two")});
    const QString folder = orderFolder(1) + QStringLiteral("/原片/");
    onShare(folder + QStringLiteral("IMG_0001.JPG"), "first card");
    auto *start = m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    start->click();
    QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 20000);
    const QPointer<SimpleDialog> stale = openDialog();
    start->click();
    QVERIFY(!m_window->isImporting());
    start->click();
    const auto current = [&stale]() -> SimpleDialog * {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<SimpleDialog *>(w);
            if (dialog && dialog != stale && dialog->isVisible())
                return dialog;
        }
        return nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(current(), 20000);
    stale->handleOk();
    QVERIFY(dialogAnswersRun());
    QCOMPARE(m_window->copiesInFlight(), 0);
    QCOMPARE(bytesOf(folder + QStringLiteral("IMG_0001.JPG")), QByteArray("first card"));
    QVERIFY(!QFile::exists(folder + QStringLiteral("IMG_0002.JPG")));
    current()->handleCancel();
    QVERIFY(dialogAnswersRun());
    QVERIFY(!m_window->isImporting());
    QCOMPARE(bytesOf(folder + QStringLiteral("IMG_0001.JPG")), QByteArray("first card"));
}

void tst_ImportFiles::blockedFolderRetrySucceeds()
{
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    choose(0, {source(QStringLiteral("IMG_1.jpg"), "one")});
    // Something else took the folder's name after the files were chosen.
    const QString folder = orderFolder(0) + QStringLiteral("/原片");
    QVERIFY(QDir(folder).removeRecursively());
    onShare(folder, "not a folder");
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入结束：成功0个，失败1个")), 20000);
    auto *model = m_window->findChild<QTableView *>(QStringLiteral("fileTable"))->model();
    const QString message = model->index(0, 1).data().toString();
    QVERIFY2(message.startsWith(QStringLiteral("创建目录失败: ")) && message.endsWith(qt_error_string(ENOTDIR)),
             qPrintable(message));

    // Once the cause is gone the retry makes the folder again.
    QVERIFY(QFile::remove(folder));
    m_service->clearRequests();
    m_window->onRetryImportClicked(0);
    QTRY_COMPARE_WITH_TIMEOUT(model->index(0, 1).data().toString(), QStringLiteral("导入成功"), 20000);
    QCOMPARE(bytesOf(folder + QStringLiteral("/IMG_1.jpg")), QByteArray("one"));
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")).size(), 1, 20000);
}

void tst_ImportFiles::oddNamesKeptAndReported()
{
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    const QStringList names{QStringLiteral("noext"), QStringLiteral("IMG_5.jpg."), QStringLiteral("IMG_6.CR3 ")};
    QStringList paths;
    for (const QString &name : names)
        paths << source(name, name.toUtf8());
    choose(0, paths);
    // An earlier run's raw file is listed by the masks; a stray note is not.
    onShare(orderFolder(0) + QStringLiteral("/原始档/OLD_1.cr3"), "old");
    onShare(orderFolder(0) + QStringLiteral("/原始档/notes.txt"), "note");
    m_service->clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 20000);
    QStringList expected = names + QStringList{QStringLiteral("OLD_1.cr3"), QStringLiteral("notes.txt")};
    expected.sort();
    QCOMPARE(QDir(orderFolder(0) + QStringLiteral("/原始档")).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    QCOMPARE(bytesOf(orderFolder(0) + QStringLiteral("/原始档/IMG_6.CR3 ")), QByteArray("IMG_6.CR3 "));
    QCOMPARE(m_window->findChild<QTableView *>(QStringLiteral("fileTable"))->model()->index(0, 0).data().toString(),
             QStringLiteral("noext"));
    const auto batch = m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch"));
    QCOMPARE(batch.size(), 1);
    QStringList reported;
    for (const QJsonValue &v : QJsonDocument::fromJson(batch.at(0).field(QStringLiteral("rawimgnames")).toUtf8()).array())
        reported << v.toObject().value(QStringLiteral("name")).toString();
    reported.sort();
    expected.removeOne(QStringLiteral("notes.txt"));
    QCOMPARE(reported, expected);
}

void tst_ImportFiles::shareGoneMidRunWritesNothingLocally()
{
    // The share is a bind mount, unmounted lazily while large files are being copied.
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    const QString mountPoint = m_root->path() + Data::kShare;
    QTemporaryDir backing;
    leaveInMountPoint(mountPoint, false);
    if (!bindShare(backing.path()))
        QSKIP("bind mounts need root");
    openWindow(OriginalFiles);
    search(3);
    m_window->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
    // Six small photos go first; sparse raw files keep the four copy threads
    // busy; the last photo waits behind them.
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << source(QStringLiteral("IMG_%1.jpg").arg(i), QByteArray::number(i));
    for (int i = 0; i < 4; ++i) {
        paths << source(QStringLiteral("BIG_%1.CR3").arg(i), "");
        QVERIFY(QFile::resize(paths.last(), qint64(256) << 20));
    }
    paths << source(QStringLiteral("IMG_LAST.jpg"), "last");
    choose(0, paths);
    m_service->clearRequests();
    const QString served = backing.path() + QLatin1Char('/') + Data::orderShareFolder(0).section(QLatin1Char('/'), 1);
    // An earlier card's look-alike of one of the photos, replaced in this run.
    onShare(served + QStringLiteral("/原片/img_5.JPG"), "earlier");
    // The service turns down one photo's report: the user is told which and why.
    m_service->setHandler("order", "savepicpath", [](const StandInService::Request &request) {
        return request.field("path").endsWith("IMG_3.jpg") ? QJsonObject{{"code", "0"}, {"msg", "记录已锁定"}}
                                                           : Data::accepted();
    });
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 20000);
    openDialog()->handleOk();
    // The look-alike counts among the six only once it holds the new bytes.
    QTRY_VERIFY_WITH_TIMEOUT(QDir(served + QStringLiteral("/原片")).entryList(QDir::Files).size() == 6
                                 && bytesOf(served + QStringLiteral("/原片/img_5.JPG")) == "5"
                                 && !QDir(served + QStringLiteral("/原始档")).entryList(QDir::Files | QDir::Hidden).isEmpty(),
                             60000);
    unbindShare();

    const QString gone = K::missingShareMessage(m_window->orders().at(0).importPath);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), gone), 60000);
    QVERIFY(!m_window->isImporting());
    // Nothing landed on the local disk in the share's place, nothing half-written stays on the share.
    QCOMPARE(everythingBelow(mountPoint), QStringList{".DS_Store"});
    QCOMPARE(QDir(served + QStringLiteral("/原始档")).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(served + QStringLiteral("/原片")).entryList(QDir::Files | QDir::Hidden).size(), 6);
    const QList<ImportFile> files = m_window->orders().at(0).files;
    for (int i = 0; i < files.size(); ++i) {
        const bool small = i < 6;
        QCOMPARE(files.at(i).status, small ? ImportStatus::Success : ImportStatus::Failed);
        if (!small)
            QCOMPARE(files.at(i).message, K::missingShareMessage(files.at(i).targetFolder));
    }
    QCOMPARE(bytesOf(served + QStringLiteral("/原片/img_5.JPG")), QByteArray("5"));
    QCOMPARE(cell(0, QStringLiteral("照片状态")), QStringLiteral("成功:6, 失败:5"));
    // The photos whole on the share before it went are reported one by one,
    // under their names on the share, from what the copies told; no listing
    // of only some of the order's files.
    QMap<QString, QString> expected;
    for (int i = 0; i < 5; ++i)
        expected.insert(servicePath(0, QStringLiteral("原片/IMG_%1.jpg").arg(i)), QStringLiteral("1"));
    expected.insert(servicePath(0, QStringLiteral("原片/img_5.JPG")), QStringLiteral("1"));
    QTRY_COMPARE_WITH_TIMEOUT(photoReports(), expected, 20000);
    QCOMPARE(m_service->requests("order", "savepicpath_batch").size(), 0);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("以下照片上报失败：\nIMG_3.jpg：记录已锁定")));
    // The row counts what it did before the run and the five new photos.
    QCOMPARE(cell(0, QStringLiteral("已导原片")), QStringLiteral("15"));
    QCOMPARE(cell(0, QStringLiteral("已导原始档")), QStringLiteral("20"));
}

void tst_ImportFiles::orderFolderNotListable_data()
{
    QTest::addColumn<bool>("smb");
    // Its mount stays and cannot be listed.
    QTest::newRow("smb server gone") << true;
    // The share stays mounted; the folder is moved away on it.
    QTest::newRow("order folder moved away") << false;
}

// The order's folder cannot be listed once its photos are whole on the share:
// no listing of some of them, each placed photo reported once, the row's counts kept.
void tst_ImportFiles::orderFolderNotListable()
{
    QFETCH(bool, smb);
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    SmbShare share(Data::kShare);
    QTemporaryDir backing;
    if (smb) {
        SMBSHARE_START(share);
        MountRoot::setPath(QFileInfo(share.sharePath()).path());
    } else if (!bindShare(backing.path())) {
        QSKIP("bind mounts need root");
    }
    openWindow(OriginalFiles);
    search(3);
    choose(0, {source("IMG_0.jpg", "zero"), source("IMG_1.jpg", "one!"), source("IMG_1.CR3", "raw")});
    m_service->clearRequests();
    // The listing waits on the shared pool until the folder cannot be listed.
    QSemaphore held;
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    for (int i = 0; i < threads; ++i)
        QThreadPool::globalInstance()->start([&held] { held.acquire(); });
    const auto release = qScopeGuard([&] { held.release(threads); });
    QTest::mouseClick(m_window->findChild<QPushButton *>("startAllButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(cell(0, QStringLiteral("照片状态")), QStringLiteral("导入完成"), 60000);
    if (smb) {
        QVERIFY(share.stopServer());
    } else {
        const QString order = Data::orderShareFolder(0).section('/', 1);
        QVERIFY(QDir(backing.path()).rename(order, order + "-moved"));
    }
    held.release(threads);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isImporting(), 60000);
    const QMap<QString, QString> expected{{servicePath(0, "原片/IMG_0.jpg"), "4"},
                                          {servicePath(0, "原片/IMG_1.jpg"), "4"},
                                          {servicePath(0, "原始档/IMG_1.CR3"), "3"}};
    QTRY_COMPARE_WITH_TIMEOUT(photoReports(), expected, 20000);
    QCOMPARE(m_service->requests("order", "savepicpath_batch").size(), 0);
    QCOMPARE(m_boxes->count(), 1);
    const QString why = m_boxes->boxes().at(0).text;
    const QString folder = QDir::cleanPath(m_window->orders().at(0).importPath);
    QVERIFY2(why.startsWith(QStringLiteral("读取目录失败: ") + folder)
                 || (smb && why == K::missingShareMessage(m_window->orders().at(0).importPath)),
             qPrintable(why));
    QCOMPARE(cell(0, QStringLiteral("已导原片")), QStringLiteral("12"));
    QCOMPARE(cell(0, QStringLiteral("已导原始档")), QStringLiteral("21"));
    // Reported once: not again at the next search, nor when the window closes.
    search(3);
    search(3);
    QCOMPARE(photoReports(), expected);
    delete m_window;
    openWindow(OriginalFiles);
    search(3); // what went out before has arrived by now
    QCOMPARE(photoReports(), expected);
}

void tst_ImportFiles::closedMidRunReportsPlacedFiles_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<bool>("restarted"); // stopped again right after a new start, then closed
    QTest::newRow("closed") << false << false;
    QTest::newRow("stopped, then searched") << true << false;
    QTest::newRow("stopped, started and stopped again, then closed") << false << true;
}

// Closed, or stopped and searched again, while large files copy, after the
// user agreed to replace a photo: the photos already whole are reported once,
// the cut copies leave nothing.
void tst_ImportFiles::closedMidRunReportsPlacedFiles()
{
    QFETCH(bool, stopped);
    QFETCH(bool, restarted);
    openWindow(OriginalFiles);
    search(3);
    const QString folder = orderFolder(0);
    onShare(folder + "/原片/A.jpg", "old");
    // More photos than the client opens connections: the last ones wait for a
    // free one, and go only if nothing takes them back when the window goes.
    QStringList paths{source("A.jpg", "new bytes")};
    QMap<QString, QString> expected{{servicePath(0, "原片/A.jpg"), "9"}};
    for (int i = 0; i < 8; ++i) {
        paths << source(QStringLiteral("S_%1.jpg").arg(i), "s");
        expected.insert(servicePath(0, QStringLiteral("原片/S_%1.jpg").arg(i)), "1");
    }
    for (int i = 0; i < 2; ++i) {
        paths << source(QStringLiteral("BIG_%1.CR3").arg(i), "");
        QVERIFY(QFile::resize(paths.last(), qint64(4) << 30));
    }
    choose(0, paths);
    m_service->clearRequests();
    m_service->setDelay("order", "savepicpath", 500);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startAllButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 20000);
    openDialog()->handleOk();
    const auto smallsPlaced = [this] {
        for (int i = 0; i < 9; ++i) {
            if (m_window->orders().at(0).files.at(i).status != ImportStatus::Success)
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(smallsPlaced(), 20000);
    QVERIFY(m_window->isImporting());
    if (restarted) {
        auto *start = m_window->findChild<QPushButton *>("startAllButton");
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_VERIFY(!m_window->isImporting());
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(m_window->isImporting());
        QTest::mouseClick(start, Qt::LeftButton);
    }
    if (stopped) {
        QTest::mouseClick(m_window->findChild<QPushButton *>("startAllButton"), Qt::LeftButton);
        search(3);
        QTRY_COMPARE_WITH_TIMEOUT(photoReports(), expected, 20000);
    }
    delete m_window;
    QTRY_COMPARE_WITH_TIMEOUT(photoReports(), expected, 20000);
    QCOMPARE(m_service->requests("order", "savepicpath_batch").size(), 0);
    QCOMPARE(bytesOf(folder + "/原片/A.jpg"), QByteArray("new bytes"));
    QTRY_VERIFY_WITH_TIMEOUT(qApp->findChildren<QThreadPool *>().isEmpty(), 20000);
    QCOMPARE(QDir(folder + "/原始档").entryList(QDir::Files | QDir::Hidden), QStringList());
    openWindow(OriginalFiles);
    search(3); // what went out before has arrived by now
    QCOMPARE(photoReports(), expected);
}

void tst_ImportFiles::orderIdsOfWrongFormRefused_data()
{
    QTest::addColumn<QJsonValue>("photoId");
    QTest::addColumn<QString>("sent"); // the id the reports carry; empty: refused
    QTest::newRow("a number") << QJsonValue(77000) << "77000";
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << "";
    QTest::newRow("a fraction") << QJsonValue(77000.5) << "";
    QTest::newRow("an object") << QJsonValue(QJsonObject{{"id", "77000"}}) << "";
}

// An order the tool could report to no order is refused before anything is
// written, at the pick and at the run.
void tst_ImportFiles::orderIdsOfWrongFormRefused()
{
    QFETCH(QJsonValue, photoId);
    QFETCH(QString, sent);
    QJsonObject order = Data::order(0, Data::orderNetpath(0));
    if (photoId.isUndefined())
        order.remove("order_photo_id");
    else
        order.insert("order_photo_id", photoId);
    m_service->setReply("order", "order_list", Data::orderListReply(QJsonArray{order}));
    openWindow(OriginalFiles);
    search(1);
    const QString picked = source("IMG_1.jpg", "one");
    choose(0, {picked});
    if (!sent.isEmpty()) {
        runToEnd();
        QCOMPARE(bytesOf(orderFolder(0) + "/原片/IMG_1.jpg"), QByteArray("one"));
        QCOMPARE(m_service->requests("order", "savepicpath_batch").at(0).field("order_photo_id"), sent);
        return;
    }
    QTRY_VERIFY(m_boxes->contains("温馨提示", "订单数据错误"));
    QVERIFY(m_window->orders().at(0).files.isEmpty());
    // Given files all the same, the run starts none of them.
    ImportOrder given = m_window->orders().at(0);
    given.row = 1;
    given.importPath = orderFolder(0);
    given.files = {ImportRules::makeFile(picked, given.importPath, OriginalFiles, 1, 0)};
    m_window->addOrder(given);
    runToEnd();
    QCOMPARE(m_window->orders().at(1).files.at(0).message, QStringLiteral("订单数据错误"));
    QCOMPARE(QDir(m_root->path() + Data::kShare).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    for (const auto &request : m_service->requests())
        QVERIFY2(!request.action().startsWith("save"), qPrintable(request.action()));
}

// The order folder went from a read-only share after the pick: no copy, and the system's reason.
void tst_ImportFiles::readOnlyShareSaysWhy()
{
    QTemporaryDir backing;
    if (!bindShare(backing.path()))
        QSKIP("bind mounts need root");
    openWindow(OriginalFiles);
    search(3);
    choose(0, {source("IMG_0.jpg", "zero"), source("IMG_0.CR3", "raw")});
    QVERIFY(QDir(backing.filePath(Data::orderShareFolder(0).section('/', 1))).removeRecursively());
    QCOMPARE(QProcess::execute("mount", {"-o", "remount,bind,ro", m_root->path() + Data::kShare}), 0);
    m_service->clearRequests();
    runToEnd();
    const QString made = QStringLiteral("创建目录失败: %1: %2")
                             .arg(QDir::cleanPath(orderFolder(0)), qt_error_string(EROFS));
    for (const ImportFile &file : m_window->orders().at(0).files)
        QCOMPARE(file.message, made);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), made));
    for (const auto &request : m_service->requests())
        QVERIFY2(!request.action().startsWith("save"), qPrintable(request.action()));
}

void tst_ImportFiles::lookAlikeNamesAreOneName_data()
{
    QTest::addColumn<bool>("smb");
    QTest::newRow("temp folder") << false;
    QTest::newRow("smb share") << true;
}

void tst_ImportFiles::lookAlikeNamesAreOneName()
{
    QFETCH(bool, smb);
    SmbShare share(Data::kShare);
    QString folder = orderFolder(1) + QStringLiteral("/原片/");
    if (smb) {
        SMBSHARE_START(share);
        markMounted(share.servedPath());
        MountRoot::setPath(QFileInfo(share.sharePath()).path());
        // What really lands on the share, not what the mount shows.
        folder = share.servedPath() + QLatin1Char('/') + Data::orderShareFolder(1).section(QLatin1Char('/'), 1)
                 + QStringLiteral("/原片/");
    }
    openWindow(OriginalFiles);
    search(3);
    QDir(m_sources->path()).mkpath(QStringLiteral("first"));
    QDir(m_sources->path()).mkpath(QStringLiteral("second"));
    const QString nfc1 = QStringLiteral("caf\u00e9_01.jpg"), nfd1 = QStringLiteral("cafe\u0301_01.jpg");
    const QString nfc2 = QStringLiteral("caf\u00e9_02.jpg"), nfd2 = QStringLiteral("cafe\u0301_02.jpg");
    const QString lower3 = QStringLiteral("caf\u00e9_03.jpg"), upper3 = QStringLiteral("CAF\u00c9_03.JPG");
    const QString lower4 = QStringLiteral("caf\u00e9_04.jpg"), upper4 = QStringLiteral("CAF\u00c9_04.JPG");
    auto *start = m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    choose(1, {source(QStringLiteral("first/") + nfc1, "first card"), source(QStringLiteral("first/") + nfc2, "same"),
               source(QStringLiteral("first/") + lower3, "three"), source(QStringLiteral("first/") + lower4, "four")});
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 60000);

    // The second card names the same photos in NFD, or in capitals.
    m_boxes->clear();
    m_service->clearRequests();
    choose(1, {source(QStringLiteral("second/") + nfd1, "second card"), source(QStringLiteral("second/") + nfd2, "same"),
               source(QStringLiteral("second/") + upper3, "three"), source(QStringLiteral("second/") + upper4, "four, retouched")});
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 60000);
    QCOMPARE(openDialog()->findChild<QTextBrowser *>()->toPlainText(),
             QStringLiteral("以下文件已存在，替换后无法恢复：\n") + nfd1 + QLatin1Char('\n') + upper4);
    openDialog()->handleOk();
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 60000);

    // A replaced photo keeps the name the share and the service know it by; one file, one record per photo.
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    QStringList expected{nfc1, nfc2, lower3, lower4};
    expected.sort();
    QCOMPARE(names, expected);
    QCOMPARE(bytesOf(folder + nfc1), QByteArray("second card"));
    QCOMPARE(bytesOf(folder + lower4), QByteArray("four, retouched"));
    const auto batch = m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch"));
    QCOMPARE(batch.size(), 1);
    QStringList reported;
    for (const QJsonValue &v : QJsonDocument::fromJson(batch.at(0).field(QStringLiteral("imgnames")).toUtf8()).array())
        reported << v.toObject().value(QStringLiteral("name")).toString();
    reported.sort();
    QCOMPARE(reported, expected);
    QCOMPARE(cell(1, QStringLiteral("已导原片")), QStringLiteral("4"));
    delete m_window;
}

void tst_ImportFiles::shareMountedAtStartOnly_data()
{
    QTest::addColumn<bool>("earlierRun");
    QTest::addColumn<bool>("mountedAnew");
    QTest::addColumn<bool>("atPick"); // unmounted once the pick pinned it, before its subfolders are made
    QTest::newRow("unmounted after the pick") << false << false << false;
    QTest::newRow("unmounted after an earlier run") << true << false << false;
    QTest::newRow("mounted anew after an earlier run") << true << true << false;
    QTest::newRow("unmounted amid the pick, after an earlier run") << true << false << true;
}

// The mount point left behind, with whatever it held before the mount, is never
// taken for the share. A share mounted anew is.
void tst_ImportFiles::shareMountedAtStartOnly()
{
    QFETCH(bool, earlierRun);
    QFETCH(bool, mountedAnew);
    QFETCH(bool, atPick);
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    QTemporaryDir first, second;
    leaveInMountPoint(m_root->path() + Data::kShare, earlierRun);
    const QStringList leftovers = everythingBelow(m_root->path() + Data::kShare);
    if (!bindShare(first.path()))
        QSKIP("bind mounts need root");
    openWindow(OriginalFiles);
    search(3);
    if (earlierRun) {
        choose(0, {source("IMG_0.jpg", "zero")});
        runToEnd();
        QTRY_COMPARE(m_service->requests("order", "saveorderphotopath").size(), 1);
    }
    if (atPick) {
        m_window->setBeforeSubfolderCheck([this] { unbindShare(); });
        choose(0, {source("IMG_1.jpg", "one")});
        QTRY_VERIFY(m_boxes->contains("温馨提示", K::missingShareMessage(m_window->orders().at(0).importPath)));
        QCOMPARE(m_window->orders().at(0).files.size(), 1); // the earlier run's choice stays
        QCOMPARE(everythingBelow(m_root->path() + Data::kShare), leftovers);
        return;
    }
    choose(0, {source("IMG_1.jpg", "one"), source("IMG_1.CR3", "raw")});
    unbindShare();
    if (mountedAnew)
        QVERIFY(bindShare(second.path()));
    m_service->clearRequests();
    runToEnd();
    if (mountedAnew) {
        QCOMPARE(bytesOf(second.filePath(Data::orderShareFolder(0).section('/', 1) + "/原片/IMG_1.jpg")), QByteArray("one"));
        return;
    }
    QTRY_VERIFY(m_boxes->contains("温馨提示", K::missingShareMessage(m_window->orders().at(0).importPath)));
    for (const ImportFile &file : m_window->orders().at(0).files)
        QCOMPARE(file.message, K::missingShareMessage(file.targetFolder));
    QCOMPARE(everythingBelow(m_root->path() + Data::kShare), leftovers);
    search(3); // what went out before has arrived by now
    for (const auto &request : m_service->requests())
        QVERIFY2(!request.action().startsWith("save"), qPrintable(request.action()));
}

void tst_ImportFiles::orderFolderRepointedMidRun_data()
{
    QTest::addColumn<QString>("when");
    // A link at the choice may be repointed into another order's folder at any time: refused there.
    QTest::newRow("a link at the choice") << "choice";
    // Real when chosen, a link into another order's folder by the start: the run refuses it.
    QTest::newRow("a link by the start") << "start";
    // Renamed away while the copies wait for a thread, a link into another order's folder in its place.
    QTest::newRow("a link mid-run") << "run";
}

// The order folder's name made to lead into another order's folder.
void tst_ImportFiles::orderFolderRepointedMidRun()
{
    QFETCH(QString, when);
    const QString named = QDir::cleanPath(orderFolder(0)), other = QDir::cleanPath(orderFolder(1));
    const QString own = m_root->path() + Data::kShare + "/orders/own";
    for (int i = 0; i < 15; ++i)
        onShare(own + QStringLiteral("/原片/IMG_%1.jpg").arg(i), "an earlier run");
    onShare(other + "/原片/OTHER.jpg", "not ours");
    const auto repoint = [&] {
        if (QFileInfo(named).isSymLink())
            QVERIFY(QFile::remove(named));
        else
            QVERIFY(QFileInfo::exists(named) && QDir().rename(named, own + "-renamed"));
        QVERIFY(QFile::link(other, named));
    };
    if (when == "choice")
        QVERIFY(QFile::link(own, named));
    openWindow(OriginalFiles);
    search(3);
    choose(0, {source("NEW.jpg", "new"), source("NEW2.jpg", "new 2")});
    if (when == "choice") {
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), K::orderFolderLinkMessage(named)), 10000);
        QVERIFY(m_window->orders().at(0).files.isEmpty());
    } else {
        QCOMPARE(m_window->orders().at(0).files.size(), 2);
    }
    if (when == "start")
        repoint();
    auto *pool = m_window->findChild<QThreadPool *>();
    // Shared: a held thread may take its turn only after this test has returned.
    const auto held = std::make_shared<QSemaphore>();
    for (int i = 0; i < pool->maxThreadCount(); ++i)
        pool->start([held] { held->acquire(); });
    QTest::mouseClick(m_window->findChild<QPushButton *>("startAllButton"), Qt::LeftButton);
    if (when == "run")
        repoint();
    held->release(pool->maxThreadCount());
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isImporting(), 60000);
    const QString refusal = when == "start" ? K::orderFolderLinkMessage(named) : ImportRules::movedFolderMessage(named);
    for (const ImportFile &file : m_window->orders().at(0).files) {
        QCOMPARE(file.status, ImportStatus::Failed);
        QCOMPARE(file.message, refusal);
    }
    QCOMPARE(QDir(other + "/原片").entryList(QDir::Files), QStringList{"OTHER.jpg"});
    QVERIFY(!QFile::exists(own + "/原片/NEW.jpg"));
    // Its folder is no longer where its name leads: nothing is listed as the order's.
    bool turned = false;
    QTimer::singleShot(0, m_window, [&turned] { turned = true; });
    QTRY_VERIFY(turned);
    QVERIFY(m_service->requests("order", "savepicpath_batch").isEmpty());
    QVERIFY(m_service->requests("order", "savepicpath").isEmpty());
}

void tst_ImportFiles::thousandsOfSmallFiles_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("to the end") << 3000;
    QTest::newRow("stopped at the first result") << 20000; // more than a slice starts on a fast machine
}

// More results than one slice takes; more copies than one slice starts.
void tst_ImportFiles::thousandsOfSmallFiles()
{
    QFETCH(int, count);
    const bool stop = count > 3000;
    openWindow(OriginalFiles);
    search(3);
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths << source(QStringLiteral("S_%1.jpg").arg(i), QByteArray::number(i));
    choose(0, paths);
    const QString folder = orderFolder(0) + "/原片/";
    onShare(folder + "S_0.jpg", "0"); // settled while the copies are being started
    auto *start = m_window->findChild<QPushButton *>("startAllButton");
    int started = -1;
    // A window slow to take each result lets them pile up behind a slice.
    connect(m_window->findChild<QTableWidget *>("orderTable")->model(), &QAbstractItemModel::dataChanged, m_window, [&] {
        if (stop && started < 0 && cell(0, "照片状态").startsWith("导入中")) {
            const ImportOrder order = m_window->orders().at(0);
            started = m_window->copiesInFlight() + order.successFiles.size() + order.failedFiles.size();
            start->click();
        }
        QThread::usleep(500);
    });
    QTest::mouseClick(start, Qt::LeftButton);
    if (!stop) {
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains("温馨提示", "导入完成！"), 120000);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), count);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(started > 0 && m_window->copiesInFlight() == 0, 60000);
    // One more turn of the event loop: a slice still due would start copies now.
    bool turned = false;
    QTimer::singleShot(0, m_window, [&turned] { turned = true; });
    QTRY_VERIFY(turned);
    QCOMPARE(m_window->copiesInFlight(), 0);
    QVERIFY(QDir(folder).entryList(QDir::Files).size() <= started);
}

void tst_ImportFiles::mainRoadOnSmbShare()
{
    SmbShare share(Data::kShare);
    SMBSHARE_START(share);
    markMounted(share.servedPath());
    MountRoot::setPath(QFileInfo(share.sharePath()).path());
    openWindow(OriginalFiles);
    search(3);
    choose(1, {source(QStringLiteral("IMG_1.JPG"), "camera"), source(QStringLiteral("IMG_1.CR3"), "raw")});
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 60000);
    QCOMPARE(cell(1, QStringLiteral("已导原片")), QStringLiteral("1"));
    // What the share's server holds, not only what the mount shows.
    const QString served = share.servedPath() + QLatin1Char('/') + Data::orderShareFolder(1).section(QLatin1Char('/'), 1);
    QCOMPARE(bytesOf(served + QStringLiteral("/原片/IMG_1.JPG")), QByteArray("camera"));
    QCOMPARE(bytesOf(served + QStringLiteral("/原始档/IMG_1.CR3")), QByteArray("raw"));

    // Names the share refuses, or would take under another name, fail as such before anything is written;
    // a blank inside a name it takes.
    m_boxes->clear();
    const QStringList refused{"a:b.jpg", "c?d.jpg", "e|f.CR3", "dot.jpg.", "sp.CR3 "};
    QStringList paths{source("IMG 2.JPG", "two")};
    for (const QString &name : refused)
        paths << source(name, "x");
    choose(1, paths);
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入结束：成功1个，失败5个")), 60000);
    const QList<ImportFile> files = m_window->orders().at(1).files;
    for (int i = 1; i < files.size(); ++i)
        QCOMPARE(files.at(i).message,
                 ImportRules::nameNotAllowedMessage(QDir(files.at(i).targetFolder).filePath(files.at(i).fileName())));
    QCOMPARE(bytesOf(served + QStringLiteral("/原片/IMG 2.JPG")), QByteArray("two"));
    QCOMPARE(QDir(served + "/原片").entryList(QDir::Files | QDir::Hidden, QDir::Name), (QStringList{"IMG 2.JPG", "IMG_1.JPG"}));
    QCOMPARE(QDir(served + "/原始档").entryList(QDir::Files | QDir::Hidden), QStringList{"IMG_1.CR3"});
    delete m_window;
}

void tst_ImportFiles::nothingToImport()
{
    openWindow(OriginalFiles);
    auto *start = m_window->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("提示"), QStringLiteral("没有订单可导入")));
    QVERIFY(!m_window->isImporting());
    QCOMPARE(start->text(), QStringLiteral("开始全部导入"));
    search(3);
    QTest::mouseClick(start, Qt::LeftButton);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("提示"), QStringLiteral("请先为订单选择要导入的文件")));
    QVERIFY(!m_window->isImporting());
}

void tst_ImportFiles::searchRefusedWhileImporting()
{
    // The report never answers, so the run stays active.
    m_service->setFailure(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), StandInService::Failure::NoAnswer);
    openWindow(OriginalFiles);
    search(3);
    choose(0, {source(QStringLiteral("IMG_1.jpg"), "one")});
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")).size() == 1, 20000);
    m_service->clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
    QTest::mouseClick(rowButton(1, "selectFilesButton"), Qt::LeftButton);
    QTest::mouseClick(rowButton(0, "clearFilesButton"), Qt::LeftButton);
    QTRY_COMPARE(m_boxes->countOf(QStringLiteral("导片中...")), 3);
    QVERIFY(m_service->requests().isEmpty());
    QCOMPARE(m_window->orders().at(0).files.size(), 1);
    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QVERIFY(!m_window->isImporting());
    m_service->setFailure(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), StandInService::Failure::None);
}

void tst_ImportFiles::retouchedMismatchConfirm_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes takes the choice") << true;
    QTest::newRow("no keeps the earlier choice") << false;
}

void tst_ImportFiles::retouchedMismatchConfirm()
{
    QFETCH(bool, answer);
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"),
                        Data::orderListReply(QJsonArray{Data::order(0, Data::orderNetpath(0),
                                                                    {QStringLiteral("IMG_1.JPG"), QStringLiteral("IMG_2.JPG")})}));
    openWindow(RetouchedFiles);
    search(1);

    // Every name among the picks: taken at once.
    choose(0, {source(QStringLiteral("IMG_1.final.jpg"), "r1")});
    QVERIFY(!openDialog());
    QCOMPARE(m_window->orders().at(0).files.size(), 1);
    QVERIFY(QDir(orderFolder(0) + QStringLiteral("/精修片")).exists());
    QVERIFY(!QDir(orderFolder(0) + QStringLiteral("/原片")).exists());

    choose(0, {source(QStringLiteral("IMG_2.jpg"), "r2"), source(QStringLiteral("IMG_3.jpg"), "r3"),
               source(QStringLiteral("X.jpeg"), "x")});
    QTRY_VERIFY(openDialog());
    SimpleDialog *dialog = openDialog();
    QCOMPARE(dialog->dialogType(), SimpleDialog::Confirm);
    const QString text = dialog->findChild<QTextBrowser *>()->toPlainText();
    QVERIFY(text.startsWith(QStringLiteral("要上传的精修照片与客人选中的照片名不一致，确认要继续上传吗？")));
    QVERIFY(text.endsWith(QStringLiteral("IMG_3.jpg\nX.jpeg")));
    QVERIFY(!text.contains(QStringLiteral("IMG_2.jpg")));
    if (answer)
        dialog->handleOk();
    else
        dialog->handleCancel();
    // The answer is taken once the question has closed.
    QVERIFY(dialogAnswersRun());
    const QList<ImportFile> files = m_window->orders().at(0).files;
    QCOMPARE(files.size(), answer ? 3 : 1);
    QCOMPARE(cell(0, QStringLiteral("本次已选")), answer ? QStringLiteral("3") : QStringLiteral("1"));
    if (answer)
        QVERIFY(files.at(2).targetFolder.endsWith(QStringLiteral("精修片")));
}

QTEST_MAIN(tst_ImportFiles)
#include "tst_ImportFiles.moc"
