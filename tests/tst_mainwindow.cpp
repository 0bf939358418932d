// The main window: menus, status panels, help, about, saving on exit; and a
// start: where the window and quirra-cli find their start files and the port
// map, what a bad start reports, and what the window suggests when no
// programmer answers.
#include "core/ProgrammerLink.h"
#include "core/StartDir.h"
#include "core/frmAbout.h"
#include "core/frmHelp.h"
#include "core/mdiMain.h"
#include "core/modFunc.h"
#include "support/WindowSupport.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

using namespace modFunc;

namespace {
QStringList Captions(const QList<QAction*>& actions)
{
    QStringList out;
    for (QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

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
}  // namespace
Q_DECLARE_METATYPE(StartCase)

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void captionMenusAndPanels()
    {
        TempAppDir dir;
        mdiMain w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Quirra ~ Serial Programmer"));
        const QList<QAction*> menus = w.menuBar()->actions();
        QCOMPARE(Captions(menus), QStringList({"&File", "&Buffer", "&Device", "&Options", "&Help"}));
        const QStringList items[] = {{"&Load", "&Save", "-", "E&xit"}, {"&Edit", "&Clear", "Fill", "-", "&Go To...", "F&ind...", "Find &Next", "-", "&Undo", "&Redo", "-", "Com&pare with File...", "Compare with C&hip...", "Chec&ksums..."},
                                     {"Select", "Function"}, {"Edit Auto", "Settings"}, {"Contents", "-", "About"}};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(Captions(menus[i]->menu()->actions()), items[i]);
        QCOMPARE(QKeySequence::listToString({w.HelpContents->shortcut(), w.BufferGoTo->shortcut(),
                                             w.BufferFind->shortcut(), w.BufferFindNext->shortcut(),
                                             w.BufferUndo->shortcut(), w.BufferRedo->shortcut()}),
                 QStringLiteral("F1; Ctrl+G; Ctrl+F; F3; Ctrl+Z; Ctrl+Y"));
        const QStringList panels = {"COM|Communication Port", "Device:|Selected Device",
                                    "Size:|Memory Size of Selected Device", "File:|File Name"};
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(w.sbar->Panel(n) + '|' + w.sbar->PanelLabel(n)->toolTip(), panels[n - 1]);
        QVERIFY(w.sbar->PanelLabel(0) == nullptr && w.sbar->PanelLabel(5) == nullptr);
        // The panels written, the size in plain hexadecimal. Sizes below four digits or
        // above 64 KiB, and no device, are tst_choicewindows' Device > Select rows.
        ComPort = 2;
        DeviceTable[3] = {QStringLiteral("27C64 EPROM 8K"), 1, 8192};
        DeviceIndex = 3;
        w.WriteStatusPanels();
        QCOMPARE(w.sbar->Panel(1) + '|' + w.sbar->Panel(2) + '|' + w.sbar->Panel(3),
                 QStringLiteral("COM2|Device: 27C64 EPROM 8K|Size: 2000H"));
    }

    void helpAndAbout()
    {
        TempAppDir dir;
        mdiMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto inChild = [&] {
            auto* child = new QWidget;
            w.mdiArea->setActiveSubWindow(w.mdiArea->addSubWindow(child));
            child->show();
            child->setFocus();
            QTest::keyClick(child, Qt::Key_F1);
        };
        // Help: the menu item, F1 on the main window and F1 in a child window inside it.
        const std::function<void()> ways[] = {[&] { w.HelpContents->trigger(); },
                                              [&] { QTest::keyClick(&w, Qt::Key_F1); }, inChild};
        for (const auto& open : ways) {
            open();
            QTRY_VERIFY(FindTopLevel<frmHelp>());
            const QString manual = FindTopLevel<frmHelp>()->txtHelp->toPlainText();
            for (const char* topic : {"Device Version", "quirra.cfg", "QUIRRA_COM", "Function Not Available!", "Fill"})
                QVERIFY2(manual.contains(QString::fromLatin1(topic)), topic);
            // The start-up messages come before the main window.
            QVERIFY(manual.indexOf(QStringLiteral("opens the main window")) > manual.indexOf(QStringLiteral("tells you what")));
            FindTopLevel<frmHelp>()->close();
            QTRY_VERIFY(!FindTopLevel<frmHelp>());
        }
        QString about;
        QVERIFY(WhileModal<frmAbout>([&] { w.HelpAbout->trigger(); }, [&](frmAbout* box) {
            QVERIFY(box->cmdOk->isVisible());
            for (QLabel* l : box->findChildren<QLabel*>())
                about += l->text() + QLatin1Char('\n');
            QTest::mouseClick(box->cmdOk, Qt::LeftButton);
            QVERIFY(!box->isVisible());
        }));
        for (const char* named : {"Quirra", QUIRRA_VERSION, "S-record", "hex view", "quirra-cli"})
            QVERIFY2(about.contains(QLatin1String(named)), named);
        frmAbout splash;
        splash.ShowAsSplash();
        QVERIFY(splash.isVisible() && !splash.isModal());
        QVERIFY(!splash.cmdOk->isVisible());
    }

    void exitSavesConfigOnce()
    {
        TempAppDir dir;
        dir.write(CatalogueFileName, "\"2716\",1,2048\r\n");
        dir.write(ConfigFileName, "junk that is longer than three lines\r\n\r\n\r\n\r\n");
        ComPort = 4;
        DeviceCount = 12;
        DeviceIndex = 5;
        mdiMain w;
        w.show();
        w.FileExit->trigger();
        QVERIFY(!w.isVisible());
        QCOMPARE(dir.read(ConfigFileName), QByteArray("4\r\n12\r\n5\r\n"));
        DeviceIndex = 6;  // a later close does not write again
        w.close();
        QCOMPARE(w.ConfigSaves(), 1);
        QCOMPARE(dir.read(ConfigFileName), QByteArray("4\r\n12\r\n5\r\n"));

        // Closing by the close box saves too; a failure is reported.
        AppPath = dir.file(QStringLiteral("blocked"));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("blocked/") + ConfigFileName));
        dir.write(QStringLiteral("blocked/") + CatalogueFileName, "\"2716\",1,2048\r\n");
        MessageRecorder rec;
        mdiMain w2;
        w2.show();
        w2.close();
        QCOMPARE(rec.count(), 1);
        QCOMPARE(rec.last().title, QStringLiteral("Quirra"));
        QCOMPARE(rec.last().icon, MsgIcon::Critical);
        QVERIFY(rec.last().text.contains(QStringLiteral("quirra.cfg")));

