#include "core/modFunc.h"

#include "core/DelimitedText.h"
#include "core/PortMap.h"
#include "devices/DeviceCatalogue.h"
#include "options/AutoFile.h"
#include "core/Reporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <cerrno>
#include <cmath>

namespace modFunc {

std::array<uint8_t, BufferSize> Buffer = [] {
    std::array<uint8_t, BufferSize> b{};
    b.fill(0xFF);
    return b;
}();
std::array<DeviceRecord, DeviceSlots> DeviceTable;
int16_t DeviceCount = 0;
int16_t DeviceIndex = 0;
QString AppPath;
int16_t ComPort = 1;
bool TimeOutFlag = false;
int16_t RxExpected = 0;
QByteArray RxData;
bool DeviceFound = false;
int16_t AutoCount = 0;
std::array<int16_t, MaxAutoSteps + 1> AutoList{};

const DeviceRecord& SelectedDevice()
{
    if (DeviceIndex < 0 || DeviceIndex >= DeviceSlots)
        return DeviceTable[0];
    return DeviceTable[DeviceIndex];
}

const QStringList& StepNames()
{
    static const QStringList names = {QStringLiteral("Read"),    QStringLiteral("Erase"),  QStringLiteral("Blank"),
                                      QStringLiteral("Program"), QStringLiteral("Verify"), QStringLiteral("Lock"),
                                      QStringLiteral("Auto")};
    return names;
}

bool DeviceSelected() { return DeviceIndex > 0 && DeviceIndex < DeviceSlots; }

QString DeviceProblem(const DeviceRecord& device)
{
    if (device.Size < 0 || device.Size > MaxDeviceSize)
        return QStringLiteral("The device \"%1\" has a size of %2 bytes; only sizes from 0 to %3 bytes "
                              "(64 KiB) can be used. Correct its record in %4.")
            .arg(device.Name)
            .arg(device.Size)
            .arg(MaxDeviceSize)
            .arg(CatalogueFileName);
    return {};
}

QString DeviceProblem() { return DeviceProblem(SelectedDevice()); }

QString AppFile(const QString& name) { return QDir(AppPath).filePath(name); }

int64_t RoundHalfEven(double x)
{
    if (!std::isfinite(x))
        return 0;
    double whole = std::floor(x);
    const double rest = x - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return static_cast<int64_t>(whole);
}

bool ReadWholeFile(const QString& path, QByteArray& data, bool* exists, QString* error)
{
    QFile f(path);
    *exists = f.exists();
    if (!*exists)
        return false;
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

namespace {
// Why a write failed. After a short write (a full disk, a file size limit)
// the file says nothing of its own, so the system's last error names the
// cause, or failing that the free space does.
QString WriteFailure(const QSaveFile& f, int systemError, qint64 size)
{
    const QString said = f.errorString();
    if (!said.isEmpty() && said != QLatin1String("Unknown error"))
        return said;
    if (systemError != 0)
        return qt_error_string(systemError);
    const QStorageInfo volume(QFileInfo(f.fileName()).absolutePath());
    if (volume.isValid() && volume.bytesAvailable() < size)
        return qt_error_string(ENOSPC);
    return said;
}
}  // namespace

bool WriteWholeFile(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile f(path);
    errno = 0;
    bool written = f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    int systemError = errno;
    if (written) {
        errno = 0;
        written = f.commit();
        systemError = errno;
    }
    if (!written && error)
        *error = WriteFailure(f, systemError, data.size());
    return written;
}

QStringList LoadConfig()
{
    ComPort = 1;
    DeviceCount = 0;
    DeviceIndex = 0;

    QByteArray text;
    bool exists = false;
    QString error;
    if (!ReadWholeFile(AppFile(ConfigFileName), text, &exists, &error)) {
        if (!exists)
            return {};  // first start: defaults, no message
        return {QStringLiteral("%1 cannot be read: %2. Starting with COM1 and no device.")
                    .arg(ConfigFileName, error)};
    }

    QStringList problems;
    DelimitedReader in(text, ConfigFileName);
    int16_t v = 0;
    if (!in.readInt16(v))
        problems << in.error() + QStringLiteral("; COM1 is used.");
    else if (v < 1 || v > MaxPortNumber)
        problems << QStringLiteral("%1, line %2: the port %3 is outside 1 to %4; COM1 is used.")
                        .arg(ConfigFileName).arg(in.line()).arg(v).arg(MaxPortNumber);
    else
        ComPort = v;

    auto readClamped = [&](int16_t& target, const QString& what) {
        if (!in.readInt16(v)) {
            problems << in.error() + QStringLiteral("; %1 0 is used.").arg(what);
            return;
        }
        if (v < 0 || v > MaxDeviceCount) {
            const int16_t clamped = v < 0 ? 0 : MaxDeviceCount;
            problems << QStringLiteral("%1, line %2: the %3 %4 is outside 0 to %5; %6 is used.")
                            .arg(ConfigFileName).arg(in.line()).arg(what).arg(v).arg(MaxDeviceCount).arg(clamped);
            v = clamped;
        }
        target = v;
    };
    readClamped(DeviceCount, QStringLiteral("device count"));
    readClamped(DeviceIndex, QStringLiteral("device index"));
    return problems;
}

bool SaveConfig(QString* error)
{
    DelimitedWriter out;
    out.number(ComPort).number(DeviceCount).number(DeviceIndex);
    return WriteWholeFile(AppFile(ConfigFileName), out.bytes(), error);
}

QStringList ReadStartFiles(const QString& dir, const QString& portMapDir)
{
    AppPath = QDir(dir).absolutePath();
    PortMapDir = portMapDir.isEmpty() ? AppPath : QDir(portMapDir).absolutePath();
    QStringList problems = LoadConfig();
    problems << LoadDeviceCatalogue();
    problems << LoadAuto();
    problems << LoadPortMap();
    return problems;
}

void ReportStartProblems(const QStringList& problems)
{
    if (problems.isEmpty())
        return;
    // The box must fit the screen: the first few problems, and a count of the rest.
    constexpr qsizetype Listed = 10;
    QStringList shown = problems.mid(0, Listed);
    if (problems.size() > Listed)
        shown << QStringLiteral("and %1 more").arg(problems.size() - Listed);
    Report(shown.join(QStringLiteral("\n\n")), QStringLiteral("Quirra"), MsgIcon::Warning);
}

}  // namespace modFunc
