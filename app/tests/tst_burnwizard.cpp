// The burn tasks from the main window: the menu, the source page, the copy into the temporary
// folder, the burn page and the summary page, with the damaged-medium simulator as the source
// and libburn writing an image file as the recorder.
#include "FilesAndFoldersList.h"
#include "HistoryList.h"
#include "JobAssembly.h"
#include "K3Cindral.h"
#include "LanguageFile.h"
#include "LibburnRecorder.h"
#include "MediumFiles.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "ReportsFile.h"
#include "SimulatedMedium.h"
#include "TableEngine.h"
#include "Wizard.h"
#include "isButton.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <map>
#include <memory>

namespace {

using MediumFiles::filesBelow;
using MediumFiles::pattern;
using MediumFiles::writeFile;

void makeWritable(const QString& root)
{
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    }
}

// xorriso with UTF-8 names, stopping at the first failure; true when it ended well.
bool xorriso(const QStringList& arguments)
{
    QProcess xorriso;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xorriso.setProcessEnvironment(env);
    xorriso.start(QStringLiteral("xorriso"),
                  QStringList{QStringLiteral("-abort_on"), QStringLiteral("FAILURE"),
                              QStringLiteral("-local_charset"), QStringLiteral("UTF-8")} +
                      arguments);
    if (!xorriso.waitForFinished(120000))
        return false;
    if (xorriso.exitCode() != 0)
        qWarning().noquote() << xorriso.readAllStandardError();
    return xorriso.exitCode() == 0;
}

// readFs "norock" reads the Joliet tree, as Windows does.
bool extractImage(const QString& image, const QString& folder, const QString& readFs = QStringLiteral("any"))
{
    const bool ok = xorriso({QStringLiteral("-read_fs"), readFs, QStringLiteral("-indev"), image,
                             QStringLiteral("-osirrox"), QStringLiteral("on"), QStringLiteral("-extract"),
                             QStringLiteral("/"), folder});
    makeWritable(folder);
    return ok;
}

LangTexts numberedTexts()
{
    LangTexts texts;
    for (int n = 1; n < int(texts.size()); ++n)
        texts[static_cast<size_t>(n)] = QStringLiteral("t%1").arg(n);
    return texts;
}

isButton* button(Wizard& w, const char* name)
{
    return w.findChild<isButton*>(QLatin1String(name));
}

} // namespace

