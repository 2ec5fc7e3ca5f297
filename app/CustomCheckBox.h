#pragma once

#include <QCheckBox>

// The older login window's "记住密码" box: styled indicator plus a drawn tick.
class CustomCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit CustomCheckBox(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
