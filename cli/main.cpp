// hygrolux-cli: every logger operation of the windows from the command line, for scripts,
// scheduled collection and terminals without a display.

#include "commandrunner.h"
#include "exitcodes.h"
#include "invocation.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextCodec>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    // File names and output in UTF-8, as the windows write their files, whatever locale
    // a scheduled job runs in.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // The link's debug lines are the windows' diagnostics, not output; QT_LOGGING_RULES
    // brings them back.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hygrolux-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HYGROLUX_VERSION));

    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");

    QCommandLineParser parser;
    cli::describe(parser);
    const cli::ParseResult parsed = cli::parse(parser, QCoreApplication::arguments());
    switch (parsed.action) {
    case cli::ParseResult::Action::Help:
        out << cli::helpText(parser);
        return cli::exitcode::Done;
    case cli::ParseResult::Action::Version:
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << '\n';
        return cli::exitcode::Done;
    case cli::ParseResult::Action::UsageError:
        err << parsed.error << '\n';
        if (parsed.pointToHelp)
            err << QStringLiteral("Try \"%1 --help\".").arg(QCoreApplication::applicationName())
                << '\n';
        return cli::exitcode::Usage;
    case cli::ParseResult::Action::Run:
        break;
    }

    CommandRunner runner(parsed.invocation, out, err, ::isatty(STDERR_FILENO) == 1);
    return runner.run();
}