class TestBurnWizard : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_source;
    QStringList m_messages;
    QMessageBox::StandardButton m_keepAnswer = QMessageBox::No;

    QString path(const QString& name) const { return m_work.filePath(name); }

    // A window whose recorder writes into image (no recorder at all when image is empty), with
    // the temporary folder tempFolder.
    std::unique_ptr<Wizard> makeWizard(const QString& appFolder, const QString& image,
                                       const QString& tempFolder)
    {
        QStringList targets;
        if (!image.isEmpty())
            targets << QStringLiteral("stdio:") + image;
        const auto previous = CDDVDBurner2::setFactory([targets] {
            return std::make_unique<LibburnRecorder>(LibburnRecorder::Options{false, targets});
        });
        QDir().mkpath(appFolder); // the run's history is written there
        auto w = std::make_unique<Wizard>(appFolder);
        CDDVDBurner2::setFactory(previous);
        w->applyTexts(numberedTexts(), LanguageTexts{});
        w->setTempPath(tempFolder);
        w->show();
        return w;
    }

    // The menu's burn task, then the whole medium chosen on the source page.
    bool chooseTheMedium(Wizard& w, const QString& mount)
    {
        w.clickMenuEntry(3);
        w.clickNext();
        if (w.flow().CurrentPage != SourcePage) {
            qWarning() << "not on the source page:" << w.flow().CurrentPage << m_messages;
            return false;
        }
        auto* browser = w.findChild<FilesAndFoldersList*>(QStringLiteral("FilesAndFoldersList1"));
        browser->setCurrentPath(mount + QLatin1Char('/'));
        auto* list = browser->findChild<QListWidget*>(QStringLiteral("FilesList"));
        if (!QTest::qWaitFor([&] { return list->count() >= 2; }, 10000)) {
            qWarning() << "the medium was not listed:" << list->count() << browser->CurrentPath();
            return false;
        }
        list->selectAll();
        w.clickNext();
        return true;
    }

    Prompt::MessageAnswerer answers()
    {
        return [this](const Prompt::Message& m) {
            m_messages << m.text;
            if (m.text == QLatin1String("t297")) // copy into a temporary folder first?
                return QMessageBox::Yes;
            if (m.text.startsWith(QLatin1String("The recovered files have not been burned")))
                return m_keepAnswer;
            return m.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::Ok;
        };
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xorriso")).isEmpty(), "xorriso is needed");
        m_source = path(QStringLiteral("source"));
        QVERIFY(writeFile(m_source + QStringLiteral("/Docs/a.txt"), pattern(100000, 1)));
        QVERIFY(writeFile(m_source + QStringLiteral("/Docs/Sub/damaged one.bin"), pattern(300000, 2)));
        QVERIFY(writeFile(m_source + QStringLiteral("/top.bin"), pattern(131073, 4)));
    }

    void init() { m_messages.clear(); }

    void directBurnLandsOnTheSummaryPage()
    {
        KORVALIS_REQUIRE_FUSE();
        SimulatedMedium medium(m_source, QString());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString image = path(QStringLiteral("direct.iso"));
        const QString temp = path(QStringLiteral("temp3")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        // The program folder and the temporary folder on one volume: no question.
        auto w = makeWizard(path(QStringLiteral("app")) + QLatin1Char('/'), image, temp);
        Prompt::ScopedAnswerer answerer(answers());
        QVERIFY(chooseTheMedium(*w, medium.mountPoint()));
        QCOMPARE(w->flow().CurrentPage, int(BurnPage));
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToDisc));
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(ReportPage), 120000);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
        const QString out = path(QStringLiteral("direct-out"));
        QVERIFY(extractImage(image, out));
        QCOMPARE(filesBelow(out), filesBelow(m_source));
    }

    void burnThroughTheTemporaryFolder_data()
    {
        QTest::addColumn<bool>("burn");
        QTest::newRow("burned") << true;
        QTest::newRow("left before burning") << false;
    }

    void burnThroughTheTemporaryFolder()
    {
        QFETCH(bool, burn);
        KORVALIS_REQUIRE_FUSE();
        SimulatedMedium medium(m_source, QStringLiteral("\"Docs/Sub/damaged one.bin\" 65536 20000\n"));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString image = path(QStringLiteral("viatemp%1.iso").arg(burn));
        const QString temp = path(QStringLiteral("temp6-%1").arg(burn)) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        // The program folder on another volume than the temporary folder: the question, Yes.
        auto w = makeWizard(medium.mountPoint() + QLatin1Char('/'), image, temp);
        Prompt::ScopedAnswerer answerer(answers());
        QVERIFY(chooseTheMedium(*w, medium.mountPoint()));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToDiscViaTemp));
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(BurnPage), 60000);
        const QString job = temp + JobAssembly::jobFolderName() + QLatin1Char('/');
        std::map<QString, QByteArray> expected = filesBelow(m_source);
        QByteArray& damaged = expected[QStringLiteral("Docs/Sub/damaged one.bin")];
        // After the rescue phase only the 512-byte sectors of the failing range are zeros.
        damaged.replace(65536, 20480, QByteArray(20480, '\0'));
        QCOMPARE(filesBelow(job), expected);
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);

        if (burn) {
            w->clickNext();
            QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(ReportPage), 120000);
            QVERIFY(!QFileInfo::exists(job));
            const QString out = path(QStringLiteral("viatemp-out"));
            QVERIFY(extractImage(image, out));
            QCOMPARE(filesBelow(out), expected);
            // The program folder is the read-only medium: the run's history cannot be kept there,
            // which is said in the window's language (text 291), then why.
            QCOMPARE(m_messages.size(), 2);
            QVERIFY(m_messages.last().startsWith(QLatin1String("t291\n\n")));
            return;
        }
        // Back from the burn page without a burn: the copy is kept and the user told where.
        m_keepAnswer = QMessageBox::No;
        w->clickBack();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(MenuPage), 10000);
        QCOMPARE(m_messages.size(), 2);
        const QStringList kept = QDir(temp).entryList({QStringLiteral("kvs_recovered_*")}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        QVERIFY2(m_messages[1].contains(temp + kept[0]), qPrintable(m_messages[1]));
        QCOMPARE(filesBelow(temp + kept[0]), expected);
        QVERIFY(!QFileInfo::exists(image) || QFileInfo(image).size() == 0);
    }

    void discToDiscCopiesTheWholeDiscThenBurns()
    {
        KORVALIS_REQUIRE_FUSE();
        // The disc to copy: its mounted volume, as the recorder list finds it for a real drive.
        SimulatedMedium disc(m_source, QStringLiteral("top.bin 70000 100\n"));
        QVERIFY2(disc.mount(), qPrintable(disc.errorString()));
        const QString image = path(QStringLiteral("copy.iso"));
        const QString temp = path(QStringLiteral("temp2")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        auto w = makeWizard(path(QStringLiteral("app")) + QLatin1Char('/'), image, temp);
        Prompt::ScopedAnswerer answerer(answers());
        w->clickMenuEntry(2);
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        auto* recorders = w->page(DiscPage)->findChild<QComboBox*>(QStringLiteral("SourceDrives"));
        QCOMPARE(recorders->count(), 1);
        QCOMPARE(recorders->itemText(0), QStringLiteral("stdio:") + image);
        recorders->setItemData(0, QString(disc.mountPoint() + QLatin1Char('/')));
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(BurnPage), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(ReportPage), 120000);
        QVERIFY(!QFileInfo::exists(temp + JobAssembly::jobFolderName()));
        std::map<QString, QByteArray> expected = filesBelow(m_source);
        expected[QStringLiteral("top.bin")].replace(69632, 512, QByteArray(512, '\0'));
        const QString out = path(QStringLiteral("copy-out"));
        QVERIFY(extractImage(image, out));
        QCOMPARE(filesBelow(out), expected);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
    }

    // No recorder at all, as on most laptops: the burn task writes an ISO image file end to end.
    void isoImageFromTheWindowWithoutARecorder()
    {
        const QString source = path(QStringLiteral("iso-source"));
        const QString emoji = QStringLiteral("📀 снимок 🎉.bin");
        QString cyrillic;
        while (cyrillic.size() < 120)
            cyrillic += QStringLiteral("Протокол восстановления данных ");
        cyrillic = cyrillic.left(120) + QStringLiteral(".txt");
        QVERIFY(writeFile(source + QStringLiteral("/Docs/report.txt"), pattern(50000, 21)));
        QVERIFY(writeFile(source + QLatin1Char('/') + emoji, pattern(3000, 22)));
        QVERIFY(writeFile(source + QStringLiteral("/Docs/") + cyrillic, pattern(1000, 23)));
        // A link to a file goes on the disc as the file; a link to a folder below is left out.
        QVERIFY(QFile::link(source + QStringLiteral("/Docs/report.txt"),
                            source + QStringLiteral("/report link.txt")));
        QVERIFY(QFile::link(source, source + QStringLiteral("/Docs/back to the top")));
        const QString image = path(QStringLiteral("window.iso"));
        const QString temp = path(QStringLiteral("temp-iso")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        const QString app = path(QStringLiteral("app-iso")) + QLatin1Char('/');
        auto w = makeWizard(app, QString(), temp);
        Prompt::ScopedAnswerer answerer(answers());
        QVERIFY(chooseTheMedium(*w, source));
        QCOMPARE(w->flow().CurrentPage, int(BurnPage));
        auto* control = w->findChild<K3Cindral*>(QStringLiteral("K3Cindral1"));
        QCOMPARE(control->SourceDrives->count(), 1);
        QCOMPARE(control->SourceDrives->itemText(0), control->LangValue(40));
        QVERIFY(!button(*w, "Command11")->isEnabled());

        // The user picks the list's only item and names the file in the real file dialog.
        bool chosen = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog);
                dialog->selectFile(image);
                static_cast<QDialog*>(dialog)->accept();
            },
            &chosen);
        Q_EMIT control->SourceDrives->activated(0);
        QVERIFY(chosen);
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);
        QCOMPARE(control->WriteMedia->text(), QStringLiteral("ISO image file"));
        w->clickNext();
        QTRY_COMPARE_WITH_TIMEOUT(w->flow().CurrentPage, int(ReportPage), 120000);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
        // The summary says how it read back, and so does the history.
        auto* outcome = w->findChild<QLineEdit*>(QStringLiteral("ConfermReportValue(2)"));
        QVERIFY2(outcome->text().endsWith(control->LangValue(49)), qPrintable(outcome->text()));
        TableEngine engine;
        const HistoryList::Loaded history = HistoryList::load(engine, ReportsFile::pathIn(app));
        QCOMPARE(history.items.size(), 1);
        QVERIFY2(history.items.first()
                     .texts.join(QLatin1Char('|'))
                     .contains(image + QStringLiteral(" (") + control->LangValue(49)),
                 qPrintable(history.items.first().texts.join(QLatin1Char('|'))));

        // Read back with a tool of its own: every file, and the checksums recorded in the image.
        const QString out = path(QStringLiteral("iso-out"));
        QVERIFY(extractImage(image, out));
        QCOMPARE(filesBelow(out), filesBelow(source));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/Docs/back to the top")));
        QVERIFY(QFileInfo(out + QStringLiteral("/report link.txt")).isFile());
        QVERIFY(!QFileInfo(out + QStringLiteral("/report link.txt")).isSymLink());
        QVERIFY(xorriso({QStringLiteral("-md5"), QStringLiteral("on"), QStringLiteral("-indev"), image,
                         QStringLiteral("-check_md5_r"), QStringLiteral("FAILURE"), QStringLiteral("/"),
                         QStringLiteral("--")}));
        // The Windows view keeps the emoji, and the long name's letters.
        const QString joliet = path(QStringLiteral("iso-joliet"));
        QVERIFY(extractImage(image, joliet, QStringLiteral("norock")));
        QCOMPARE(filesBelow(joliet).at(emoji), pattern(3000, 22));
        const QStringList docs = QDir(joliet + QStringLiteral("/Docs")).entryList(QDir::Files);
        QVERIFY2(std::any_of(docs.begin(), docs.end(),
                             [&](const QString& name) {
                                 return name.startsWith(cyrillic.left(90)) &&
                                        name.endsWith(QStringLiteral(".txt"));
                             }),
                 qPrintable(docs.join(QLatin1Char('|'))));
    }

    void copyingAWholeDiscWithoutAnyDriveSaysSo()
    {
        const QString temp = path(QStringLiteral("temp-nodrive")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        auto w = makeWizard(path(QStringLiteral("app-nodrive")) + QLatin1Char('/'), QString(), temp);
        Prompt::ScopedAnswerer answerer(answers());
        w->clickMenuEntry(2);
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        w->clickNext();
        // Not "the disc cannot be read": there is no drive at all.
        QCOMPARE(m_messages, QStringList{QStringLiteral("t190")});
        QCOMPARE(w->flow().CurrentPage, int(DiscPage));
        QVERIFY(!QFileInfo::exists(temp + JobAssembly::jobFolderName()));
    }

    void exitWhileBurningAsksFirst()
    {
        KORVALIS_REQUIRE_FUSE();
        const QString big = path(QStringLiteral("big"));
        QVERIFY(writeFile(big + QStringLiteral("/big.bin"), pattern(64 * 1024 * 1024, 9)));
        QVERIFY(writeFile(big + QStringLiteral("/small.txt"), "small"));
        SimulatedMedium medium(big, QString());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString image = path(QStringLiteral("exit.iso"));
        const QString temp = path(QStringLiteral("tempx")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(temp));
        auto w = makeWizard(path(QStringLiteral("app")) + QLatin1Char('/'), image, temp);
        QList<Prompt::Message> asked;
        QMessageBox::StandardButton quitAnswer = QMessageBox::No;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            asked << m;
            return m.icon == QMessageBox::Warning ? quitAnswer : QMessageBox::Ok;
        });
        QVERIFY(chooseTheMedium(*w, medium.mountPoint()));
        QTRY_VERIFY_WITH_TIMEOUT(button(*w, "Command11")->isEnabled(), 20000);
        QSignalSpy unloaded(w.get(), &Wizard::unloaded);
        w->clickNext();
        auto* control = w->findChild<K3Cindral*>(QStringLiteral("K3Cindral1"));
        QVERIFY(control->isBurning());
        QVERIFY(button(*w, "Command12")->isEnabled());
        // No: the burn goes on.
        w->clickExit();
        QCOMPARE(asked.size(), 1);
        QVERIFY(control->isBurning());
        QVERIFY(unloaded.isEmpty());
        // Closing the window asks too; Yes stops the burn and ends the program.
        quitAnswer = QMessageBox::Yes;
        w->close();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!w->findChild<K3Cindral*>(QStringLiteral("K3Cindral1")));
        QVERIFY(w->flow().CurrentPage != ReportPage);
        // The burn was stopped, not written to the end: once the drive thread has done all it
        // was given (a new recorder's list is made after it), the image is short.
        w.reset();
        LibburnRecorder(LibburnRecorder::Options{false, {QStringLiteral("stdio:") + image}}).RecorderCount();
        QVERIFY(QFileInfo(image).size() < 64 * 1024 * 1024);
    }
};

QTEST_MAIN(TestBurnWizard)
#include "tst_burnwizard.moc"
