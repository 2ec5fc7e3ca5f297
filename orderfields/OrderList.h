#pragma once

#include <QMainWindow>

namespace Ui {
class OrderList;
}

// Empty main window of the order-list tool, built from its form.
class OrderList : public QMainWindow
{
    Q_OBJECT

public:
    explicit OrderList(QWidget *parent = nullptr);
    ~OrderList() override;

private:
    Ui::OrderList *ui;
};
