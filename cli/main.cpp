// hygrolux-cli: every logger operation of the windows from the command line, for scripts,
// scheduled collection and terminals without a display.

#include "commandrunner.h"
#include "exitcodes.h"
#include "invocation.h"
#include "monitoringplugin.h"
#include "outputcheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextStream>

#include <csignal>
#include <memory>
#include <unistd.h>

int main(int argc, char** argv)
{
    // File names and output in UTF-8, as the windows write their files, whatever locale
    // a scheduled job runs in.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // The link's debug lines are the windows' diagnostics, not output; QT_LOGGING_RULES
    // brings them back.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    // A closed pipe on the standard output must not end the program half-way, a download
    // half-written: writes to it fail instead, and the program says so.
    ::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setApplicationName(QStringLiteral("hygrolux-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HYGROLUX_VERSION));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    cli::describe(parser);
    const cli::ParseResult parsed = cli::parse(parser, arguments);

    // Only the PDF needs the GUI module, for its fonts. The program shows no window, so it
    // takes the offscreen platform whatever the session offers: it runs the same over SSH,
    // from cron and on a desktop.
    std::unique_ptr<QCoreApplication> app;
    // The platform wants a runtime folder, which cron and SSH sessions often lack; without
    // one it would warn on every run. A private one lives as long as the program.
    std::unique_ptr<QTemporaryDir> runtimeDir;
    if (parsed.action == cli::ParseResult::Action::Run && cli::needsGui(parsed.invocation)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            runtimeDir = std::make_unique<QTemporaryDir>();
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
        }
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");
    switch (parsed.action) {
    case cli::ParseResult::Action::Help:
        out << cli::helpText(parser);
        return cli::checkedOutput(cli::exitcode::Done, out, err);
    case cli::ParseResult::Action::Version:
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << '\n';
        return cli::checkedOutput(cli::exitcode::Done, out, err);
    case cli::ParseResult::Action::UsageError:
        if (parsed.invocation.command == cli::Command::Check) {
            out << monitoringplugin::unknown(parsed.error).line << '\n';
            return cli::pluginexit::Unknown;
        }
        err << parsed.error << '\n';
        if (parsed.pointToHelp)
            err << QStringLiteral("Try \"%1 --help\".").arg(QCoreApplication::applicationName())
                << '\n';
        return cli::exitcode::Usage;
    case cli::ParseResult::Action::Run:
        break;
    }

    CommandRunner runner(parsed.invocation, out, err, ::isatty(STDERR_FILENO) == 1);
    const int code = cli::checkedOutput(runner.run(), out, err);
    // A monitoring system that cannot read the answer has no state from it.
    if (parsed.invocation.command == cli::Command::Check && code == cli::exitcode::OutputFailed)
        return cli::pluginexit::Unknown;
    return code;
}
