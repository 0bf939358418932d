// File > Load and File > Save on a real main window, with the file dialog
// scripted and the options window worked while it is shown.
#include "buffer/BufferCommands.h"
#include "buffer/frmBuffer.h"
#include "core/mdiMain.h"
#include "files/FileFormats.h"
#include "files/frmFileLoad.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <functional>

using modFunc::Buffer;

namespace {
const QByteArray GoodHex = ":02010000ABCD85\r\n:00000001FF\r\n";
}

class TestFileCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void load_data();
    void load();
    void save_data();
    void save();
    void optionsWindow();

private:
    // Runs the menu item with `name` chosen in the file dialog (empty for
    // Cancel); `act` works the options window. Returns whether it was shown.
    bool Run(QAction* item, const QString& name, const std::function<void(frmFileLoad*)>& act);
    // The options window left by OK after choosing the type ("hex", "bin" or
    // "" for the preselection) and typing the offsets, or by its close box.
    bool Run(QAction* item, const QString& name, const QString& choice, const QString& ba = QStringLiteral("0"),
             const QString& fa = QStringLiteral("0"), bool close = false);

    std::unique_ptr<TempAppDir> dir_;
    std::unique_ptr<MessageRecorder> rec_;
    std::unique_ptr<mdiMain> main_;
    QStringList starts_;  // the name each file dialog opened with
};

void TestFileCommands::init()
{
    dir_ = std::make_unique<TempAppDir>();
    rec_ = std::make_unique<MessageRecorder>();
    main_ = std::make_unique<mdiMain>();
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    starts_.clear();
}

void TestFileCommands::cleanup()
{
    SetFileDialogHandler({});
    main_.reset();
    rec_.reset();
    dir_.reset();
}

bool TestFileCommands::Run(QAction* item, const QString& name, const std::function<void(frmFileLoad*)>& act)
{
    SetFileDialogHandler([&](FileDialogMode mode, const QString& start) {
        starts_ << start;
        return mode == (item == main_->FileLoad ? FileDialogMode::Open : FileDialogMode::Save) ? name : QString();
    });
    bool shown = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* t : QApplication::topLevelWidgets())
            if (auto* w = qobject_cast<frmFileLoad*>(t); w && w->isVisible()) {
                shown = true;
                QCOMPARE(w->parentWidget(), main_.get());
                act(w);
                if (w->isVisible())
                    w->reject();  // never leave the test waiting on the window
            }
    });
    item->trigger();
    QCoreApplication::processEvents();
    return shown;
}

bool TestFileCommands::Run(QAction* item, const QString& name, const QString& choice, const QString& ba,
                           const QString& fa, bool close)
{
    return Run(item, name, [&](frmFileLoad* w) {
        if (!choice.isEmpty())
            (choice == QLatin1String("hex") ? w->Option1 : w->Option2)->click();
        w->txtBuffer->setText(ba);
        w->txtFile->setText(fa);
        if (close)
            w->close();
        else
            QTest::mouseClick(w->cmdOk, Qt::LeftButton);
    });
}

void TestFileCommands::load_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");  // null: no such file
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("ba");
    QTest::addColumn<bool>("close");
    QTest::addColumn<QString>("message");     // expected in the one message; "" none
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("value");           // Buffer[at] afterwards
    QTest::newRow("hex") << "a.hex" << GoodHex << "" << "0" << false << "" << 0x100 << 0xAB;
    QTest::newRow("buffer address") << "a.HEX" << GoodHex << "" << "1000" << false << "" << 0x1101 << 0xCD;
    QTest::newRow("mixed case name, Intel Hex chosen") << "a.Hex" << GoodHex << "hex" << "" << false << "" << 0x100 << 0xAB;
    QTest::newRow("close box") << "a.hex" << GoodHex << "" << "0" << true << "" << 0x100 << 0xFF;
    QTest::newRow("binary, 70002 bytes") << "a.bin" << QByteArray(70002, 0) << "" << "0" << false
                                         << "lands at index 11171" << 70000 << 0;
    QTest::newRow("checksum") << "a.hex" << GoodHex.left(13) + "86" << "" << "0" << false
                              << FileFormats::ChecksumMessage << 0x100 << 0xFF;
    QTest::newRow("bad line") << "a.hex" << QByteArray("junk") << "" << "0" << false << "Line 1 is not a valid" << 0 << 0xFF;
    QTest::newRow("missing file") << "none.bin" << QByteArray() << "" << "0" << false << "cannot be opened" << 0 << 0xFF;
}

void TestFileCommands::load()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, choice);
    QFETCH(QString, ba);
    QFETCH(bool, close);
    QFETCH(QString, message);
    if (!content.isNull())
        dir_->write(name, content);
    const QString path = dir_->file(name);
    BufferCommands::BufferEdit();
    QPointer<frmBuffer> before = BufferCommands::BufferWindow();
    QVERIFY(Run(main_->FileLoad, path, choice, ba, QString(), close));
    const bool loaded = !close && message.isEmpty();
    QCOMPARE(main_->sbar->Panel(4), loaded ? QStringLiteral("File: ") + path : QStringLiteral("File:"));
    QCOMPARE(before.isNull(), loaded);  // the hex view is reopened after a load only
    QVERIFY(BufferCommands::IsBufferWindowOpen());
    QCOMPARE(rec_->count(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(rec_->last().title, QStringLiteral("File Load Error"));
        QCOMPARE(rec_->last().icon, MsgIcon::Critical);
        QVERIFY(rec_->last().text.contains(message));
        QCOMPARE(rec_->last().text.contains(QDir::toNativeSeparators(path)), message != FileFormats::ChecksumMessage);
    }
    QFETCH(int, at);
    QTEST(int(Buffer[size_t(at)]), "value");
}

