#pragma once

#include <QWidget>

namespace Ui {
class Test;
}

// A small form with one "开始" button whose slot does nothing.
class Test : public QWidget
{
    Q_OBJECT

public:
    explicit Test(QWidget *parent = nullptr);
    ~Test() override;

private slots:
    void on_pushButton_clicked();

private:
    Ui::Test *ui;
};
