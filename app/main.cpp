#include "ProgramStart.h"
#include "Wizard.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>

namespace {

constexpr const char* kUsage =
    "Usage: korvalis [--help | --version]\n"
    "Rescues files from scratched discs and failing drives: copies them block by block, goes on past\n"
    "the blocks that cannot be read, and records what was lost.\n"
    "\n"
    "Without arguments it opens its window. The program keeps its language file and its history in\n"
    "the folder it is started in; the installed command prepares ~/.local/share/korvalis/ for that.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  -v, --version  show the version and exit\n"
    "\n"
    "The general options of Qt programs (such as -platform NAME) are taken as well. See korvalis(1).\n";

// Answers --help and --version, which need neither a display nor a program folder, before the
// window system is touched. Returns the exit code when the program has nothing more to do.
std::optional<int> answerInfoOption(int argc, char* argv[])
{
    if (argc < 2)
        return std::nullopt;
    const char* option = argv[1];
    if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
        std::cout << kUsage;
        return 0;
    }
    if (std::strcmp(option, "--version") == 0 || std::strcmp(option, "-v") == 0) {
        std::cout << "korvalis " << KORVALIS_VERSION << '\n';
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> code = answerInfoOption(argc, argv))
        return *code;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvalis"));
    QApplication::setApplicationVersion(QStringLiteral(KORVALIS_VERSION));
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korvalis.Korvalis"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.korvalis.Korvalis")));

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
