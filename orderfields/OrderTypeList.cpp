#include "orderfields/OrderTypeList.h"

#include "ui_OrderTypeList.h"

OrderTypeList::OrderTypeList(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::OrderTypeList)
{
    ui->setupUi(this);
}

OrderTypeList::~OrderTypeList()
{
    delete ui;
}