        // A directory without a catalogue gets no settings file.
        AppPath = dir.file(QStringLiteral("bare"));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bare")));
        mdiMain w3;
        w3.close();
        QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("bare/") + ConfigFileName)));
    }

    void startUpWithBadFiles()
    {
        TempAppDir dir;
        dir.write(ConfigFileName, "1\r\n70\r\nseven\r\n");
        dir.write(CatalogueFileName, "\"27C64\",1,8192\r\n");
        qputenv("QUIRRA_COM1", dir.file(QStringLiteral("absent-port")).toLocal8Bit());
        MessageRecorder rec;
        std::unique_ptr<mdiMain> w = StartUp();
        qunsetenv("QUIRRA_COM1");
        // One box for the files, then the port error; the program runs on.
        QCOMPARE(rec.count(), 2);
        QCOMPARE(rec.messages[0].title, QStringLiteral("Quirra"));
        QVERIFY(rec.messages[0].text.contains(QStringLiteral("1 of 50 device records were read")));
        QCOMPARE(rec.messages[1].title, QStringLiteral("Communication Port Error"));
        QVERIFY(w->isVisible());
        QCOMPARE(DeviceTable[1].Name, QStringLiteral("27C64"));
        QCOMPARE(DeviceIndex, int16_t(0));
        w->close();
        QCOMPARE(dir.read(ConfigFileName), QByteArray("1\r\n50\r\n0\r\n"));
    }

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

    // What the window suggests when no programmer answers: nothing when a
    // port error's reason says it all; a USB adapter is named by its by-id link.
    void nextStep()
    {
        using O = ProbeResult::Outcome;
        const QString choose = "choose your adapter in Options > Settings", none = "no such device /dev/ttyS0";
        const std::tuple<O, QString, bool, QString> cases[] = {  // outcome, port error, USB adapter, hint
            {O::NoAnswer, "", false, "switched on and connected to COM1."}, {O::NoAnswer, "", true, choose},
            {O::PortError, none, true, choose}, {O::PortError, none, false, ""}, {O::Found, "", true, ""},
            {O::PortError, "permission denied on /dev/ttyUSB0: add your user to ...", true, ""}};
        ComPort = 1;
        for (const auto& [outcome, portError, usb, says] : cases) {
            QList<PresentPort> present{{"/dev/ttyS0", "/dev/ttyS0", "", ""}};
            if (usb)
                present << PresentPort{"/dev/ttyUSB0", "/dev/serial/by-id/usb-x", "USB 0403:6001 FTDI", ""};
            const QString text = ProbeNextStep({outcome, portError, {}}, present);
            QVERIFY2(says.isEmpty() ? text.isEmpty() : text.contains(says), qPrintable(text));
            QVERIFY(!usb || text.isEmpty() || text.contains("/dev/serial/by-id/usb-x"));
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
