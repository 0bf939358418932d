// Why a serial port cannot be opened, and what fixes it: the facts about a
// device file (does it exist, may this user open it, which group owns it,
// which processes hold it) and the text that names the cause. Shared by the
// window's port error box and the terminal program's "ports" listing.
#pragma once

#include <QList>
#include <QString>

struct PortProcess {
    qint64 pid = 0;
    QString name;  // the command name, as in /proc/<pid>/comm
};

struct PortFacts {
    QString path;              // as it was asked for (may be a link)
    QString device;            // the file it stands for; empty when missing
    bool exists = false;
    bool isCharDevice = false;
    bool accessible = false;   // this process may read and write it
    QString owner;             // user owning the device file
    QString group;             // group owning the device file
    bool groupMayOpen = false; // the group has read and write permission
    bool inGroupNow = false;   // this process carries that group
    bool inGroupListed = false;// the group database lists this user in it
    // Who holds it: the owner of its lock file when there is one, otherwise
    // every other process with the device open.
    QList<PortProcess> holders;
    bool lockedByHolder = false; // holders came from a lock file
};

namespace PortDiagnosis {

// Gathers the facts about path from the file system, the group database,
// the lock files and /proc.
PortFacts Gather(const QString& path);

// The cause and its fix for a port that failed to open, or empty when the
// facts show nothing wrong. envName is the variable that can point the port
// elsewhere (QUIRRA_COM1), empty when the path was given directly;
// refusedAsBusy says the open was refused in a way that another holder
// explains.
QString Explain(const PortFacts& facts, const QString& envName, bool refusedAsBusy);

// Known programs that take or probe serial adapters (brltty, ModemManager)
// and are running now.
QList<PortProcess> RunningTroublemakers();
// The fix for one of them, empty for any other program.
QString TroublemakerFix(const QString& name);

// "process 1234 (brltty), process 99 (minicom)".
QString ListProcesses(const QList<PortProcess>& processes);

// Where the user reads about QUIRRA_COMn: "Help" in the window; the
// terminal program names its --help.
void SetHelpReference(const QString& where);
QString HelpReference();

}  // namespace PortDiagnosis
