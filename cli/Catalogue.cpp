#include "cli/Catalogue.h"

#include "core/HexText.h"
#include "core/modFunc.h"
#include "device/DeviceProtocol.h"

#include <QJsonObject>

namespace cli {

QList<int> FindDevice(const QString& name)
{
    using modFunc::DeviceTable;
    QList<int> matches;
    const int count = std::clamp<int>(modFunc::DeviceCount, 0, modFunc::MaxDeviceCount);
    for (int i = 1; i <= count; ++i) {
        const QString& n = DeviceTable[size_t(i)].Name;
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return {i};
        if (n.startsWith(name + QLatin1Char(' '), Qt::CaseInsensitive))
            matches << i;
    }
    return matches;
}

QStringList DeviceFunctionList(int index, QString* problem)
{
    const modFunc::DeviceRecord& device = modFunc::DeviceTable[size_t(std::clamp(index, 0, modFunc::MaxDeviceCount))];
    *problem = DeviceProtocol::FunctionProblem(int16_t(index), device);
    if (problem->isEmpty())
        *problem = DeviceProtocol::TypeLetterProblem(device.TypeCode);
    if (!problem->isEmpty())
        return {};
    QStringList f{QStringLiteral("read"), QStringLiteral("program"), QStringLiteral("verify"), QStringLiteral("blank")};
    if (DeviceProtocol::EraseOffered(device.TypeCode))
        f << QStringLiteral("erase");
    if (DeviceProtocol::LockOffered(device.TypeCode))
        f << QStringLiteral("lock");
    return f;
}

QString DevicesText()
{
    const int count = std::clamp<int>(modFunc::DeviceCount, 0, modFunc::MaxDeviceCount);
    int width = 4;
    for (int i = 1; i <= count; ++i)
        width = std::max(width, int(modFunc::DeviceTable[size_t(i)].Name.size()));
    QString text = QStringLiteral("%1  %2  %3  %4  %5\n")
                       .arg(QStringLiteral("No"), 2)
                       .arg(QStringLiteral("Name"), -width)
                       .arg(QStringLiteral("Type"), 4)
                       .arg(QStringLiteral("Size"), 6)
                       .arg(QStringLiteral("Functions"));
    for (int i = 1; i <= count; ++i) {
        const modFunc::DeviceRecord& d = modFunc::DeviceTable[size_t(i)];
        QString problem;
        const QStringList functions = DeviceFunctionList(i, &problem);
        text += QStringLiteral("%1  %2  %3  %4  %5\n")
                    .arg(i, 2)
                    .arg(d.Name, -width)
                    .arg(d.TypeCode, 4)
                    .arg(HexText::Hex(d.Size) + QLatin1Char('h'), 6)
                    .arg(functions.isEmpty() ? QStringLiteral("none: ") + problem : functions.join(QStringLiteral(", ")));
    }
    return text;
}

QJsonArray DevicesJson()
{
    QJsonArray list;
    const int count = std::clamp<int>(modFunc::DeviceCount, 0, modFunc::MaxDeviceCount);
    for (int i = 1; i <= count; ++i) {
        const modFunc::DeviceRecord& d = modFunc::DeviceTable[size_t(i)];
        QString problem;
        const QStringList functions = DeviceFunctionList(i, &problem);
        QJsonObject o{{QStringLiteral("record"), i},
                                {QStringLiteral("name"), d.Name},
                                {QStringLiteral("typeCode"), d.TypeCode},
                                {QStringLiteral("size"), HexText::Hex(d.Size)},
                      {QStringLiteral("functions"), QJsonArray::fromStringList(functions)}};
        if (!problem.isEmpty())
            o.insert(QStringLiteral("problem"), problem);
        list.append(o);
    }
    return list;
}

}  // namespace cli
