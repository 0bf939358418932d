// quirra-cli: the chip programmer from a terminal.
#include "cli/Catalogue.h"
#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "cli/ParallelRun.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <optional>

int main(int argc, char** argv)
{
    // The arguments as QCoreApplication::arguments() gives them on Unix.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    cli::Options options;
    QString error;
    if (!cli::ParseArguments(arguments, options, &error)) {
        std::fprintf(stderr, "quirra-cli: %s\nTry quirra-cli --help.\n", qPrintable(error));
        return cli::ExitBadInput;
    }
    if (options.help) {
        const cli::StartDir dir = cli::FindStartDirHere(options.dir);
        std::fputs(qPrintable(cli::UsageText(QStringLiteral("%1 (%2)").arg(QDir(dir.path).absolutePath(), dir.reason))),
                   stdout);
        return cli::ExitOk;
    }
    if (options.version) {
        std::printf("quirra-cli %s\n", QUIRRA_VERSION);
        return cli::ExitOk;
    }
    // The event loop is for the waits on the programmer; a conversion has
    // none and starts without it, as a small process.
    std::optional<QCoreApplication> app;
    if (options.command != QLatin1String("convert")) {
        app.emplace(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("quirra-cli"));
        QCoreApplication::setApplicationVersion(QStringLiteral(QUIRRA_VERSION));
    }
    if (options.ports.size() > 1)
        return cli::RunParallel(options, arguments);
    return cli::Run(options);
}
