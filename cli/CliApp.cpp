#include "cli/CliApp.h"

#include "cli/CliHost.h"
#include "cli/Console.h"
#include "cli/ImageLoad.h"
#include "cli/Ports.h"
#include "device/DeviceProtocol.h"
#include "core/PortMap.h"
#include "core/ProgrammerLink.h"
#include "core/modFunc.h"
#include "devices/DeviceCatalogue.h"
#include "options/AutoFile.h"
#include "platform/SerialPort.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <iostream>
#include <memory>
#include <string>

namespace cli {

namespace {

class App {
public:
    explicit App(const Options& o) : o_(o), out_(o.json, o.quiet) {}
    int run();

private:
    bool loadStartFiles();
    bool applyDevice();
    QString portLabel() const;
    QString runPath() const;
    // Opens the port and probes; on failure reports and returns the exit
    // code, on success returns ExitOk with the link left open.
    int openProgrammer(std::unique_ptr<ProgrammerLink>& link);

    int probe();
    int ports();
    int deviceCommand(int index);
    int verifyAll(DeviceFunctions& functions, CliHost& host);
    int productionRun(DeviceFunctions& functions, CliHost& host);
    int info();
    int convert();

    // Exit code after a function: the chip failed, no answer, a function
    // the device does not offer, or success.
    int exitAfter(const QList<ChipStep>& steps) const;
    void putSteps(const QList<ChipStep>& steps);
    bool isHex(const QString& path) const { return IsHexFile(path, o_.format); }
    uint32_t fileAddress() const { return o_.fileAddress.value_or(0); }
    uint32_t bufferAddress() const { return o_.bufferAddress.value_or(0); }
    // Checksum and CRC-32 of image over the selected device (or, without
    // one, up to the end of the range the file fills).
    void putFigures(const FileFormats::Image& image, int32_t end);

