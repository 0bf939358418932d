#include "cli/CliApp.h"

#include "cli/Catalogue.h"
#include "cli/CliHost.h"
#include "cli/Console.h"
#include "cli/FrameTrace.h"
#include "cli/ImageLoad.h"
#include "cli/LaneCommands.h"
#include "cli/Ports.h"
#include "cli/RepeatedRead.h"
#include "cli/SerialNumbers.h"
#include "cli/StopSignal.h"
#include "device/DeviceProtocol.h"
#include "device/LineTime.h"
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
    explicit App(const Options& o) : o_(o), out_(o.json || o.worker, o.quiet || o.worker)
    {
        // Data on standard output: the lines go to standard error.
        const bool writes = o.command == QLatin1String("read") || o.command == QLatin1String("convert");
        if (writes && o.files.value(o.files.size() - 1) == QLatin1String("-"))
            out_.linesToStderr();
    }
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
    int devices();
    // A device function: the checks, the image, the link, then one run,
    // a Verify of every difference, or a production run.
    int deviceCommand(int index);
    // The device can serve the function; false (reported) when not.
    bool checkDevice(int index);
    // Buffer for the function: the file's image (and the serial number's
    // field checked), or for Read a blank one and its output checked;
    // false (reported) when it cannot be had.
    bool prepareImage(int index);
    // One run of the function, Program's automatic Verify and Read's save.
    int singleRun(DeviceFunctions& functions, CliHost& host, int index);
    int saveRead();
    int verifyAll(DeviceFunctions& functions, CliHost& host);
    int productionRun(DeviceFunctions& functions, CliHost& host);
    int info();
    int convert();

    // Exit code after a function: the chip failed, no answer, a function
    // the device does not offer, or success.
    int exitAfter(const QList<ChipStep>& steps) const;
    void putSteps(const QList<ChipStep>& steps);
    // The format an output is written in: --format's, else the one its name
    // says; binary for "-".
    ImageFormat outputFormat(const QString& path) const { return OutputFormat(path, o_.format); }
    // Loads the FILE argument into image; on failure reports it and returns
    // false.
    bool loadImage(const QString& path, FileFormats::Image& image, LoadedImage& loaded);
    // read --lane: the FILE argument with the chip's bytes in its lane.
    FileFormats::LaneSave laneSave(QByteArrayView chip) const
    {
        return FileFormats::LaneIntoFile(o_.files[0], chip, LaneOf(o_), outputFormat(o_.files[0]));
    }
    uint32_t fileAddress() const { return o_.fileAddress.value_or(0); }
    uint32_t bufferAddress() const { return o_.bufferAddress.value_or(0); }
    // Checksum, CRC-32, SHA-1 and SHA-256 of image over the selected device
    // (or, without one, up to the end of the range the file fills).
    void putFigures(const FileFormats::Image& image, int32_t end);
    // The digests as lines ("... over `over`") and as fields of `into`.
    void putDigests(const ImageHash::Digests& digests, const QString& over, QJsonObject& into);

    // The serial number's field checked against the loaded image, and the
    // state file chosen; false (reported) when the field cannot be used.
    bool prepareSerial();
    // Draws the next serial number and writes it into Buffer; nothing
    // (reported) on failure.
    std::optional<uint64_t> stampSerial();

    const Options& o_;
    Console out_;
    QString serialPath_;
    QString portPath_;  // --port PATH; empty for COMn
    StartDir startDir_;
    ProbeResult probe_;
};

