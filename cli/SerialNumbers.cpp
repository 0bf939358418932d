#include "cli/SerialNumbers.h"

#include "cli/CliOptions.h"
#include "core/modFunc.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>

namespace cli {

namespace {

struct FormatName {
    const char* name;
    SerialField::Format format;
};

const FormatName formatNames[] = {{"le2", SerialField::Format::Le2},
                                  {"le4", SerialField::Format::Le4},
                                  {"be2", SerialField::Format::Be2},
                                  {"be4", SerialField::Format::Be4},
                                  {"ascii8", SerialField::Format::Ascii8}};

// Decimal digits only, at most what a 64-bit count holds.
std::optional<uint64_t> Decimal(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,19}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    return text.toULongLong();
}

// Runs the event loop for ms milliseconds.
void Rest(int ms)
{
    bool done = false;
    QTimer::singleShot(ms, [&done] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

std::optional<SerialField> ParseSerialField(const QString& text, QString* error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    auto fail = [&](const QString& why) {
        *error = QStringLiteral("--serial takes ADDR:START[:STEP][:FORMAT], not \"%1\": %2").arg(text, why);
        return std::nullopt;
    };
    if (parts.size() < 2 || parts.size() > 4)
        return fail(QStringLiteral("two to four fields"));
    SerialField field;
    if (!ParseHexAddress(parts[0], field.address))
        return fail(QStringLiteral("ADDR is a hexadecimal address"));
    const std::optional<uint64_t> start = Decimal(parts[1]);
    if (!start)
        return fail(QStringLiteral("START is a decimal number"));
    field.start = *start;
    QStringList rest = parts.mid(2);
    // A last field that is not a number names the format.
    if (!rest.isEmpty() && !Decimal(rest.last())) {
        const QString name = rest.takeLast().toLower();
        const auto* f = std::find_if(std::begin(formatNames), std::end(formatNames),
                                     [&](const FormatName& n) { return name == QLatin1String(n.name); });
        if (f == std::end(formatNames))
            return fail(QStringLiteral("FORMAT is le2, le4, be2, be4 or ascii8"));
        field.format = f->format;
    }
    if (!rest.isEmpty()) {
        if (rest.size() > 1)
            return fail(QStringLiteral("FORMAT is le2, le4, be2, be4 or ascii8"));
        const std::optional<uint64_t> step = Decimal(rest.first());
        if (!step || *step == 0)
            return fail(QStringLiteral("STEP is a decimal number from 1"));
        field.step = *step;
    }
    if (field.start > SerialLimit(field.format))
        return fail(QStringLiteral("START is larger than the format holds (%1)").arg(SerialLimit(field.format)));
    return field;
}

int SerialWidth(SerialField::Format format)
{
    switch (format) {
    case SerialField::Format::Le2:
    case SerialField::Format::Be2: return 2;
    case SerialField::Format::Le4:
    case SerialField::Format::Be4: return 4;
    case SerialField::Format::Ascii8: return 8;
    }
    return 4;
}

uint64_t SerialLimit(SerialField::Format format)
{
    switch (SerialWidth(format)) {
    case 2: return 0xFFFF;
    case 4: return 0xFFFFFFFF;
    default: return 99999999;
    }
}

QByteArray SerialBytes(uint64_t n, SerialField::Format format)
{
    if (format == SerialField::Format::Ascii8)
        return QByteArray::number(qulonglong(n)).rightJustified(8, '0', true);
    const int width = SerialWidth(format);
    QByteArray bytes(width, '\0');
    const bool little = format == SerialField::Format::Le2 || format == SerialField::Format::Le4;
    for (int i = 0; i < width; ++i)
        bytes[little ? i : width - 1 - i] = char((n >> (8 * i)) & 0xFF);
    return bytes;
}

QString SerialFieldProblem(const SerialField& field, const uint8_t* image, int32_t deviceSize, bool overwrite)
{
    const uint64_t end = uint64_t(field.address) + uint64_t(SerialWidth(field.format));
    if (deviceSize <= 0 || end > uint64_t(deviceSize))
        return QStringLiteral("the serial number at %1 to %2 does not fit the device, which ends at %3")
            .arg(modFunc::Hex4(int32_t(field.address)), modFunc::Hex4(int32_t(end - 1)),
                 modFunc::Hex4(std::max(deviceSize - 1, 0)));
    if (overwrite)
        return {};
    for (uint32_t a = field.address; a < end; ++a)
        if (image[a] != 0xFF)
            return QStringLiteral("the image sets %1 to %2, where the serial number goes; --serial-overwrite "
                                  "writes it over the image")
                .arg(modFunc::Hex4(int32_t(a)), modFunc::Hex2(image[a]));
    return {};
}

std::optional<uint64_t> NextSerial(const QString& path, const SerialField& field, QString* error)
{
    uint64_t n = field.start;
    QFile in(path);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("the serial number file %1 cannot be read: %2").arg(path, in.errorString());
            return std::nullopt;
        }
        const std::optional<uint64_t> next = Decimal(QString::fromLatin1(in.read(64)).trimmed());
        if (!next) {
            *error = QStringLiteral("the serial number file %1 holds no number; it is left as it is").arg(path);
            return std::nullopt;
        }
        n = *next;
    }
    if (n > SerialLimit(field.format)) {
        *error = QStringLiteral("the next serial number, %1, is larger than the format holds (%2)")
                     .arg(n).arg(SerialLimit(field.format));
        return std::nullopt;
    }
    return n;
}

std::optional<uint64_t> TakeSerial(const QString& path, const SerialField& field, QString* error)
{
    QLockFile lock(path + QStringLiteral(".lock"));
    // Held for a moment only; a lock left by a process that died is stale.
    lock.setStaleLockTime(0);
    QDeadlineTimer deadline(10000);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) {
            *error = QStringLiteral("the serial number file %1 cannot be locked").arg(path);
            return std::nullopt;
        }
        Rest(5);
    }
    const std::optional<uint64_t> n = NextSerial(path, field, error);
    if (!n)
        return std::nullopt;
    QSaveFile out(path);
    const QByteArray text = QByteArray::number(qulonglong(*n + field.step)) + '\n';
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        *error = QStringLiteral("the serial number file %1 cannot be written: %2").arg(path, out.errorString());
        return std::nullopt;
    }
    return n;
}

}  // namespace cli
