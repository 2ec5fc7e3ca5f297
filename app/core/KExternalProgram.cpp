// K::launchExternalProgram, kept apart from the rest of K for its size.
#include "app/core/K.h"

#include "app/core/Config.h"
#include "app/core/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QWidget>

namespace {

constexpr int kStartTimeoutMs = 5000;

void reportProcessError(const QString &name, const QString &programPath, QProcess::ProcessError error,
                        QPointer<QWidget> parentWindow)
{
    QString shortText;
    QString details;
    switch (error) {
    case QProcess::FailedToStart:
        shortText = QStringLiteral("程序启动失败");
        details = QStringLiteral("可能的原因：\n1. 缺少必要的DLL文件（如Qt库、Visual C++运行库）\n2. 需要管理员权限\n"
                                 "3. 程序文件损坏\n4. 防病毒软件阻止执行");
        break;
    case QProcess::Crashed:
        shortText = QStringLiteral("程序运行时崩溃");
        details = QStringLiteral("程序在运行过程中意外终止");
        break;
    case QProcess::Timedout:
        shortText = QStringLiteral("程序启动超时");
        details = QStringLiteral("程序启动时间超过预期");
        break;
    default:
        shortText = QStringLiteral("未知错误");
        details = QStringLiteral("错误代码: %1").arg(int(error));
        break;
    }
    const QString fullText = QStringLiteral("启动 %1 失败：%2\n\n%3\n\n程序路径：%4")
                                 .arg(name, shortText, details, programPath);
    if (parentWindow) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("启动错误"),
                        QStringLiteral("启动 %1 失败：%2").arg(name, shortText), QMessageBox::Ok,
                        parentWindow);
        box.setDetailedText(fullText);
        box.exec();
    } else {
        qCCritical(lcApp).noquote() << fullText;
    }
    qCWarning(lcApp) << "外部程序启动错误:" << name << error;
}

} // namespace

bool K::launchExternalProgram(const QString &program, const QJsonObject &loginData, QWidget *parentWindow)
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString programPath = QDir(appDir).absoluteFilePath(program);
    qCDebug(lcApp) << "尝试启动外部程序:" << programPath;
    qCDebug(lcApp) << "当前应用程序目录:" << appDir;

    const QFileInfo info(programPath);
    if (!info.exists()) {
        if (parentWindow) {
            QMessageBox::warning(parentWindow, QStringLiteral("错误"),
                                 QStringLiteral("找不到程序：\n%1\n\n请确保 %2 存在于程序目录中。")
                                     .arg(programPath, program),
                                 QMessageBox::Ok);
        } else {
            qCWarning(lcApp) << "程序不存在:" << programPath;
        }
        return false;
    }
    if (!info.isExecutable()) {
        if (parentWindow) {
            QMessageBox::warning(parentWindow, QStringLiteral("权限错误"),
                                 QStringLiteral("程序文件不可执行：\n%1\n\n请检查文件权限。").arg(programPath));
        } else {
            qCWarning(lcApp) << "程序不可执行:" << programPath;
        }
        return false;
    }

    const auto yesNo = [](bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); };
    qCDebug(lcApp) << "程序文件信息:";
    qCDebug(lcApp) << "  大小:" << info.size() << "字节";
    qCDebug(lcApp) << "  可读:" << yesNo(info.isReadable());
    qCDebug(lcApp) << "  可执行:" << yesNo(info.isExecutable());
    qCDebug(lcApp) << "  修改时间:" << info.lastModified();

    QStringList arguments;
    if (!loginData.isEmpty()) {
        arguments << QStringLiteral("--login-data")
                  << QString::fromUtf8(QJsonDocument(loginData).toJson(QJsonDocument::Compact));
    }
    arguments << QStringLiteral("--url-host") << Config::URL_HOST;
    if (parentWindow)
        arguments << QStringLiteral("--parent-window") << QString::number(parentWindow->winId());

    auto *process = new QProcess();
    process->setWorkingDirectory(appDir);
    const QPointer<QWidget> guardedParent(parentWindow);
    QObject::connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), process,
                     [process, program](int exitCode, QProcess::ExitStatus status) {
                         qCDebug(lcApp) << "外部程序结束，程序:" << program << "退出码:" << exitCode
                                        << "状态:" << status;
                         process->deleteLater();
                     },
                     Qt::DirectConnection);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, program, programPath, guardedParent](QProcess::ProcessError error) {
                         reportProcessError(program, programPath, error, guardedParent);
                         process->deleteLater();
                     },
                     Qt::DirectConnection);

    // The login data stays out of the log: it is the account's identity.
    QStringList loggedArguments = arguments;
    if (!loginData.isEmpty())
        loggedArguments[1] = QStringLiteral("<login data>");
    qCDebug(lcApp) << "启动的应用是:" << program;
    qCDebug(lcApp) << "使用绝对路径:" << programPath;
    qCDebug(lcApp) << "工作目录:" << appDir;
    qCDebug(lcApp) << "传递的参数:" << loggedArguments;

    process->start(programPath, arguments, QIODevice::ReadWrite);
    if (process->waitForStarted(kStartTimeoutMs)) {
        qCDebug(lcApp) << "外部程序启动成功:" << program << "PID:" << process->processId();
        return true;
    }

    if (process->state() == QProcess::NotRunning && process->error() == QProcess::FailedToStart) {
        // errorOccurred already reported it and scheduled the deletion.
        return false;
    }
    const QString message = QStringLiteral("%1 启动超时（5秒），请检查：\n\n1. 程序是否需要管理员权限\n"
                                           "2. 是否缺少必要的运行库（如Visual C++ Redistributable）\n"
                                           "3. 防病毒软件是否阻止了程序运行\n4. 程序文件是否完整\n\n程序路径：%2")
                                .arg(program, programPath);
    if (parentWindow)
        QMessageBox::critical(parentWindow, QStringLiteral("启动失败"), message, QMessageBox::Ok);
    else
        qCCritical(lcApp).noquote() << message;
    process->deleteLater();
    return false;
}
