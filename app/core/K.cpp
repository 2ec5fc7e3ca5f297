#include "app/core/K.h"

#include "app/core/Config.h"
#include "app/core/Logging.h"
#include "platform/MountRoot.h"
#include "platform/ShareGuard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDataStream>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QJsonDocument>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScreen>
#include <QSet>
#include <QTranslator>

#include <algorithm>
#include <climits>

namespace {

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_4_4;

bool hasDotParts(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    return parts.contains(QStringLiteral(".")) || parts.contains(QStringLiteral(".."));
}

// A mount path is accepted only strictly below the mount root.
QString acceptedMountPath(const QString &path)
{
    return MountRoot::isOnShare(path) ? path : QString();
}

QString joinParts(const QStringList &parts, int from, int skip = -1)
{
    QString joined;
    for (int i = from; i < parts.size(); ++i) {
        if (i == skip)
            continue;
        joined += parts.at(i) + QLatin1Char('/');
    }
    return joined;
}

// Runs of "/" become one, except the two that open a UNC path, so a
// service path typed with doubled separators names the same folder.
QString collapsedSeparators(const QString &path)
{
    const bool unc = path.startsWith(QLatin1String("//"));
    QString rest = unc ? path.mid(2) : path;
    while (rest.startsWith(QLatin1Char('/')) && unc)
        rest.remove(0, 1);
    static const QRegularExpression runs(QStringLiteral("/{2,}"));
    rest.replace(runs, QStringLiteral("/"));
    return unc ? QStringLiteral("//") + rest : rest;
}

// The leading mount-root prefix a local path starts with, or an empty string.
QString mountPrefixOf(const QString &path)
{
    const QString root = MountRoot::path();
    if (path.startsWith(root))
        return root;
    if (MountRoot::isDefault() && path.startsWith(QLatin1String("/volumes/")))
        return QStringLiteral("/volumes/");
    return QString();
}

bool loadTranslator(QTranslator *translator, const QString &file, const QString &folder)
{
    return translator->load(file, folder);
}

} // namespace

K *K::i()
{
    static K instance;
    return &instance;
}

int K::f(int value)
{
    return value;
}

QString K::s(int value)
{
    return QString::number(value, 10);
}

void K::setMainBase(const QApplication &)
{
    setSysFont();

    const QString appDir = QCoreApplication::applicationDirPath();
    const QString qtDir = QLibraryInfo::location(QLibraryInfo::TranslationsPath);

    auto *qtTranslator = new QTranslator(QCoreApplication::instance());
    if (loadTranslator(qtTranslator, QStringLiteral("qt_zh_CN.qm"), appDir)) {
        QCoreApplication::installTranslator(qtTranslator);
        qCDebug(lcApp) << "成功从应用程序目录加载 qt_zh_CN.qm";
    } else if (loadTranslator(qtTranslator, QStringLiteral("qt_zh_CN.qm"), qtDir)) {
        QCoreApplication::installTranslator(qtTranslator);
        qCDebug(lcApp) << "成功从系统目录加载 qt_zh_CN.qm";
    } else {
        qCDebug(lcApp) << "加载 qt_zh_CN.qm 失败";
        qCDebug(lcApp) << "应用程序路径:" << appDir;
        qCDebug(lcApp) << "系统翻译路径:" << qtDir;
    }

    auto *baseTranslator = new QTranslator(QCoreApplication::instance());
    const struct { const char *file; bool fromApp; const char *log; } attempts[] = {
        {"qtbase_zh_CN.qm", true, "成功从应用程序目录加载 qtbase_zh_CN.qm"},
        {"qtbase_zh_CN.qm", false, "成功从系统目录加载 qtbase_zh_CN.qm"},
        {"qtbase_zh_TW.qm", true, "成功从应用程序目录加载 qtbase_zh_TW.qm"},
        {"qtbase_zh_TW.qm", false, "成功从系统目录加载 qtbase_zh_TW.qm"},
    };
    bool baseLoaded = false;
    for (const auto &attempt : attempts) {
        if (loadTranslator(baseTranslator, QString::fromLatin1(attempt.file),
                           attempt.fromApp ? appDir : qtDir)) {
            QCoreApplication::installTranslator(baseTranslator);
            qCDebug(lcApp) << attempt.log;
            baseLoaded = true;
            break;
        }
    }
    if (!baseLoaded)
        qCDebug(lcApp) << "加载 qtbase 中文翻译失败";

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        qCDebug(lcApp) << "物理DPI" << screen->physicalDotsPerInch();
        qCDebug(lcApp) << "逻辑DPI（受系统缩放影响）" << screen->logicalDotsPerInch();
        Config::scaleDpi = computeScaleDpi(screen->logicalDotsPerInch(), screen->physicalDotsPerInch());
    }
}

