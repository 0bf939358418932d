// The device catalogue quirra.dev, read once at start-up into DeviceTable.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace modFunc {

// Reads records 1 to DeviceCount of the catalogue in AppPath into
// DeviceTable. Records that cannot be read stay empty; returns the problems.
QStringList LoadDeviceCatalogue();

// The same from catalogue text already in memory (fileName for messages).
// Fills DeviceTable[1..count]; returns how many records were read and
// appends a problem to *problem when fewer than count.
int ParseDeviceCatalogue(const QByteArray& text, int count, QString* problem);

}  // namespace modFunc
