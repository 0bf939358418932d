// libFuzzer target for quirra-cli's command line. The input builds an
// argument list of known words (commands, options, values) and raw ones.
// Whatever the list: a refusal says why; an accepted list names a command
// (or asks for help or the version); the worker arguments of an accepted
// run on several ports parse to the same run on one port; and the address
// and port readers agree with what they print.
#include "cli/CliOptions.h"
#include "support/FuzzSupport.h"

using namespace cli;

namespace {
const char* const Words[] = {
    "probe", "read", "program", "verify", "erase", "blank", "lock", "auto", "info", "convert", "devices", "ports",
    "--help", "-h", "--version", "-V", "--quiet", "-q", "--verbose", "-v", "--json", "--all", "--repeat",
    "--no-verify", "--allow-truncate", "--skip-erased", "--write-all", "--worker", "--serial-overwrite", "--",
    "-", "--dir", "--port", "-p", "--device", "-d", "--record", "--format", "-f", "--to", "--log", "--serial",
    "--serial-file", "--buffer-address", "--file-address", "--port=COM2", "--format=hex", "--record=2",
    "COM1", "com1", "COM001", "COM256", "/dev/ttyUSB0", "hex", "srec", "bin", "0x1F0", "100H", "ff", "2716",
    "a.hex", "b.bin", "7FF0:1:1", "0:00000001:1:hex", "x=1"};

void CheckAccepted(const QStringList& args, const Options& o)
{
    FUZZ_REQUIRE(o.help || o.version || !o.command.isEmpty());
    FUZZ_REQUIRE(o.port == o.ports.value(0));
    if (o.help || o.version)
        return;
    for (int i = 0; i < o.ports.size(); ++i)  // no port twice, however it is spelt
        for (int j = i + 1; j < o.ports.size(); ++j)
            FUZZ_REQUIRE(ComNumber(o.ports[i]) == 0 || ComNumber(o.ports[i]) != ComNumber(o.ports[j]));
    for (const QString& port : o.ports.isEmpty() ? QStringList{QStringLiteral("COM9")} : o.ports) {
        Options worker;
        QString error;
        FUZZ_REQUIRE(ParseArguments(WorkerArguments(args, port), worker, &error));
        FUZZ_REQUIRE(worker.worker && worker.ports == QStringList{port} && worker.command == o.command
                     && worker.files == o.files && worker.device == o.device && worker.serial.has_value() == o.serial.has_value()
                     && worker.dir == o.dir && worker.log == o.log);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    QStringList args;
    while (in.remaining_bytes() > 0 && args.size() < 24) {
        const uint8_t pick = in.ConsumeIntegral<uint8_t>();
        if (pick < std::size(Words))
            args << QString::fromLatin1(Words[pick]);
        else
            args << QString::fromUtf8(in.ConsumeRandomLengthString(24));
    }
    Options options;
    QString error;
    if (ParseArguments(args, options, &error))
        CheckAccepted(args, options);
    else
        FUZZ_REQUIRE(!error.isEmpty());
    for (const QString& word : args) {
        uint32_t value = 0, again = 0;
        if (ParseHexAddress(word, value))
            FUZZ_REQUIRE(ParseHexAddress(QString::number(value, 16), again) && again == value);
        FUZZ_REQUIRE(ComNumber(word) >= 0 && ComNumber(word) <= 999);
    }
    return 0;
}
