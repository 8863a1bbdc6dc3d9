#include "EngineTestJob.h"
#include "FaultyMedium.h"
#include "ModalDriver.h"
#include "RecoveryProcess.h"
#include "SizeText.h"
#include "isButton.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace EngineTestJob;

namespace {

const QString Src = QStringLiteral("/medium/");

// Records the text a line edit shows each time it is painted.
class PaintLog : public QObject
{
public:
    explicit PaintLog(QLineEdit* field)
        : m_field(field)
    {
        field->installEventFilter(this);
    }
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_field && event->type() == QEvent::Paint)
            texts << m_field->text();
        return false;
    }

private:
    QLineEdit* m_field;
};

} // namespace

// The panel is repainted by a timer during a run, not after every step; these tests check that it
// still shows the run as it goes and paints normally again afterwards.
class TestPanelRefresh : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecoveryProcess> m_engine;
    std::shared_ptr<FaultyFileAccess> m_files;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_engine = std::make_unique<RecoveryProcess>();
        m_files = std::make_shared<FaultyFileAccess>();
        m_engine->setFileAccess(m_files);
        fillTexts(*m_engine);
        m_engine->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_engine.get()));
    }

    void panelShowsProgressWhileAReadHangs()
    {
        auto medium = FaultyMedium::patterned(200000);
        medium->addDelay(65536, 1, 600);
        m_files->addSource(Src + QStringLiteral("slow.bin"), medium);
        setJob(*m_engine, Src, m_dir->path() + QLatin1Char('/'), {Src + QStringLiteral("slow.bin")});

        auto* copied = m_engine->findChild<QLineEdit*>(QStringLiteral("StatR(0)"));
        QVERIFY(copied);
        PaintLog log(copied);
        m_engine->StartProcess();

        // While the second block hung, the panel showed the first one as copied.
        const QString afterFirstBlock =
            Platform::sizeText(65536) + QStringLiteral(" / ") + Platform::sizeText(200000);
        QVERIFY2(log.texts.contains(afterFirstBlock), qPrintable(log.texts.join(QLatin1Char('|'))));
        QCOMPARE(m_engine->CopiedBytes(1), qint64(200000));
    }

    void panelPaintsAsUsualAfterARun()
    {
        m_files->addSource(Src + QStringLiteral("a.bin"), FaultyMedium::patterned(1000));
        setJob(*m_engine, Src, m_dir->path() + QLatin1Char('/'), {Src + QStringLiteral("a.bin")});
        m_engine->StartProcess();

        QVERIFY(m_engine->updatesEnabled());
        for (QWidget* child : m_engine->findChildren<QWidget*>())
            QVERIFY2(child->updatesEnabled(), qPrintable(child->objectName()));
        auto* copied = m_engine->findChild<QLineEdit*>(QStringLiteral("StatR(0)"));
        PaintLog log(copied);
        copied->setText(QStringLiteral("changed"));
        QTRY_VERIFY(log.texts.contains(QStringLiteral("changed")));
    }

    void logShowsItsLastLineAfterALongRun()
    {
        QStringList entries;
        for (int i = 0; i < 80; ++i) {
            const QString name = Src + QStringLiteral("f%1.bin").arg(i);
            m_files->addSource(name, FaultyMedium::patterned(100 + i));
            entries << name;
        }
        setJob(*m_engine, Src, m_dir->path() + QLatin1Char('/'), entries);
        m_engine->StartProcess();

        auto* list = m_engine->findChild<QAbstractItemView*>(QStringLiteral("List2"));
        QCOMPARE(list->model()->rowCount(), 82);
        const QModelIndex lastLine = list->model()->index(81, 0);
        QCOMPARE(lastLine.data().toString(), text(31));
        const QRect last = list->visualRect(lastLine);
        QVERIFY(!last.isEmpty());
        QVERIFY(list->viewport()->rect().contains(last.center()));
        QVERIFY(!list->viewport()->rect().contains(list->visualRect(list->model()->index(0, 0)).center()));
    }

    void abortDialogPaintsDuringARun()
    {
        auto medium = FaultyMedium::patterned(400000);
        std::atomic<bool> asked = false;
        medium->setOnRead([&](qint64 offset, qint64) {
            if (offset == 65536 && !asked.exchange(true))
                QMetaObject::invokeMethod(
                    m_engine.get(),
                    [this] { m_engine->findChild<isButton*>(QStringLiteral("Command2"))->click(); },
                    Qt::BlockingQueuedConnection);
        });
        m_files->addSource(Src + QStringLiteral("big.bin"), medium);
        setJob(*m_engine, Src, m_dir->path() + QLatin1Char('/'), {Src + QStringLiteral("big.bin")});

        bool dialogPaints = false;
        bool acted = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                dialogPaints = modal->updatesEnabled();
                ModalDriver::clickButton(modal, QStringLiteral("Command1(0)"));
            },
            &acted);
        m_engine->StartProcess();
        QVERIFY(acted);
        QVERIFY(dialogPaints);
        QVERIFY(m_engine->isDone(1));
    }
};

QTEST_MAIN(TestPanelRefresh)
#include "tst_panelrefresh.moc"
