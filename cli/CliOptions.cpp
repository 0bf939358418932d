#include "cli/CliOptions.h"

#include "core/ByteLanes.h"
#include "core/HexText.h"

#include <QRegularExpression>
#include <QSet>

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
    // The options whose value is the next argument, whatever it looks like.
    static const QStringList valued = {"--dir", "--device", "-d", "--record", "--format", "-f", "--to", "--log",
                                       "--serial", "--serial-file", "--buffer-address", "--file-address"};
    QStringList out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--"))
            return out << QStringLiteral("--port") << port << QStringLiteral("--worker") << args.mid(i);
        if (a == QLatin1String("--port") || a == QLatin1String("-p"))
            ++i;  // and its value
        else if (!a.startsWith(QLatin1String("--port=")))
            out << a;
        if (valued.contains(a) && i + 1 < args.size())
            out << args[++i];
    }
    return out << QStringLiteral("--port") << port << QStringLiteral("--worker");
}

int ComNumber(const QString& port)
{
    static const QRegularExpression form(QStringLiteral("^[cC][oO][mM]([0-9]{1,3})$"));
    const QRegularExpressionMatch m = form.match(port);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

namespace {

// One option: its long name, its short one (0 for none), whether it takes a
// value, and what it sets. apply returns the error, empty when the value is
// good; a flag's value is empty.
struct OptionRule {
    const char* name;
    char shortName;
    bool takesValue;
    QString (*apply)(Options& o, const QString& name, const QString& value);
};

template <bool Options::*field>
QString SetFlag(Options& o, const QString&, const QString&)
{
    o.*field = true;
    return {};
}

template <QString Options::*field>
QString SetText(Options& o, const QString&, const QString& value)
{
    o.*field = value;
    return {};
}

template <std::optional<uint32_t> Options::*field>
QString SetAddress(Options& o, const QString& name, const QString& value)
{
    uint32_t v = 0;
    if (!ParseHexAddress(value, v))
        return QStringLiteral("%1 takes a hexadecimal address from 0 to FFFFFFFF, not \"%2\"").arg(name, value);
    o.*field = v;
    return {};
}

template <QString Options::*field>
QString SetFormat(Options& o, const QString& name, const QString& value)
{
    if (value != QLatin1String("hex") && value != QLatin1String("srec") && value != QLatin1String("bin"))
        return QStringLiteral("%1 is hex, srec or bin, not \"%2\"").arg(name, value);
    o.*field = value;
    return {};
}

QString SetPort(Options& o, const QString&, const QString& value)
{
    o.ports << value;
    o.port = o.ports.value(0);
    return {};
}

QString SetRecord(Options& o, const QString&, const QString& value)
{
    bool isNumber = false;
    o.record = value.toInt(&isNumber);
    if (!isNumber || o.record < 1)
        return QStringLiteral("--record takes a record number from 1, not \"%1\"").arg(value);
    return {};
}

QString SetReads(Options& o, const QString&, const QString& value)
{
    bool isNumber = false;
    o.reads = value.toInt(&isNumber);
    if (!isNumber || o.reads < 2 || o.reads > 9)
        return QStringLiteral("--reads takes a number of reads from 2 to 9, not \"%1\"").arg(value);
    return {};
}

QString SetSerial(Options& o, const QString&, const QString& value)
{
    QString error;
    o.serial = ParseSerialField(value, &error);
    return error;
}

QString SetSplit(Options& o, const QString&, const QString& value)
{
    o.split = value.toInt();
    if (o.split != 2 && o.split != 4)
        return QStringLiteral("--split takes 2 or 4 lanes, not \"%1\"").arg(value);
    return {};
}

const OptionRule optionRules[] = {
    {"--help", 'h', false, SetFlag<&Options::help>},
    {"--version", 'V', false, SetFlag<&Options::version>},
    {"--quiet", 'q', false, SetFlag<&Options::quiet>},
    {"--verbose", 'v', false, SetFlag<&Options::verbose>},
    {"--json", 0, false, SetFlag<&Options::json>},
    {"--all", 0, false, SetFlag<&Options::all>},
    {"--repeat", 0, false, SetFlag<&Options::repeat>},
    {"--no-verify", 0, false, SetFlag<&Options::noVerify>},
    {"--allow-truncate", 0, false, SetFlag<&Options::allowTruncate>},
    {"--serial-overwrite", 0, false, SetFlag<&Options::serialOverwrite>},
    {"--skip-erased", 0, false, SetFlag<&Options::skipErased>},
    {"--write-all", 0, false, SetFlag<&Options::writeAll>},
    {"--worker", 0, false, SetFlag<&Options::worker>},
    {"--dir", 0, true, SetText<&Options::dir>},
    {"--port", 'p', true, SetPort},
    {"--device", 'd', true, SetText<&Options::device>},
    {"--record", 0, true, SetRecord},
    {"--format", 'f', true, SetFormat<&Options::format>},
    {"--to", 0, true, SetFormat<&Options::to>},
    {"--buffer-address", 0, true, SetAddress<&Options::bufferAddress>},
    {"--file-address", 0, true, SetAddress<&Options::fileAddress>},
    {"--log", 0, true, SetText<&Options::log>},
    {"--serial", 0, true, SetSerial},
    {"--serial-file", 0, true, SetText<&Options::serialFile>},
    {"--lane", 0, true, SetText<&Options::lane>},
    {"--split", 0, true, SetSplit},
    {"--merge", 0, false, SetFlag<&Options::merge>},
    {"--output", 'o', true, SetText<&Options::output>},
    {"--reads", 0, true, SetReads},
    {"--vote", 0, false, SetFlag<&Options::vote>},
};

// An option as written, with its value.
struct OptionWord {
    const OptionRule* rule;
    QString value;
};

struct Words {
    QList<OptionWord> options;
    QStringList positional;  // the command and its files
};

// "-x" is a short option, "--" and "-" are none.
bool IsShortOption(const QString& arg)
{
    return arg.size() == 2 && arg[0] == QLatin1Char('-') && arg[1] != QLatin1Char('-');
}

const OptionRule* FindRule(const QString& name)
{
    const bool isShort = IsShortOption(name);
    for (const OptionRule& r : optionRules)
        if (isShort ? r.shortName && name[1] == QLatin1Char(r.shortName) : name == QLatin1String(r.name))
            return &r;
    return nullptr;
}

// Sorts the arguments into options with their values ("--name value",
// "--name=value", "-x value") and the rest; "--" ends the options, "-" is
// not one. On an error returns nothing and sets *error.
std::optional<Words> ReadWords(const QStringList& args, QString* error)
{
    auto fail = [&](const QString& text) {
        *error = text;
        return std::nullopt;
    };
    Words words;
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (arg == QLatin1String("--")) {
            words.positional += args.mid(i + 1);
            break;
        }
        const bool isShort = IsShortOption(arg);
        if (!isShort && (!arg.startsWith(QLatin1String("--")) || arg.size() == 2)) {
            words.positional << arg;
            continue;
        }
        std::optional<QString> value;
        const qsizetype eq = isShort ? -1 : arg.indexOf(QLatin1Char('='));
        if (eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        }
        const OptionRule* rule = FindRule(arg);
        if (!rule)
            return fail(QStringLiteral("unknown option %1").arg(arg));
        const QString name = QString::fromLatin1(rule->name);
        if (!rule->takesValue && value)
            return fail(QStringLiteral("%1 takes no value").arg(name));
        if (rule->takesValue && !value && i + 1 < args.size())
            value = args[++i];
        if (rule->takesValue && value.value_or(QString()).isEmpty())
            return fail(QStringLiteral("%1 needs a value").arg(name));
        words.options.append({rule, value.value_or(QString())});
    }
    return words;
}

// Sets each option in the order given.
bool ApplyWords(const Words& words, Options& o, QString* error)
{
    for (const OptionWord& w : words.options) {
        *error = w.rule->apply(o, QString::fromLatin1(w.rule->name), w.value);
        if (!error->isEmpty())
            return false;
    }
    return true;
}

// The command and its files, and the options that go together.
QString CombinationProblem(Options& o, QStringList positional)
{
    if (positional.isEmpty())
        return QStringLiteral("no command given");
    o.command = positional.takeFirst();
    const CommandShape* shape = FindCommand(o.command);
    if (!shape)
        return QStringLiteral("unknown command \"%1\"").arg(o.command);
    if (const QString lanes = LaneOptionsProblem(o, positional.size()); !lanes.isEmpty())
        return lanes;
    if (positional.size() != shape->files && !o.split && !o.merge)
        return shape->files == 0   ? QStringLiteral("%1 takes no file").arg(o.command)
               : shape->files == 1 ? QStringLiteral("%1 takes one file").arg(o.command)
                                   : QStringLiteral("%1 takes two files").arg(o.command);
    o.files = positional;
    const bool isAuto = o.command == QLatin1String("auto");
    const bool isProgram = o.command == QLatin1String("program");
    const bool writes = o.command == QLatin1String("read") || o.command == QLatin1String("convert");
    QStringList named;  // COM3, com3 and COM003 name one port
    for (const QString& port : o.ports)
        named << (ComNumber(port) > 0 ? QStringLiteral("COM%1").arg(ComNumber(port)) : port);
    // The first rule broken is told.
    const struct {
        bool broken;
        const char* text;
    } rules[] = {
        {!o.device.isEmpty() && o.record != 0, "--device and --record both choose the device; give one of them"},
        {o.noVerify && !isProgram, "--no-verify belongs to program"},
        {o.files.count(QStringLiteral("-")) > 1, "only one FILE can be - (standard input or output)"},
        {o.json && writes && o.files.last() == QLatin1String("-"),
         "--json and the output - both need standard output; give the output a file name"},
        {o.repeat && o.files.value(0) == QLatin1String("-"),
         "--repeat reads Enter from standard input, so the image cannot come from -"},
        {!o.to.isEmpty() && o.command != QLatin1String("convert"), "--to belongs to convert"},
        {o.all && o.command != QLatin1String("verify"), "--all belongs to verify"},
        {(o.repeat || !o.log.isEmpty()) && !isAuto, "--repeat and --log belong to auto"},
        {o.serial && !isAuto && !isProgram, "--serial belongs to auto and program"},
        {(!o.serialFile.isEmpty() || o.serialOverwrite) && !o.serial,
         "--serial-file and --serial-overwrite go with --serial"},
        {o.skipErased && !isProgram,
         "--skip-erased belongs to program; auto skips erased blocks after a passing Blank step"},
        {o.writeAll && !isAuto, "--write-all belongs to auto"},
        {o.reads > 1 && o.command != QLatin1String("read"), "--reads belongs to read"},
        {o.vote && o.reads < 2, "--vote goes with --reads N"},
        {o.ports.size() > 1 && (!isAuto || !o.repeat), "several --port belong to auto --repeat"},
        {QSet<QString>(named.begin(), named.end()).size() < named.size(), "a port is named twice"},
    };
    for (const auto& rule : rules)
        if (rule.broken)
            return QString::fromLatin1(rule.text);
    for (const QString& port : o.ports) {
        const int com = ComNumber(port);
        if (port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) && (com < 1 || com > 255))
            return QStringLiteral("--port takes COM1 to COM255 or a device path, not \"%1\"").arg(port);
    }
    return {};
}

}  // namespace

