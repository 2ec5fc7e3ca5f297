// Runs the stand-in studio service on its own, for trying the program by hand.
#include "support/DemoStudio.h"
#include "support/StandInService.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

// Loads an object mapping "module/action" to the reply object.
bool loadReplies(StandInService &service, const QString &fileName, QString &error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        error = QStringLiteral("%1 is not a JSON object: %2").arg(fileName, parseError.errorString());
        return false;
    }
    service.setReplies(document.object());
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // The demo studio paints its pictures and barcodes with text: that needs a
    // GUI application, though it never shows a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("studio_standin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in studio service on 127.0.0.1"));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on (0: any free port)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption dataOption(QStringLiteral("data"),
                                        QStringLiteral("JSON file mapping \"module/action\" to a reply object."),
                                        QStringLiteral("file"));
    const QCommandLineOption demoOption(QStringLiteral("demo"),
                                        QStringLiteral("Serve a demo studio whose share and sample photos go below folder."),
                                        QStringLiteral("folder"));
    const QCommandLineOption mountRootOption(
        QStringLiteral("mount-root"),
        QStringLiteral("With --demo: the demo's share is the mounted share <folder>/<share> (\"studio\"), not a plain folder."),
        QStringLiteral("folder"));
    parser.addOption(portOption);
    parser.addOption(dataOption);
    parser.addOption(demoOption);
    parser.addOption(mountRootOption);
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        err << "invalid --port " << parser.value(portOption) << Qt::endl;
        return 2;
    }

    StandInService service;
    if (parser.isSet(dataOption)) {
        QString error;
        if (!loadReplies(service, parser.value(dataOption), error)) {
            err << error << Qt::endl;
            return 2;
        }
    }
    if (!service.start(quint16(port))) {
        err << "cannot listen on 127.0.0.1:" << port << Qt::endl;
        return 1;
    }
    if (parser.isSet(demoOption)) {
        auto *demo = new DemoStudio(&service, &service);
        if (parser.isSet(mountRootOption))
            demo->setMountedShareRoot(parser.value(mountRootOption));
        QString error;
        if (!demo->create(parser.value(demoOption), &error)) {
            err << error << Qt::endl;
            return 1;
        }
        out << QStringLiteral("演示工作室已启动: ") << service.baseUrl() << Qt::endl
            << QStringLiteral("  账号: ") << demo->username() << Qt::endl
            << QStringLiteral("  密码: ") << demo->password() << Qt::endl
            << QStringLiteral("  导片工具的照片: ") << demo->cameraFolder() << Qt::endl
            << QStringLiteral("  导入原片的文件: ") << demo->originalsFolder() << Qt::endl
            << QStringLiteral("  导入精修片的文件: ") << demo->retouchedFolder() << Qt::endl
            << QStringLiteral("  共享文件夹: ") << demo->shareFolder() << Qt::endl;
        // Read by scripts/run; printed last so the lines above are complete.
        out << "STUDIO_SERVICE_URL=" << service.baseUrl() << Qt::endl
            << "STUDIO_MOUNT_ROOT=" << demo->mountRoot() << Qt::endl;
    } else {
        out << service.baseUrl() << Qt::endl;
    }

    QObject::connect(&service, &StandInService::requestReceived, [&err](const StandInService::Request &request) {
        err << request.method << ' ' << request.path << '?' << request.query.toString() << Qt::endl;
    });
    return app.exec();
}
