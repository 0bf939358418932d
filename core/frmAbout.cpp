#include "core/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("About Quirra"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("<h2>Quirra</h2>"), this);
    name->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(QStringLiteral("Serial Programmer, version %1").arg(QStringLiteral(QUIRRA_VERSION)), this);
    version->setAlignment(Qt::AlignCenter);
    auto* purpose = new QLabel(
        QStringLiteral("Reads, erases, blank-checks, programs, verifies and locks EPROM, EEPROM and flash "
                       "chips through a serial device programmer, and loads and saves their memory images "
                       "as Intel HEX, Motorola S-record and binary files. The hex view goes to an address, "
                       "finds bytes or a text, undoes changes and compares the image with a file. "
                       "quirra-cli runs the same functions from a terminal."),
        this);
    purpose->setWordWrap(true);
    purpose->setAlignment(Qt::AlignCenter);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addWidget(purpose);
    layout->addSpacing(8);
    layout->addWidget(cmdOk, 0, Qt::AlignCenter);
    setFixedWidth(380);
    // The wrapped text takes as many lines as the font needs at this width.
    setMinimumHeight(heightForWidth(380));
}

void frmAbout::ShowAsSplash()
{
    cmdOk->hide();
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setModal(false);
    show();
}

void frmAbout::cmdOk_Click() { accept(); }
