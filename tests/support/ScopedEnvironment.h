#pragma once

#include <QByteArray>

#include <utility>

// Sets (or, given a null value, unsets) an environment variable while in
// scope and puts back what was there before, unset if it was unset.
class ScopedEnvironment
{
public:
    explicit ScopedEnvironment(const char *name, const QByteArray &value = QByteArray())
        : m_name(name)
        , m_wasSet(qEnvironmentVariableIsSet(name))
        , m_before(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_wasSet)
            qputenv(m_name, m_before);
        else
            qunsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *m_name;
    bool m_wasSet;
    QByteArray m_before;
};
