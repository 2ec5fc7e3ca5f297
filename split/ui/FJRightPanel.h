#pragma once

#include "split/ui/DesignFileSplitTypes.h"
#include "split/ui/OrderData.h"

#include <QJsonArray>
#include <QString>
#include <QWidget>

class ElementButton;
class FolderNamingRule;
class QCheckBox;
class QCalendarWidget;
class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class ThumbnailTableView;

// Right half of the split window: branch, search, output folder and start.
class FJRightPanel : public QWidget
{
    Q_OBJECT

public:
    explicit FJRightPanel(QWidget *parent = nullptr);

    void setupUI();
    void setSplitType(DesignFileSplitTypes type);
    void searchClick();
    void setBtnEnable(bool enable);
    QString getSearchText() const;
    QString getSearchTypeName() const;
    int getSearchType() const;
    int getCurrentBranch() const;
    QJsonArray getGoodsFolderNameRules() const;

    // The label text for a path in `room` pixels: the tail of the path after "...".
    static QString elidedDirText(const QString &path, const QFontMetrics &metrics, int room);

    QString shopId;
    QString superId;
    QString eid;
    QString dirPath;
    QJsonArray editedFolderNameRules;
    QJsonArray goodsFolderNameRules;
    int splitType = DesignSplit;
    QVBoxLayout *mainLayout = nullptr;
    QHBoxLayout *shopLayout = nullptr;
    QLabel *shopLabel = nullptr;
    QComboBox *shopComboBox = nullptr;
    QHBoxLayout *searchLayout = nullptr;
    QLabel *searchTypeLabel = nullptr;
    QComboBox *searchTypeComboBox = nullptr;
    QLineEdit *searchLineEdit = nullptr;
    QDateEdit *shotDateEdit = nullptr;
    QDateEdit *selectDateEdit = nullptr;
    QHBoxLayout *dirLayout = nullptr;
    QPushButton *chooseDirButton = nullptr;
    QLabel *dirLabel = nullptr;
    QHBoxLayout *buttonLayout = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *searchButton = nullptr;

    // Download options (photo delivery mode).
    QVBoxLayout *downTypeLayout = nullptr;
    QLabel *downTypeLabel = nullptr;
    QHBoxLayout *downTypeCheckLayout = nullptr;
    QCheckBox *rawFileCheckBox = nullptr;
    QCheckBox *originalImageCheckBox = nullptr;
    QCheckBox *simpleRetouchCheckBox = nullptr;
    QCheckBox *simpleRetouchRejectsCheckBox = nullptr;
    QCheckBox *fullRetouchCheckBox = nullptr;

    // Photo sections (raw-file download mode).
    QWidget *undownloadSection = nullptr;
    QLabel *undownloadTitleLabel = nullptr;
    QPushButton *undownloadSelectAllButton = nullptr;
    QPushButton *undownloadClearAllButton = nullptr;
    ThumbnailTableView *undownloadThumbnailView = nullptr;
    QWidget *downloadedSection = nullptr;
    QLabel *downloadedTitleLabel = nullptr;
    QPushButton *downloadedSelectAllButton = nullptr;
    QPushButton *downloadedClearAllButton = nullptr;
    ThumbnailTableView *downloadedThumbnailView = nullptr;

    // Naming-rule editor (design split mode).
    FolderNamingRule *folderNamingRule = nullptr;
    ElementButton *resetRuleButton = nullptr;
    ElementButton *saveRuleButton = nullptr;

    // The order the photo sections show; no row until the window picks one.
    int currentOrderRow = -1;
    OrderData currentOrder;

    void addDownTypeUI();
    void createUndownloadPhotoSection();
    void createDownloadedPhotoSection();
    void addDownAndUndownloadPhotoList();
    void refreshDownAndUndownImgList();
    void installEventFilterRecursively(QWidget *widget);
    bool eventFilter(QObject *object, QEvent *event) override;
    void showCustomCalendar(QDateEdit *dateEdit);
    QPoint calculateCalendarPosition(QDateEdit *dateEdit, QCalendarWidget *calendar);
    // Below the edit, kept inside the available area (inclusive right and bottom).
    static QPoint calendarPosition(const QPoint &editTopLeft, int editHeight, const QSize &calendarSize,
                                   const QRect &available);

public slots:
    void onSearchTypeChanged();
    void onSearchOrderClicked();
    void onSetSearchBtnStatus(bool enable);
    void onStartProcessClicked();
    void onChooseDirectoryClicked();
    void onUndownloadSelectAllClicked();
    void onUndownloadClearAllClicked();
    void onDownloadedSelectAllClicked();
    void onDownloadedClearAllClicked();
    void onUndownloadSelectionChanged(int index, bool selected);
    void onDownloadedSelectionChanged(int index, bool selected);
    void onShopChanged();
    void onResetRuleClicked();
    void onSaveRuleClicked();

signals:
    void searchRequested(QString searchType, const QString &searchText, const QString &shop_id);
    void startProcessRequested();
    void shopChange();
    void downAndUnDownImgSelectedChange();

protected:
    // The directory dialog; a seam so tests can answer it.
    virtual QString askDirectory();

private:
    void applyDirectory(const QString &path);
    void setPlaceholderColour();
    void addNamingRuleUI();
    QWidget *createPhotoSection(const QString &title, const char *color, const char *hover, const char *pressed,
                                const char *barFrom, const char *barTo, QLabel **titleLabel,
                                QPushButton **selectAll, QPushButton **clearAll, ThumbnailTableView **view);
    void setAllSelected(QList<ThumbnailInfo> &list, bool selected);
    void showWarning(const QString &text);
    // Start and search wait for both: no run, and no search still going in.
    void enableStartAndSearch();

    bool m_runLocked = false;
    bool m_searching = false;
};
