#include "Prompt.h"
#include "StartUp.h"
#include "Wizard.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvalis"));

    Wizard wizard(StartUp::appFolderFrom(QDir::currentPath()));
    QObject::connect(&wizard, &Wizard::unloaded, &app, [](int code) { QCoreApplication::exit(code); });
    try {
        wizard.load();
    } catch (const LoadError& e) {
        Prompt::show({QMessageBox::Critical, QStringLiteral("Korvalis"), StartUp::loadErrorText(e.number())});
        return 1;
    }
    wizard.show();
    return QApplication::exec();
}
