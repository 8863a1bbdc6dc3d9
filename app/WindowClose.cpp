#include "WindowClose.h"

#include "BurnHandOff.h"
#include "EngineAnswers.h"
#include "JobAssembly.h"
#include "K3Cindral.h"
#include "RecoveryProcess.h"
#include "TableEngine.h"
#include "Wizard.h"
#include "pages/BurnPageWidget.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

WindowClose::WindowClose(Wizard& window)
    : w(window)
{
}

void WindowClose::followSession()
{
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &w, [this](QSessionManager& manager) {
        if (w.isBusy() && !manager.allowsInteraction())
            EngineAnswers::setAbortAnswer(EngineAnswers::Abort::Pause);
        else if (w.isBusy())
            w.close();
    });
}

void WindowClose::closeRequested(QCloseEvent* event)
{
    if (!w.m_unloaded && w.isBusy()) {
        // Closing during a copy is Exit: the run is asked about, and ends (with the window) only
        // as the user answers, recorded with what is left of it.
        event->ignore();
        stopCopy();
        const int answer = EngineAnswers::abortAnswer();
        w.m_closeAfterRun = answer == EngineAnswers::Abort::Pause || answer == EngineAnswers::Abort::Stop;
        return;
    }
    if (!w.m_unloaded) {
        if (!w.m_burnHandOff->mayQuit()) {
            event->ignore();
            return;
        }
        if (w.m_flow.CurrentPage == BurnPage)
            leaveUnburnedCopy();
        else if (w.m_flow.CurrentPage != ProgressPage)
            JobAssembly::DeleteJobTempFolder(w.tempFolderText());
    }
    event->accept();
    unload(0);
}

void WindowClose::exitClicked()
{
    if (w.isBusy()) {
        stopCopy();
        return;
    }
    if (!w.m_burnHandOff->mayQuit())
        return;
    if (w.m_flow.CurrentPage == BurnPage)
        leaveUnburnedCopy();
    else
        JobAssembly::DeleteJobTempFolder(w.tempFolderText());
    unload(0);
}

void WindowClose::unload(int exitCode)
{
    if (w.m_unloaded)
        return;
    w.m_unloaded = true;
    w.m_slideTimer->stop();
    if (K3Cindral* burner = w.m_burnPage->burner())
        burner->DisableMe();
    w.m_reportEng->CloseAll();
    w.m_langEng->CloseAll();
    w.hide();
    Q_EMIT w.unloaded(exitCode);
}

void WindowClose::stopCopy()
{
    w.m_engine->TerminateMe();
}

void WindowClose::leaveUnburnedCopy()
{
    // The temporary copy may be all that is left of files from a failing medium, so it goes only
    // when the user agrees.
    w.m_burnHandOff->releaseTempCopy(w.tempFolderText());
}
