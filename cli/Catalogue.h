// Where quirra-cli finds its start files, and the device catalogue as the
// terminal sees it: a device chosen by name, and the catalogue as a table.
#pragma once

#include "core/StartDir.h"

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

// The start directory: found as the window finds it (core/StartDir.h).
using modFunc::ConfigHome;
using modFunc::FindStartDir;
using modFunc::FindStartDirHere;
using modFunc::InstalledDataDirs;
using modFunc::StartDir;

// The records whose name is `name` or begins with `name` and a space, in
// any case; an exact name alone wins over those that begin with it.
QList<int> FindDevice(const QString& name);

// The functions record `index` offers ("read", "program", ..., "lock");
// none, with *problem saying why, when the functions cannot serve it.
QStringList DeviceFunctionList(int index, QString* problem);
// The catalogue as a table, one line a record and a heading.
QString DevicesText();
QJsonArray DevicesJson();

}  // namespace cli
