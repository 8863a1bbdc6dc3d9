// korvalis-bench: runs the real recovery engine on one job, as the program does, and reports
// how long it took, how fast it went, how much memory it needed and, on a damaged medium, how
// many reads failed and how many bytes were recovered.

#include "CountingFileAccess.h"
#include "FileNames.h"
#include "PosixFileAccess.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "SelectionWalk.h"
#include "isButton.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

// The English texts of the slots the engine shows in its panel and log.
void fillEngineTexts(RecoveryProcess& engine)
{
    const std::pair<int, const char*> texts[] = {
        {1, "Copied"},
        {2, "Lost"},
        {3, "Speed"},
        {4, "Progress"},
        {5, "Block size"},
        {6, "Overall progress"},
        {7, "Total copied"},
        {8, "Files"},
        {9, "Creating folder"},
        {10, "Cannot open the file"},
        {12, "skipped, it already exists"},
        {14, "Recovery started."},
        {20, "overwriting"},
        {21, "copying"},
        {32, "overwritten"},
        {33, "not finished"},
    };
    for (const auto& [slot, text] : texts)
        engine.setLangValue(slot, QString::fromLatin1(text));
}

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

double peakRssMiB()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

void print(const char* key, const QString& value)
{
    std::printf("%s=%s\n", key, qPrintable(value));
}

void print(const char* key, double value, int decimals = 3)
{
    std::printf("%s=%.*f\n", key, decimals, value);
}

void print(const char* key, qint64 value)
{
    std::printf("%s=%lld\n", key, static_cast<long long>(value));
}

} // namespace

