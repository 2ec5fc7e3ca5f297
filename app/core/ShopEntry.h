#pragma once

#include <QString>

// One branch (shop) of the logged-in user, in the order of the login reply.
struct ShopEntry
{
    QString id;
    QString name;
    QString goodsfoldernamerule; // JSON text of the product-folder naming rule
};
