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
        if (!in.readText(record.Name, QStringLiteral("the name"))
            || !in.readInt16(record.TypeCode, QStringLiteral("the type code"))
            || !in.readInt32(record.Size, QStringLiteral("the size"))) {
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
    QString problem;
    int read = 0;
    if (ReadWholeFile(AppFile(CatalogueFileName), text, &exists, &error)) {
        read = ParseDeviceCatalogue(text, count, &problem);
    } else {
        ParseDeviceCatalogue({}, 0, nullptr);
        const QString why = exists ? QStringLiteral("cannot be read: %1").arg(error)
                                   : QStringLiteral("is missing");
        if (count > 0)
            problem = QStringLiteral("%1 %2; 0 of %3 device records were read.").arg(CatalogueFileName, why).arg(count);
    }
    QStringList problems;
    if (!problem.isEmpty())
        problems << problem;
    // A selection that points past the records read would show an empty
    // device and use size 0 without a word; say so and select none.
    if (DeviceIndex > read) {
        problems << QStringLiteral("%1: the selected device record %2 does not exist (%3 device records were "
                                   "read); no device is selected.")
                        .arg(ConfigFileName).arg(DeviceIndex).arg(read);
        DeviceIndex = 0;
    }
    return problems;
}

}  // namespace modFunc