bool ParseArguments(const QStringList& args, Options& o, QString* error)
{
    const std::optional<Words> words = ReadWords(args, error);
    if (!words || !ApplyWords(*words, o, error))
        return false;
    if (o.help || o.version)
        return true;
    *error = CombinationProblem(o, words->positional);
    return error->isEmpty();
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
        "  read FILE          read the chip and save it to FILE; prints its checksum,\n"
        "                     CRC-32, SHA-1 and SHA-256\n"
        "  program FILE       program the chip with the image in FILE, then verify it\n"
        "  verify FILE        compare the chip with the image in FILE;\n"
        "                     with --all every differing range, not only the first\n"
        "  erase              erase the chip\n"
        "  blank              check that the chip is blank\n"
        "  lock               lock the chip\n"
        "  auto FILE          run the stored Auto sequence with the image in FILE\n"
        "  info FILE          address range, byte count, checksum, CRC-32, SHA-1 and\n"
        "                     SHA-256 of FILE (over the device's range and its own)\n"
        "  convert IN OUT     between Intel HEX, S-records and binary; OUT's format\n"
        "                     by its name (see --format) unless --to says it\n"
        "                     with --split N IMAGE: lane K (bytes K, K+N, ...)\n"
        "                     into NAME.K.bin beside IMAGE, N 2 or 4;\n"
        "                     with --merge A B [C D] -o OUT: the lanes merged\n"
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
        "                     .s37, .srec or .mot, binary otherwise and for -; a\n"
        "                     file that begins with 7F \"ELF\" is an ELF executable,\n"
        "                     its segments at their physical (load) addresses\n"
        "  --to hex|srec|bin  convert: the output's format\n"
        "  --buffer-address H added to each file address to give the buffer address\n"
        "                     (hexadecimal, default 0)\n"
        "  --file-address H   the lowest file address a load takes (hexadecimal,\n"
        "                     default 0)\n"
        "  --lane K/N         program, verify: the chip is lane K of N (2 or 4) of the\n"
        "                     file's image; read: into lane K of FILE, its other\n"
        "                     lanes kept\n"
        "  --allow-truncate   program, verify or auto with an image that reaches past\n"
        "                     the end of the device: only the part that fits\n"
        "  --no-verify        program: do not verify afterwards\n"
        "  --all              verify: report every differing range\n"
        "  --reads N          read: read the chip N times (2 to 9) and save only when\n"
        "                     every read agrees; else list each differing range with\n"
        "                     the bytes each read gave, and exit 1\n"
        "  --vote             read --reads: save the byte most reads gave, list the\n"
        "                     addresses the vote decided (exit 1 unless all agreed)\n"
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

QString LaneOptionsProblem(const Options& o, qsizetype files)
{
    const bool convert = o.command == QLatin1String("convert");
    if (!o.lane.isEmpty() && !ByteLanes::Parse(o.lane))
        return QStringLiteral("--lane takes K/N: lane K (from 0) of N = 2 or 4 lanes, not \"%1\"").arg(o.lane);
    if (!o.lane.isEmpty() && o.command != QLatin1String("program") && o.command != QLatin1String("verify") &&
        o.command != QLatin1String("read"))
        return QStringLiteral("--lane belongs to program, verify and read");
    if ((o.split || o.merge || !o.output.isEmpty()) && !convert)
        return QStringLiteral("--split, --merge and --output belong to convert");
    if (o.split && o.merge)
        return QStringLiteral("--split and --merge: give one of them");
    if (o.split && files != 1)
        return QStringLiteral("convert --split takes one file, the image to split");
    if (o.merge && ((files != 2 && files != 4) || o.output.isEmpty()))
        return QStringLiteral("convert --merge takes 2 or 4 lane files and -o OUT");
    if (!o.output.isEmpty() && !o.merge)
        return QStringLiteral("--output goes with --merge");
    if (o.output == QLatin1String("-"))
        return QStringLiteral("convert --merge writes to a file, not to -");
    if ((o.split || o.merge) && (o.fileAddress || o.bufferAddress))
        return QStringLiteral("--split and --merge take the files' own addresses; leave out --file-address and "
                              "--buffer-address");
    return {};
}

}  // namespace cli
