#include "PageFlow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

bool PageFlow::beginSlide(int* targetStartLeft)
{
    if (m_sliding || PageStep == 0 || targetPage() < 0 || targetPage() >= PageCount)
        return false;
    m_sliding = true;
    if (targetStartLeft)
        *targetStartLeft = PageStep * SlideDistance;
    return true;
}

PageFlow::SlideFrame PageFlow::tick()
{
    SlideFrame frame;
    if (!m_sliding) {
        frame.finished = true;
        return frame;
    }
    const int g = PageStep > 0 ? 1 : -1;
    SlidePos -= g * SlideStep;
    if (std::abs(SlidePos) > SlideDistance) {
        SlidePos = -SlideDistance * g;
        frame.finished = true;
    }
    frame.titleColour = titleColourFor(SlidePos);
    frame.oldPageLeft = SlidePos;
    frame.targetPageLeft = g * SlideDistance + SlidePos;
    return frame;
}

PageFlow::NavStates PageFlow::finishSlide()
{
    NavStates states;
    if (!m_sliding)
        return states;
    m_sliding = false;
    CurrentPage += PageStep;
    if (CurrentPage == MenuPage) {
        states.back = false;
        states.next = true;
    } else if (CurrentPage == SourcePage) {
        states.back = true;
        states.next = true;
    }
    return states;
}

std::optional<int> PageFlow::backStep() const
{
    switch (CurrentPage) {
    case SourcePage:
        return -1;
    case DiscPage:
        if (WizardMode == ModeDiscToDisc)
            return -2;
        if (WizardMode == ModeRecoverToDiscViaTemp)
            return -1;
        return std::nullopt;
    case DestinationPage:
        return -2;
    case BurnPage:
        return -5;
    case ReportPage:
        return -6;
    case HistoryPage:
        return -7;
    default:
        return std::nullopt;
    }
}

std::optional<PageFlow::CaptionTexts> PageFlow::captionTexts(int page)
{
    switch (page) {
    case MenuPage:
    case SourcePage:
    case DestinationPage:
        return CaptionTexts{37, 38, 36};
    case ProgressPage:
        return CaptionTexts{37, 38, 35};
    case BurnPage:
        return CaptionTexts{61, 34, 36};
    case ReportPage:
        return CaptionTexts{61, 38, 36};
    default:
        return std::nullopt;
    }
}

QList<PageFlow::StepLabel> PageFlow::stepLabels(int mode)
{
    switch (mode) {
    case ModeDiscToDisc:
        // The disc page takes both the disc to copy and the temporary folder.
        return {{5, ChooseStep, 123}, {6, BurnStep, 130}};
    case ModeRecoverToDisc:
    case ModeRecoverToDiscViaTemp:
        return {{5, WhereStep, 115}, {6, BurnStep, 130}};
    default:
        return {};
    }
}

int PageFlow::recoveryStepNumber(int)
{
    return RecoverStep;
}

bool PageFlow::burnsAfterCopy(int mode)
{
    return mode == ModeDiscToDisc || mode == ModeRecoverToDisc || mode == ModeRecoverToDiscViaTemp;
}

QRgb PageFlow::titleColourFor(int slidePos)
{
    const double half = std::abs(slidePos) * 0.5;
    const auto component = [](double v) { return std::min(255, static_cast<int>(std::nearbyint(v))); };
    return qRgb(component(half), component(half), component(half + 150));
}
