// Device > Select on a real main window: the list, the socket picture, and
// what OK, a double-click, Enter, Cancel, Esc and the close box leave behind.
#include "buffer/BufferCommands.h"
#include "core/mdiMain.h"
#include "core/modFunc.h"
#include "devices/frmSelectDevice.h"
#include "platform/ListBox.h"
#include "platform/Twips.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QListWidget>
#include <QPushButton>

using namespace modFunc;

namespace {
const DeviceRecord Catalogue[] = {
    {QStringLiteral("27C64 EPROM 8K"), 2, 8192},
    {QStringLiteral("89C51 MCU 4K"), 1, 4096},
    {QStringLiteral("27C256 EPROM 32K"), 10, 32768},
    {QStringLiteral("Big 128K"), 3, 131072},  // more than the device commands serve
};
}  // namespace

class TestSelectDevice : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void picture_data();
    void picture();
    void choose_data();
    void choose();

private:
    void Select(const std::function<void(frmSelectDevice*)>& act);
    // Exactly the chip group `group` is shown, and painted in pure blue.
    void CheckPicture(frmSelectDevice* w, int group);

    std::unique_ptr<TempAppDir> dir_;
    std::unique_ptr<MessageRecorder> rec_;
    std::unique_ptr<mdiMain> main_;
};

void TestSelectDevice::init()
{
    dir_ = std::make_unique<TempAppDir>();
    rec_ = std::make_unique<MessageRecorder>();
    DeviceCount = 4;
    for (int i = 1; i <= DeviceCount; ++i)
        DeviceTable[i] = Catalogue[i - 1];
    main_ = std::make_unique<mdiMain>();
    main_->show();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
}

void TestSelectDevice::cleanup()
{
    main_.reset();
    QCOMPARE(rec_->count(), 0);
    rec_.reset();
    dir_.reset();
}

void TestSelectDevice::Select(const std::function<void(frmSelectDevice*)>& act)
{
    QVERIFY(WhileModal<frmSelectDevice>([this] { main_->DeviceSelect->trigger(); }, act));
}

void TestSelectDevice::CheckPicture(frmSelectDevice* w, int group)
{
    const std::array<SocketPicture::Shape, 2>* groups[] = {&w->picture->shp1, &w->picture->shp2, &w->picture->shp3};
    const QImage image = w->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    for (int g = 1; g <= 3; ++g) {
        const auto& shapes = *groups[g - 1];
        QCOMPARE(shapes[0].Visible, g == group);
        QCOMPARE(shapes[1].Visible, g == group);
        // The notch marks' corners lie on no other outline.
        const QPoint corner(TwipsX(w, shapes[1].Twips.x()) * ratio, TwipsY(w, shapes[1].Twips.y()) * ratio);
        QCOMPARE(image.pixelColor(corner) == QColor(0, 0, 255), g == group);
    }
}

void TestSelectDevice::picture_data()
{
    QTest::addColumn<int>("typeCode");
    QTest::addColumn<int>("group");
    QTest::newRow("1") << 1 << 2;
    QTest::newRow("9") << 9 << 1;
    QTest::newRow("10") << 10 << 3;
    QTest::newRow("11") << 11 << 3;
    QTest::newRow("12") << 12 << 3;
    QTest::newRow("2") << 2 << 1;
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("-1") << -1 << 1;
    QTest::newRow("-32768") << -32768 << 1;
}

void TestSelectDevice::picture()
{
    QFETCH(int, typeCode);
    QFETCH(int, group);
    DeviceTable[3].TypeCode = int16_t(typeCode);
    DeviceIndex = 3;
    Select([&](frmSelectDevice* w) {
        QCOMPARE(SelectedRow(w->listDevice), 2);
        CheckPicture(w, group);
    });
    QCOMPARE(DeviceIndex, 3);
}

