#include "EraseMediaForm.h"

#include "CDDVDBurner2.h"
#include "Prompt.h"
#include "isButton.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

EraseMediaForm::EraseMediaForm(CDDVDBurner2& burner, const QString& labelText, QWidget* parent)
    : EraseMediaForm(
          burner, Texts{labelText, QStringLiteral("The disc could not be erased."), QStringLiteral("Cancel")},
          parent)
{
}

EraseMediaForm::EraseMediaForm(CDDVDBurner2& burner, const Texts& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_burner(burner)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("EraseMediaForm"));
    setWindowTitle(QStringLiteral("Korvalis Plus"));
    setModal(true);
    Label2 = new QLabel(QStringLiteral("Eraseing Media..."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setText(texts.label + QStringLiteral("..."));
    EraseProgress = new QProgressBar(this);
    EraseProgress->setObjectName(QStringLiteral("EraseProgress"));
    EraseProgress->setRange(0, 0); // moving until the recorder tells how far it is
    CancelErase = new isButton(texts.cancel, -1, this);
    CancelErase->setObjectName(QStringLiteral("CancelErase"));
    CancelErase->setEnabled(false);
    connect(CancelErase, &isButton::Click, this, [this] {
        if (!m_burner.CanCancelErase())
            return;
        m_cancelled = true;
        CancelErase->setEnabled(false);
        m_burner.CancelErase();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label2);
    layout->addWidget(EraseProgress);
    layout->addWidget(CancelErase, 0, Qt::AlignRight);
    layout->setContentsMargins(24, 20, 24, 20);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &EraseMediaForm::tick);
}

bool EraseMediaForm::closesAtTick(int interval, int mediaType)
{
    if (interval == PollMs)
        return mediaType == 0;
    return true;
}

void EraseMediaForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // The erase mode is the caller's: a full erase asked for stays a full erase.
    m_burner.StartErase();
    showProgress();
    Timer1->start(PollMs);
}

void EraseMediaForm::showProgress()
{
    const double share = m_burner.EraseProgress();
    if (share >= 0) {
        EraseProgress->setRange(0, 100);
        EraseProgress->setValue(int(std::lround(std::clamp(share, 0.0, 1.0) * 100)));
    }
    CancelErase->setEnabled(!m_cancelled && m_burner.CanCancelErase());
}

void EraseMediaForm::eraseFinished(const QString& recorderStatus)
{
    CancelErase->setEnabled(false);
    if (recorderStatus != QLatin1String("Done")) {
        // Closing over a failure would leave the user with a disc in an unknown state and no word.
        Timer1->stop();
        QTimer::singleShot(0, this, [this, why = recorderStatus] {
            if (!m_cancelled) {
                QString text = m_texts.failed;
                if (!why.isEmpty())
                    text += QStringLiteral("\n\n") + why;
                Prompt::show({QMessageBox::Critical, QStringLiteral("Korvalis"), text}, this);
            }
            close(false);
        });
        return;
    }
    EraseProgress->setRange(0, 100);
    EraseProgress->setValue(100);
    m_erased = true;
    // A running timer restarts with the new interval: the next tick is FinishMs from now.
    Timer1->setInterval(FinishMs);
    if (!Timer1->isActive())
        Timer1->start();
}

void EraseMediaForm::tick()
{
    const int interval = Timer1->interval();
    // The media poll only while waiting for the erase; after EraseDone the tick just closes.
    const int media = interval == PollMs ? m_burner.MediaType() : 0;
    if (interval == PollMs)
        showProgress();
    if (!closesAtTick(interval, media))
        return;
    // A disc gone before the recorder said the erase was done was not seen erased.
    close(m_erased);
}

void EraseMediaForm::close(bool erased)
{
    Timer1->stop();
    m_erased = erased;
    m_closing = true;
    accept();
}

void EraseMediaForm::reject()
{
    // Escape cannot stop an erase that has begun.
}

void EraseMediaForm::closeEvent(QCloseEvent* event)
{
    if (!m_closing)
        event->ignore();
}
