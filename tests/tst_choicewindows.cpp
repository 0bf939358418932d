// Device > Select, Options > Settings and Options > Edit Auto on a real main
// window. Each row sets the program up, plays clicks and keys on the window,
// and checks the window before the last step and every change afterwards.
#include "buffer/BufferCommands.h"
#include "core/mdiMain.h"
#include "core/PortMap.h"
#include "core/modFunc.h"
#include "devices/frmSelectDevice.h"
#include "options/AutoFile.h"
#include "options/frmEditAuto.h"
#include "options/frmSettings.h"
#include "platform/ListBox.h"
#include "platform/Twips.h"
#include "support/WindowSupport.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

using namespace modFunc;

const QString ById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

class TestChoiceWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<TempAppDir> dir_;
    std::unique_ptr<MessageRecorder> rec_;
    std::unique_ptr<mdiMain> main_;

    // key=value;... of everything the three windows may change.
    QString State() const
    {
        QStringList steps;
        for (int i = 1; i <= AutoCount; ++i)
            steps << QString::number(AutoList[i]);
        return QStringList{"index=" + QString::number(DeviceIndex), "port=" + QString::number(ComPort),
                           "p1=" + main_->sbar->Panel(1), "p2=" + main_->sbar->Panel(2), "p3=" + main_->sbar->Panel(3),
                           "view=" + QString::number(BufferCommands::IsBufferWindowOpen()), "auto=" + steps.join(','),
                           "file=" + QString(dir_->read(AutoFileName)).split("\r\n", Qt::SkipEmptyParts).join(','),
                           "files=" + QDir(dir_->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).join(','),
                           "msgs=" + QString::number(rec_->count()),
                           "ports=" + QString(dir_->read(PortMapFileName)).split("\r\n", Qt::SkipEmptyParts).join('|')}
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
    // c2 clicks row 2 of the last list, d2 double-clicks it, i2 clicks row 2
    // of the first, "unselect" ctrl-clicks the selected row; p31 picks COM32,
    // tCOM7 types COM7; enter, close, and any button's caption.
    static void Step(QDialog* w, const QString& step)
    {
        const QList<QListWidget*> lists = w->findChildren<QListWidget*>();
        QListWidget* list = step[0] == 'i' ? lists.value(0) : lists.value(lists.size() - 1);
        const int row = step == "unselect" ? SelectedRow(list) : step.mid(1).toInt();
        QWidget* area = list ? list->viewport() : nullptr;
        const QPoint at = list && row >= 0 ? list->visualItemRect(list->item(row)).center() : QPoint();
        if (step == "unselect" || (QString("cdi").contains(step[0]) && step.size() > 1 && step[1].isDigit()))
            QTest::mouseClick(area, Qt::LeftButton, step == "unselect" ? Qt::ControlModifier : Qt::NoModifier, at);
        if (step[0] == 'd')  // a double-click arrives as press, release, double-click, release
            QTest::mouseDClick(area, Qt::LeftButton, {}, at), QTest::mouseRelease(area, Qt::LeftButton, {}, at);
        if (step[0] == 'p')
            w->findChild<QComboBox*>()->setCurrentIndex(row);
        if (step[0] == 't')
            w->findChild<QComboBox*>()->clearEditText(), QTest::keyClicks(w->findChild<QComboBox*>(), step.mid(1));
        if (step == "enter" || step == "close")
            step == "close" ? void(w->close()) : QTest::keyClick(w->focusWidget(), Qt::Key_Return);
        for (QPushButton* button : w->findChildren<QPushButton*>())
            if (button->text() == step)
                QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempAppDir>(), rec_ = std::make_unique<MessageRecorder>();
        const int16_t codes[] = {2, 1, 10, 3, 9, 11, 12, 0, -5};
        for (int i = 1; i <= 9; ++i)  // A to I
            DeviceTable[i] = {QString(QChar('A' + i - 1)), codes[i - 1], i == 4 ? 131072 : 1024 * i};
        DeviceCount = 9;
        main_ = std::make_unique<mdiMain>();
        frmSettings::ListPorts = [] {
            return QList<PresentPort>{{"/dev/ttyS0", "/dev/ttyS0", ""}, {"/dev/ttyUSB0", ById, "USB 0403:6001 FTDI"}};
        };
    }
    void cleanup() { main_.reset(), rec_.reset(), dir_.reset(); }

    void windows_data()
    {
        QTest::addColumn<QString>("before");  // index= opens Device > Select, port= Settings, auto= Edit Auto
        // The steps, as Step reads them: "i2 > > c0 enter" clicks row 2 of the first list, ">" twice, row 0
        // of the last list, then presses Enter.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("view");  // the window before the last step
        QTest::addColumn<QString>("after");  // what has changed
        const QString c = "index=3;p2=Device: C;p3=Size: C00H", d = "index=4;p2=Device: D;p3=Size: 20000H;view=0";
        const QString all = ", > < <<", ebpv = "auto=1,2,3,4", e19 = QStringList(19, "1").join(',');
        QTest::newRow("select: index 3 (type 10), OK") << "index=3" << "OK" << "2/9 chips 003" << "";
        QTest::newRow("select: index 0, OK") << "index=0" << "OK" << "-1/9 chips 300" << "";
        QTest::newRow("select: to type 1, Cancel") << "index=3;view=1" << "c1 Cancel" << "1/9 chips 030" << "";
        QTest::newRow("select: type 9, close box") << "index=5" << "close" << "4/9 chips 300" << "";
        for (auto [type, index, view] : {std::tuple{"11", 6, "5/9 chips 003"}, {"12", 7, "6/9 chips 003"},
                                         {"0", 8, "7/9 chips 300"}, {"-5", 9, "8/9 chips 300"}})
            QTest::newRow(qPrintable(QStringLiteral("select: type %1").arg(type)))
                << QStringLiteral("index=%1").arg(index) << "Cancel" << view << "";
        QTest::newRow("select: OK, view open") << "index=1;view=1" << "c3 OK" << "3/9 chips 300" << d;
        QTest::newRow("select: double-click") << "index=1;view=1" << "d3" << "0/9 chips 300" << d;
        QTest::newRow("select: Enter") << "index=2" << "c2 enter" << "2/9 chips 003" << c;
        QTest::newRow("select: none, OK") << "index=3;view=1" << "unselect OK" << "-1/9 chips 300"
                                          << "index=0;p2=Device: ;p3=Size: 0H;view=0";
        QTest::newRow("select: index 12, Cancel") << "index=12" << "Cancel" << "-1/9 chips 300" << "";
        QTest::newRow("select: index 12, OK") << "index=12" << "OK" << "-1/9 chips 300" << "index=0";
        QTest::newRow("settings: COM3, OK") << "port=3" << "OK" << "COM3/COM32 opens /dev/ttyS2" << "";
        QTest::newRow("settings: COM32") << "port=3" << "p31 OK" << "COM32/COM32 opens /dev/ttyS31" << "port=32";
        QTest::newRow("settings: COM1, Enter") << "port=3" << "p0 enter" << "COM1/COM32 opens /dev/ttyS0" << "port=1";
        QTest::newRow("settings: Cancel") << "port=3" << "p31 Cancel" << "COM32/COM32 opens /dev/ttyS31" << "";
        QTest::newRow("settings: close box") << "port=3" << "p31 close" << "COM32/COM32 opens /dev/ttyS31" << "";
        QTest::newRow("settings: typed entry") << "port=3" << "tcom17 OK" << "com17/COM32 opens /dev/ttyS16" << "port=17";
        // A name that is no list entry is refused with a message; the window stays.
        QTest::newRow("settings: typed other") << "port=5" << "tCOM99 enter Cancel" << "COM99/COM32 " << "msgs=1";
        QTest::newRow("settings: port 0") << "port=0" << "OK Cancel" << "/COM32 " << "msgs=1";
        QTest::newRow("settings: port 40") << "port=40" << "Cancel" << "/COM32 " << "";
        const QString mapped = "COM5/COM32 opens " + ById + " (ports.cfg)";
        QTest::newRow("settings: map a USB adapter") << "port=5" << "c1 OK" << mapped
                                                     << "files=ports.cfg;ports=5,\"" + ById + "\"";
        QTest::newRow("settings: map, Cancel") << "port=5" << "c1 Cancel" << mapped << "";
        QTest::newRow("settings: map COM7, then COM5") << "port=5" << "p6 d0 p4 OK" << "COM5/COM32 opens /dev/ttyS4"
                                                       << "files=ports.cfg;ports=7,\"/dev/ttyS0\"";
        QTest::newRow("settings: mapped, kept") << "port=2;mapped" << "OK" << "COM2/COM32 opens /dev/ttyUSB3 (ports.cfg)" << "";
        QTest::newRow("settings: back to the default") << "port=2;mapped" << "&Default OK" << "COM2/COM32 opens /dev/ttyS1"
                                                       << "ports=";
        QTest::newRow("settings: Enter after Default") << "port=2;mapped" << "&Default enter" << "COM2/COM32 opens /dev/ttyS1"
                                                       << "ports=";
        QTest::newRow("auto: empty") << "auto=" << "OK" << " >" << "";
        QTest::newRow("auto: unchanged") << ebpv << "OK" << "Erase,Blank,Program,Verify" + all << "";
        QTest::newRow("auto: twice") << "auto=" << "i2 > > c0 enter" << "*Program,Program" + all << "auto=3,3;file=2,3,3";
        QTest::newRow("auto: < unselected") << ebpv << "< c1 < < c0 enter" << "*Erase,Program,Verify" + all
                                            << "auto=1,3,4;file=3,1,3,4";
        QTest::newRow("auto: << then add") << ebpv << "<< i4 > i0 > OK" << "Lock,Erase" + all << "auto=5,1;file=2,5,1";
        QTest::newRow("auto: Read kept") << "auto=0,3" << "OK" << "Read,Program" + all << "";
        QTest::newRow("auto: codes outside") << "auto=1,9,-1,4" << "OK" << "Erase,Verify" + all << "auto=1,4;file=2,1,4";
        QTest::newRow("auto: Cancel") << ebpv << "c0 < i4 > Cancel" << "Blank,Program,Verify,Lock" + all << "";
        QTest::newRow("auto: close box") << "auto=1,2" << "<< close" << " >" << "";
        QTest::newRow("auto: 20 steps") << "auto=" + e19 << "i4 > > OK" << QString("Erase,").repeated(19) + "Lock, < <<"
                                        << "auto=" + e19 + ",5;file=20," + e19 + ",5";
        QTest::newRow("auto: save fails") << "auto=2;dir" << "i3 > OK" << "Blank,Verify" + all << "auto=2,4;msgs=1";
    }
    void windows()
    {
        QFETCH(QString, before);
        QFETCH(QString, script);
        QFETCH(QString, after);
        const QString value = before.section('=', 1).section(';', 0, 0);
        DeviceIndex = before.startsWith("index") ? int16_t(value.toInt()) : DeviceIndex;
        ComPort = before.startsWith("port") ? int16_t(value.toInt()) : ComPort;
        const QString autoText = QString("%1,%2").arg(value.count(',') + !value.isEmpty()).arg(value);
        if (before.startsWith("auto") && ParseAuto(autoText.toLatin1()).isEmpty() && !before.endsWith("dir"))
            dir_->write(AutoFileName, AutoFileText());
        QVERIFY(!before.endsWith("dir") || QDir(dir_->path()).mkdir(AutoFileName));  // a directory in its place
        if (before.endsWith("mapped"))
            dir_->write(PortMapFileName, "2,\"/dev/ttyUSB3\"\r\n");
        main_->WriteStatusPanels();
        if (before.endsWith("view=1"))
            BufferCommands::BufferEdit();
        QAction* command = before.startsWith("index") ? main_->DeviceSelect
                           : before.startsWith("port") ? main_->OptionsSettings : main_->OptionsEditAuto;
        const QString start = State();
        QVERIFY(WhileModal<QDialog>([command] { command->trigger(); }, [&](QDialog* w) {
            const QStringList steps = script.split(' ');
            for (const QString& step : steps) {
                QCOMPARE(With(State(), "msgs=0"), With(start, "msgs=0"));  // nothing changes until the window ends
                if (&step == &steps.last())
                    QTEST(View(w), "view");
                Step(w, step);
            }
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(State(), With(start, after));
    }
};

QTEST_MAIN(TestChoiceWindows)
#include "tst_choicewindows.moc"
