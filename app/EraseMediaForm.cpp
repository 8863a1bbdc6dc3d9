#include "EraseMediaForm.h"

#include "CDDVDBurner2.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

EraseMediaForm::EraseMediaForm(CDDVDBurner2& burner, const QString& labelText, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_burner(burner)
{
    setObjectName(QStringLiteral("EraseMediaForm"));
    setWindowTitle(QStringLiteral("Korvalis Plus"));
    setModal(true);
    Label2 = new QLabel(QStringLiteral("Eraseing Media..."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setText(labelText + QStringLiteral("..."));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label2);
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
    Timer1->start(PollMs);
}

void EraseMediaForm::eraseFinished()
{
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
    if (!closesAtTick(interval, media))
        return;
    Timer1->stop();
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
