#include "orderfields/MainOrderList.h"

#include "ui_MainOrderList.h"

MainOrderList::MainOrderList(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::MainOrderList)
{
    ui->setupUi(this);
}

MainOrderList::~MainOrderList()
{
    delete ui;
}
