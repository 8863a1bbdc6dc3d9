#include "BuiltLanguage.h"
#include "FileNames.h"
#include "FilesAndFoldersList.h"
#include "FindChild.h"
#include "ModalDriver.h"
#include "PathAt.h"
#include "ProgramStart.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "SelectionWalk.h"
#include "Wizard.h"
#include "isButton.h"

#include "../../FilesAndFolders/tests/TreeBuilder.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// The bytes of a file however deep it lies; a null array when it cannot be read.
QByteArray readAll(const QByteArray& path)
{
    const Platform::PathAt at = Platform::PathAt::of(path);
    const Platform::UniqueFd fd(at.ok() ? ::openat(at.folder(), at.name(), O_RDONLY | O_CLOEXEC) : -1);
    if (!fd)
        return {};
    QByteArray data(4096, Qt::Uninitialized);
    const ssize_t n = ::read(fd.get(), data.data(), size_t(data.size()));
    if (n < 0)
        return {};
    data.resize(n);
    return data;
}

} // namespace

// The whole road through the window over a tree as Linux media hold it: what the walk could not
// take is counted on the report page, listed with its reason in the details, and never hidden
// behind "Completed"; everything else arrives byte for byte under its own name.
class TestLeftOutEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectionWithAnUnreadableFolderEndsOnAReportThatSaysSo()
    {
        QTemporaryDir program;
        QVERIFY2(QFile::exists(BuiltLanguage::file()), qPrintable(BuiltLanguage::file()));
        QVERIFY(BuiltLanguage::copyInto(program.path()));
        LinuxTree::ScratchFolder source;
        LinuxTree::ScratchFolder destination;
        const QByteArray root = QFile::encodeName(source.path());
        QVERIFY(LinuxTree::build(root));

        QStringList unexpected;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            unexpected.append(m.text);
            return QMessageBox::Cancel;
        });
        auto wizard = startWizard(program.path());
        QVERIFY(wizard);
        unexpected.clear(); // the start may say that burning needs access to the drives
        wizard->show();
        wizard->clickMenuEntry(1);
        wizard->clickNext();
        QCOMPARE(wizard->flow().CurrentPage, int(SourcePage));
        auto* browser = child<FilesAndFoldersList>(wizard.get(), QStringLiteral("FilesAndFoldersList1"));
        QVERIFY(!browser->ShowHidden());
        browser->setCurrentPath(source.path() + QLatin1Char('/'));
        auto* list = child<QListWidget>(browser, QStringLiteral("FilesList"));
        // Folders .cfg, deep, Holiday\xff, locked; files f001, Makefile, two photos, README; pipe, sock.
        QVERIFY(QTest::qWaitFor([&] { return list->count() == 11; }, 10000));
        QVERIFY(!list->findItems(QStringLiteral("Holiday\\xFF"), Qt::MatchExactly).isEmpty());
        QVERIFY(!list->findItems(QStringLiteral("README"), Qt::MatchExactly).isEmpty());
        QVERIFY(list->findItems(QStringLiteral(".hidden.txt"), Qt::MatchExactly).isEmpty());
        list->selectAll();
        // The deep chain is copied by the engine test below: the progress panel would show each
        // of its 3,000 folders, which costs minutes on a busy machine and proves nothing more here.
        list->findItems(QStringLiteral("deep"), Qt::MatchExactly).first()->setSelected(false);
        {
            // Root reads any folder; the walk must meet a refusal as a user would.
            const AsUnprivilegedUser user;
            wizard->clickNext();
        }
        QCOMPARE(wizard->flow().CurrentPage, int(DestinationPage));
        child<FilesAndFoldersList>(wizard.get(), QStringLiteral("FilesAndFoldersList2"))
            ->setCurrentPath(destination.path() + QLatin1Char('/'));
        wizard->clickNext();
        QTRY_COMPARE(wizard->flow().CurrentPage, int(ReportPage));
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('|'))));

        // The report counts what was left out and does not say "Completed".
        const QString files; // a count stands alone, its label names what it counts
        const auto value = [&](int item) {
            return child<QLineEdit>(wizard.get(), QStringLiteral("ConfermReportValue(%1)").arg(item))->text();
        };
        QCOMPARE(value(11), QStringLiteral("4") + files); // locked/, pipe, sock, .cfg/.deeper
        QCOMPARE(value(10), QStringLiteral("0") + files);
        QCOMPARE(value(2), wizard->texts().text(151));
        QVERIFY(value(2) != wizard->texts().text(137));
        QCOMPARE(child<QLabel>(wizard.get(), QStringLiteral("Tips(2)"))->text(), wizard->texts().text(152));

        // Every file the walk took arrived byte for byte under its own name, however deep.
        const QByteArray target = QFile::encodeName(destination.path());
        for (const LinuxTree::FileSpec& f : LinuxTree::plainFiles())
            if (!f.hidden && !f.relative.startsWith("locked/"))
                QCOMPARE(readAll(QByteArray(target + '/' + f.relative)), LinuxTree::contentsOf(f.relative));
        QVERIFY(readAll(QByteArray(target + "/.cfg/.deeper")).isNull());
        QVERIFY(readAll(QByteArray(target + "/locked/secret.dat")).isNull());

        // The details list each item with its reason.
        auto* details = child<isButton>(wizard.get(), QStringLiteral("RunDetails"));
        QVERIFY(details->isEnabled());
        QStringList shown;
        bool acted = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                auto* rows = child<QTreeWidget>(modal, QStringLiteral("DetailsList"));
                for (int i = 0; i < rows->topLevelItemCount(); ++i)
                    shown << rows->topLevelItem(i)->text(0) + QLatin1Char('|') +
                                 rows->topLevelItem(i)->text(5);
                ModalDriver::clickButton(modal, QStringLiteral("CloseDetails"));
            },
            &acted);
        details->click();
        QVERIFY(acted);
        const QString r = source.path() + QLatin1Char('/');
        const QString denied =
            wizard->texts().text(154) + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(EACCES));
        QStringList expected{r + QStringLiteral(".cfg/.deeper|") + wizard->texts().text(161),
                             r + QStringLiteral("locked/|") + denied,
                             r + QStringLiteral("pipe|") + wizard->texts().text(158),
                             r + QStringLiteral("sock|") + wizard->texts().text(158)};
        shown.sort();
        expected.sort();
        QCOMPARE(shown, expected);
        wizard.reset();
    }

    // The engine copies the job the walk built: every file byte for byte under its own bytes,
    // the two names a lossy decoding would merge kept apart, 3,000 levels deep included.
    void engineCopiesTheWalkUnderOwnNames()
    {
        LinuxTree::ScratchFolder source;
        LinuxTree::ScratchFolder destination;
        const QByteArray root = QFile::encodeName(source.path());
        QVERIFY(LinuxTree::build(root));
        const QString from = source.path() + QLatin1Char('/');
        SelectionWalk walk;
        walk.setShowHidden(true);
        QVERIFY(walk.createFilesList(from));

        QStringList unexpected;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            unexpected.append(m.text);
            return QMessageBox::Cancel;
        });
        RecoveryProcess engine;
        engine.setSourcePath(from);
        engine.setDestinationPath(destination.path() + QLatin1Char('/'));
        engine.setItems_Count(walk.itemsCount());
        for (int i = 1; i <= walk.itemsCount(); ++i)
            engine.setFileName(i, walk.selectedItemName(i));
        engine.StartProcess();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('|'))));
        QCOMPARE(engine.ItemsNotCopied_Count(), 0);

        const QByteArray target = QFile::encodeName(destination.path());
        for (const LinuxTree::FileSpec& f : LinuxTree::plainFiles())
            if (!f.relative.startsWith("locked/")) // root reads it: the walk as root takes it too
                QCOMPARE(readAll(QByteArray(target + '/' + f.relative)), LinuxTree::contentsOf(f.relative));
        QCOMPARE(readAll(QByteArray(target + "/locked/secret.dat")),
                 LinuxTree::contentsOf("locked/secret.dat"));
        for (const QByteArray& f : LinuxTree::deepFiles())
            QCOMPARE(readAll(QByteArray(target + '/' + f)),
                     LinuxTree::contentsOf(f.mid(f.lastIndexOf('/') + 1)));
        QVERIFY(readAll(QByteArray(target + "/pipe")).isNull());
        QVERIFY(readAll(QByteArray(target + "/sock")).isNull());
    }
};

QTEST_MAIN(TestLeftOutEndToEnd)
#include "tst_leftout_e2e.moc"
