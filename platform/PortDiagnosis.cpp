#include "platform/PortDiagnosis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace PortDiagnosis {

namespace {

QString& helpReference()
{
    static QString where = QStringLiteral("Help");
    return where;
}

QString ProcessName(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLocal8Bit(f.readAll()).trimmed();
}

bool ProcessAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// The owner of a lock file in the places serial programs put them
// ("LCK..ttyUSB0", "LCK..pts_3"), when it still runs.
QList<PortProcess> LockHolders(const QString& device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList dirs = {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"),
                              QStringLiteral("/etc/locks"), QStringLiteral("/var/spool/locks"),
                              QStringLiteral("/var/spool/uucp"),
                              QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    QList<PortProcess> holders;
    for (const QString& dir : dirs) {
        QFile f(dir + QStringLiteral("/LCK..") + name);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        // The pid in ASCII (possibly padded with spaces) leads the file.
        const qint64 pid = f.read(64).simplified().split(' ').value(0).toLongLong();
        if (pid != ::getpid() && ProcessAlive(pid) && !std::any_of(holders.begin(), holders.end(),
                                                               [&](const PortProcess& p) { return p.pid == pid; }))
            holders.append({pid, ProcessName(pid)});
    }
    return holders;
}

// Every other process that has the device open (as far as /proc lets us see).
QList<PortProcess> OpenHolders(const QString& device)
{
    QList<PortProcess> holders;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : pids) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == ::getpid())
            continue;
        const QString fdDir = QStringLiteral("/proc/%1/fd").arg(entry);
        const QStringList fds = QDir(fdDir).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& fd : fds) {
            if (QFile::symLinkTarget(fdDir + QLatin1Char('/') + fd) == device) {
                holders.append({pid, ProcessName(pid)});
                break;
            }
        }
    }
    return holders;
}

bool UserListedInGroup(gid_t gid)
{
    const passwd* pw = ::getpwuid(::getuid());
    if (!pw)
        return false;
    if (pw->pw_gid == gid)
        return true;
    const group* gr = ::getgrgid(gid);
    if (!gr)
        return false;
    for (char** member = gr->gr_mem; member && *member; ++member)
        if (qstrcmp(*member, pw->pw_name) == 0)
            return true;
    return false;
}

bool ProcessHasGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int n = ::getgroups(0, nullptr);
    if (n <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    const int got = ::getgroups(n, groups.data());
    groups.resize(static_cast<size_t>(std::max(got, 0)));
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

}  // namespace

void SetHelpReference(const QString& where) { helpReference() = where; }
QString HelpReference() { return helpReference(); }

PortFacts Gather(const QString& path)
{
    PortFacts facts;
    facts.path = path;
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0)
        return facts;
    facts.exists = true;
    facts.device = QFileInfo(path).canonicalFilePath();
    facts.isCharDevice = S_ISCHR(st.st_mode);
    facts.accessible = ::access(native.constData(), R_OK | W_OK) == 0;
    if (const passwd* pw = ::getpwuid(st.st_uid))
        facts.owner = QString::fromLocal8Bit(pw->pw_name);
    else
        facts.owner = QString::number(st.st_uid);
    if (const group* gr = ::getgrgid(st.st_gid))
        facts.group = QString::fromLocal8Bit(gr->gr_name);
    else
        facts.group = QString::number(st.st_gid);
    facts.groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    facts.inGroupNow = ProcessHasGroup(st.st_gid);
    facts.inGroupListed = UserListedInGroup(st.st_gid);
    facts.holders = LockHolders(facts.device);
    facts.lockedByHolder = !facts.holders.isEmpty();
    if (!facts.lockedByHolder)
        facts.holders = OpenHolders(facts.device);
    return facts;
}

QString ListProcesses(const QList<PortProcess>& processes)
{
    QStringList parts;
    for (const PortProcess& p : processes)
        parts << QStringLiteral("process %1 (%2)").arg(p.pid).arg(p.name);
    return parts.join(QStringLiteral(", "));
}

QString TroublemakerFix(const QString& name)
{
    if (name == QLatin1String("brltty"))
        return QStringLiteral("brltty takes USB serial adapters for braille displays; "
                              "if you use none, remove it (sudo apt remove brltty) and plug the adapter in again");
    if (name == QLatin1String("ModemManager"))
        return QStringLiteral("ModemManager probes new serial devices for modems; stop it "
                              "(sudo systemctl stop ModemManager) or give the adapter the udev "
                              "property ID_MM_DEVICE_IGNORE=1");
    return {};
}

QList<PortProcess> RunningTroublemakers()
{
    QList<PortProcess> found;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : pids) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        const QString name = ProcessName(pid);
        if (!TroublemakerFix(name).isEmpty())
            found.append({pid, name});
    }
    return found;
}

QString Explain(const PortFacts& facts, const QString& envName, bool refusedAsBusy)
{
    if (!facts.exists) {
        if (envName.isEmpty())
            return QStringLiteral("no such device %1").arg(facts.path);
        return QStringLiteral("no such device %1: %2 explains %3").arg(facts.path, helpReference(), envName);
    }
    if (!facts.accessible) {
        const QString denied = QStringLiteral("permission denied on %1: ").arg(facts.path);
        if (!facts.groupMayOpen)
            return denied + QStringLiteral("only its owner %1 may open it; a udev rule can give a group access")
                                .arg(facts.owner);
        if (facts.inGroupListed && !facts.inGroupNow)
            return denied + QStringLiteral("you were added to the group %1 after you logged in; log in again")
                                .arg(facts.group);
        return denied + QStringLiteral("add your user to the group %1 (sudo usermod -aG %1 \"$USER\") and log in again")
                            .arg(facts.group);
    }
    if (!facts.isCharDevice)
        return QStringLiteral("%1 is not a serial device").arg(facts.path);
    if (refusedAsBusy && !facts.holders.isEmpty()) {
        QString text = QStringLiteral("%1 is in use by %2").arg(facts.path, ListProcesses(facts.holders));
        for (const PortProcess& p : facts.holders) {
            const QString fix = TroublemakerFix(p.name);
            if (!fix.isEmpty())
                text += QStringLiteral("; ") + fix;
        }
        return text;
    }
    return {};
}

}  // namespace PortDiagnosis
