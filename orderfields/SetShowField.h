#pragma once

#include <QWidget>

namespace Ui {
class SetShowField;
}

// Empty form of the order-list tool.
class SetShowField : public QWidget
{
    Q_OBJECT

public:
    explicit SetShowField(QWidget *parent = nullptr);
    ~SetShowField() override;

private:
    Ui::SetShowField *ui;
};
