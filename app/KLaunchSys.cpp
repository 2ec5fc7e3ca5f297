// K::launchSys opens the first window, so it lives on the application floor
// while the rest of K stays below the tools.
#include "app/core/Config.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/LoginNew.h"
#include "split/ui/FJHome.h"

#include <QCoreApplication>

void K::launchSys(SysTypes type)
{
    if (type == StartLogin) {
        auto *login = new LoginNew();
        login->show();
        return;
    }

    const QString host = urlHostFromArguments(QCoreApplication::arguments());
    if (!host.isNull()) {
        // The host also redirects the service requests, not only sibling programs.
        if (!Config::setUrlHost(host))
            qCWarning(lcApp) << "--url-host 无效，保持" << Config::URL_HOST;
    }

    const QJsonObject stored = readLoginData();
    Config::applyLoginIdentity(stored, false);

    if (type == StartDesignFile) {
        auto *window = new FJHome();
        window->showMaximized();
    }
}
