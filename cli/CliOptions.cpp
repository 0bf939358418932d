#include "cli/CliOptions.h"

#include "core/HexText.h"

#include <QRegularExpression>

namespace cli {

namespace {

struct CommandShape {
    const char* name;
    int files;  // how many file arguments it takes
};

const CommandShape commands[] = {
    {"probe", 0}, {"read", 1},  {"program", 1}, {"verify", 1}, {"erase", 0},   {"blank", 0},
    {"lock", 0},  {"auto", 1},  {"info", 1},    {"convert", 2}, {"ports", 0},
};

const CommandShape* FindCommand(const QString& name)
{
    for (const CommandShape& c : commands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

}  // namespace

bool ParseHexAddress(const QString& text, uint32_t& value)
{
    const std::optional<uint32_t> v = HexText::Parse(text, {.decorated = true});
    if (v)
        value = *v;
    return v.has_value();
}

int ComNumber(const QString& port)
{
    static const QRegularExpression form(QStringLiteral("^[cC][oO][mM]([0-9]{1,3})$"));
    const QRegularExpressionMatch m = form.match(port);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

bool ParseArguments(const QStringList& args, Options& o, QString* error)
{
    auto fail = [&](const QString& text) {
        *error = text;
        return false;
    };
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (arg == QLatin1String("--")) {
            positional += args.mid(i + 1);
            break;
        }
        if (!arg.startsWith(QLatin1String("--")) || arg.size() == 2) {
            positional << arg;
            continue;
        }
        // --name=value or --name value
        QString value;
        bool inlineValue = false;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            inlineValue = true;
        }
        auto takeValue = [&](QString& into) {
            if (!inlineValue) {
                if (i + 1 >= args.size())
                    return fail(QStringLiteral("%1 needs a value").arg(arg));
                value = args[++i];
            }
            if (value.isEmpty())
                return fail(QStringLiteral("%1 needs a value").arg(arg));
            into = value;
            return true;
        };
        auto takeAddress = [&](std::optional<uint32_t>& into) {
            QString text;
            if (!takeValue(text))
                return false;
            uint32_t v = 0;
            if (!ParseHexAddress(text, v))
                return fail(QStringLiteral("%1 takes a hexadecimal address from 0 to FFFFFFFF, not \"%2\"")
                                .arg(arg, text));
            into = v;
            return true;
        };
        struct Flag {
            const char* name;
            bool Options::*field;
        };
        static const Flag flags[] = {{"--all", &Options::all},   {"--repeat", &Options::repeat},
                                     {"--quiet", &Options::quiet}, {"--json", &Options::json},
                                     {"--help", &Options::help}, {"--version", &Options::version}};
        bool isFlag = false;
        for (const Flag& f : flags) {
            if (arg == QLatin1String(f.name)) {
                if (inlineValue)
                    return fail(QStringLiteral("%1 takes no value").arg(arg));
                o.*f.field = true;
                isFlag = true;
            }
        }
        if (isFlag)
            continue;
        bool ok = true;
        if (arg == QLatin1String("--dir"))
            ok = takeValue(o.dir);
        else if (arg == QLatin1String("--port"))
            ok = takeValue(o.port);
        else if (arg == QLatin1String("--device"))
            ok = takeValue(o.device);
        else if (arg == QLatin1String("--log"))
            ok = takeValue(o.log);
        else if (arg == QLatin1String("--format")) {
            ok = takeValue(o.format);
            if (ok && o.format != QLatin1String("hex") && o.format != QLatin1String("bin"))
                return fail(QStringLiteral("--format is hex or bin, not \"%1\"").arg(o.format));
        } else if (arg == QLatin1String("--buffer-address"))
            ok = takeAddress(o.bufferAddress);
        else if (arg == QLatin1String("--file-address"))
            ok = takeAddress(o.fileAddress);
        else
            return fail(QStringLiteral("unknown option %1").arg(arg));
        if (!ok)
            return false;
    }

    if (o.help || o.version)
        return true;
    if (positional.isEmpty())
        return fail(QStringLiteral("no command given"));
    o.command = positional.takeFirst();
    const CommandShape* shape = FindCommand(o.command);
    if (!shape)
        return fail(QStringLiteral("unknown command \"%1\"").arg(o.command));
    if (positional.size() != shape->files)
        return fail(shape->files == 0 ? QStringLiteral("%1 takes no file").arg(o.command)
                    : shape->files == 1 ? QStringLiteral("%1 takes one file").arg(o.command)
                                        : QStringLiteral("%1 takes two files").arg(o.command));
    o.files = positional;
    if (o.all && o.command != QLatin1String("verify"))
        return fail(QStringLiteral("--all belongs to verify"));
    if ((o.repeat || !o.log.isEmpty()) && o.command != QLatin1String("auto"))
        return fail(QStringLiteral("--repeat and --log belong to auto"));
    const int com = ComNumber(o.port);
    if (o.port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && (com < 1 || com > 255))
        return fail(QStringLiteral("--port takes COM1 to COM255 or a device path, not \"%1\"").arg(o.port));
    return true;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: quirra-cli [options] COMMAND [FILE...]\n"
        "The Quirra chip programmer from a terminal: the same functions, bytes on\n"
        "the wire and messages as the window. Reads quirra.cfg (port, device),\n"
        "quirra.dev (catalogue) and auto.cfg (Auto sequence) from the start\n"
        "directory and never writes them.\n"
        "\n"
        "Commands:\n"
        "  probe              ask the programmer for its version\n"
        "  read FILE          read the chip and save it to FILE\n"
        "  program FILE       program the chip with the image in FILE\n"
        "  verify FILE        compare the chip with the image in FILE;\n"
        "                     with --all every differing range, not only the first\n"
        "  erase              erase the chip\n"
        "  blank              check that the chip is blank\n"
        "  lock               lock the chip\n"
        "  auto FILE          run the stored Auto sequence with the image in FILE\n"
        "  info FILE          address range, byte count, checksum and CRC-32 of FILE\n"
        "  convert IN OUT     Intel HEX to binary or back\n"
        "  ports              this machine's serial ports, who may open them, and\n"
        "                     why one cannot be opened\n"
        "\n"
        "Options:\n"
        "  --dir DIR          start directory (default: the current directory)\n"
        "  --port COMn|PATH   the port for this run instead of quirra.cfg's\n"
        "  --device NAME|N    the device for this run: its name in quirra.dev (or the\n"
        "                     first word of it) or its record number\n"
        "  --format hex|bin   file format; by default a name ending in \"hex\" or \"HEX\"\n"
        "                     is Intel HEX and any other a binary image\n"
        "  --buffer-address H added to each file address to give the buffer address\n"
        "                     (hexadecimal, default 0)\n"
        "  --file-address H   the lowest file address a load takes (hexadecimal,\n"
        "                     default 0)\n"
        "  --all              verify: report every differing range\n"
        "  --repeat           auto: chip after chip; Enter starts the next, q quits\n"
        "  --log FILE         auto: append one JSON line per chip to FILE\n"
        "  --quiet            no progress and no messages, only errors\n"
        "  --json             results as JSON on standard output\n"
        "  --help             this text\n"
        "  --version          the program's version\n"
        "\n"
        "Ports: COMn is the device named by the environment variable QUIRRA_COMn\n"
        "(QUIRRA_COM1=/dev/ttyUSB0), else by the line for n in ports.cfg in the\n"
        "start directory (1,\"/dev/ttyUSB0\"; the window's Options > Settings writes\n"
        "it), else /dev/ttyS<n-1>. \"quirra-cli ports\" lists the ports and explains\n"
        "why one cannot be opened.\n"
        "\n"
        "Exit codes:\n"
        "  0  success\n"
        "  1  the chip failed (program, verify or blank check error)\n"
        "  2  no answer from the programmer (probe failed, time-out, port lost)\n"
        "  3  bad input (usage, file, catalogue)\n"
        "\n"
        "Example: quirra-cli program image.hex && quirra-cli verify image.hex\n");
}

}  // namespace cli
