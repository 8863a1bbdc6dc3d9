#include "ProgramStart.h"
#include "Wizard.h"

#include <QApplication>
#include <QDir>

#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvalis"));

    std::unique_ptr<Wizard> wizard = startWizard(QDir::currentPath());
    if (!wizard)
        return 1;
    Wizard* window = wizard.get();
    QObject::connect(window, &Wizard::unloaded, &app, [window](int code) {
        // Closing the window ends the program at once, even in the middle of a copy: what was
        // written so far stays, and nothing waits for a read that may hang on a failing medium.
        if (window->isBusy())
            std::_Exit(code);
        QCoreApplication::exit(code);
    });
    window->show();
    return QApplication::exec();
}
