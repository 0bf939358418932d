// Options > Settings and Options > Edit Auto on a real main window.
#include "core/mdiMain.h"
#include "core/modFunc.h"
#include "options/AutoFile.h"
#include "options/frmEditAuto.h"
#include "options/frmSettings.h"
#include "platform/ListBox.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace modFunc;

namespace {
// auto.cfg as SaveAuto writes it.
QByteArray AutoText(const QList<int>& codes)
{
    QByteArray text = QByteArray::number(codes.size()) + "\r\n";
    for (int c : codes)
        text += QByteArray::number(c) + "\r\n";
    return text;
}

QStringList Items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Ends a window as its token says; false when the token is none of these.
bool EndWindow(QDialog* w, QPushButton* ok, QPushButton* cancel, const QString& how)
{
    if (how == QLatin1String("ok") || how == QLatin1String("cancel"))
        QTest::mouseClick(how == QLatin1String("ok") ? ok : cancel, Qt::LeftButton);
    else if (how == QLatin1String("close"))
        w->close();
    else if (how == QLatin1String("enter") || how == QLatin1String("esc"))
        QTest::keyClick(w->focusWidget(), how == QLatin1String("esc") ? Qt::Key_Escape : Qt::Key_Return);
    else
        return false;
    return true;
}
}  // namespace

class TestOptions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void settings_data();
    void settings();
    void editAuto_data();
    void editAuto();

private:
    std::unique_ptr<TempAppDir> dir_;
    std::unique_ptr<MessageRecorder> rec_;
    std::unique_ptr<mdiMain> main_;
};

void TestOptions::init()
{
    dir_ = std::make_unique<TempAppDir>();
    rec_ = std::make_unique<MessageRecorder>();
    main_ = std::make_unique<mdiMain>();
    main_->show();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
}

void TestOptions::cleanup()
{
    main_.reset();
    rec_.reset();
    dir_.reset();
}

void TestOptions::settings_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("choose");    // list entry picked, -1 none
    QTest::addColumn<QString>("typed");  // typed into the edit field instead
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("shown");     // entry selected on opening
    QTest::addColumn<int>("port");
    QTest::newRow("COM3 shown, OK") << 3 << -1 << "" << "ok" << 2 << 3;
    QTest::newRow("COM32 chosen") << 3 << 31 << "" << "ok" << 2 << 32;
    QTest::newRow("COM1 chosen, Enter") << 3 << 0 << "" << "enter" << 2 << 1;
    QTest::newRow("chosen, Cancel") << 3 << 31 << "" << "cancel" << 2 << 3;
    QTest::newRow("chosen, Esc") << 3 << 31 << "" << "esc" << 2 << 3;
    QTest::newRow("chosen, close box") << 3 << 31 << "" << "close" << 2 << 3;
    QTest::newRow("typed entry") << 3 << -1 << "COM17" << "ok" << 2 << 17;
    QTest::newRow("typed other name") << 3 << -1 << "COM99" << "ok" << 2 << 0;
    QTest::newRow("typed nonsense, Enter") << 5 << -1 << "USB0" << "enter" << 4 << 0;
    QTest::newRow("port 0") << 0 << -1 << "" << "ok" << -1 << 0;
    QTest::newRow("port 40, Cancel") << 40 << -1 << "" << "cancel" << -1 << 40;
    QTest::newRow("port -2, OK") << -2 << -1 << "" << "ok" << -1 << 0;
}

void TestOptions::settings()
{
    QFETCH(int, start);
    QFETCH(int, choose);
    QFETCH(QString, typed);
    QFETCH(QString, end);
    QFETCH(int, shown);
    QFETCH(int, port);
    ComPort = int16_t(start);
    main_->sbar->SetPanel(1, QStringLiteral("COM%1").arg(start));
    QVERIFY(WhileModal<frmSettings>([this] { main_->OptionsSettings->trigger(); }, [&](frmSettings* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(w->Frame1->title(), QStringLiteral("Select Port:"));
        QCOMPARE(w->cmbCOM->count(), 32);
        QCOMPARE(w->cmbCOM->itemText(0), QStringLiteral("COM1"));
        QCOMPARE(w->cmbCOM->itemText(31), QStringLiteral("COM32"));
        QVERIFY(w->cmbCOM->isEditable());
        QCOMPARE(w->cmbCOM->currentIndex(), shown);
        if (choose >= 0)
            w->cmbCOM->setCurrentIndex(choose);
        if (!typed.isEmpty()) {
            w->cmbCOM->lineEdit()->clear();
            QTest::keyClicks(w->cmbCOM->lineEdit(), typed);
        }
        QVERIFY(EndWindow(w, w->cmdOk, w->cmdCancel, end));
        QVERIFY(!w->isVisible());
        QCOMPARE(w->cmbCOM->count(), 32);  // a typed name is never added
    }));
    QCOMPARE(ComPort, port);
    // Nothing else until the next start: the panel stays, nothing is written.
    QCOMPARE(main_->sbar->Panel(1), QStringLiteral("COM%1").arg(start));
    QVERIFY(QDir(dir_->path()).isEmpty());
    QCOMPARE(rec_->count(), 0);
}