bool App::loadStartFiles()
{
    using namespace modFunc;
    startDir_ = FindStartDirHere(o_.dir);
    const QString& dir = startDir_.path;
    if (!QFileInfo(dir).isDir()) {
        out_.fail(ExitBadInput, QStringLiteral("the start directory %1 does not exist").arg(dir));
        return false;
    }
    if (o_.verbose) {
        for (const QString& line : startDir_.trail)
            std::fprintf(stderr, "quirra-cli: %s\n", qPrintable(line));
        std::fprintf(stderr, "quirra-cli: start directory %s (%s)\n", qPrintable(QDir(dir).absolutePath()),
                     qPrintable(startDir_.reason));
    }
    for (const QString& p : ReadStartFiles(dir, startDir_.portMapDir))
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
    if (o_.record) {
        if (o_.record > DeviceCount) {
            out_.fail(ExitBadInput, QStringLiteral("there is no record %1; %2 lists records 1 to %3")
                                        .arg(o_.record).arg(AppFile(CatalogueFileName)).arg(DeviceCount));
            return false;
        }
        DeviceIndex = int16_t(o_.record);
        return true;
    }
    if (o_.device.isEmpty())
        return true;
    const QList<int> matches = FindDevice(o_.device);
    if (matches.size() == 1) {
        DeviceIndex = int16_t(matches.first());
        return true;
    }
    QStringList names;
    for (int i : matches)
        names << QStringLiteral("%1 \"%2\"").arg(i).arg(DeviceTable[size_t(i)].Name);
    const QString catalogue = AppFile(CatalogueFileName);
    QString why;
    if (!matches.isEmpty())
        why = QStringLiteral("\"%1\" names more than one device: %2; --record N chooses one")
                  .arg(o_.device, names.join(QStringLiteral(", ")));
    else if (!startDir_.found)
        why = QStringLiteral("there is no device \"%1\": no device catalogue %2 was found in %3")
                  .arg(o_.device, CatalogueFileName, startDir_.searched.join(QStringLiteral(", ")));
    else if (!QFileInfo(catalogue).isFile())
        why = QStringLiteral("there is no device \"%1\": the device catalogue %2 is missing").arg(o_.device, catalogue);
    else
        why = QStringLiteral("%1 lists no device \"%2\"; quirra-cli devices lists those it holds").arg(catalogue, o_.device);
    out_.fail(ExitBadInput, why);
    return false;
}

QString App::portLabel() const
{
    return portPath_.isEmpty() ? QStringLiteral("COM%1").arg(modFunc::ComPort) : portPath_;
}

QString App::runPath() const
{
    return portPath_.isEmpty() ? modFunc::ResolvePort(modFunc::ComPort).path : portPath_;
}

