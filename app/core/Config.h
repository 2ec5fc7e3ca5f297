#pragma once

#include "app/core/ShopEntry.h"

#include <QJsonObject>
#include <QList>
#include <QString>

// Application-wide values. Written at login and start-up on the GUI thread.
namespace Config {

extern QString k_datarootpath;
extern const QString k_version;
extern const QString k_architecture;
extern QList<ShopEntry> k_shops;
extern QString k_uid;
extern QString k_shop_id;
extern QString k_super_id;
extern QString k_manager_id;
extern int k_importType; // an ImportTypes value
extern QString k_fjshop_id;
extern QString k_fjsuper_id;
extern QString k_fjmanager_id;
extern QString k_fj_dirpath;

extern const QString URL_TOKEN;
extern QString URL_HOST;
extern QString URL_BASE;
extern const QString URL_G;
extern QString URL_LOGIN;
extern QString URL_FJ_BARCODE;

extern float scaleDpi;

// The placeholder host used until a real service is configured.
extern const QString kDefaultUrlHost;

// Points the program at another service: stores the host and recomposes
// URL_BASE, URL_LOGIN and URL_FJ_BARCODE. Accepts https hosts, and plain
// http only for loopback hosts. Returns false (changing nothing) otherwise.
bool setUrlHost(const QString &host);

// Fills k_super_id, k_manager_id, k_uid, k_shops and k_shop_id from a login
// reply ("SUPERID", "EID", "UID", "shop_data"). The naming rules are kept only
// when asked: the stored login data does not restore them.
void applyLoginIdentity(const QJsonObject &reply, bool withNamingRules);

// True when the host is acceptable for setUrlHost.
bool isAcceptableUrlHost(const QString &host);

} // namespace Config