void TestOptions::editAuto_data()
{
    QTest::addColumn<QList<int>>("stored");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("shown");  // the step list on opening
    QTest::addColumn<QList<int>>("steps");   // the sequence afterwards
    QTest::addColumn<bool>("failSave");      // auto.cfg cannot be written

    const QList<int> ebpv{1, 2, 3, 4}, nineteen(19, 1);
    const QStringList ebpvShown{"Erase", "Blank", "Program", "Verify"};
    QTest::newRow("empty") << QList<int>{} << "ok" << QStringList{} << QList<int>{} << false;
    QTest::newRow("unchanged") << ebpv << "ok" << ebpvShown << ebpv << false;
    QTest::newRow("Enter") << ebpv << "s1 < s0 enter" << ebpvShown << QList<int>{1, 3, 4} << false;
    QTest::newRow("Program twice") << QList<int>{} << "+Program > > ok" << QStringList{}
                                   << QList<int>{3, 3} << false;
    QTest::newRow("< with nothing selected") << ebpv << "< ok" << ebpvShown << ebpv << false;
    QTest::newRow("< twice") << ebpv << "s0 < < ok" << ebpvShown << QList<int>{2, 3, 4} << false;
    QTest::newRow("<< then add") << ebpv << "<< +Lock > +Erase > ok" << ebpvShown << QList<int>{5, 1} << false;
    QTest::newRow("Read kept") << QList<int>{0, 3} << "ok" << QStringList{"Read", "Program"}
                               << QList<int>{0, 3} << false;
    QTest::newRow("codes outside 0 to 5") << QList<int>{1, 9, -1, 6, 4} << "ok" << QStringList{"Erase", "Verify"}
                                          << QList<int>{1, 4} << false;
    QTest::newRow("Cancel") << ebpv << "s0 < +Lock > cancel" << ebpvShown << ebpv << false;
    QTest::newRow("Esc") << ebpv << "<< esc" << ebpvShown << ebpv << false;
    QTest::newRow("close box") << ebpv << "+Blank > close" << ebpvShown << ebpv << false;
    QTest::newRow("20 steps") << nineteen << "+Lock > > ok" << QStringList(19, "Erase") << nineteen + QList<int>{5}
                              << false;
    QTest::newRow("save fails") << QList<int>{2} << "+Verify > ok" << QStringList{"Blank"} << QList<int>{2, 4}
                                << true;
}

void TestOptions::editAuto()
{
    QFETCH(QList<int>, stored);
    QFETCH(QString, script);
    QFETCH(QStringList, shown);
    QFETCH(QList<int>, steps);
    QFETCH(bool, failSave);
    const QByteArray old = AutoText(stored);
    if (failSave) {
        QVERIFY(QDir(dir_->path()).mkdir(AutoFileName));
        QVERIFY(ParseAuto(old).isEmpty());
    } else {
        dir_->write(AutoFileName, old);
        QVERIFY(LoadAuto().isEmpty());
    }

    QVERIFY(WhileModal<frmEditAuto>([this] { main_->OptionsEditAuto->trigger(); }, [&](frmEditAuto* w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("Edit Auto"));
        QCOMPARE(Items(w->lstIn), QStringList({"Erase", "Blank", "Program", "Verify", "Lock"}));
        QCOMPARE(SelectedRow(w->lstIn), 0);
        QCOMPARE(Items(w->lstOut), shown);
        for (const QString& word : script.split(QLatin1Char(' '))) {
            // The buttons follow the step list: "<" and "<<" while there are
            // steps, ">" while there is room for one.
            const int count = w->lstOut->count();
            QCOMPARE(w->cmdMoveLeft->isEnabled(), count > 0);
            QCOMPARE(w->cmdMoveLeftAll->isEnabled(), count > 0);
            QCOMPARE(w->cmdMoveRight->isEnabled(), count < MaxAutoSteps);
            QListWidget* list = word.startsWith(QLatin1Char('+')) ? w->lstIn : w->lstOut;
            if (word.startsWith(QLatin1Char('+')) || word.startsWith(QLatin1Char('s'))) {
                const int row = list == w->lstIn ? Items(list).indexOf(word.mid(1)) : word.mid(1).toInt();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
                QCOMPARE(SelectedRow(list), row);
            } else if (!EndWindow(w, w->cmdOk, w->cmdCancel, word)) {
                QPushButton* button = word == QLatin1String(">")    ? w->cmdMoveRight
                                      : word == QLatin1String("<") ? w->cmdMoveLeft
                                                                   : w->cmdMoveLeftAll;
                QCOMPARE(button->text(), word);
                QTest::mouseClick(button, Qt::LeftButton);
                QCOMPARE(SelectedRow(w->lstOut), -1);
            }
        }
        QVERIFY(!w->isVisible());
    }));

    QCOMPARE(int(AutoCount), steps.size());
    for (int i = 0; i < steps.size(); ++i)
        QCOMPARE(int(AutoList[i + 1]), steps[i]);
    if (failSave) {
        // The sequence is used until the end; the message names the file.
        QCOMPARE(rec_->count(), 1);
        QVERIFY(rec_->last().text.contains(AppFile(AutoFileName)));
        QCOMPARE(rec_->last().icon, MsgIcon::Critical);
        QVERIFY(QFileInfo(dir_->file(AutoFileName)).isDir());
    } else {
        QCOMPARE(rec_->count(), 0);
        // OK rewrites the file with the steps shown; Cancel leaves it as it was.
        QCOMPARE(dir_->read(AutoFileName), script.endsWith(QLatin1String("ok")) || script.endsWith(QLatin1String("enter")) ? AutoText(steps) : old);
    }
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
