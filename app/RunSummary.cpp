#include "RunSummary.h"

#include "FormatSize.h"

#include <QLocale>

#include <algorithm>

namespace {

// A count stands alone: the label beside it names what is counted, so no noun has to agree
// with the number in any language.
QString countText(qint64 count, const TextRegister&)
{
    return QLocale().toString(count);
}

} // namespace

RunSummary summariseRun(const RunTotals& totals, bool stoppedEarly, bool canResume, const TextRegister& texts)
{
    RunSummary s;
    // A run that stopped early never reached the entries after CurrentFile; they are neither
    // copied nor counted as not copied, so only the entries it processed count.
    const qint64 processed =
        totals.itemsCount >= 0 ? std::min(totals.currentFile, totals.itemsCount) : totals.currentFile;
    const qint64 reached = stoppedEarly ? processed : std::max<qint64>(totals.itemsCount, processed);
    // Files and folders are counted apart, as the history counts them.
    const qint64 folders = std::max<qint64>(0, totals.folders);
    s.copied = countText(std::max<qint64>(0, reached - totals.itemsNotCopied - folders), texts);
    s.folders = QString::number(folders);
    s.notCopied = countText(totals.itemsNotCopied, texts);
    s.leftOut = countText(totals.leftOut, texts);
    s.corrupted = countText(totals.corruptedFiles, texts);
    s.copiedBytes = FormatSize(totals.totalCopiedBytes);
    s.lostBytes = FormatSize(totals.totalLostBytes);
    s.state =
        RunStatus::of(stoppedEarly, canResume, totals.itemsNotCopied, totals.leftOut, totals.corruptedFiles);
    s.headlineColour = RunStatus::colour(s.state);
    s.outcome = RunStatus::text(s.state, texts);
    switch (s.state) {
    case RunStatus::State::Paused:
        s.resumeFrameVisible = true;
        s.filesLeft = countText(std::max<qint64>(0, totals.itemsCount - totals.currentFile), texts);
        // Paused is not stopped: the headline says it can be resumed.
        s.headline = s.outcome;
        break;
    case RunStatus::State::Stopped:
        s.headline = s.outcome;
        break;
    case RunStatus::State::FilesNotCopied:
        s.headline = texts.text(170);
        break;
    case RunStatus::State::ItemsLeftOut:
        s.headline = texts.text(152);
        break;
    default:
        s.headline = texts.text(51);
        break;
    }
    return s;
}
