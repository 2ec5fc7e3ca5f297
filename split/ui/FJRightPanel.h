#pragma once

#include "split/ui/DesignFileSplitTypes.h"

#include <QJsonArray>
#include <QString>
#include <QWidget>

class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

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

public slots:
    void onSearchTypeChanged();
    void onSearchOrderClicked();
    void onSetSearchBtnStatus(bool enable);
    void onStartProcessClicked();
    void onChooseDirectoryClicked();

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
};
