#pragma once

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <functional>

// Pieces every window benchmark needs.
namespace BenchSupport {

// Offscreen unless the caller chose a platform (Xvfb, say); before the application exists.
inline void offscreenUnlessSet()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The benchmarks' shares are plain local folders: declared as such for the
// whole run (STUDIO_LOCAL_SHARES=1), as the tests' temporary mount roots do.
inline void declareLocalShares()
{
    qputenv("STUDIO_LOCAL_SHARES", "1");
}

// Only the studio's info lines and errors, so a run's figures stay readable.
inline void quietLogs()
{
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false\nstudio.*.warning=false"));
}

// N small JPEGs of 160x120 named P00000.jpg, P00001.jpg, ... in folder.
inline QStringList smallJpegs(const QString &folder, int count)
{
    QStringList files;
    QImage picture(160, 120, QImage::Format_RGB32);
    for (int i = 0; i < count; ++i) {
        picture.fill(QColor::fromHsv(i % 360, 200, 200));
        const QString path = QDir(folder).filePath(QStringLiteral("P%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
        picture.save(path, "JPEG", 85);
        files << path;
    }
    return files;
}

// The whole numbers given on the command line, or defaults when there are none.
inline QList<int> countsFromArguments(const QList<int> &defaults)
{
    QList<int> counts;
    for (const QString &arg : QCoreApplication::arguments().mid(1))
        counts << arg.toInt();
    return counts.isEmpty() ? defaults : counts;
}

// Runs the event loop until done() holds or the limit passes; false when it passed.
inline bool waitFor(const std::function<bool()> &done, qint64 limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Answers every visible message box with OK: a modal box would stop the run.
class MessageBoxAnswerer
{
public:
    explicit MessageBoxAnswerer(int intervalMs)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                    answer(box);
                for (QMessageBox *box : widget->findChildren<QMessageBox *>())
                    if (box->isVisible())
                        answer(box);
            }
        });
        m_timer.start(intervalMs);
    }

    // The texts of the boxes answered so far, for a run that has to say why its work did not happen.
    QStringList texts() const { return m_texts; }

private:
    void answer(QMessageBox *box)
    {
        m_texts << box->text();
        box->done(QMessageBox::Ok);
    }

    QTimer m_timer;
    QStringList m_texts;
};

} // namespace BenchSupport
