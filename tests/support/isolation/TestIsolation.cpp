#include "app/core/Config.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Linked into every test program: each process gets its own home, settings,
// data, cache and runtime folders before main() runs, also when a test is
// started by hand, so no test reads or writes the user's real configuration.
class TestIsolation
{
public:
    TestIsolation()
        : m_home(QDir::tempPath() + QStringLiteral("/studio-test-XXXXXX"))
    {
        if (!m_home.isValid())
            qFatal("No temporary home folder for the test: %s", qPrintable(m_home.errorString()));
        const QDir home(m_home.path());
        const struct { const char *variable; const char *folder; } places[] = {
            {"XDG_CONFIG_HOME", "config"},
            {"XDG_DATA_HOME", "data"},
            {"XDG_CACHE_HOME", "cache"},
            {"XDG_RUNTIME_DIR", "runtime"},
        };
        qputenv("HOME", QFile::encodeName(home.path()));
        for (const auto &place : places) {
            home.mkpath(QString::fromLatin1(place.folder));
            qputenv(place.variable, QFile::encodeName(home.filePath(QString::fromLatin1(place.folder))));
        }
        QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QStandardPaths::setTestModeEnabled(true);
        // Composed by the library before this ran, from the real runtime folder.
        Config::k_datarootpath = QStandardPaths::standardLocations(QStandardPaths::RuntimeLocation).value(0)
                                 + QStringLiteral("/pindleyun_tools/");
    }

private:
    QTemporaryDir m_home;
};

const TestIsolation g_isolation;

} // namespace
