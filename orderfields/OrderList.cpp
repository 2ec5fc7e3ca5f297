#include "orderfields/OrderList.h"

#include "ui_OrderList.h"

OrderList::OrderList(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::OrderList)
{
    ui->setupUi(this);
}

OrderList::~OrderList()
{
    delete ui;
}