void TestSelectDevice::choose_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("viewOpen");
    QTest::addColumn<int>("shown");       // list row selected on opening
    QTest::addColumn<QString>("script");  // highlight moves, then how the window ends
    QTest::addColumn<int>("group");       // the picture before it ends
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("viewAfter");

    const QString c = QStringLiteral("Device: 27C256 EPROM 32K"), c8000 = QStringLiteral("Size: 8000H");
    const QString none = QStringLiteral("Device: "), zero = QStringLiteral("Size: 0H");
    const QString big = QStringLiteral("Device: Big 128K"), big20000 = QStringLiteral("Size: 20000H");
    QTest::newRow("index 3, OK") << 3 << false << 2 << "ok" << 3 << 3 << c << c8000 << false;
    QTest::newRow("index 0, OK") << 0 << false << -1 << "ok" << 1 << 0 << none << zero << false;
    QTest::newRow("highlight, Cancel") << 3 << true << 2 << "click 1 cancel" << 2 << 3 << c << c8000 << true;
    QTest::newRow("highlight, Esc") << 3 << false << 2 << "click 0 esc" << 1 << 3 << c << c8000 << false;
    QTest::newRow("highlight, close box") << 3 << true << 2 << "click 1 close" << 2 << 3 << c << c8000 << true;
    QTest::newRow("OK, view open") << 1 << true << 0 << "click 3 ok" << 1 << 4 << big << big20000 << false;
    QTest::newRow("double-click, view open") << 1 << true << 0 << "dbl 3" << 1 << 4 << big << big20000 << false;
    QTest::newRow("double-click, view closed") << 1 << false << 0 << "dbl 2" << 3 << 3 << c << c8000 << false;
    QTest::newRow("Enter") << 4 << false << 3 << "click 2 enter" << 3 << 3 << c << c8000 << false;
    QTest::newRow("selection cleared, OK") << 3 << true << 2 << "clear ok" << 1 << 0 << none << zero << false;
    QTest::newRow("index beyond catalogue, Cancel") << 7 << false << -1 << "cancel" << 1 << 7 << none << zero << false;
    QTest::newRow("index beyond catalogue, OK") << 7 << false << -1 << "ok" << 1 << 0 << none << zero << false;
}

void TestSelectDevice::choose()
{
    QFETCH(int, start);
    QFETCH(bool, viewOpen);
    QFETCH(int, shown);
    QFETCH(QString, script);
    QFETCH(int, group);
    QFETCH(int, index);
    QFETCH(QString, device);
    QFETCH(QString, size);
    QFETCH(bool, viewAfter);

    DeviceIndex = int16_t(start);
    main_->WriteStatusPanels();
    const QString panel2 = main_->sbar->Panel(2), panel3 = main_->sbar->Panel(3);
    if (viewOpen)
        BufferCommands::BufferEdit();
    QCOMPARE(BufferCommands::IsBufferWindowOpen(), viewOpen);

    Select([&](frmSelectDevice* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("Select Device"));
        QCOMPARE(w->parentWidget(), main_.get());
        QCOMPARE(w->listDevice->count(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(w->listDevice->item(i)->text(), Catalogue[i].Name);
        QCOMPARE(SelectedRow(w->listDevice), shown);

        QWidget* area = w->listDevice->viewport();
        auto at = [&](int row) { return w->listDevice->visualItemRect(w->listDevice->item(row)).center(); };
        const QStringList words = script.split(QLatin1Char(' '));
        for (int i = 0; i < words.size(); ++i) {
            const QString& word = words[i];
            const int row = i + 1 < words.size() ? words[i + 1].toInt() : 0;
            if (word == QLatin1String("click") || word == QLatin1String("dbl"))
                QTest::mouseClick(area, Qt::LeftButton, {}, at(row));
            else if (word == QLatin1String("clear"))
                QTest::mouseClick(area, Qt::LeftButton, Qt::ControlModifier, at(shown));
            if (word == QLatin1String("click") || word == QLatin1String("clear"))
                continue;
            if (i + 1 < words.size() && word != QLatin1String("dbl"))
                continue;  // the row number after "click"
            // The highlight alone changes only the picture.
            CheckPicture(w, group);
            QCOMPARE(DeviceIndex, start);
            QCOMPARE(main_->sbar->Panel(2), panel2);
            if (word == QLatin1String("dbl")) {
                QTest::mouseDClick(area, Qt::LeftButton, {}, at(row));
                QTest::mouseRelease(area, Qt::LeftButton, {}, at(row));
            } else if (word == QLatin1String("ok")) {
                QTest::mouseClick(w->cmdOk, Qt::LeftButton);
            } else if (word == QLatin1String("cancel")) {
                QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
            } else if (word == QLatin1String("close")) {
                w->close();
            } else {
                QTest::keyClick(w->focusWidget(), word == QLatin1String("esc") ? Qt::Key_Escape : Qt::Key_Return);
            }
            QVERIFY(!w->isVisible());
            break;
        }
    });
    QCOMPARE(DeviceIndex, index);
    QCOMPARE(main_->sbar->Panel(2), device);
    QCOMPARE(main_->sbar->Panel(3), size);
    QCOMPARE(BufferCommands::IsBufferWindowOpen(), viewAfter);
}

QTEST_MAIN(TestSelectDevice)
#include "tst_selectdevice.moc"