int main(int argc, char* argv[])
{
    // The panel is drawn as in the program, into an off-screen surface.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvalis-bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the Korvalis recovery engine on one job and prints wall time, throughput, peak memory,\n"
        "failed reads and recovered bytes as key=value lines."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("source"),
                                 QStringLiteral("Source folder (the job's SourcePath)."));
    parser.addPositionalArgument(QStringLiteral("destination"),
                                 QStringLiteral("Destination folder (created when missing)."));
    parser.addPositionalArgument(QStringLiteral("names"),
                                 QStringLiteral("Names selected in the source folder; default: all of it."),
                                 QStringLiteral("[names...]"));
    const QCommandLineOption noPanel(
        QStringLiteral("no-panel"),
        QStringLiteral("Do not show the progress panel (it is shown by default)."));
    parser.addOption(noPanel);
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "korvalis-bench: a source and a destination folder are needed\n");
        return 2;
    }
    const QString source = withSlash(QFileInfo(args[0]).absoluteFilePath());
    const QString destination = withSlash(QFileInfo(args[1]).absoluteFilePath());
    const QStringList names = args.mid(2);
    if (!QFileInfo(source).isDir()) {
        std::fprintf(stderr, "korvalis-bench: %s is not a folder\n", qPrintable(source));
        return 2;
    }
    if (!QDir().mkpath(destination)) {
        std::fprintf(stderr, "korvalis-bench: cannot create %s\n", qPrintable(destination));
        return 2;
    }

    // The entry list as the file browser builds it: depth-first, each folder ahead of its contents.
    QElapsedTimer clock;
    clock.start();
    auto walk = std::make_unique<SelectionWalk>();
    walk->setShowHidden(true);
    const bool listed =
        names.isEmpty() ? walk->createFilesList(source) : walk->createListOfSelected(source, names);
    const double walkSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!listed) {
        std::fprintf(stderr, "korvalis-bench: nothing to copy in %s\n", qPrintable(source));
        return 2;
    }

    // What the walk could not take goes to the error stream, one item a line, so checks can name it.
    for (const LeftOutItem& item : walk->leftOut())
        std::fprintf(stderr, "korvalis-bench: left out (reason %d, errno %d): %s\n",
                     static_cast<int>(item.reason), item.error,
                     Platform::FileNames::toBytes(item.path).constData());

    RecoveryProcess engine;
    auto files = std::make_shared<CountingFileAccess>(std::make_shared<PosixFileAccess>());
    engine.setFileAccess(files);
    fillEngineTexts(engine);
    engine.setSourcePath(source);
    engine.setDestinationPath(destination);
    const int entries = walk->itemsCount();
    const auto leftOut = static_cast<qint64>(walk->leftOut().size());
    engine.setItems_Count(entries);
    // The job takes the walk's list over: the paths are kept once.
    engine.setFileNames(walk->takeEntries());
    walk.reset();
    int folderCount = 0;
    for (int i = 1; i <= entries; ++i) {
        folderCount += engine.FileName(i).startsWith(SelectionWalk::FolderMark) ? 1 : 0;
        engine.setCopiedBytes(i, 0);
        engine.setIsDone(i, false);
        engine.setStartPosition(i, 0);
    }
    engine.setCorruptedFilesCount(0);
    if (!parser.isSet(noPanel))
        engine.show();

    QString event;
    QObject::connect(&engine, &RecoveryProcess::ProcessDone, [&] { event = QStringLiteral("done"); });
    QObject::connect(&engine, &RecoveryProcess::ProcessPaused, [&] { event = QStringLiteral("paused"); });
    QObject::connect(&engine, &RecoveryProcess::ProcessAborted, [&] { event = QStringLiteral("aborted"); });

    // Nobody sits at the screen: a message is cancelled (or acknowledged) and logged, an existing
    // destination is overwritten, and any other dialog is closed.
    int prompts = 0;
    Prompt::ScopedAnswerer answerer(
        [&](const Prompt::Message& message) {
            ++prompts;
            std::fprintf(stderr, "korvalis-bench: message: %s\n", qPrintable(message.text));
            return message.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        },
        [&](QDialog& dialog) {
            ++prompts;
            std::fprintf(stderr, "korvalis-bench: dialog %s\n", qPrintable(dialog.objectName()));
            if (auto* overwriteAll = dialog.findChild<isButton*>(QStringLiteral("isButton1(10)"))) {
                overwriteAll->click();
                return dialog.result();
            }
            return static_cast<int>(QDialog::Rejected);
        });

    clock.restart();
    engine.StartProcess();
    const double runSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    qint64 ranges = 0;
    for (int n = 1; n <= engine.DamageRecordCount(); ++n)
        ranges += engine.DamageRecord(n).rangeCount;
    const IoCounts& counts = files->counts();
    const double copied = engine.TotalCopiedBytes();
    const double seconds = walkSeconds + runSeconds;

    print("event", event);
    print("entries", static_cast<qint64>(entries));
    print("folders", static_cast<qint64>(folderCount));
    print("files", static_cast<qint64>(entries - folderCount));
    print("not_copied", static_cast<qint64>(engine.ItemsNotCopied_Count()));
    print("left_out", leftOut);
    print("walk_seconds", walkSeconds);
    print("run_seconds", runSeconds);
    print("seconds", seconds);
    print("copied_bytes", static_cast<qint64>(copied));
    print("throughput_mib_s", seconds > 0 ? copied / seconds / 1048576.0 : 0.0, 1);
    print("peak_rss_mib", peakRssMiB(), 1);
    // Every read of the medium, the first pass's and the rescue phase's, and the rescue's alone.
    print("reads", counts.reads.load());
    print("failed_reads", counts.failedReads.load());
    print("rescue_reads", engine.RescueReadCounts().reads.load());
    print("rescue_failed_reads", engine.RescueReadCounts().failedReads.load());
    print("rescue_bytes_recovered", engine.RescueReadCounts().bytesRecovered.load());
    print("bytes_recovered", counts.bytesWritten.load());
    print("bytes_lost", static_cast<qint64>(engine.TotalLostBytes()));
    print("damaged_files", static_cast<qint64>(engine.CorruptedFilesCount()));
    print("damaged_ranges", ranges);
    print("prompts", static_cast<qint64>(prompts));
    std::fflush(stdout);

    if (event != QLatin1String("done"))
        return 1;
    return prompts > 0 ? 3 : 0;
}
