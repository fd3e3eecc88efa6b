#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hygrolux::test {

namespace {
// Said by the headless platform itself whenever a window fixes its size (a message box
// does); it tells nothing about the program.
const char* const PlatformNoise[] = {"This plugin does not support propagateSizeHints()"};

bool isPlatformNoise(const QString& line)
{
    for (const char* noise : PlatformNoise)
        if (line.endsWith(QLatin1String(noise)))
            return true;
    return false;
}
} // namespace

void prepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Lives until the process ends; QTemporaryDir creates it with mode 0700 as Qt requires.
    static QTemporaryDir runtimeDir(QDir::tempPath() + QStringLiteral("/hygrolux-test-XXXXXX"));
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    // A session bus that is not there: the windows' notifications never reach the desktop of
    // whoever runs the tests. A test of them starts a bus of its own.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtimeDir.filePath("no-bus").toLocal8Bit());
    // Every download archives a copy: into a folder of the run's own, never the home folder
    // of the machine, nor a folder the environment named. The programs a test starts
    // (hygrolux-cli) inherit it.
    static QTemporaryDir dataHome(QDir::tempPath() + QStringLiteral("/hygrolux-test-data-XXXXXX"));
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    qunsetenv("HYGROLUX_ARCHIVE");
}

int run(QObject* testObject, int argc, char** argv)
{
    // QtTest swallows messages a test expects (QTest::ignoreMessage) and logs the rest;
    // a second, plain-text log lets us find the warnings it logged.
    QTemporaryFile log;
    if (!log.open()) {
        fprintf(stderr, "FAIL: cannot create the test log\n");
        return 1;
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    arguments << QStringLiteral("-o") << QStringLiteral("-,txt") << QStringLiteral("-o")
              << log.fileName() + QStringLiteral(",txt");

    int failures = QTest::qExec(testObject, arguments);

    QStringList warnings;
    QFile logFile(log.fileName());
    if (logFile.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!logFile.atEnd()) {
            const QString line = QString::fromUtf8(logFile.readLine()).trimmed();
            if (line.startsWith(QLatin1String("QWARN")) ||
                line.startsWith(QLatin1String("QCRITICAL")) ||
                line.startsWith(QLatin1String("QFATAL"))) {
                if (!isPlatformNoise(line))
                    warnings << line;
            }
        }
    }
    if (!warnings.isEmpty()) {
        fprintf(stderr, "FAIL: Qt logged %d warning(s) during the tests:\n", int(warnings.size()));
        for (const QString& w : qAsConst(warnings))
            fprintf(stderr, "  %s\n", qPrintable(w));
        failures += warnings.size();
    }
    return failures;
}

namespace {
// The traditional "nobody" user and group of Debian.
constexpr uid_t NobodyUid = 65534;
constexpr gid_t NobodyGid = 65534;
} // namespace

bool asOrdinaryUser(const std::function<bool()>& step)
{
    if (::geteuid() != 0)
        return step();
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(NobodyGid) == 0 && ::setuid(NobodyUid) == 0;
        ::_exit(dropped && step() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void giveToOrdinaryUser(const QString& path)
{
    if (::geteuid() == 0 && ::chown(QFile::encodeName(path).constData(), NobodyUid, NobodyGid) != 0)
        qWarning("cannot hand %s to the ordinary user", qPrintable(path));
}

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList fileLines(const QString& path)
{
    QStringList lines = QString::fromUtf8(fileContents(path)).split(QLatin1Char('\n'));
    // Every line ends with a line end, so the split leaves an empty piece at the end.
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    struct sigaction ignore {
    };
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &handlerBefore);
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit limited = before;
    limited.rlim_cur = rlim_t(bytes);
    if (::setrlimit(RLIMIT_FSIZE, &limited) != 0)
        qFatal("cannot limit the size of files");
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::sigaction(SIGXFSZ, &handlerBefore, nullptr);
}

} // namespace hygrolux::test
