#include "app/LoginNew.h"

LoginNew::LoginNew(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("登录"));
    resize(400, 520);
}
