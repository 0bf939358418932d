#include "cli/CliOptions.h"

#include "cli/SerialNumbers.h"
#include "core/HexText.h"

#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace cli {

namespace {

struct CommandShape {
    const char* name;
    int files;  // how many file arguments it takes
};

const CommandShape commands[] = {
    {"probe", 0}, {"read", 1},  {"program", 1}, {"verify", 1}, {"erase", 0},   {"blank", 0},
    {"lock", 0},  {"auto", 1},  {"info", 1},    {"convert", 2}, {"ports", 0},  {"devices", 0},
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

QStringList WorkerArguments(const QStringList& args, const QString& port)
{
    QStringList out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--"))
            return out << QStringLiteral("--port") << port << QStringLiteral("--worker") << args.mid(i);
        if (a == QLatin1String("--port") || a == QLatin1String("-p"))
            ++i;  // and its value
        else if (!a.startsWith(QLatin1String("--port=")))
            out << a;
    }
    return out << QStringLiteral("--port") << port << QStringLiteral("--worker");
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
        if (arg.size() == 2 && arg[0] == QLatin1Char('-') && arg[1] != QLatin1Char('-')) {
            // The short options stand for long ones.
            static const char* const shortOptions[][2] = {{"h", "--help"},   {"V", "--version"}, {"q", "--quiet"},
                                                          {"v", "--verbose"}, {"p", "--port"},    {"d", "--device"},
                                                          {"f", "--format"}};
            const auto* found = std::find_if(std::begin(shortOptions), std::end(shortOptions),
                                             [&](const auto& s) { return arg[1] == QLatin1Char(s[0][0]); });
            if (found == std::end(shortOptions))
                return fail(QStringLiteral("unknown option %1").arg(arg));
            arg = QString::fromLatin1((*found)[1]);
        } else if (!arg.startsWith(QLatin1String("--")) || arg.size() == 2) {
            positional << arg;  // "-" (standard input or output) among them
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
                                     {"--help", &Options::help}, {"--version", &Options::version},
                                     {"--verbose", &Options::verbose}, {"--no-verify", &Options::noVerify},
                                     {"--allow-truncate", &Options::allowTruncate},
                                     {"--serial-overwrite", &Options::serialOverwrite},
                                     {"--skip-erased", &Options::skipErased}, {"--write-all", &Options::writeAll},
                                     {"--worker", &Options::worker}};
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
        else if (arg == QLatin1String("--port")) {
            ok = takeValue(o.port);
            if (ok)
                o.ports << o.port;
            o.port = o.ports.value(0);
        } else if (arg == QLatin1String("--serial"))
            ok = takeValue(o.serial);
        else if (arg == QLatin1String("--serial-file"))
            ok = takeValue(o.serialFile);
        else if (arg == QLatin1String("--device"))
            ok = takeValue(o.device);
        else if (arg == QLatin1String("--log"))
            ok = takeValue(o.log);
        else if (arg == QLatin1String("--record")) {
            QString text;
            ok = takeValue(text);
            bool isNumber = false;
            o.record = text.toInt(&isNumber);
            if (ok && (!isNumber || o.record < 1))
                return fail(QStringLiteral("--record takes a record number from 1, not \"%1\"").arg(text));
        }
        else if (arg == QLatin1String("--format") || arg == QLatin1String("--to")) {
            QString& value = arg == QLatin1String("--to") ? o.to : o.format;
            ok = takeValue(value);
            if (ok && value != QLatin1String("hex") && value != QLatin1String("srec") && value != QLatin1String("bin"))
                return fail(QStringLiteral("%1 is hex, srec or bin, not \"%2\"").arg(arg, value));
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
    if (!o.device.isEmpty() && o.record)
        return fail(QStringLiteral("--device and --record both choose the device; give one of them"));
    if (o.noVerify && o.command != QLatin1String("program"))
        return fail(QStringLiteral("--no-verify belongs to program"));
    if (o.files.count(QStringLiteral("-")) > 1)
        return fail(QStringLiteral("only one FILE can be - (standard input or output)"));
    const bool writes = o.command == QLatin1String("read") || o.command == QLatin1String("convert");
    if (o.json && writes && o.files.last() == QLatin1String("-"))
        return fail(QStringLiteral("--json and the output - both need standard output; give the output a file name"));
    if (o.repeat && o.files.value(0) == QLatin1String("-"))
        return fail(QStringLiteral("--repeat reads Enter from standard input, so the image cannot come from -"));
    if (!o.to.isEmpty() && o.command != QLatin1String("convert"))
        return fail(QStringLiteral("--to belongs to convert"));
    if (o.all && o.command != QLatin1String("verify"))
        return fail(QStringLiteral("--all belongs to verify"));
    if ((o.repeat || !o.log.isEmpty()) && o.command != QLatin1String("auto"))
        return fail(QStringLiteral("--repeat and --log belong to auto"));
    const bool isAuto = o.command == QLatin1String("auto");
    const bool isProgram = o.command == QLatin1String("program");
    if (!o.serial.isEmpty() && !isAuto && !isProgram)
        return fail(QStringLiteral("--serial belongs to auto and program"));
    if (!o.serial.isEmpty() && !ParseSerialField(o.serial, error))
        return false;
    if ((!o.serialFile.isEmpty() || o.serialOverwrite) && o.serial.isEmpty())
        return fail(QStringLiteral("--serial-file and --serial-overwrite go with --serial"));
    if (o.skipErased && !isProgram)
        return fail(QStringLiteral("--skip-erased belongs to program; auto skips erased blocks after a passing "
                                   "Blank step"));
    if (o.writeAll && !isAuto)
        return fail(QStringLiteral("--write-all belongs to auto"));
    if (o.ports.size() > 1) {
        if (!isAuto || !o.repeat)
            return fail(QStringLiteral("several --port belong to auto --repeat"));
        if (o.ports.removeDuplicates() > 0)
            return fail(QStringLiteral("a port is named twice"));
    }
    for (const QString& port : o.ports) {
        const int com = ComNumber(port);
        if (port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && (com < 1 || com > 255))
            return fail(QStringLiteral("--port takes COM1 to COM255 or a device path, not \"%1\"").arg(port));
    }
    return true;
}

QString UsageText(const QString& startDir)
{
    QString text = QStringLiteral(
        "Usage: quirra-cli [options] COMMAND [FILE...]\n"
        "The Quirra chip programmer from a terminal: the same functions, bytes on\n"
        "the wire and messages as the window.\n"
        "\n"
        "Commands:\n"
        "  probe              ask the programmer for its version\n"
        "  read FILE          read the chip and save it to FILE\n"
        "  program FILE       program the chip with the image in FILE, then verify it\n"
        "  verify FILE        compare the chip with the image in FILE;\n"
        "                     with --all every differing range, not only the first\n"
        "  erase              erase the chip\n"
        "  blank              check that the chip is blank\n"
        "  lock               lock the chip\n"
        "  auto FILE          run the stored Auto sequence with the image in FILE\n"
        "  info FILE          address range, byte count, checksum and CRC-32 of FILE\n"
        "  convert IN OUT     between Intel HEX, S-records and binary; OUT's format\n"
        "                     by its name (see --format) unless --to says it\n"
        "  devices            the device catalogue: record, name, type code, size and\n"
        "                     the functions each device offers\n"
        "  ports              this machine's serial ports, who may open them, and\n"
        "                     why one cannot be opened\n"
        "A FILE of - is standard input (the image) or standard output (read, and\n"
        "convert's OUT).\n"
        "\n"
        "Options:\n"
        "  --dir DIR          the start directory (see Start files below)\n"
        "  -p, --port COMn|PATH  the port for this run instead of quirra.cfg's\n"
        "  -d, --device NAME  the device for this run: its name in quirra.dev or the\n"
        "                     first word of it, in any case (\"27c64\")\n"
        "  --record N         the device for this run by its record number\n"
        "  -f, --format hex|srec|bin  file format; by default a file whose first line\n"
        "                     is an Intel HEX record is Intel HEX, one whose first\n"
        "                     line is an S-record is S-records, any other a binary\n"
        "                     image; an output is Intel HEX when its name ends in\n"
        "                     \"hex\" or \"HEX\", S-records when it ends in .s19, .s28,\n"
        "                     .s37, .srec or .mot, binary otherwise and for -\n"
        "  --to hex|srec|bin  convert: the output's format\n"
        "  --buffer-address H added to each file address to give the buffer address\n"
        "                     (hexadecimal, default 0)\n"
        "  --file-address H   the lowest file address a load takes (hexadecimal,\n"
        "                     default 0)\n"
        "  --allow-truncate   program, verify or auto with an image that reaches past\n"
        "                     the end of the device: only the part that fits\n"
        "  --no-verify        program: do not verify afterwards\n"
        "  --all              verify: report every differing range\n"
        "  --repeat           auto: chip after chip; Enter starts the next, q quits\n"
        "  --log FILE         auto: append one JSON line per chip to FILE\n"
        "  -p A -p B ...      auto --repeat: one programmer on each port, in parallel\n"
        "  --serial ADDR:START[:STEP][:FORMAT]  auto, program: write a serial number\n"
        "                     into each chip's image at ADDR (hexadecimal); START and\n"
        "                     STEP (default 1) decimal; FORMAT le2, le4 (default), be2,\n"
        "                     be4 or ascii8\n"
        "  --serial-file FILE the next serial number (default serial.next beside the\n"
        "                     log, else in the current directory)\n"
        "  --serial-overwrite the serial number may replace bytes the image sets\n"
        "  --skip-erased      program: send no block that is FF throughout (the chip\n"
        "                     must be erased)\n"
        "  --write-all        auto: write every block even after a passing Blank step\n"
        "  --worker           (used by quirra-cli itself for each port of a parallel run)\n"
        "  -q, --quiet        no progress and no messages, only errors\n"
        "  -v, --verbose      the start directory, and each frame sent (->) and\n"
        "                     received (<-) in hex with its time, on standard error\n"
        "  --json             results as JSON on standard output\n"
        "  -h, --help         this text\n"
        "  -V, --version      the program's version\n"
        "\n"
        "Start files: quirra.cfg (port, device), quirra.dev (catalogue) and auto.cfg\n"
        "(Auto sequence) are read, never written, from --dir DIR; else from the\n"
        "current directory when it holds quirra.dev; else from\n"
        "$XDG_CONFIG_HOME/quirra (~/.config/quirra) when it holds quirra.dev; else\n"
        "from the installed defaults (/usr/share/quirra).\n");
    if (!startDir.isEmpty())
        text += QStringLiteral("This run would use %1.\n").arg(startDir);
    text += QStringLiteral(
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
        "  2  no answer from the programmer (probe failed, time-out, port lost or not opened)\n"
        "  3  bad input (usage, file, catalogue, an image larger than the device)\n"
        "\n"
        "Example: quirra-cli -d 27C64 program image.hex\n");
    return text;
}

}  // namespace cli
