#include "core/StartDir.h"

#include "core/PortMap.h"
#include "core/modFunc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace modFunc {

namespace {

bool Holds(const QString& dir, const QString& name) { return QFileInfo(QDir(dir).filePath(name)).isFile(); }

// Copies each default start file dir lacks from the first installed
// directory holding a catalogue, under a temporary name first so that an
// interrupted copy never leaves half a file. A file the user has is kept.
void FillFromDefaults(const QString& dir, const QStringList& installed, QStringList& trail)
{
    QString source;
    for (const QString& d : installed)
        if (HoldsCatalogue(d)) {
            source = d;
            break;
        }
    if (source.isEmpty()) {
        trail << QStringLiteral("%1: no installed defaults to fill it from").arg(dir);
        return;
    }
    if (!QDir().mkpath(dir)) {
        trail << QStringLiteral("%1: cannot be made").arg(dir);
        return;
    }
    for (const QString& name : {CatalogueFileName, ConfigFileName, AutoFileName}) {
        const QString target = QDir(dir).filePath(name);
        if (QFileInfo::exists(target) || !Holds(source, name))
            continue;
        const QString part = QDir(dir).filePath(QLatin1Char('.') + name + QStringLiteral(".new"));
        QFile::remove(part);
        if (QFile::copy(QDir(source).filePath(name), part) && QFile::rename(part, target))
            trail << QStringLiteral("%1: %2 copied from %3").arg(dir, name, source);
        else
            QFile::remove(part);
    }
}

}  // namespace

bool HoldsCatalogue(const QString& dir) { return Holds(dir, CatalogueFileName); }

StartDir FindStartDir(const QString& dirOption, const QString& current, const QString& configHome,
                      const QStringList& installed, StartDirUse use)
{
    StartDir start;
    const QString user = configHome.isEmpty() ? QString() : QDir(configHome).filePath(QStringLiteral("quirra"));
    auto choose = [&](const QString& path, const QString& reason) {
        start.path = QDir::cleanPath(path);
        start.reason = reason;
        start.trail << QStringLiteral("%1: holds %2, used").arg(start.path, CatalogueFileName);
    };
    auto skip = [&](const QString& path, const QString& why) {
        start.searched << path;
        start.trail << QStringLiteral("%1: skipped, %2").arg(path, why);
    };
    const QString noCatalogue = QStringLiteral("no %1").arg(CatalogueFileName);
    if (!dirOption.isEmpty()) {
        start.path = dirOption;
        start.reason = QStringLiteral("--dir");
        start.trail << QStringLiteral("%1: given by --dir").arg(dirOption);
    } else if (HoldsCatalogue(current)) {
        choose(current, QStringLiteral("the current directory"));
    } else {
        skip(current, noCatalogue);
        if (!user.isEmpty() && use == StartDirUse::FillUserDir)
            FillFromDefaults(user, installed, start.trail);
        if (!user.isEmpty() && HoldsCatalogue(user)) {
            choose(user, QStringLiteral("the user's configuration"));
        } else {
            if (!user.isEmpty())
                skip(user, noCatalogue);
            // The window writes its settings, so it never starts in the
            // installed defaults: it has copied them above if it could.
            for (const QString& dir : use == StartDirUse::ReadOnly ? installed : QStringList()) {
                if (HoldsCatalogue(dir)) {
                    choose(dir, QStringLiteral("the installed defaults"));
                    break;
                }
                skip(dir, noCatalogue);
            }
        }
        if (start.path.isEmpty()) {
            start.path = current;
            start.reason = QStringLiteral("the current directory");
            start.found = false;
        } else {
            start.searched.clear();
        }
    }
    start.portMapDir = start.path;
    if (!Holds(start.path, PortMapFileName) && dirOption.isEmpty() && !user.isEmpty() && Holds(user, PortMapFileName))
        start.portMapDir = QDir::cleanPath(user);
    if (Holds(start.portMapDir, PortMapFileName))
        start.trail << QStringLiteral("%1: port map read from here").arg(QDir(start.portMapDir).filePath(PortMapFileName));
    return start;
}

QString ConfigHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QString() : QDir(home).filePath(QStringLiteral(".config"));
}

QStringList InstalledDataDirs()
{
    // The program's own path, as the kernel gives it: QCoreApplication is
    // not needed, so --help can answer before one exists.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    QStringList dirs;
    if (!program.isEmpty())
        dirs << QDir::cleanPath(QFileInfo(program).absolutePath() + QStringLiteral("/" QUIRRA_BIN_TO_DATA));
    dirs << QStringLiteral("/usr/local/share/quirra") << QStringLiteral("/usr/share/quirra");
    dirs.removeDuplicates();
    return dirs;
}

StartDir FindStartDirHere(const QString& dirOption, StartDirUse use)
{
    return FindStartDir(dirOption, QDir::currentPath(), ConfigHome(), InstalledDataDirs(), use);
}

}  // namespace modFunc
