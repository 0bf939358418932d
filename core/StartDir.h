// Where the programs find their start files: the directory that holds the
// device catalogue, and the port map beside it or in the user's
// configuration. quirra and quirra-cli search the same places in the same
// order; only quirra-cli may run on the installed defaults directly (it
// never writes them), while the window fills the user's directory from them.
#pragma once

#include <QString>
#include <QStringList>

namespace modFunc {

// The start directory of a run and why it was chosen.
struct StartDir {
    QString path;
    QString reason;        // "--dir", "the current directory", ...
    bool found = true;     // false: no candidate holds the catalogue
    QStringList searched;  // the directories looked in, when not found
    QStringList trail;     // one line per directory looked at, and why it was used or skipped
    QString portMapDir;    // where ports.cfg is read and written
};

enum class StartDirUse {
    ReadOnly,     // quirra-cli: the installed defaults may be the start directory
    FillUserDir,  // the window: the user's directory is filled from the defaults
};

// --dir when given; else the current directory when it holds the
// catalogue; else configHome/quirra (filled from the first installed
// directory holding a catalogue first, for FillUserDir) when it holds one;
// else, for ReadOnly, the first installed directory that holds one; else the
// current directory, with found false. ports.cfg is read from the start
// directory when it holds one, else from configHome/quirra when that does.
StartDir FindStartDir(const QString& dirOption, const QString& current, const QString& configHome,
                      const QStringList& installed, StartDirUse use = StartDirUse::ReadOnly);
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
QString ConfigHome();
// Where the installed defaults may lie: beside this program's installation
// prefix, then the usual system places. Needs no QCoreApplication.
QStringList InstalledDataDirs();
// FindStartDir with this process's current directory, environment and
// installation.
StartDir FindStartDirHere(const QString& dirOption, StartDirUse use = StartDirUse::ReadOnly);
// Whether dir holds the device catalogue.
bool HoldsCatalogue(const QString& dir);

}  // namespace modFunc
