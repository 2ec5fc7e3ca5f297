#pragma once

#include "app/core/BaseReq.h"
#include "importfiles/ImportChoiceRunnable.h"
#include "importfiles/ImportFileCopyRunnable.h"
#include "importfiles/ImportFileType.h"
#include "importfiles/ImportOrder.h"
#include "importfiles/ImportRules.h"
#include "platform/ShareGuard.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class FileButtonDelegate;
class ImportFileCopyRunnable;
class ImportFileTableModel;
class OrderNumberButtonDelegate;
class OriginalView;
class QComboBox;
class QDateEdit;
class QEventLoopLocker;
class QHBoxLayout;
class QJsonDocument;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableView;
class QTableWidget;
class QThreadPool;
class QTimer;
class QVBoxLayout;
class SharedFolderOpener;

// The window of the two file import tools ("导入原片", "导入精修片"): order
// search, per-order file choice, the copy run onto the share and the
// report of each order's files to the service.
class ImportFiles : public QMainWindow
{
    Q_OBJECT

public:
    // Picks the files to import: (parent, title, filter) -> paths.
    using FileChooser = std::function<QStringList(QWidget *, const QString &, const QString &)>;

    explicit ImportFiles(QWidget *parent = nullptr);
    ~ImportFiles() override;

    // Builds the window's contents for the type; called once after construction.
    void setImportType(ImportFileType type);
    ImportFileType importType() const { return m_importType; }

    // Replaces the system file dialog (tests).
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // Runs at a pick once the order folder is pinned and made, before its
    // subfolders are made and checked (tests unmount there).
    void setBeforeSubfolderCheck(std::function<void()> hook) { m_beforeSubfolderCheck = std::move(hook); }

    QList<ImportOrder> orders() const { return m_orders; }
    int currentOrderRow() const { return m_currentOrderRow; }
    bool isImporting() const { return m_importing; }
    // Chosen files still being read before they are taken.
    bool isReadingChoice() const { return !m_readingChoices.isEmpty(); }
    // Copies started and not yet reported back.
    int copiesInFlight() const { return m_inFlight.size(); }
    OriginalView *originalView() const { return m_originalView; }
    int openypml() const { return m_openypml; }
    int delyp() const { return m_delyp; }

    // Order table operations, rows are order indices.
    void addOrder(const ImportOrder &order);
    void addOrderFast(const ImportOrder &order, int row);
    void clearOrders();
    void updateOrderStatus(int row, const QString &text);
    void updateOrderFileCount(int row, int count);
    void refreshListOrderPath(int row, const QString &path);
    void updateTabColText(int row, const QString &header, const QString &text);
    void loadFilesForOrder(int row);
    void clearFiles();
    void updateFileStatus(int fileRow, ImportStatus status, const QString &message);

signals:
    void orderSelectionChanged(int row, const ImportOrder &order);
    void startImportFiles(const ImportOrder &order);
    void startImportAllFiles(const QList<ImportOrder> &orders);

public slots:
    void onSearchClick();
    void onBranchSelectionChanged(int index);
    void onSearchTypeChanged(int index);
    void onOrderTableSelectionChanged();
    void onOrderNumberClicked(int row, const QString &text);
    void onSelectFilesClicked(int row);
    void onClearFilesClicked(int row);
    void onOpenDirClicked(int row);
    void onRetryImportClicked(int fileRow);
    void onStartAllClicked();
    void onFileCopyFinished(const ImportFile &file);
    void onFileCopyCancelled(const ImportFile &file);
    void onTargetsChecked(const QList<ImportFile> &files, const QList<int> &states);

