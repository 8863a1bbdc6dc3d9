#include "RefreshDialog.h"

#include "FileNames.h"
#include "FormatSize.h"
#include "TextRegister.h"
#include "isButton.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>

#include <algorithm>

RefreshDialog::RefreshDialog(std::unique_ptr<RefreshRun> refresh, const TextRegister& texts, QWidget* parent)
    : QDialog(parent)
    , m_refresh(std::move(refresh))
    , m_texts(texts)
{
    setObjectName(QStringLiteral("RefreshDialog"));
    setWindowTitle(m_texts[174]);
    setModal(true);
    auto* grid = new QGridLayout(this);
    const auto caption = [&](int text, int row) {
        auto* label = new QLabel(m_texts[text] + QLatin1Char(':'), this);
        grid->addWidget(label, row, 0);
        auto* value = new QLabel(this);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row, 1);
        return value;
    };
    m_file = caption(175, 0);
    m_file->setObjectName(QStringLiteral("RefreshFile"));
    m_file->setMinimumWidth(420);
    m_lost = caption(176, 1);
    m_lost->setObjectName(QStringLiteral("RefreshLost"));
    m_recovered = caption(177, 2);
    m_recovered->setObjectName(QStringLiteral("RefreshRecovered"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("RefreshProgress"));
    m_bar->setTextVisible(false);
    grid->addWidget(m_bar, 3, 0, 1, 2);
    m_state = new QLabel(this);
    grid->addWidget(m_state, 4, 0, 1, 2);
    m_stop = new isButton(m_texts[178], 0, this);
    m_stop->setObjectName(QStringLiteral("RefreshStop"));
    m_stop->setFontCharSet(m_texts.charSet());
    grid->addWidget(m_stop, 5, 1, Qt::AlignRight);
    connect(m_stop, &isButton::Click, this, &RefreshDialog::reject);

    m_timer = new QTimer(this);
    m_timer->setInterval(TickMs);
    connect(m_timer, &QTimer::timeout, this, &RefreshDialog::showProgress);
    showProgress();
}

RefreshDialog::~RefreshDialog()
{
    if (m_thread) {
        // The reading ends at the next sector; it owns nothing the window needs after that.
        m_refresh->stop();
        m_thread->wait();
    }
}

QString RefreshDialog::question(const TextRegister& texts, qsizetype files)
{
    return texts[173].arg(files);
}

void RefreshDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_thread)
        return;
    m_thread.reset(QThread::create([this] { m_ended = m_refresh->run(); }));
    m_thread->setObjectName(QStringLiteral("RefreshRun"));
    // Queued: the thread ends on its own, the dialog learns it in the window's event loop.
    connect(m_thread.get(), &QThread::finished, this, &RefreshDialog::readingEnded, Qt::QueuedConnection);
    m_thread->start();
    m_timer->start();
}

void RefreshDialog::showProgress()
{
    const int current = m_refresh->currentFile();
    if (current >= 0 && current < m_refresh->files().size())
        m_file->setText(Platform::FileNames::displayText(m_refresh->files()[current].source));
    const qint64 before = m_refresh->totalLostBefore();
    const qint64 lost = std::clamp<qint64>(m_refresh->lostBytes(), 0, before);
    m_lost->setText(FormatSize(static_cast<double>(lost)));
    m_recovered->setText(FormatSize(static_cast<double>(m_refresh->recoveredBytes())));
    // The bar fills as the loss goes down; in thousandths, so that any size fits an int.
    m_bar->setRange(0, 1000);
    m_bar->setValue(before > 0 ? static_cast<int>((before - lost) * 1000 / before) : 1000);
}

void RefreshDialog::reject()
{
    if (!m_thread || m_outcome) {
        QDialog::reject();
        return;
    }
    // The reading cannot be left running behind a closed window: the dialog closes when it ends.
    m_refresh->stop();
    m_stop->setEnabled(false);
    m_state->setText(m_texts[179]);
}

void RefreshDialog::readingEnded()
{
    m_thread->wait();
    m_timer->stop();
    m_outcome = m_ended;
    showProgress();
    accept();
}
