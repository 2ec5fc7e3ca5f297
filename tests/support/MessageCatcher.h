#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

// Records every log line written while it lives (then passes it on, so
// QTest::ignoreMessage still works); with filter rules it also switches on
// the categories a test wants to read, e.g. "studio.net.debug=true".
class MessageCatcher
{
public:
    explicit MessageCatcher(const QString &filterRules = QString())
        : m_rules(filterRules)
    {
        s_current = this;
        if (!m_rules.isEmpty())
            QLoggingCategory::setFilterRules(m_rules);
        m_previous = qInstallMessageHandler(&MessageCatcher::handle);
    }
    ~MessageCatcher()
    {
        qInstallMessageHandler(m_previous);
        if (!m_rules.isEmpty())
            QLoggingCategory::setFilterRules(QString());
        s_current = nullptr;
    }
    MessageCatcher(const MessageCatcher &) = delete;
    MessageCatcher &operator=(const MessageCatcher &) = delete;

    QStringList lines() const { return m_lines; }
    QString text() const { return m_lines.join(QLatin1Char('\n')); }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (!s_current)
            return;
        s_current->m_lines.append(message);
        if (s_current->m_previous)
            s_current->m_previous(type, context, message);
    }

    static inline MessageCatcher *s_current = nullptr;
    QString m_rules;
    QtMessageHandler m_previous = nullptr;
    QStringList m_lines;
};