    // The stand-alone calendar of a date field, just below globalPos.
    void showCustomCalendar(QDateEdit *field, const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setupUI();
    void setupLeftPanel(QWidget *panel);
    void setupRightPanel(QWidget *panel);
    void setupOrderTable();
    void setupFileTable();
    QWidget *createOrderButtonWidget(int row);
    int columnOf(const QString &header) const;
    void fillRow(const ImportOrder &order, int row);
    // A long search is filled a slice at a time; a row is filled at once
    // when it comes into view or is updated.
    void ensureRowFilled(int row);
    void fillPendingRows();
    // Buttons exist only for the rows in view (and a few around them).
    void placeRowWidgets();
    void showBusyWarning();
    void openCalendar(QDateEdit *field);

    void reqShopInfo();
    void reqOrderList();
    // problem: the refusal's text, empty when the service answered with orders (or none).
    void onOrderListReply(const QString &problem, const QList<ImportOrder> &orders, int openypml, int delyp);
    void failSearch(const QString &problem);

    void onChoiceRead(const QString &orderId, const QString &folder, int row, int generation,
                      const ImportChoiceRunnable::Choice &choice);
    // Makes the order's subfolders in made, the order folder as pinned;
    // why the choice is refused, empty when they lie in that folder on the share.
    QString subfolderRefusal(const QString &folder, const ImportRules::OrderPlace &made, const ShareGuard &share) const;
    void acceptChoice(int row, const QList<ImportFile> &files);
    bool startOrder(int index);
    void startCopy(const ImportFile &file, const ShareGuard &share, const ImportRules::OrderPlace &place);
    // The share the run pinned for folder, pinned now when the run has none
    // for it yet; not there (and not pinned) when no share holds the folder.
    ShareGuard runShare(const QString &folder);
    // The order folder's place resolved once in the run (or the retry
    // outside a run), while its share is there, made there when missing;
    // empty, with the reason in why, when it cannot be made or does not lie
    // below that share.
    ImportRules::OrderPlace runFolder(const QString &orderFolder, QString *why = nullptr);
    // A new run or retry pins and resolves afresh.
    void forgetRunPlaces();
    // Results of files that cannot be copied at all, with message; an empty
    // one says the share is not there.
    void failAll(const QList<ImportFile> &files, const QString &message);
    // Copies the files once what lies under their names is known and, where
    // another file would be replaced, the user agreed.
    void checkThenCopy(const QList<ImportFile> &files);
    bool isCurrent(const ImportFile &file) const;
    // Starts the copies from index `from` on, a slice per turn of the event
    // loop: creating tens of thousands of tasks at once holds the window.
    // runToken is the run the files belong to, -1 for a retry outside a run.
    void copyChecked(const QList<ImportFile> &files, const QList<int> &states, bool replace, int runToken,
                     int from = 0);
    void stopAllImportTasks();
    // Results of copies, taken in slices: a flood of tiny copies would
    // otherwise keep the window from painting until the last one is in.
    void queueCopyResult(const ImportFile &file);
    void takeCopyResults();
    void setStartButtonRunning(bool running);
    void endRun();

    void importNextOrder();
    // Reports the order's files; runToken is the run the reply may move on, or -1.
    void reportOrder(int index, int runToken);
    void sendReport(const ImportOrder &order, const ImportRules::BatchReport &report, int runToken);
    void onBatchReply(bool ok, const QJsonDocument &reply, const ImportOrder &order,
                      const ImportRules::BatchReport &report, int runToken);
    void askResend(const QString &text, const ImportOrder &order, const ImportRules::BatchReport &report,
                   int runToken);
    // The order's folders cannot be listed (the share went away, cannot be
    // read, or the folder could not be resolved): the files the run placed
    // whole and no listing took are reported one by one, the row's counts
    // grow by the new ones, and the message says why the run stopped.
    void notListed(const ImportOrder &order, int runToken, const QString &message);
    // Sends "savepicpath" for the placed files of the order at index that no
    // accepted listing took, and forgets them; returns them.
    QList<ImportFile> reportUnlisted(int index);
    // Every order's unlisted placed files, as when the window goes.
    void reportAllUnlisted();
    // The number a count cell of the order table shows, 0 for none.
    int cellNumber(int row, const QString &header);
    bool movesRun(int runToken) const;
    int indexOf(const ImportOrder &order) const;
    void finishRun();
    void upImportOrderPath(const ImportOrder &order);
    void upImportPhotoInfo(const ImportOrder &order, const ImportFile &file);
    // As the window goes: the placed files a listing on its way stands for
    // are reported one by one only if the service does not take the listing.
    void leaveToListings();
    // Shows the photos whose report failed, gathered into one message.
    void noteReportFailure(const QString &name, const QString &problem);
    ImportRules::BranchIds branchIds() const;

    ImportFileType m_importType = OriginalFiles;
    OriginalView *m_originalView = nullptr;
    QHBoxLayout *m_mainLayout = nullptr;
    QSplitter *m_splitter = nullptr;
    QVBoxLayout *m_rightLayout = nullptr;
    QComboBox *m_branchBox = nullptr;
    QComboBox *m_searchTypeBox = nullptr;
    QLineEdit *m_keywordEdit = nullptr;
    QDateEdit *m_shotDateEdit = nullptr;
    QDateEdit *m_pickDateEdit = nullptr;
    QPushButton *m_searchButton = nullptr;
    QTableWidget *m_orderTable = nullptr;
    OrderNumberButtonDelegate *m_orderNumberDelegate = nullptr;
    QTimer *m_fillTimer = nullptr;
    QStringList m_reportFailures;
    int m_nextRowToFill = 0;
    // Rows [first, last) that have their button widget.
    int m_widgetRowsFirst = 0;
    int m_widgetRowsLast = 0;
    QStringList m_headers;
    QList<ImportOrder> m_orders;
    int m_currentOrderRow = -1;
    QPushButton *m_startButton = nullptr;
    bool m_importing = false;
    QTableView *m_fileTable = nullptr;
    ImportFileTableModel *m_fileModel = nullptr;
    FileButtonDelegate *m_fileButtonDelegate = nullptr;
    QThreadPool *m_threadPool = nullptr;
    // Cancel flags of the copies not yet reported, by (choice generation, file row).
    QHash<QPair<int, int>, ImportFileCopyRunnable::CancelFlag> m_inFlight;
    QList<ImportFile> m_copyResults; // arrived, not yet taken
    bool m_takingScheduled = false;
    int m_nextGeneration = 0;
    int m_runId = 0;
    // The shares pinned since the run (or the retry outside a run) started.
    QList<ShareGuard> m_runShares;
    // Order folders resolved since then, by cleaned path.
    QHash<QString, ImportRules::OrderPlace> m_runFolders;
    // The files placed whole on the share that no accepted listing took and
    // no report has named yet, by order index (kept across runs).
    QHash<int, QList<ImportFile>> m_runPlaced;
    bool m_awaitingReport = false; // the running order's report is out
    int m_runSucceeded = 0;
    SharedFolderOpener *m_folderOpener = nullptr;
    int m_runningOrderIndex = -1;
    bool m_splitterSized = false;
    QString m_shopId;
    QString m_managerId;
    QString m_superId;
    int m_delyp = 0;
    int m_openypml = 1;
    bool m_uiBuilt = false;
    FileChooser m_fileChooser;
    std::function<void()> m_beforeSubfolderCheck;
    // Choices being read, by order id: the generation of each order's latest.
    QHash<QString, int> m_readingChoices;
    // The single reports of an order's placed files that its listings on
    // their way stand for, once the window has gone.
    struct LeftReports {
        QList<QByteArray> bodies;
        int listingsOut = 0;
        bool listed = false;
    };
    using LeftReportsSlot = std::shared_ptr<std::shared_ptr<LeftReports>>;
    struct ListingOnItsWay {
        ImportOrder order;
        int placedListed = 0;
        LeftReportsSlot left;
    };
    QHash<BaseReq *, ListingOnItsWay> m_listingsOnTheirWay;
    // From the close until the reports sent as the window is deleted are out.
    std::unique_ptr<QEventLoopLocker> m_keepsProgram;
};