void TestFileCommands::save_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("ba");
    QTest::addColumn<QByteArray>("expected");  // the file afterwards
    QTest::addColumn<QString>("message");
    const QByteArray old(4096, 'x');
    const QByteArray hex16 = ":10000000" + QByteArray(32, 'F') + "00\r\n:00000001FF\r\n";
    QTest::newRow("hex") << "s.hex" << 16 << "" << "0" << hex16 << "";
    QTest::newRow("offsets change nothing") << "s.hex" << 16 << "" << "100" << hex16 << "";
    QTest::newRow("binary under a hex name, over a longer file") << "image.hex" << 2048 << "bin" << "0"
                                                                 << QByteArray(2048, '\xFF') << "";
    QTest::newRow("binary, 70001 bytes") << "s.bin" << 70001 << "" << "0" << QByteArray(70001, '\xFF') << "";
    QTest::newRow("hex, too large") << "s.hex" << 0x10001 << "" << "0" << old << "size of 65537 bytes";
    QTest::newRow("binary, too large") << "s.bin" << 70002 << "" << "0" << old << "size of 70002 bytes";
    QTest::newRow("no such directory") << "none/s.bin" << 16 << "" << "0" << QByteArray() << "cannot be written";
}

void TestFileCommands::save()
{
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(QString, choice);
    QFETCH(QString, ba);
    QFETCH(QString, message);
    modFunc::DeviceTable[1] = {QStringLiteral("Chip"), 1, size};
    modFunc::DeviceIndex = 1;
    const QString path = dir_->file(name);
    if (!name.contains(QLatin1Char('/')))
        dir_->write(name, QByteArray(4096, 'x'));
    QVERIFY(Run(main_->FileSave, path, choice, ba));
    QTEST(dir_->read(name), "expected");
    QCOMPARE(main_->sbar->Panel(4), message.isEmpty() ? QStringLiteral("File: ") + path : QStringLiteral("File:"));
    QCOMPARE(rec_->count(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(rec_->last().title, QStringLiteral("File Save Error"));
        QCOMPARE(rec_->last().icon, MsgIcon::Critical);
        QVERIFY(rec_->last().text.contains(message));
        QVERIFY(rec_->last().text.contains(QDir::toNativeSeparators(path)));
    }
}

void TestFileCommands::optionsWindow()
{
    // The preselection follows the name's last three characters exactly.
    for (auto [name, hex] : {std::pair{"PROG.HEX", true}, {"prog.hex", true}, {"prog.Hex", false},
                             {"prog.bin", false}, {"prog", false}}) {
        QVERIFY(Run(main_->FileLoad, dir_->file(QString::fromLatin1(name)), [hex = hex](frmFileLoad* w) {
            QCOMPARE(w->Option1->isChecked(), hex);
            QCOMPARE(w->Option2->isChecked(), !hex);
            w->close();
        }));
        QVERIFY(modFunc::FileCancelled);
    }
    QCOMPARE(starts_.last(), dir_->file(QStringLiteral("prog.bin")));  // the name chosen last

    // Captions, focus order, and an offset too long for 32 bits.
    dir_->write(QStringLiteral("a.hex"), GoodHex);
    QVERIFY(Run(main_->FileLoad, dir_->file(QStringLiteral("a.hex")), [this](frmFileLoad* w) {
        QCOMPARE(w->windowTitle(), QString());
        QCOMPARE(w->Frame1->title(), QStringLiteral("File Type:"));
        QCOMPARE(w->Frame2->title(), QStringLiteral("Load Offset:"));
        QCOMPARE(w->Label1->text(), QStringLiteral("Buffer Address (HEX):"));
        QCOMPARE(w->Label2->text(), QStringLiteral("File Address (HEX):"));
        QCOMPARE(w->txtFile->text(), QStringLiteral("0"));
        const QWidget* order[] = {w->Option1, w->Option2, w->txtBuffer, w->txtFile, w->cmdCancel, w->cmdOk};
        for (int i = 0; i + 1 < 6; ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus)
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
        QVERIFY(w->cmdOk->isDefault());
        w->txtBuffer->setText(QStringLiteral("123456789"));
        w->cmdOk->click();
        QCOMPARE(rec_->count(), 1);
        QVERIFY(rec_->last().text.contains(QStringLiteral("123456789")));
        QVERIFY(w->isVisible());
        w->txtBuffer->setText(QStringLiteral("fffff"));
        w->cmdOk->click();
        QVERIFY(!w->isVisible());
    }));
    QCOMPARE(modFunc::BufferAddress, 0xFFFFFu);
    QCOMPARE(rec_->count(), 2);  // that offset puts the file outside the Buffer
    QVERIFY(rec_->last().text.contains(QStringLiteral("index 1000FF")));

    // The save dialog opens with the name loaded last; Cancel there ends the
    // command before the options window.
    QVERIFY(!Run(main_->FileSave, QString(), QString()));
    QCOMPARE(starts_.last(), dir_->file(QStringLiteral("a.hex")));
    QCOMPARE(main_->cdia.FileName, dir_->file(QStringLiteral("a.hex")));
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
