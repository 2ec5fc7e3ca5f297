#include "transfer/ui/tfhome.h"

#include <QVBoxLayout>

tfhome::tfhome(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("导片"));
    resize(1200, 800);
    setMinimumSize(800, 600);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("tfhomeCentral"));
    new QVBoxLayout(central);
    setCentralWidget(central);
}
