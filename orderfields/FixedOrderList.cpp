#include "orderfields/FixedOrderList.h"

#include "ui_FixedOrderList.h"

FixedOrderList::FixedOrderList(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::FixedOrderList)
{
    ui->setupUi(this);
}

FixedOrderList::~FixedOrderList()
{
    delete ui;
}
