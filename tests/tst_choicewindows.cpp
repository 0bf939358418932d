// Device > Select, Options > Settings and Options > Edit Auto on a real main
// window. Each row sets the program up, plays clicks and keys on the window,
// and checks the window before the last step and every change afterwards.
// Settings also marks the ports this user may not open.
#include "buffer/BufferCommands.h"
#include "core/PortMap.h"
#include "core/modFunc.h"
#include "devices/frmSelectDevice.h"
#include "options/AutoFile.h"
#include "options/frmEditAuto.h"
#include "options/frmSettings.h"
#include "platform/ListBox.h"
#include "platform/Twips.h"
#include "support/MainWindowCase.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>
#include <functional>

using namespace modFunc;

const QString ById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

namespace {
// One thing the user does in the window.
using Action = std::function<void(QDialog*)>;
// A click on a row (-1: the selected one) of the last list of the window
// (the chips, the ports, the Auto steps) or of the first (the functions of
// Edit Auto), with keys held; a double-click comes as press, release,
// double-click, release.
Action OnRow(int row, bool first, Qt::KeyboardModifiers keys = {}, bool twice = false)
{
    return [=](QDialog* w) {
        const QList<QListWidget*> lists = w->findChildren<QListWidget*>();
        QListWidget* list = first ? lists.value(0) : lists.value(lists.size() - 1);
        const QPoint at = list->visualItemRect(list->item(row < 0 ? SelectedRow(list) : row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, at);
        if (twice)
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at), QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    };
}
Action ClickRow(int row) { return OnRow(row, false); }
Action ClickFunction(int row) { return OnRow(row, true); }
Action DoubleClickRow(int row) { return OnRow(row, false, {}, true); }
Action Unselect() { return OnRow(-1, false, Qt::ControlModifier); }  // Ctrl+click on the selected row
Action PickPort(int index) { return [=](QDialog* w) { w->findChild<QComboBox*>()->setCurrentIndex(index); }; }
Action TypePort(const QString& text)
{
    return [=](QDialog* w) { w->findChild<QComboBox*>()->clearEditText(), QTest::keyClicks(w->findChild<QComboBox*>(), text); };
}
Action Press(const QString& caption)
{
    return [=](QDialog* w) {
        for (QPushButton* button : w->findChildren<QPushButton*>())
            if (button->text() == caption)
                QTest::mouseClick(button, Qt::LeftButton);
    };
}
Action PressEnter() { return [](QDialog* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Return); }; }
Action CloseBox() { return [](QDialog* w) { w->close(); }; }
const Action OK = Press("OK"), Cancel = Press("Cancel"), Right = Press(">"), Left = Press("<"), AllLeft = Press("<<");

// One row: the program as the window finds it, what the user does, the
// window before the last action (View), and what has changed afterwards.
struct Row {
    enum Window { Select, Settings, EditAuto } window;
    int16_t deviceIndex = 0;
    int16_t comPort = 1;
    QList<int> autoSteps{};
    bool viewOpen = false;        // the hex view is open
    bool portMapped = false;      // ports.cfg maps COM2 to /dev/ttyUSB3
    bool autoFileBlocked = false; // a directory stands where auto.cfg goes
    QList<Action> actions{};
    QString view{};
    QString after{};              // State's changes, "key=value;..."
};
}  // namespace
Q_DECLARE_METATYPE(Row)

class TestChoiceWindows : public QObject {
    Q_OBJECT
    std::optional<MainWindowCase> f_;

