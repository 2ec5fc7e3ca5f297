#include "orderfields/SetShowField.h"

#include "ui_SetShowField.h"

SetShowField::SetShowField(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::SetShowField)
{
    ui->setupUi(this);
}

SetShowField::~SetShowField()
{
    delete ui;
}