float K::computeScaleDpi(qreal logicalDpi, qreal physicalDpi)
{
    const float logical = float(logicalDpi);
    const float physical = float(physicalDpi);
    if (logical <= 0.0f)
        return 1.0f;
    return std::max(1.0f, std::max(logical / 96.0f, physical / logical));
}

void K::setSysFont()
{
    const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/base/fonts/xingyiwensong.ttf"));
    if (id == -1)
        return;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty())
        QApplication::setFont(QFont(families.first(), 12));
}

QString K::urlHostFromArguments(const QStringList &arguments)
{
    QString host;
    if (arguments.size() < 2)
        return host;
    for (int i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--url-host"))
            host = arguments.at(i + 1);
    }
    return host;
}

QString K::loginDataPath()
{
    return Config::k_datarootpath + QStringLiteral("loginData");
}

QJsonObject K::readLoginData()
{
    const QString text = fileread(loginDataPath());
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

void K::saveLoginData(const QJsonObject &object)
{
    const QJsonDocument document(object);
    QDir folder(Config::k_datarootpath);
    if (!folder.exists())
        folder.mkpath(QStringLiteral("."));
    const QByteArray bytes = document.toJson(QJsonDocument::Indented);
    const QString text = QString::fromUtf8(bytes.constData()); // up to the first zero byte
    filewrite(loginDataPath(), text, [](QMap<QString, QString>) {});
}

void K::filewrite(const QString &path, const QString &content,
                  const std::function<void(QMap<QString, QString>)> &done)
{
    qCDebug(lcApp) << "写入的路径是:" << path;
    // A failed or short write keeps the previous file.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        QDataStream stream(&file);
        stream.setVersion(kStreamVersion);
        stream << content;
        if (stream.status() != QDataStream::Ok)
            file.cancelWriting();
        if (!file.commit())
            qCWarning(lcApp) << "写入文件失败:" << path << file.errorString();
    } else {
        qCWarning(lcApp) << "无法打开文件写入:" << path << file.errorString();
    }
    done(QMap<QString, QString>());
}

QString K::fileread(const QString &path)
{
    QString text;
    QFile file(path);
    if (file.size() == 0)
        return text;
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcApp) << "无法打开文件读取:" << path << file.errorString();
        return text;
    }
    QDataStream stream(&file);
    stream.setVersion(kStreamVersion);
    stream >> text;
    file.close();
    return text;
}

QJsonObject K::stringToJson(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        qCWarning(lcApp) << "JSON 解析错误:" << error.errorString();
        return QJsonObject();
    }
    if (document.isObject())
        return document.object();
    qCWarning(lcApp) << "JSON 不是一个对象";
    return QJsonObject();
}

QJsonArray K::stringToJsonAry(const QString &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    return document.isArray() ? document.array() : QJsonArray();
}

QString K::pathConvert(const QString &input)
{
    if (input.isEmpty())
        return input;
    qCDebug(lcApp) << "获取到的订单路径 1" << input;
    QString path = input;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    path = collapsedSeparators(path);

    const QString prefix = mountPrefixOf(path);
    if (!prefix.isEmpty()) {
        // Judge the lower-case form as the root it stands for, keep it as given.
        const QString canonical = MountRoot::path() + path.mid(prefix.size());
        return MountRoot::isOnShare(canonical) ? path : QString();
    }

    const QStringList parts = path.split(QLatin1Char('/'), Qt::KeepEmptyParts);
    qCDebug(lcApp) << "获取到的订单路径 2" << parts;
    if (parts.size() < 3)
        return QString(); // a relative path is nowhere on the share

    const bool firstEmpty = parts.at(0).isEmpty();
    const bool unc = firstEmpty && parts.at(1).isEmpty() && parts.size() >= 4;
    const QString root = MountRoot::path();

    QString first;
    if (!firstEmpty)
        first = joinParts(parts, 1);
    else if (unc)
        first = joinParts(parts, 3);
    first.replace(QStringLiteral("//"), QStringLiteral("/"));
    first.prepend(root);
    if (!hasDotParts(first) && MountRoot::isOnShare(first) && QDir(first).exists())
        return first;

    QString second;
    if (!firstEmpty)
        second = joinParts(parts, 0, 1);
    else if (unc)
        second = joinParts(parts, 3);
    second.replace(QStringLiteral("//"), QStringLiteral("/"));
    second.prepend(root);
    qCDebug(lcApp) << "获取到的订单路径--------结束" << second;
    return acceptedMountPath(second);
}

