#pragma once

#include "split/engine/FJDataOperate.h"
#include "split/ui/DesignFileSplitTypes.h"
#include "split/ui/OrderData.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QWidget>

class FJLeftPanel;
class FJRightPanel;
class QHBoxLayout;
class QSplitter;
class QThreadPool;
class QVBoxLayout;

// The window of the four design-file and download tools: the order table on
// the left, the options on the right, and the run over the ticked orders.
class FJHome : public QWidget
{
    Q_OBJECT

public:
    explicit FJHome(QWidget *parent = nullptr);
    ~FJHome() override;

    void setInitData(QMap<QString, QString> data);
    void getOrderInfo(OrderData order);
    void nextOrder();

public slots:
    void onStartProcessRequested();
    // Result report of every design-file job, queued from the pool threads.
    void slt_copypicthread(bool ok, QString jobType, QString srcPath, QString third, QString message);

signals:
    // The run over the ticked orders ended; carries the summary text shown.
    void runFinished(const QString &summary);

protected:
    void closeEvent(QCloseEvent *event) override;

public:
    QJsonObject loginData;
    DesignFileSplitTypes splitType = DesignSplit;
    QThreadPool *threadPool = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QHBoxLayout *mainLayout = nullptr;
    QSplitter *splitter = nullptr;
    FJLeftPanel *leftPanel = nullptr;
    FJRightPanel *rightPanel = nullptr;
    FJDataOperate dataOperate;
    QList<int> selectedRows;
    QString orderDir;
    int allNum = 0;
    bool isStartHtml = false;
    bool isSaveHtml = false;
    int copyPicFinishNum = 0;
    int copyPicNum = 0;
    int downPhotoNum = 0;
    int downPhotoFinishNums = 0;
    int proFinishNum = 0;
    int currentOrderIndex = 0;
    QString errorLog;

private:
    void setupUI();
    void onOrderSelected(int row, bool checked);
    void showMessage(const QString &text, bool information);
    bool running = false;
};