    // key=value;... of everything the three windows may change.
    QString State() const
    {
        QStringList steps;
        for (int i = 1; i <= AutoCount; ++i)
            steps << QString::number(AutoList[i]);
        return QStringList{"index=" + QString::number(DeviceIndex), "port=" + QString::number(ComPort),
                           "p1=" + f_->main->sbar->Panel(1), "p2=" + f_->main->sbar->Panel(2),
                           "p3=" + f_->main->sbar->Panel(3), "msgs=" + QString::number(f_->rec.count()),
                           "view=" + QString::number(BufferCommands::IsBufferWindowOpen()), "auto=" + steps.join(','),
                           "file=" + QString(f_->dir.read(AutoFileName)).split("\r\n", Qt::SkipEmptyParts).join(','),
                           "files=" + QDir(f_->dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).join(','),
                           "ports=" + QString(f_->dir.read(PortMapFileName)).split("\r\n", Qt::SkipEmptyParts).join('|')}
            .join(';');
    }
    static QString With(QString state, const QString& changes)
    {
        for (const QString& change : changes.split(';', Qt::SkipEmptyParts)) {
            const int at = state.indexOf(change.section('=', 0, 0) + '='), end = state.indexOf(';', at);
            state.replace(at, (end < 0 ? state.size() : end) - at, change);
        }
        return state;
    }
    // The window as the user sees it: the selected row and the chip groups
    // drawn (3 = body, notch and blue paint), the port field, or the Auto
    // steps with the selected one marked and the enabled move buttons.
    static QString View(QDialog* dialog)
    {
        QString view;
        if (auto* w = qobject_cast<frmSelectDevice*>(dialog)) {
            const QImage image = w->grab().toImage();
            view = QStringLiteral("%1/%2 chips ").arg(SelectedRow(w->listDevice)).arg(w->listDevice->count());
            for (const auto* shp : {&w->picture->shp1, &w->picture->shp2, &w->picture->shp3}) {
                // A notch mark's corner lies on no other outline.
                const QColor corner = image.pixelColor(TwipsX(w, (*shp)[1].Twips.x()), TwipsY(w, (*shp)[1].Twips.y()));
                view += QString::number((*shp)[0].Visible + (*shp)[1].Visible + (corner == QColor(0, 0, 255)));
            }
        } else if (auto* w = qobject_cast<frmSettings*>(dialog)) {
            view = w->cmbCOM->currentText() + '/' + w->cmbCOM->itemText(w->cmbCOM->count() - 1) + ' '
                   + w->lblDevice->toolTip();
        } else if (auto* w = qobject_cast<frmEditAuto*>(dialog)) {
            for (int i = 0; i < w->lstOut->count(); ++i)
                view += (i == SelectedRow(w->lstOut) ? "*" : "") + w->lstOut->item(i)->text() + ',';
            for (QPushButton* move : {w->cmdMoveRight, w->cmdMoveLeft, w->cmdMoveLeftAll})
                view += move->isEnabled() ? " " + move->text() : "";
            view += SelectedRow(w->lstIn) < 0 ? " lstIn unselected" : "";
        }
        return view;
    }
private slots:
    void init()
    {
        f_.emplace();
        const int16_t codes[] = {2, 1, 10, 3, 9, 11, 12, 0, -5};
        for (int i = 1; i <= 9; ++i)  // A to I
            DeviceTable[i] = {QString(QChar('A' + i - 1)), codes[i - 1], i == 4 ? 131072 : 1024 * i};
        DeviceCount = 9;
        frmSettings::ListPorts = [] {
            return QList<PresentPort>{{"/dev/ttyS0", "/dev/ttyS0", ""}, {"/dev/ttyUSB0", ById, "USB 0403:6001 FTDI"}};
        };
    }
    void cleanup() { f_.reset(); }

