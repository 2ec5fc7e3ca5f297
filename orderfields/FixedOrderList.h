#pragma once

#include <QWidget>

namespace Ui {
class FixedOrderList;
}

// Empty form of the order-list tool.
class FixedOrderList : public QWidget
{
    Q_OBJECT

public:
    explicit FixedOrderList(QWidget *parent = nullptr);
    ~FixedOrderList() override;

private:
    Ui::FixedOrderList *ui;
};
