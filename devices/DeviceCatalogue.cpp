#include "devices/DeviceCatalogue.h"

#include "core/DelimitedText.h"
#include "core/modFunc.h"

namespace modFunc {

int ParseDeviceCatalogue(const QByteArray& text, int count, QString* problem)
{
    count = std::clamp(count, 0, MaxDeviceCount);
    for (auto& record : DeviceTable)
        record = DeviceRecord{};

    DelimitedReader in(text, CatalogueFileName);
    int read = 0;
    while (read < count) {
        DeviceRecord record;
        if (!in.readText(record.Name) || !in.readInt16(record.TypeCode) || !in.readInt32(record.Size)) {
            if (problem)
                *problem = QStringLiteral("%1; %2 of %3 device records were read.")
                               .arg(in.error()).arg(read).arg(count);
            break;
        }
        DeviceTable[++read] = std::move(record);
    }
    return read;
}

QStringList LoadDeviceCatalogue()
{
    const int count = std::clamp<int>(DeviceCount, 0, MaxDeviceCount);
    QByteArray text;
    bool exists = false;
    QString error;
    if (!ReadWholeFile(AppFile(CatalogueFileName), text, &exists, &error)) {
        ParseDeviceCatalogue({}, 0, nullptr);
        if (count == 0)
            return {};
        const QString why = exists ? QStringLiteral("cannot be read: %1").arg(error)
                                   : QStringLiteral("is missing");
        return {QStringLiteral("%1 %2; 0 of %3 device records were read.").arg(CatalogueFileName, why).arg(count)};
    }
    QString problem;
    ParseDeviceCatalogue(text, count, &problem);
    if (problem.isEmpty())
        return {};
    return {problem};
}

}  // namespace modFunc
