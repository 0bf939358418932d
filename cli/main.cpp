// quirra-cli: the chip programmer from a terminal.
#include "cli/Catalogue.h"
#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "cli/ParallelRun.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quirra-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUIRRA_VERSION));

    cli::Options options;
    QString error;
    if (!cli::ParseArguments(app.arguments().mid(1), options, &error)) {
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
    if (options.ports.size() > 1)
        return cli::RunParallel(options, app.arguments().mid(1));
    return cli::Run(options);
}
