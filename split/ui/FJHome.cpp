#include "split/ui/FJHome.h"

FJHome::FJHome(QWidget *parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("FJHome"));
    setWindowTitle(QStringLiteral("分件工具"));
}

void FJHome::setInitData(QMap<QString, QString> data)
{
    setWindowTitle(data.value(QStringLiteral("windowtitle")));
}

void FJHome::slt_copypicthread(bool, QString, QString, QString, QString)
{
}
