#pragma once

#include <QWidget>

namespace Ui {
class MainOrderList;
}

// Empty form of the order-list tool.
class MainOrderList : public QWidget
{
    Q_OBJECT

public:
    explicit MainOrderList(QWidget *parent = nullptr);
    ~MainOrderList() override;

private:
    Ui::MainOrderList *ui;
};
