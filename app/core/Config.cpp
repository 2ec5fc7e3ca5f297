#include "app/core/Config.h"

#include "app/core/Logging.h"
#include "app/core/ServiceReply.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QStandardPaths>
#include <QUrl>

namespace {

QString runtimeDataFolder()
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::RuntimeLocation);
    return (locations.isEmpty() ? QString() : locations.first()) + QStringLiteral("/pindleyun_tools/");
}

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

// A refused address may carry a password: the log shows it without one.
QString loggableHost(const QString &host)
{
    return QUrl(host, QUrl::TolerantMode).toDisplayString(QUrl::RemovePassword);
}

// The service URL may come from the environment; a bad value keeps the placeholder.
QString initialUrlHost()
{
    const QString fromEnv = qEnvironmentVariable("STUDIO_SERVICE_URL").trimmed();
    if (!fromEnv.isEmpty()) {
        if (Config::isAcceptableUrlHost(fromEnv)) {
            QString host = fromEnv;
            while (host.endsWith(QLatin1Char('/')))
                host.chop(1);
            return host;
        }
        qCWarning(lcApp) << "忽略不安全的服务地址:" << loggableHost(fromEnv);
    }
    return Config::kDefaultUrlHost;
}

} // namespace

namespace Config {

const QString kDefaultUrlHost = QStringLiteral("https://studio.invalid");

QString k_datarootpath = runtimeDataFolder();
const QString k_version = QStringLiteral("1.4.2");
const QString k_architecture = QStringLiteral("64");
QList<ShopEntry> k_shops;
QString k_uid;
QString k_shop_id;
QString k_super_id;
QString k_manager_id;
int k_importType = 0;
QString k_fjshop_id;
QString k_fjsuper_id;
QString k_fjmanager_id;
QString k_fj_dirpath;

const QString URL_TOKEN = QStringLiteral("5be0c7d19a2f4e86b3d07a61c9e42f58");
const QString URL_G = QStringLiteral("g=BrenlowDPc");
QString URL_HOST = initialUrlHost();
QString URL_BASE = URL_HOST + QStringLiteral("/index.php?");
QString URL_LOGIN = URL_BASE + URL_G + QStringLiteral("&m=public&a=dologin");
QString URL_FJ_BARCODE = URL_BASE + URL_G + QStringLiteral("&m=order&a=getbarcodegen");

float scaleDpi = 1.0f;

bool isAcceptableUrlHost(const QString &host)
{
    const QUrl url(host, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty()
        || url.hasQuery() || url.hasFragment())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    return scheme == QLatin1String("http") && isLoopbackHost(url.host());
}

bool setUrlHost(const QString &host)
{
    if (!isAcceptableUrlHost(host)) {
        qCWarning(lcApp) << "拒绝服务地址:" << loggableHost(host);
        return false;
    }
    QString clean = host.trimmed();
    while (clean.endsWith(QLatin1Char('/')))
        clean.chop(1);
    URL_HOST = clean;
    URL_BASE = URL_HOST + QStringLiteral("/index.php?");
    URL_LOGIN = URL_BASE + URL_G + QStringLiteral("&m=public&a=dologin");
    URL_FJ_BARCODE = URL_BASE + URL_G + QStringLiteral("&m=order&a=getbarcodegen");
    return true;
}

void applyLoginIdentity(const QJsonObject &reply, bool withNamingRules)
{
    k_super_id = ServiceReply::idText(reply.value(QStringLiteral("SUPERID")));
    k_manager_id = ServiceReply::idText(reply.value(QStringLiteral("EID")));
    k_uid = ServiceReply::idText(reply.value(QStringLiteral("UID")));
    k_shops.clear();
    k_shop_id.clear();
    const QJsonArray shops = reply.value(QStringLiteral("shop_data")).toArray();
    for (int i = 0; i < shops.size(); ++i) {
        const QJsonObject shop = shops.at(i).toObject();
        ShopEntry entry;
        entry.id = ServiceReply::idText(shop.value(QStringLiteral("id")));
        // A branch no request could name is not offered.
        if (entry.id.isEmpty()) {
            qCWarning(lcApp) << "分店编号无效，已跳过:" << shop.value(QStringLiteral("name")).toString();
            continue;
        }
        entry.name = shop.value(QStringLiteral("name")).toString();
        if (withNamingRules)
            entry.goodsfoldernamerule = shop.value(QStringLiteral("goodsfoldernamerule")).toString();
        if (k_shops.isEmpty())
            k_shop_id = entry.id;
        k_shops.append(entry);
    }
}

} // namespace Config
