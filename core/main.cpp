#include "core/modFunc.h"
#include "core/mdiMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quirra"));
    QApplication::setApplicationVersion(QStringLiteral(QUIRRA_VERSION));
    auto window = modFunc::StartUp();
    return app.exec();
}
