#include "core/frmHelp.h"

#include <QTextBrowser>
#include <QVBoxLayout>

static void InitHelpResource() { Q_INIT_RESOURCE(help); }

frmHelp::frmHelp(QWidget* owner) : QDialog(owner)
{
    InitHelpResource();
    setWindowTitle(QStringLiteral("Quirra Help"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    txtHelp = new QTextBrowser(this);
    txtHelp->setOpenExternalLinks(false);
    txtHelp->setSource(QUrl(QStringLiteral("qrc:/help/manual.html")));
    layout->addWidget(txtHelp);
    resize(720, 560);
}
