#include "batchdelete/BatchDelete.h"

#include "app/Config.h"

#include <QVBoxLayout>

BatchDelete::BatchDelete(QWidget *parent)
    : QWidget(parent)
{
    if (!Config::k_shops.isEmpty())
        m_currentShopId = Config::k_shops.first().id;
    setupUI();
}

void BatchDelete::setupUI()
{
    new QVBoxLayout(this);
}