    const Options& o_;
    Console out_;
    QString portPath_;  // --port PATH; empty for COMn
    ProbeResult probe_;
};

bool App::loadStartFiles()
{
    using namespace modFunc;
    const QString dir = o_.dir.isEmpty() ? QDir::currentPath() : o_.dir;
    if (!QFileInfo(dir).isDir()) {
        out_.fail(ExitBadInput, QStringLiteral("the start directory %1 does not exist").arg(dir));
        return false;
    }
    for (const QString& p : ReadStartFiles(dir))
        out_.warn(p);

    if (!o_.port.isEmpty()) {
        const int n = ComNumber(o_.port);
        if (n > 0)
            ComPort = int16_t(n);
        else
            portPath_ = o_.port.contains(QLatin1Char('/')) ? o_.port : QStringLiteral("/dev/") + o_.port;
    }
    return applyDevice();
}

bool App::applyDevice()
{
    using namespace modFunc;
    if (o_.device.isEmpty())
        return true;
    bool isNumber = false;
    const int n = o_.device.toInt(&isNumber);
    if (isNumber) {
        if (n < 1 || n > DeviceCount) {
            out_.fail(ExitBadInput, QStringLiteral("there is no device %1; %2 lists devices 1 to %3")
                                        .arg(n).arg(CatalogueFileName).arg(DeviceCount));
            return false;
        }
        DeviceIndex = int16_t(n);
        return true;
    }
    // The whole name, or its first word(s) up to a space, in any case.
    QList<int> matches;
    for (int i = 1; i <= DeviceCount; ++i) {
        const QString& name = DeviceTable[i].Name;
        if (name.compare(o_.device, Qt::CaseInsensitive) == 0) {
            matches = {i};
            break;
        }
        if (name.startsWith(o_.device + QLatin1Char(' '), Qt::CaseInsensitive))
            matches << i;
    }
    if (matches.size() == 1) {
        DeviceIndex = int16_t(matches.first());
        return true;
    }
    QStringList names;
    for (int i : matches)
        names << QStringLiteral("%1 \"%2\"").arg(i).arg(DeviceTable[i].Name);
    out_.fail(ExitBadInput, matches.isEmpty()
                                ? QStringLiteral("%1 lists no device \"%2\"").arg(CatalogueFileName, o_.device)
                                : QStringLiteral("\"%1\" names more than one device: %2")
                                      .arg(o_.device, names.join(QStringLiteral(", "))));
    return false;
}

QString App::portLabel() const
{
    return portPath_.isEmpty() ? QStringLiteral("COM%1").arg(modFunc::ComPort) : portPath_;
}

QString App::runPath() const
{
    return portPath_.isEmpty() ? SerialPort::DevicePath(modFunc::ComPort) : portPath_;
}

int App::openProgrammer(std::unique_ptr<ProgrammerLink>& link)
{
    link = std::make_unique<ProgrammerLink>(portPath_);
    probe_ = link->Probe();
    out_.result().insert(QStringLiteral("port"), portLabel());
    if (probe_.outcome != ProbeResult::Outcome::Found)
        return out_.fail(ExitNoAnswer, ProbeMessage(probe_, portPath_));
    out_.result().insert(QStringLiteral("version"), probe_.version);
    return ExitOk;
}

int App::probe()
{
    std::unique_ptr<ProgrammerLink> link;
    const int code = openProgrammer(link);
    if (code == ExitOk)
        out_.line(ProbeMessage(probe_, portPath_));
    return out_.finish(code);
}

int App::ports()
{
    const QList<PortEntry> list = CollectPorts(runPath(), portPath_.isEmpty() ? portLabel() : QString());
    const QList<PortProcess> trouble = PortDiagnosis::RunningTroublemakers();
    if (out_.json()) {
        const QJsonObject o = PortsJson(list, trouble);
        for (auto it = o.begin(); it != o.end(); ++it)
            out_.result().insert(it.key(), it.value());
    } else {
        std::fputs(qPrintable(PortsText(list, trouble)), stdout);
    }
    return out_.finish(ExitOk);
}

int App::run()
{
    out_.result().insert(QStringLiteral("command"), o_.command);
    if (o_.command == QLatin1String("convert"))
        return convert();
    if (!loadStartFiles())
        return out_.finish(ExitBadInput);
    if (o_.command == QLatin1String("probe"))
        return probe();
    if (o_.command == QLatin1String("ports"))
        return ports();
    if (o_.command == QLatin1String("info"))
        return info();
    // "read" runs "Read", "blank" runs "Blank", and so on.
    return deviceCommand(int(DeviceFunctions::Names().indexOf(o_.command.at(0).toUpper() + o_.command.mid(1))));
}

int App::exitAfter(const QList<ChipStep>& steps) const
{
    return ExitCodeFor(steps, o_.command == QLatin1String("auto"));
}

void App::putSteps(const QList<ChipStep>& steps) { out_.result().insert(QStringLiteral("steps"), StepsJson(steps)); }

int App::deviceCommand(int index)
{
    using namespace modFunc;
    const DeviceRecord& device = SelectedDevice();
    out_.result().insert(QStringLiteral("device"), device.Name);
    // Erase and Lock use no size; every other function needs one it can serve.
    const bool sizeless = index == DeviceFunctions::Erase || index == DeviceFunctions::Lock;
    QString problem = DeviceProtocol::CommandProblem(DeviceIndex, device);
    if (problem.isEmpty() && !sizeless)
        problem = DeviceProtocol::FunctionProblem();
    if (!problem.isEmpty())
        return out_.finish(out_.fail(ExitBadInput, problem));

    // The image: the file for Program, Verify and Auto; the device's range
    // of a fresh Buffer is what Read saves.
    Buffer.fill(0xFF);
    if (index == DeviceFunctions::Read) {
        const QString saveProblem = FileFormats::SaveProblem(device, isHex(o_.files[0]));
        if (!saveProblem.isEmpty())
            return out_.finish(out_.fail(ExitBadInput, saveProblem));
    } else if (!o_.files.isEmpty()) {
        const QString error = LoadImageFile(o_.files[0], isHex(o_.files[0]), fileAddress(), bufferAddress(), Buffer);
        if (!error.isEmpty())
            return out_.finish(out_.fail(ExitBadInput, error));
    }

    std::unique_ptr<ProgrammerLink> link;
    if (const int code = openProgrammer(link))
        return out_.finish(code);
    // The type letter goes first, as when the function window opens.
    DeviceProtocol::SendCommand(uint8_t(DeviceProtocol::TypeLetter(device.TypeCode)));

    ProgressDisplay progress(stderr, ProgressDisplay::ModeFor(stderr, o_.quiet));
    CliHost host(out_, progress);
    DeviceFunctions functions(host);
    host.attach(&functions, DeviceFunctions::Names().value(index));
    if (o_.all)
        return verifyAll(functions, host);
    if (o_.repeat || !o_.log.isEmpty())
        return productionRun(functions, host);
    QElapsedTimer clock;
    clock.start();
    functions.Run(index);
    out_.result().insert(QStringLiteral("seconds"), double(clock.nsecsElapsed()) / 1e9);
    const QList<ChipStep> steps = host.takeSteps();
    putSteps(steps);
    int code = exitAfter(steps);
    if (code == ExitOk && index == DeviceFunctions::Read) {
        const QString& path = o_.files[0];
        const QByteArray data = isHex(path) ? FileFormats::HexImage(Buffer, device.Size)
                                            : FileFormats::BinaryImage(Buffer, device.Size);
        QString error;
        if (!WriteWholeFile(path, data, &error))
            code = out_.fail(ExitBadInput, QStringLiteral("%1 cannot be written: %2").arg(path, error));
    }
    return out_.finish(code);
}

int App::verifyAll(DeviceFunctions& functions, CliHost& host)
{
    RunCollector differences;
    functions.RunVerifyAll([&differences](int address) { differences.add(address); });
    const QList<ChipStep> steps = host.takeSteps();
    putSteps(steps);
    QJsonArray ranges;
    for (const AddressRun& r : differences.runs()) {
        out_.line(QStringLiteral("  %1 to %2, %3 bytes").arg(modFunc::Hex4(r.start), modFunc::Hex4(r.end)).arg(r.bytes()));
        ranges.append(QJsonObject{{QStringLiteral("start"), modFunc::Hex4(r.start)},
                                  {QStringLiteral("end"), modFunc::Hex4(r.end)},
                                  {QStringLiteral("bytes"), r.bytes()}});
    }
    out_.result().insert(QStringLiteral("ranges"), ranges);
    return out_.finish(exitAfter(steps));
}

int App::productionRun(DeviceFunctions& functions, CliHost& host)
{
    using namespace modFunc;
    // Every chip gets the image of the file, whatever a Read step left.
    const auto image = std::make_unique<FileFormats::Image>(Buffer);
    const int32_t size = std::clamp<int32_t>(SelectedDevice().Size, 0, BufferSize);
    const ImageFigures figures = FiguresOf(*image, size);
    // A log that cannot be written is found before the first chip.
    QString error;
    if (!o_.log.isEmpty() && !AppendToLog(o_.log, {}, &error))
        return out_.finish(out_.fail(ExitBadInput, QStringLiteral("the log %1 cannot be written: %2").arg(o_.log, error)));
    int passed = 0, chips = 0, code = ExitOk;
    for (;;) {
        ++chips;
        Buffer = *image;
        if (!out_.json() && !out_.quiet())
            std::printf("Chip %d\n", chips);
        functions.Run(DeviceFunctions::Auto);
        ChipRecord record{QDateTime::currentDateTimeUtc(), chips, SelectedDevice().Name, host.takeSteps(), figures.checksum, figures.crc, 0};
        record.exitCode = exitAfter(record.steps);
        const QByteArray line = ChipLogLine(record);
        if (record.exitCode == ExitOk)
            ++passed;
        else
            code = record.exitCode;
        if (out_.json())
            std::fputs(line.constData(), stdout);
        else
            out_.line(QStringLiteral("Chip %1: %2").arg(chips).arg(record.exitCode == ExitOk ? QStringLiteral("pass")
                                                                                              : QStringLiteral("FAIL")));
        std::fflush(stdout);
        if (!o_.log.isEmpty() && !AppendToLog(o_.log, line, &error)) {
            code = out_.fail(ExitBadInput, QStringLiteral("the log %1 cannot be written: %2").arg(o_.log, error));
            break;
        }
        if (!o_.repeat)
            break;
        std::fprintf(stderr, "Insert the next chip and press Enter (q to quit) ");
        std::fflush(stderr);
        std::string answer;
        if (!std::getline(std::cin, answer) || QString::fromStdString(answer).trimmed().startsWith(QLatin1Char('q'), Qt::CaseInsensitive))
            break;
    }
    if (o_.repeat)
        std::fprintf(stderr, "\n");
    out_.result().insert(QStringLiteral("chips"), chips);
    out_.result().insert(QStringLiteral("passed"), passed);
    out_.line(QStringLiteral("%1 chips: %2 passed, %3 failed").arg(chips).arg(passed).arg(chips - passed));
    return out_.finish(code);
}

void App::putFigures(const FileFormats::Image& image, int32_t end)
{
    const modFunc::DeviceRecord& device = modFunc::SelectedDevice();
    const int32_t size = device.Size > 0 ? std::min<int32_t>(device.Size, modFunc::BufferSize) : end;
    const auto [checksum, crc] = FiguresOf(image, size);
    const QString over = device.Size > 0 ? QStringLiteral("%1 bytes of %2").arg(size).arg(device.Name)
                                         : QStringLiteral("%1 bytes (no device selected)").arg(size);
    out_.line(QStringLiteral("checksum %1, CRC-32 %2 over %3").arg(checksum, crc, over));
    out_.result().insert(QStringLiteral("checksum"), checksum);
    out_.result().insert(QStringLiteral("crc32"), crc);
    out_.result().insert(QStringLiteral("size"), size);
}

int App::info()
{
    const QString& path = o_.files[0];
    const bool hex = isHex(path);
    const auto image = std::make_unique<FileFormats::Image>();
    FilledRange range;
    const QString error = LoadAndMeasure(path, hex, fileAddress(), bufferAddress(), *image, range);
    if (!error.isEmpty())
        return out_.finish(out_.fail(ExitBadInput, error));
    out_.result().insert(QStringLiteral("format"), hex ? QStringLiteral("hex") : QStringLiteral("bin"));
    out_.result().insert(QStringLiteral("bytes"), range.bytes);
    if (range.bytes == 0) {
        out_.line(QStringLiteral("%1: %2, no data").arg(path, hex ? QStringLiteral("Intel HEX") : QStringLiteral("binary")));
    } else {
        out_.line(QStringLiteral("%1: %2, addresses %3 to %4, %5 bytes")
                      .arg(path, hex ? QStringLiteral("Intel HEX") : QStringLiteral("binary"),
                           modFunc::Hex4(range.first), modFunc::Hex4(range.last))
                      .arg(range.bytes));
        out_.result().insert(QStringLiteral("first"), modFunc::Hex4(range.first));
        out_.result().insert(QStringLiteral("last"), modFunc::Hex4(range.last));
    }
    putFigures(*image, range.last + 1);
    return out_.finish(ExitOk);
}

int App::convert()
{
    const QString& in = o_.files[0];
    const QString& out = o_.files[1];
    const bool hexIn = isHex(in);
    const auto image = std::make_unique<FileFormats::Image>();
    FilledRange range;
    QString error = LoadAndMeasure(in, hexIn, fileAddress(), bufferAddress(), *image, range);
    if (!error.isEmpty())
        return out_.finish(out_.fail(ExitBadInput, error));
    // Everything from address 0 to the last byte the file fills; gaps and
    // the start below the first byte read 0xFF.
    const int32_t size = range.last + 1;
    if (!hexIn && size > modFunc::MaxDeviceSize)
        return out_.finish(out_.fail(ExitBadInput, QStringLiteral("%1 fills addresses up to %2; an Intel HEX file "
                                                                  "of 16-bit addresses ends at FFFF")
                                                       .arg(in, modFunc::Hex4(range.last))));
    const QByteArray data = hexIn ? FileFormats::BinaryImage(*image, size) : FileFormats::HexImage(*image, size);
    if (!modFunc::WriteWholeFile(out, data, &error))
        return out_.finish(out_.fail(ExitBadInput, QStringLiteral("%1 cannot be written: %2").arg(out, error)));
    out_.line(QStringLiteral("%1 (%2) to %3 (%4): %5 bytes")
                  .arg(in, hexIn ? QStringLiteral("Intel HEX") : QStringLiteral("binary"), out,
                       hexIn ? QStringLiteral("binary") : QStringLiteral("Intel HEX"))
                  .arg(size));
    return out_.finish(ExitOk);
}

}  // namespace

int Run(const Options& options)
{
    PortDiagnosis::SetHelpReference(QStringLiteral("quirra-cli --help"));
    App app(options);
    return app.run();
}

}  // namespace cli
