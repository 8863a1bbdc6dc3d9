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
    if (stoppedEarly && canResume) {
        s.resumeFrameVisible = true;
        s.filesLeft = countText(std::max<qint64>(0, totals.itemsCount - totals.currentFile), texts);
        // Paused is not stopped: it says it can be resumed, in the colour of a run still open.
        s.headlineColour = qRgb(0, 0, 192);
        s.headline = texts.text(129);
        s.outcome = texts.text(129);
    } else if (stoppedEarly) {
        s.headlineColour = qRgb(255, 0, 0);
        s.headline = texts.text(75);
        s.outcome = texts.text(75);
    } else if (totals.itemsNotCopied > 0) {
        // The run went through, but some files are not in the destination: not "Completed".
        s.headlineColour = qRgb(176, 80, 0);
        s.headline = texts.text(170);
        s.outcome = texts.text(171);
    } else if (totals.leftOut > 0) {
        s.headlineColour = qRgb(176, 80, 0);
        s.headline = texts.text(152);
        s.outcome = texts.text(151);
    } else {
        // Damaged files make it a warning, not a success.
        s.headlineColour = totals.corruptedFiles > 0 ? qRgb(176, 80, 0) : qRgb(0, 128, 0);
        s.headline = texts.text(51);
        s.outcome = texts.text(totals.corruptedFiles > 0 ? 172 : 137);
    }
    return s;
}
