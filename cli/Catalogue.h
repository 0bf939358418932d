// Where quirra-cli finds its start files, and the device catalogue as the
// terminal sees it: a device chosen by name, and the catalogue as a table.
#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

// The start directory of a run and why it was chosen.
struct StartDir {
    QString path;
    QString reason;  // "--dir", "current directory", ...
    bool found = true;  // false: no candidate holds the catalogue
    QStringList searched;  // the directories looked in, when not found
};

// --dir when given; else the first of the current directory,
// configHome/quirra and the installed directories that holds the
// catalogue; else the current directory, with found false.
StartDir FindStartDir(const QString& dirOption, const QString& current, const QString& configHome,
                      const QStringList& installed);
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
QString ConfigHome();
// Where the installed defaults may lie: beside this program's installation
// prefix, then the usual system places.
QStringList InstalledDataDirs();
// FindStartDir with this process's current directory, environment and
// installation.
StartDir FindStartDirHere(const QString& dirOption);

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