int App::openProgrammer(std::unique_ptr<ProgrammerLink>& link)
{
    link = std::make_unique<ProgrammerLink>(portPath_);
    if (o_.verbose)
        TraceFrames(link->port);
    // The reply is judged once it is complete, not after a whole second.
    probe_ = link->Probe(ProgrammerLink::WaitForCompleteReply);
    out_.result().insert(QStringLiteral("port"), portLabel());
    if (probe_.outcome != ProbeResult::Outcome::Found)
        return out_.fail(ExitNoAnswer, ProbeMessage(probe_, portPath_));
    out_.result().insert(QStringLiteral("version"), probe_.version);
    // An adapter that holds each reply: what it costs this command, once.
    const int function = int(DeviceFunctions::Names().indexOf(o_.command.at(0).toUpper() + o_.command.mid(1)));
    if (const QString note = LineTime::LatencyNote(link->port, function, modFunc::SelectedDevice()); !note.isEmpty())
        out_.warn(note);
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

int App::devices()
{
    if (out_.json())
        out_.result().insert(QStringLiteral("devices"), DevicesJson());
    else if (!out_.quiet())
        std::fputs(qPrintable(DevicesText()), stdout);
    out_.result().insert(QStringLiteral("catalogue"), modFunc::AppFile(modFunc::CatalogueFileName));
    return out_.finish(ExitOk);
}

bool App::loadImage(const QString& path, FileFormats::Image& image, LoadedImage& loaded)
{
    loaded = LoadImage(path, o_.format, fileAddress(), bufferAddress(), image);
    if (!loaded.warning.isEmpty())
        out_.warn(loaded.warning);
    if (!loaded.error.isEmpty()) {
        out_.fail(ExitBadInput, loaded.error);
        return false;
    }
    return true;
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
    if (o_.command == QLatin1String("devices"))
        return devices();
    // "read" runs "Read", "blank" runs "Blank", and so on.
    return deviceCommand(int(DeviceFunctions::Names().indexOf(o_.command.at(0).toUpper() + o_.command.mid(1))));
}

int App::exitAfter(const QList<ChipStep>& steps) const
{
    return ExitCodeFor(steps, o_.command == QLatin1String("auto"));
}

void App::putSteps(const QList<ChipStep>& steps)
{
    out_.result().insert(QStringLiteral("steps"), StepsJson(steps));
    // The first time-out is the run's error.
    for (const ChipStep& s : steps)
        if (const QString error = TimeOutText(s.outcome); !error.isEmpty() && !out_.result().contains(QStringLiteral("error")))
            out_.result().insert(QStringLiteral("error"), error);
}

int App::deviceCommand(int index)
{
    out_.result().insert(QStringLiteral("device"), modFunc::SelectedDevice().Name);
    if (!checkDevice(index) || !prepareImage(index))
        return out_.finish(ExitBadInput);
    std::unique_ptr<ProgrammerLink> link;
    if (const int code = openProgrammer(link))
        return out_.finish(code);
    // The type letter goes first, as when the function window opens.
    DeviceProtocol::SendCommand(uint8_t(DeviceProtocol::TypeLetter(modFunc::SelectedDevice().TypeCode)));

    ProgressDisplay progress(o_.worker ? stdout : stderr, o_.worker ? ProgressDisplay::Mode::Steps
                                                                    : ProgressDisplay::ModeFor(stderr, o_.quiet));
    CliHost host(out_, progress);
    DeviceFunctions functions(host);
    if (index == DeviceFunctions::Program && o_.skipErased)
        functions.ErasedBlockWrites = DeviceFunctions::ErasedBlocks::Skip;
    if (index == DeviceFunctions::Auto && !o_.writeAll)
        functions.ErasedBlockWrites = DeviceFunctions::ErasedBlocks::SkipAfterBlankCheck;
    if (o_.all)
        return verifyAll(functions, host);
    if (o_.repeat || !o_.log.isEmpty())
        return productionRun(functions, host);
    return singleRun(functions, host, index);
}

bool App::checkDevice(int index)
{
    const modFunc::DeviceRecord& device = modFunc::SelectedDevice();
    // Erase and Lock use no size; every other function needs one it can serve.
    const bool sizeless = index == DeviceFunctions::Erase || index == DeviceFunctions::Lock;
    QString problem = DeviceProtocol::CommandProblem(modFunc::DeviceIndex, device);
    if (problem.isEmpty() && !sizeless)
        problem = DeviceProtocol::FunctionProblem();
    if (!problem.isEmpty())
        out_.fail(ExitBadInput, problem);
    return problem.isEmpty();
}

bool App::prepareImage(int index)
{
    using modFunc::Buffer;
    const modFunc::DeviceRecord& device = modFunc::SelectedDevice();
    // The image: the file for Program, Verify and Auto; the device's range
    // of a fresh Buffer is what Read saves.
    Buffer.fill(0xFF);
    if (index == DeviceFunctions::Read) {
        // Whatever stops the saving is found before the chip is read.
        QString problem = FileFormats::SaveProblem(device, outputFormat(o_.files[0]));
        if (problem.isEmpty() && !o_.lane.isEmpty())
            problem = laneSave(QByteArray(device.Size, char(0xFF))).error;
        if (problem.isEmpty())
            problem = OutputProblem(o_.files[0]);
        if (!problem.isEmpty())
            out_.fail(ExitBadInput, problem);
        return problem.isEmpty();
    }
    if (o_.files.isEmpty())
        return true;
    LoadedImage loaded;
    if (!loadImage(o_.files[0], Buffer, loaded))
        return false;
    if (!o_.lane.isEmpty())
        loaded.range = NarrowToLane(Buffer, LaneOf(o_), loaded.range);
    // The functions serve the device's addresses only: bytes past its
    // end would be left off without a word.
    const QString tooLarge = RangeProblem(o_.files[0], loaded.range, device);
    if (!tooLarge.isEmpty() && !o_.allowTruncate)
        return out_.fail(ExitBadInput, tooLarge + QStringLiteral("; --allow-truncate uses the part that fits")), false;
    if (!tooLarge.isEmpty())
        out_.warn(tooLarge + QStringLiteral("; only the part that fits is used (--allow-truncate)"));
    return prepareSerial();
}

int App::singleRun(DeviceFunctions& functions, CliHost& host, int index)
{
    QElapsedTimer clock;
    clock.start();
    if (o_.serial) {
        const std::optional<uint64_t> n = stampSerial();
        if (!n)
            return out_.finish(ExitBadInput);
        out_.line(QStringLiteral("Serial number %1").arg(*n));
        out_.result().insert(QStringLiteral("serial"), qint64(*n));
    }
    QList<ChipStep> steps;
    std::optional<RepeatedReadEnd> reads;
    if (index == DeviceFunctions::Read && o_.reads > 1) {
        reads = ReadRepeatedly(functions, host, out_, o_.reads, o_.vote, modFunc::SelectedDevice().Size);
        steps = reads->steps;
    } else {
        functions.Run(index);
        steps = host.takeSteps();
    }
    // Program verifies what it wrote unless told not to.
    if (exitAfter(steps) == ExitOk && index == DeviceFunctions::Program && !o_.noVerify) {
        functions.Run(DeviceFunctions::Verify);
        steps += host.takeSteps();
    }
    out_.result().insert(QStringLiteral("seconds"), double(clock.nsecsElapsed()) / 1e9);
    if (index == DeviceFunctions::Program)
        out_.result().insert(QStringLiteral("blocks_written"), functions.BlocksWritten);
    putSteps(steps);
    int code = reads ? reads->code : exitAfter(steps);
    // Repeated reads that differ save nothing, or with --vote the majority's bytes.
    if (reads ? reads->save : code == ExitOk && index == DeviceFunctions::Read)
        code = std::max(code, saveRead());
    return out_.finish(code);
}

int App::saveRead()
{
    const QString& path = o_.files[0];
    const int32_t size = modFunc::SelectedDevice().Size;
    // With --lane the chip goes into its lane of the file.
    const FileFormats::LaneSave save =
        o_.lane.isEmpty() ? FileFormats::LaneSave{FileFormats::SaveImage(modFunc::Buffer, size, outputFormat(path)), {}}
                          : laneSave(QByteArrayView(modFunc::Buffer.data(), size));
    QString error = save.error;
    if (!error.isEmpty() || !WriteOutput(path, save.data, &error))
        return out_.fail(ExitBadInput, QStringLiteral("%1 cannot be written: %2").arg(path, error));
    putFigures(modFunc::Buffer, modFunc::SelectedDevice().Size);
    return ExitOk;
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

bool App::prepareSerial()
{
    if (!o_.serial)
        return true;
    QString error;
    const int32_t size = std::clamp<int32_t>(modFunc::SelectedDevice().Size, 0, modFunc::BufferSize);
    const QString problem = SerialFieldProblem(*o_.serial, modFunc::Buffer.data(), size, o_.serialOverwrite);
    if (!problem.isEmpty())
        return out_.fail(ExitBadInput, problem), false;
    // Beside the log, else in the current directory: the start directory
    // holds the start files, which quirra-cli only reads.
    serialPath_ = !o_.serialFile.isEmpty() ? o_.serialFile
                  : !o_.log.isEmpty()      ? QFileInfo(o_.log).absoluteDir().filePath(QStringLiteral("serial.next"))
                                           : QStringLiteral("serial.next");
    // A state file that cannot give a number is found before the first chip.
    if (!NextSerial(serialPath_, *o_.serial, &error))
        return out_.fail(ExitBadInput, error), false;
    return true;
}

std::optional<uint64_t> App::stampSerial()
{
    QString error;
    const std::optional<uint64_t> n = TakeSerial(serialPath_, *o_.serial, &error);
    if (!n) {
        out_.fail(ExitBadInput, error);
        return std::nullopt;
    }
    const QByteArray bytes = SerialBytes(*n, o_.serial->format);
    // prepareSerial found the field inside the device.
    std::copy(bytes.begin(), bytes.end(), modFunc::Buffer.begin() + o_.serial->address);
    return n;
}

int App::productionRun(DeviceFunctions& functions, CliHost& host)
{
    using namespace modFunc;
    // Every chip gets the image of the file, whatever a Read step left.
    const auto image = std::make_unique<FileFormats::Image>(Buffer);
    const int32_t size = std::clamp<int32_t>(SelectedDevice().Size, 0, BufferSize);
    // A log that cannot be written is found before the first chip.
    QString error;
    if (!o_.log.isEmpty() && !AppendToLog(o_.log, {}, &error))
        return out_.finish(out_.fail(ExitBadInput, QStringLiteral("the log %1 cannot be written: %2").arg(o_.log, error)));
    // Ctrl+C: the step that runs finishes, its chip is logged, the run ends.
    StopSignal stop([&functions] { functions.StopRequested = true; });
    int passed = 0, chips = 0, code = ExitOk;
    while (!stop.stopped()) {
        ++chips;
        Buffer = *image;
        ChipRecord record{.chip = chips, .device = SelectedDevice().Name, .port = portLabel()};
        if (o_.serial) {
            record.serial = stampSerial();
            if (!record.serial) {
                --chips;
                code = ExitBadInput;
                break;
            }
        }
        // The serial number is part of what the chip holds.
        const ImageFigures figures = FiguresOf(Buffer, size);
        record.checksum = figures.checksum;
        record.crc32 = figures.crc32;
        record.sha1 = figures.sha1;
        record.sha256 = figures.sha256;
        if (!out_.json() && !out_.quiet())
            std::printf(record.serial ? "Chip %d, serial %llu\n" : "Chip %d\n", chips,
                        static_cast<unsigned long long>(record.serial.value_or(0)));
        std::fflush(stdout);
        functions.Run(DeviceFunctions::Auto);
        record.time = QDateTime::currentDateTimeUtc();
        record.steps = host.takeSteps();
        record.exitCode = exitAfter(record.steps);
        // Stopped before the sequence's end: the chip is not finished.
        const int stepsRun = int(record.steps.size());
        if (functions.StopRequested && stepsRun < std::min<int>(AutoCount, MaxAutoSteps) && !functions.Failed) {
            record.interrupted = true;
            if (record.exitCode == ExitOk)
                record.exitCode = ExitChipFailed;
        }
        const QByteArray line = ChipLogLine(record);
        if (record.exitCode == ExitOk)
            ++passed;
        else
            code = std::max(code, record.exitCode);
        if (out_.json())
            std::fputs(line.constData(), stdout);
        else
            out_.line(QStringLiteral("Chip %1: %2").arg(chips).arg(record.exitCode == ExitOk ? QStringLiteral("pass")
                                                                                              : QStringLiteral("FAIL")));
        std::fflush(stdout);
        // A long run keeps no lines of the chips before.
        out_.forgetLines();
        if (!o_.log.isEmpty() && !AppendToLog(o_.log, line, &error)) {
            code = out_.fail(ExitBadInput, QStringLiteral("the log %1 cannot be written: %2").arg(o_.log, error));
            break;
        }
        // Nothing more can be sent once the port is gone.
        if (!o_.repeat || stop.stopped() || functions.PortLost)
            break;
        if (!o_.worker) {
            std::fprintf(stderr, "Insert the next chip and press Enter (q to quit) ");
            std::fflush(stderr);
        }
        std::string answer;
        if (!std::getline(std::cin, answer) || QString::fromStdString(answer).trimmed().startsWith(QLatin1Char('q'), Qt::CaseInsensitive))
            break;
    }
    if (o_.repeat && !o_.worker)
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
    const QString over = device.Size > 0 ? QStringLiteral("%1 bytes of %2").arg(size).arg(device.Name)
                                         : QStringLiteral("%1 bytes (no device selected)").arg(size);
    out_.result().insert(QStringLiteral("size"), size);
    putDigests(ImageHash::Over(image, 0, size), over, out_.result());
}

void App::putDigests(const ImageHash::Digests& d, const QString& over, QJsonObject& into)
{
    out_.line(QStringLiteral("checksum %1, CRC-32 %2 over %3").arg(d.checksum, d.crc32, over));
    out_.line(QStringLiteral("  SHA-1   %1").arg(d.sha1));
    out_.line(QStringLiteral("  SHA-256 %1").arg(d.sha256));
    into.insert(QStringLiteral("checksum"), d.checksum);
    into.insert(QStringLiteral("crc32"), d.crc32);
    into.insert(QStringLiteral("sha1"), d.sha1);
    into.insert(QStringLiteral("sha256"), d.sha256);
}

int App::info()
{
    const QString path = InputName(o_.files[0]);
    const auto image = std::make_unique<FileFormats::Image>();
    LoadedImage loaded;
    if (!loadImage(o_.files[0], *image, loaded))
        return out_.finish(ExitBadInput);
    const ImageFormat format = loaded.format;
    const QByteArray& header = loaded.header;
    const FilledRange& range = loaded.range;
    out_.result().insert(QStringLiteral("format"), FormatKey(format));
    out_.result().insert(QStringLiteral("bytes"), range.bytes);
    if (range.bytes == 0) {
        out_.line(QStringLiteral("%1: %2, no data").arg(path, FormatName(format)));
    } else {
        out_.line(QStringLiteral("%1: %2, addresses %3 to %4, %5 bytes")
                      .arg(path, FormatName(format), modFunc::Hex4(range.first), modFunc::Hex4(range.last))
                      .arg(range.bytes));
        out_.result().insert(QStringLiteral("first"), modFunc::Hex4(range.first));
        out_.result().insert(QStringLiteral("last"), modFunc::Hex4(range.last));
    }
    if (format == ImageFormat::SRecord) {
        // The S0 header as text, its bytes below 20 hex and from 7F up as dots.
        QString text;
        for (char c : header)
            text += uint8_t(c) >= 0x20 && uint8_t(c) < 0x7F ? QChar::fromLatin1(c) : QLatin1Char('.');
        out_.line(QStringLiteral("header \"%1\"").arg(text));
        out_.result().insert(QStringLiteral("header"), text);
    }
    putFigures(*image, range.last + 1);
    if (range.bytes > 0) {
        // What the file itself holds, as a dump archive lists it.
        QJsonObject own{{QStringLiteral("first"), modFunc::Hex4(range.first)}, {QStringLiteral("last"), modFunc::Hex4(range.last)}};
        putDigests(ImageHash::Over(*image, range.first, range.last + 1),
                   QStringLiteral("the file's %1 to %2").arg(modFunc::Hex4(range.first), modFunc::Hex4(range.last)), own);
        out_.result().insert(QStringLiteral("file"), own);
    }
    return out_.finish(ExitOk);
}

int App::convert()
{
    if (o_.split)
        return SplitImage(o_, out_);
    if (o_.merge)
        return MergeLanes(o_, out_);
    const QString in = InputName(o_.files[0]);
    const QString& out = o_.files[1];
    if (const QString problem = OutputProblem(out); !problem.isEmpty())
        return out_.finish(out_.fail(ExitBadInput, problem));
    const ImageFormat to = OutputFormat(out, o_.to);
    const auto image = std::make_unique<FileFormats::Image>();
    LoadedImage loaded;
    if (!loadImage(o_.files[0], *image, loaded))
        return out_.finish(ExitBadInput);
    const ImageFormat from = loaded.format;
    const FilledRange& range = loaded.range;
    QString error;
    // Everything from address 0 to the last byte the file fills; gaps and
    // the start below the first byte read 0xFF.
    const int32_t size = range.last + 1;
    if (to == ImageFormat::IntelHex && size > modFunc::MaxDeviceSize)
        return out_.finish(out_.fail(ExitBadInput, QStringLiteral("%1 fills addresses up to %2; an Intel HEX file "
                                                                  "of 16-bit addresses ends at FFFF")
                                                       .arg(in, modFunc::Hex4(range.last))));
    const QByteArray data = FileFormats::SaveImage(*image, size, to);
    if (!WriteOutput(out, data, &error))
        return out_.finish(out_.fail(ExitBadInput, QStringLiteral("%1 cannot be written: %2").arg(out, error)));
    out_.line(QStringLiteral("%1 (%2) to %3 (%4): %5 bytes").arg(in, FormatName(from), out, FormatName(to)).arg(size));
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
