// Takes a picture of every page of the main window in each of the four languages, at the
// window's smallest size and at a large one ("-large"), without a display. Run it in a program
// folder that holds "languages.sir":
//     korvalis-pageshots OUTPUT-FOLDER
#include "ProgramStart.h"
#include "Wizard.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QTextStream>

#include <cstdio>

namespace {

const char* const PageNames[] = {"menu",     "source", "disc",   "destination",
                                 "progress", "burn",   "report", "history"};
const char* const LanguageNames[] = {"english", "russian", "french", "spanish"};
// The task each page is seen in.
const int PageModes[] = {ModeRecoverToFolder, ModeRecoverToFolder, ModeDiscToDisc,      ModeRecoverToFolder,
                         ModeRecoverToFolder, ModeRecoverToDisc,   ModeRecoverToFolder, ModeHistory};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: korvalis-pageshots OUTPUT-FOLDER (run in a program folder with languages.sir)\n";
        return 2;
    }
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(output);

    std::unique_ptr<Wizard> started = startWizard(QDir::currentPath());
    if (!started)
        return 1;
    Wizard& wizard = *started;
    wizard.show();
    int written = 0;
    const QSize sizes[] = {wizard.minimumSize(), QSize(1280, 860)};
    for (const QSize& size : sizes) {
        wizard.resize(size);
        const QString suffix = size == wizard.minimumSize() ? QString() : QStringLiteral("-large");
        for (int language = 1; language <= 4; ++language) {
            wizard.clickFlag(language - 1);
            for (int page = 0; page < PageCount; ++page) {
                wizard.preparePageForPicture(page, PageModes[page]);
                // The browsers read their folders off the window's thread; give them a moment.
                QTest::qWait(page == SourcePage || page == DestinationPage ? 400 : 50);
                const QString file = output + QStringLiteral("/%1-%2-%3%4.png")
                                                  .arg(page)
                                                  .arg(QLatin1String(PageNames[page]),
                                                       QLatin1String(LanguageNames[language - 1]), suffix);
                if (!wizard.grab().save(file)) {
                    err << "cannot write " << file << '\n';
                    return 1;
                }
                ++written;
            }
        }
    }
    err << written << " pictures in " << output << '\n';
    return 0;
}
