#pragma once

#include <QString>
#include <QtGlobal>

// The offscreen platform notes every window feature it lacks ("This plugin
// does not support ..."), dozens of times a test: those notes are dropped so
// that a failure stands out in the output. Install from initTestCase, once
// the test log has its own handler.
namespace QuietPlatformNotes {

inline QtMessageHandler &previous()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (previous())
        previous()(type, context, message);
}

inline void install()
{
    previous() = qInstallMessageHandler(&handle);
}

} // namespace QuietPlatformNotes
