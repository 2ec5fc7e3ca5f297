#pragma once

#include "batchdelete/BatchDeleteJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTextStream>

#include <cstring>
#include <memory>

// A second program with the batch delete journal open, as a second window of
// the tool in another process: the test program itself, started again with
// "--hold-journal JOURNAL FILE...". It records the files, removes the first
// one, says "ready" and then records one more file for each line read from
// its input, saying "recorded" each time, until it is killed. Started with
// "--beside-journal" instead, it is a window that finds the journal held by
// another and writes a file of its own beside it.
namespace JournalHolder {

inline BatchDeleteJournal::Entry entry(const QString &filePath)
{
    return {{QStringLiteral("101"), QStringLiteral("E7"), QStringLiteral("S9")}, QStringLiteral("OP1"), filePath,
            filePath.section(QLatin1Char('/'), -1)};
}

// Call first thing in main(); returns true when this process is the holder,
// with its exit code in *code.
inline bool runIfAsked(int argc, char **argv, int *code)
{
    const bool beside = argc >= 4 && std::strcmp(argv[1], "--beside-journal") == 0;
    if (argc < 4 || (std::strcmp(argv[1], "--hold-journal") != 0 && !beside))
        return false;
    QCoreApplication app(argc, argv);
    BatchDeleteJournal journal(QString::fromLocal8Bit(argv[2]));
    journal.load();
    QList<BatchDeleteJournal::Entry> entries;
    for (int i = 3; i < argc; ++i)
        entries << entry(QString::fromLocal8Bit(argv[i]));
    QString error;
    QTextStream out(stdout);
    if (journal.holdsLock() == beside || !journal.record(entries, &error)) {
        out << "failed " << error << '\n' << Qt::flush;
        *code = 1;
        return true;
    }
    QFile::remove(entries.first().filePath);
    // The home the test isolation made for this process: killed, it cannot remove it itself.
    out << "ready " << QDir::homePath() << '\n' << Qt::flush;
    QTextStream in(stdin);
    for (;;) {
        const QString line = in.readLine();
        if (line.isNull())
            break;
        if (!journal.record({entry(line)}, &error)) {
            out << "failed " << error << '\n' << Qt::flush;
            continue;
        }
        out << "recorded\n" << Qt::flush;
    }
    *code = 0;
    return true;
}

class Process
{
public:
    enum Role { Holder, Beside };
    Process(const QString &journal, const QStringList &files, Role role = Holder)
    {
        m_process.setProgram(QCoreApplication::applicationFilePath());
        m_process.setArguments(
            QStringList{role == Holder ? QStringLiteral("--hold-journal") : QStringLiteral("--beside-journal"), journal}
            + files);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
    }
    ~Process()
    {
        kill();
        if (!m_home.isEmpty())
            QDir(m_home).removeRecursively();
    }
    // Waits for the next line from the holder.
    QString line(int timeoutMs = 30000)
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(timeoutMs))
                return QString();
        }
        const QString text = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (text.startsWith(QLatin1String("ready ")))
            m_home = text.mid(6);
        return text.section(QLatin1Char(' '), 0, 0);
    }
    QString record(const QString &file)
    {
        m_process.write(QFile::encodeName(file) + '\n');
        return line();
    }
    // Killed as a crash would end it: nothing of its own is tidied.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(30000);
    }

private:
    QProcess m_process;
    QString m_home;
};

} // namespace JournalHolder
