#pragma once

#include <QWidget>

namespace Ui {
class OrderTypeList;
}

// Empty form of the order-list tool.
class OrderTypeList : public QWidget
{
    Q_OBJECT

public:
    explicit OrderTypeList(QWidget *parent = nullptr);
    ~OrderTypeList() override;

private:
    Ui::OrderTypeList *ui;
};
