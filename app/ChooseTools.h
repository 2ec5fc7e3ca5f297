#pragma once

#include <QJsonObject>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QGridLayout;
class QLabel;
class QPropertyAnimation;
class QPushButton;
class ToolCardWidget;

// The launcher shown after login: eight tool cards, one window per tool.
class ChooseTools : public QWidget
{
    Q_OBJECT

public:
    explicit ChooseTools(QWidget *parent = nullptr);
    ~ChooseTools() override;

    // The open window of the named tool, or null.
    QWidget *toolWindow(const QString &name) const;

    // The login reply without "code"; handed on to the tool windows.
    QJsonObject loginInfo;

public slots:
    void onToolClicked();
    void onToolDoubleClicked(QString name);
    void onCloseButtonClicked();
    void onMinimizeButtonClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setupUI();
    void setupStyles();
    void setupAnimations();
    void setupFramelessWindow();
    void addToolCard(const QString &iconPath, const QString &name);
    void startWindowAnimation();
    QPointer<QWidget> *windowSlot(int toolIndex);

    QPushButton *closeButton = nullptr;
    QPushButton *minimizeButton = nullptr;
    QLabel *logoLabel = nullptr;
    QLabel *sloganLabel = nullptr;
    QLabel *versionLabel = nullptr;
    QGridLayout *toolsGrid = nullptr;
    QList<ToolCardWidget *> toolCards;
    int columnCount = 3;
    QPoint dragPosition;
    bool isDragging = false;
    QPropertyAnimation *windowAnimation = nullptr;

    QPointer<QWidget> transferToolWindow;
    QPointer<QWidget> designSplitWindow;
    QPointer<QWidget> originalFilesWindow;
    QPointer<QWidget> retouchedFilesWindow;
    QPointer<QWidget> downloadOriginalsWindow;
    QPointer<QWidget> downloadSelectionResultsWindow;
    QPointer<QWidget> downloadPhotoDeliveryWindow;
    QPointer<QWidget> batchDeleteWindow;
};