QString K::returnUpDatePath(const QString &server, const QString &path)
{
    qCDebug(lcApp) << "提交之前的path: " << path;
    QString result = path;
    const QString prefix = mountPrefixOf(path);
    if (!prefix.isEmpty()) {
        result = QStringLiteral("\\\\") + server + QLatin1Char('\\') + path.mid(prefix.size());
        result.replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
    qCDebug(lcApp) << "提交之后的path: " << result;
    return result;
}

QString K::getServeName(const QString &first, const QString &second)
{
    QString path = first.isEmpty() ? second : first;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QStringList parts = path.split(QLatin1Char('\\'), Qt::KeepEmptyParts);
    return parts.size() >= 3 ? parts.at(2) : QString();
}

QString K::generateImportPath(const QMap<QString, QString> &map)
{
    const QString importPath = map.value(QStringLiteral("importPath"));
    if (!importPath.isEmpty())
        return importPath;

    const QString publicPath = map.value(QStringLiteral("importPublicPath"));
    if (publicPath.isEmpty())
        return QString();

    QString mname = replaceSpecialChar(map.value(QStringLiteral("mname")));
    QString wname = replaceSpecialChar(map.value(QStringLiteral("wname")));
    if (!mname.isEmpty())
        mname.prepend(QLatin1Char('_'));
    if (!wname.isEmpty())
        wname.prepend(QLatin1Char('_'));

    const QString relative = QStringLiteral("%1\\%2\\%3\\%4-%5%6%7")
                                 .arg(sanitizePathComponent(map.value(QStringLiteral("shotdate_year"))),
                                      sanitizePathComponent(map.value(QStringLiteral("shotdate_month"))),
                                      sanitizePathComponent(map.value(QStringLiteral("shotdate_day"))),
                                      sanitizePathComponent(map.value(QStringLiteral("orderNumber"))),
                                      sanitizePathComponent(map.value(QStringLiteral("photoNum"))),
                                      mname, wname);
    QString result = QDir(publicPath).absoluteFilePath(relative);
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!MountRoot::isStrictlyBelow(result, QDir::cleanPath(publicPath)))
        return QString();
    return result;
}

QString K::replaceSpecialChar(const QString &text)
{
    static const QSet<QChar> special = {
        QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':'), QLatin1Char('*'), QLatin1Char('?'),
        QLatin1Char('"'), QLatin1Char('<'), QLatin1Char('>'), QLatin1Char('|'), QLatin1Char(' '),
    };
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!special.contains(c))
            result += c;
    }
    return result;
}

QString K::missingShareMessage(const QString &path)
{
    return QStringLiteral("共享目录不存在: %1\n请检查共享目录是否已连接").arg(path);
}

QString K::pathTooLongMessage(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    bool tooLong = bytes.size() >= PATH_MAX;
    if (!tooLong) {
        for (const QByteArray &name : bytes.split('/'))
            tooLong = tooLong || name.size() > NAME_MAX;
    }
    if (!tooLong)
        return QString();
    constexpr int kept = 40; // characters kept at each end
    const QString shown = path.size() <= 2 * kept + 1 ? path
                                                     : path.left(kept) + QChar(0x2026) + path.right(kept);
    return QStringLiteral("路径过长: %1").arg(shown);
}

QString K::outsideOrderText()
{
    return QStringLiteral("目录不在订单目录内");
}

QString K::outsideOrderMessage(const QString &path)
{
    return outsideOrderText() + QStringLiteral(": ") + path;
}

QString K::orderFolderLinkMessage(const QString &folder)
{
    return QStringLiteral("订单目录是链接: %1").arg(folder);
}

QString K::orderFolderLinkRefusal(const QString &folder)
{
    const QString link = ShareGuard::linkOnTheWay(QDir::cleanPath(folder));
    return link.isEmpty() ? QString() : orderFolderLinkMessage(link);
}

QString K::folderOffShareMessage(const QString &folder)
{
    return QStringLiteral("目录不在共享目录内: %1").arg(folder);
}

QString K::pathOffShareText()
{
    return QStringLiteral("路径不在共享目录内");
}

QString K::sanitizePathComponent(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('/'), QLatin1Char('_'));
    result.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return result;
}

QMap<QString, QString> K::vip8ScalImg(const QString &source, const QString &output, int, int)
{
    QMap<QString, QString> result;
    result.insert(QStringLiteral("code"), QStringLiteral("2"));
    result.insert(QStringLiteral("filepath"), source);
    result.insert(QStringLiteral("outpath"), output);
    return result;
}

QString K::getTodayDate()
{
    const QDate today = QDate::currentDate();
    return QStringLiteral("%1-%2-%3")
        .arg(today.year(), 4, 10, QLatin1Char('0'))
        .arg(today.month(), 2, 10, QLatin1Char('0'))
        .arg(today.day(), 2, 10, QLatin1Char('0'));
}
