#pragma once

#include <QCheckBox>

// The login window's painted "记住密码" box.
class CustomCheckBoxNew : public QCheckBox
{
    Q_OBJECT

public:
    explicit CustomCheckBoxNew(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
