#pragma once

#include <QWidget>

// The login window. Placeholder shell until the login form lands.
class LoginNew : public QWidget
{
    Q_OBJECT

public:
    explicit LoginNew(QWidget *parent = nullptr);
};