    void windows_data()
    {
        QTest::addColumn<Row>("r");
        auto row = [](const char* name, const Row& r) { QTest::newRow(name) << r; };
        const QString c = "index=3;p2=Device: C;p3=Size: C00H", d = "index=4;p2=Device: D;p3=Size: 20000H;view=0";
        const QString all = ", > < <<", e19 = QStringList(19, "1").join(',');
        const QList<int> ebpv = {1, 2, 3, 4};
        using enum Row::Window;
        row("select: index 3 (type 10), OK", {.window = Select, .deviceIndex = 3, .actions = {OK}, .view = "2/9 chips 003"});
        row("select: to type 1, Cancel",
            {.window = Select, .deviceIndex = 3, .viewOpen = true, .actions = {ClickRow(1), Cancel}, .view = "1/9 chips 030"});
        row("select: type 9, close box", {.window = Select, .deviceIndex = 5, .actions = {CloseBox()}, .view = "4/9 chips 300"});
        for (auto [name, index, view] : {std::tuple{"select: type 11", 6, "5/9 chips 003"}, {"select: type 12", 7, "6/9 chips 003"},
                                         {"select: type 0", 8, "7/9 chips 300"}, {"select: type -5", 9, "8/9 chips 300"}})
            row(name, {.window = Select, .deviceIndex = int16_t(index), .actions = {Cancel}, .view = view});
        row("select: OK, view open",
            {.window = Select, .deviceIndex = 1, .viewOpen = true, .actions = {ClickRow(3), OK}, .view = "3/9 chips 300", .after = d});
        row("select: double-click",
            {.window = Select, .deviceIndex = 1, .viewOpen = true, .actions = {DoubleClickRow(3)}, .view = "0/9 chips 300", .after = d});
        row("select: Enter", {.window = Select, .deviceIndex = 2, .actions = {ClickRow(2), PressEnter()}, .view = "2/9 chips 003", .after = c});
        row("select: none, OK", {.window = Select, .deviceIndex = 3, .viewOpen = true, .actions = {Unselect(), OK},
                                 .view = "-1/9 chips 300", .after = "index=0;p2=Device: ;p3=Size: 0H;view=0"});
        row("select: index 12, Cancel", {.window = Select, .deviceIndex = 12, .actions = {Cancel}, .view = "-1/9 chips 300"});
        row("select: index 12, OK", {.window = Select, .deviceIndex = 12, .actions = {OK}, .view = "-1/9 chips 300", .after = "index=0"});
        row("settings: COM32",
            {.window = Settings, .comPort = 3, .actions = {PickPort(31), OK}, .view = "COM32/COM32 opens /dev/ttyS31", .after = "port=32"});
        row("settings: COM1, Enter",
            {.window = Settings, .comPort = 3, .actions = {PickPort(0), PressEnter()}, .view = "COM1/COM32 opens /dev/ttyS0", .after = "port=1"});
        row("settings: Cancel", {.window = Settings, .comPort = 3, .actions = {PickPort(31), Cancel}, .view = "COM32/COM32 opens /dev/ttyS31"});
        row("settings: close box",
            {.window = Settings, .comPort = 3, .actions = {PickPort(31), CloseBox()}, .view = "COM32/COM32 opens /dev/ttyS31"});
        row("settings: typed entry", {.window = Settings, .comPort = 3, .actions = {TypePort("com17"), OK},
                                      .view = "com17/COM32 opens /dev/ttyS16", .after = "port=17"});
        // A name that is no list entry is refused with a message; the window stays.
        row("settings: typed other", {.window = Settings, .comPort = 5, .actions = {TypePort("COM99"), PressEnter(), Cancel},
                                      .view = "COM99/COM32 ", .after = "msgs=1"});
        row("settings: port 0", {.window = Settings, .comPort = 0, .actions = {OK, Cancel}, .view = "/COM32 ", .after = "msgs=1"});
        row("settings: port 40", {.window = Settings, .comPort = 40, .actions = {Cancel}, .view = "/COM32 "});
        const QString mapped = "COM5/COM32 opens " + ById + " (ports.cfg)";
        row("settings: map a USB adapter", {.window = Settings, .comPort = 5, .actions = {ClickRow(1), OK}, .view = mapped,
                                            .after = "files=ports.cfg;ports=5,\"" + ById + "\""});
        row("settings: map, Cancel", {.window = Settings, .comPort = 5, .actions = {ClickRow(1), Cancel}, .view = mapped});
        row("settings: map COM7, then COM5",
            {.window = Settings, .comPort = 5, .actions = {PickPort(6), DoubleClickRow(0), PickPort(4), OK},
             .view = "COM5/COM32 opens /dev/ttyS4", .after = "files=ports.cfg;ports=7,\"/dev/ttyS0\""});
        row("settings: mapped, kept", {.window = Settings, .comPort = 2, .portMapped = true, .actions = {OK},
                                       .view = "COM2/COM32 opens /dev/ttyUSB3 (ports.cfg)"});
        row("settings: back to the default", {.window = Settings, .comPort = 2, .portMapped = true,
                                              .actions = {Press("&Default"), OK}, .view = "COM2/COM32 opens /dev/ttyS1", .after = "ports="});
        row("settings: Enter after Default", {.window = Settings, .comPort = 2, .portMapped = true,
                                              .actions = {Press("&Default"), PressEnter()}, .view = "COM2/COM32 opens /dev/ttyS1", .after = "ports="});
        row("auto: empty", {.window = EditAuto, .actions = {OK}, .view = " >"});
        row("auto: unchanged", {.window = EditAuto, .autoSteps = ebpv, .actions = {OK}, .view = "Erase,Blank,Program,Verify" + all});
        row("auto: twice", {.window = EditAuto, .actions = {ClickFunction(2), Right, Right, ClickRow(0), PressEnter()},
                            .view = "*Program,Program" + all, .after = "auto=3,3;file=2,3,3"});
        row("auto: < unselected", {.window = EditAuto, .autoSteps = ebpv, .actions = {Left, ClickRow(1), Left, Left, ClickRow(0), PressEnter()},
                                   .view = "*Erase,Program,Verify" + all, .after = "auto=1,3,4;file=3,1,3,4"});
        row("auto: << then add", {.window = EditAuto, .autoSteps = ebpv, .actions = {AllLeft, ClickFunction(4), Right, ClickFunction(0), Right, OK},
                                  .view = "Lock,Erase" + all, .after = "auto=5,1;file=2,5,1"});
        row("auto: Read kept", {.window = EditAuto, .autoSteps = {0, 3}, .actions = {OK}, .view = "Read,Program" + all});
        row("auto: codes outside", {.window = EditAuto, .autoSteps = {1, 9, -1, 4}, .actions = {OK}, .view = "Erase,Verify" + all,
                                    .after = "auto=1,4;file=2,1,4"});
        row("auto: Cancel", {.window = EditAuto, .autoSteps = ebpv, .actions = {ClickRow(0), Left, ClickFunction(4), Right, Cancel},
                             .view = "Blank,Program,Verify,Lock" + all});
        row("auto: close box", {.window = EditAuto, .autoSteps = {1, 2}, .actions = {AllLeft, CloseBox()}, .view = " >"});
        row("auto: 20 steps", {.window = EditAuto, .autoSteps = QList<int>(19, 1), .actions = {ClickFunction(4), Right, Right, OK},
                               .view = QString("Erase,").repeated(19) + "Lock, < <<", .after = "auto=" + e19 + ",5;file=20," + e19 + ",5"});
        row("auto: save fails", {.window = EditAuto, .autoSteps = {2}, .autoFileBlocked = true, .actions = {ClickFunction(3), Right, OK},
                                 .view = "Blank,Verify" + all, .after = "auto=2,4;msgs=1"});
    }
    void windows()
    {
        QFETCH(Row, r);
        DeviceIndex = r.deviceIndex;
        ComPort = r.comPort;
        AutoCount = int16_t(r.autoSteps.size());
        for (int i = 0; i < r.autoSteps.size(); ++i)
            AutoList[size_t(i + 1)] = int16_t(r.autoSteps[i]);
        if (r.window == Row::EditAuto && !r.autoFileBlocked)
            f_->dir.write(AutoFileName, AutoFileText());
        QVERIFY(!r.autoFileBlocked || QDir(f_->dir.path()).mkdir(AutoFileName));
        if (r.portMapped)
            f_->dir.write(PortMapFileName, "2,\"/dev/ttyUSB3\"\r\n");
        f_->main->WriteStatusPanels();
        if (r.viewOpen)
            BufferCommands::BufferEdit();
        QAction* const commands[] = {f_->main->DeviceSelect, f_->main->OptionsSettings, f_->main->OptionsEditAuto};
        const QString start = State();
        QVERIFY(WhileModal<QDialog>([&] { commands[r.window]->trigger(); }, [&](QDialog* w) {
            for (qsizetype i = 0; i < r.actions.size(); ++i) {
                QCOMPARE(With(State(), "msgs=0"), With(start, "msgs=0"));  // nothing changes until the window ends
                if (i == r.actions.size() - 1)
                    QCOMPARE(View(w), r.view);
                r.actions[i](w);
            }
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(State(), With(start, r.after));
    }

    void settingsMarksPortsNotOpened()
    {
        const QString denied = "permission denied on /dev/ttyUSB0: add your user to the group uucp";
        frmSettings::ListPorts = [=] {
            return QList<PresentPort>{{"/dev/ttyS0", "/dev/ttyS0", "", ""}, {"/dev/ttyUSB0", "/dev/ttyUSB0", "USB 1a86:7523", denied}};
        };
        frmSettings settings;
        QCOMPARE(settings.lstPorts->count(), 2);
        QVERIFY(!settings.lstPorts->item(0)->text().contains("may not open"));
        QVERIFY(settings.lstPorts->item(1)->text().endsWith("may not open: " + denied));
    }
};

QTEST_MAIN(TestChoiceWindows)
#include "tst_choicewindows.moc"
