// A new user's first start: where the window and quirra-cli find their start
// files and the port map, and what the window suggests when no programmer
// answers.
#include "core/ProgrammerLink.h"
#include "core/StartDir.h"
#include "core/modFunc.h"
#include "options/frmSettings.h"
#include "support/WindowSupport.h"

#include <QListWidget>
#include <QtTest>

using namespace modFunc;

namespace {
// Directories under the test's own: "cwd", "config" (configHome, whose
// quirra/ is the user's directory) and "share" (the installed defaults).
// `files` lists "dir/name" to create; the user's quirra.cfg says "user".
struct StartCase {
    StartDirUse use;
    QStringList files;
    QString chosen;       // "" for not found
    QString portMapDir;
    QStringList userDir;  // what the user's directory holds afterwards, sorted
    QString trail;        // a line the trail must hold
    QString option{};     // --dir
};

struct NextStepCase {
    ProbeResult::Outcome outcome;
    QString portError;
    bool usbPresent;
    QString says;  // "" for no next step
};
}  // namespace
Q_DECLARE_METATYPE(StartCase)
Q_DECLARE_METATYPE(NextStepCase)

class TestFirstRun : public QObject {
    Q_OBJECT
private slots:
    void startDir_data()
    {
        QTest::addColumn<StartCase>("c");
        const QString user = "config/quirra", defaults = "share/quirra.dev share/quirra.cfg share/auto.cfg";
        const QStringList filled = {"auto.cfg", "quirra.cfg", "quirra.dev"};
        auto row = [](const char* name, const StartCase& c) { QTest::newRow(name) << c; };
        using U = StartDirUse;
        row("window: catalogue here", {U::FillUserDir, ("cwd/quirra.dev " + defaults).split(' '), "cwd", "cwd", {}, "cwd: holds quirra.dev, used"});
        row("window: first start fills the user's directory",
            {U::FillUserDir, defaults.split(' '), user, user, filled, "cwd: skipped, no quirra.dev"});
        row("window: the user's settings are kept",
            {U::FillUserDir, (defaults + " config/quirra/quirra.cfg").split(' '), user, user, filled, "quirra.dev copied"});
        row("window: no defaults", {U::FillUserDir, {}, "", "cwd", {}, "no installed defaults"});
        row("window: a hand-written port map before the first start",
            {U::FillUserDir, (defaults + " config/quirra/ports.cfg").split(' '), user, user, {"auto.cfg", "ports.cfg", "quirra.cfg", "quirra.dev"}, "port map read"});
        row("cli: installed defaults, the user's port map",
            {U::ReadOnly, (defaults + " config/quirra/ports.cfg").split(' '), "share", user, {"ports.cfg"}, "share: holds"});
        row("cli: the start directory's own port map wins",
            {U::ReadOnly, ("cwd/quirra.dev cwd/ports.cfg config/quirra/ports.cfg " + defaults).split(' '), "cwd", "cwd", {"ports.cfg"}, ""});
        row("cli: --dir first, there or not",
            {U::ReadOnly, ("cwd/quirra.dev config/quirra/quirra.dev " + defaults).split(' '), "elsewhere", "elsewhere", {"quirra.dev"}, "", "elsewhere"});
        row("cli: the user's catalogue before the defaults",
            {U::ReadOnly, ("config/quirra/quirra.dev " + defaults).split(' '), user, user, {"quirra.dev"}, ""});
        row("cli: nowhere", {U::ReadOnly, {}, "", "cwd", {}, ""});
    }

    void startDir()
    {
        QFETCH(StartCase, c);
        TempAppDir dir;
        for (const QString& f : c.files) {
            QDir(dir.path()).mkpath(QFileInfo(f).path());
            dir.write(f, f.endsWith("quirra/quirra.cfg") ? "user" : "\"2716\",1,2048\r\n");
        }
        QDir(dir.path()).mkpath("cwd");
        const QString option = c.option.isEmpty() ? QString() : dir.file(c.option);
        const StartDir start = FindStartDir(option, dir.file("cwd"), dir.file("config"), {dir.file("none"), dir.file("share")}, c.use);
        const QString trail = start.trail.join('\n');
        QCOMPARE(start.found, !c.chosen.isEmpty());
        // Not found: quirra-cli looked in all four, the window (never started in the defaults) in two.
        QCOMPARE(start.searched.size(), start.found ? 0 : c.use == StartDirUse::ReadOnly ? 4 : 2);
        QCOMPARE(start.path, dir.file(c.chosen.isEmpty() ? "cwd" : c.chosen));
        QCOMPARE(start.portMapDir, dir.file(c.portMapDir));
        QCOMPARE(QDir(dir.file("config/quirra")).entryList(QDir::Files, QDir::Name), c.userDir);
        QVERIFY2(trail.contains(c.trail), qPrintable(trail));
        if (c.files.contains("config/quirra/quirra.cfg"))  // the user's file is kept
            QCOMPARE(dir.read("config/quirra/quirra.cfg"), QByteArray("user"));
    }

    void nextStep_data()
    {
        QTest::addColumn<NextStepCase>("c");
        using O = ProbeResult::Outcome;
        const QString choose = "choose your adapter in Options > Settings";
        auto row = [](const char* name, const NextStepCase& c) { QTest::newRow(name) << c; };
        row("no answer, no adapter", {O::NoAnswer, "", false, "switched on and connected to COM1."});
        row("no answer, an adapter", {O::NoAnswer, "", true, choose});
        row("no such device, an adapter", {O::PortError, "no such device /dev/ttyS0", true, choose});
        row("no such device, no adapter", {O::PortError, "no such device /dev/ttyS0", false, ""});
        row("permission: the reason says it all",
            {O::PortError, "permission denied on /dev/ttyUSB0: add your user to ...", true, ""});
        row("found", {O::Found, "", true, ""});
    }

    void nextStep()
    {
        QFETCH(NextStepCase, c);
        ComPort = 1;
        QList<PresentPort> present{{"/dev/ttyS0", "/dev/ttyS0", "", ""}};
        if (c.usbPresent)
            present << PresentPort{"/dev/ttyUSB0", "/dev/serial/by-id/usb-x", "USB 0403:6001 FTDI", ""};
        const QString text = ProbeNextStep({c.outcome, c.portError, {}}, present);
        QVERIFY2(c.says.isEmpty() ? text.isEmpty() : text.contains(c.says), qPrintable(text));
        if (c.usbPresent && !text.isEmpty())
            QVERIFY(text.contains("/dev/serial/by-id/usb-x"));
    }

    void settingsMarksPortsNotOpened()
    {
        TempAppDir dir;
        const QString denied = "permission denied on /dev/ttyUSB0: add your user to the group uucp";
        frmSettings::ListPorts = [&] {
            return QList<PresentPort>{{"/dev/ttyS0", "/dev/ttyS0", "", ""}, {"/dev/ttyUSB0", "/dev/ttyUSB0", "USB 1a86:7523", denied}};
        };
        frmSettings settings;
        frmSettings::ListPorts = PresentPorts;
        QCOMPARE(settings.lstPorts->count(), 2);
        QVERIFY(!settings.lstPorts->item(0)->text().contains("may not open"));
        QVERIFY(settings.lstPorts->item(1)->text().endsWith("may not open: " + denied));
    }
};

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
