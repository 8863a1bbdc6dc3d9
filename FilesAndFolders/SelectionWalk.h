#pragma once

#include "LeftOutItem.h"
#include "PackedTexts.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

// The selection list of the browser and the depth-first walk that fills it. A file entry is its
// full path; a folder entry is a Tab followed by the folder's path, ahead of everything inside it.
// A folder's own files come first, then each subfolder's entry followed by its contents.
//
// Paths are Platform::FileNames texts: they keep names that are not valid UTF-8 byte for byte.
// Folders are opened relative to their parent's descriptor, so depth never meets the system's
// path length limit. What the walk cannot take is kept in leftOut() with the reason.
//
// Plain class: no widgets, safe to run on a worker thread while the window waits.
class SelectionWalk
{
public:
    static constexpr int MaxEntries = 1'000'000;
    static constexpr QChar FolderMark{u'\t'};

    // Told each file path just collected (for the progress line).
    using Progress = std::function<void(const QString& path)>;

    void setShowHidden(bool show) { m_showHidden = show; }
    bool showHidden() const { return m_showHidden; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // When *cancel turns true the walk stops at its next entry, as if the folder were unreadable.
    void setCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }
    // How many entries the list may hold (MaxEntries unless a test asks for fewer).
    void setEntryLimit(int limit) { m_limit = limit; }

    // The selected names of `currentPath` (which ends in "/"), each joined to it, in the given
    // order; selected folders with their contents. True when anything was collected.
    // Throws std::length_error when the entry limit cut the list.
    bool createListOfSelected(const QString& currentPath, const QStringList& selectedNames);

    // Everything below `currentPath`. True when anything was collected and the limit did not cut
    // the list.
    bool createFilesList(const QString& currentPath);

    // Appends the contents of folder a + b. False when that folder could not be read or the limit
    // was reached; entries already added stay.
    bool getFileNames(const QString& a, const QString& b);

    // Entry `index` (1 to MaxEntries): "" or an entry of an earlier build above itemsCount().
    // Throws std::out_of_range outside 1 to MaxEntries.
    QString selectedItemName(int index) const;

    // Hands entries 1 to itemsCount() over (entry 1 first) and empties the list, so that the job
    // they are handed to holds the only copy of the paths.
    Platform::PackedTexts takeEntries();

    int itemsCount() const { return m_count; }
    double itemsTotalSize() const { return m_totalSize; }
    // The last build stopped because the list was full.
    bool limitReached() const { return m_limitReached; }
    // What the builds since the last createListOfSelected or createFilesList could not take.
    const QList<LeftOutItem>& leftOut() const { return m_leftOut; }

private:
    struct Level;

    void startBuild();
    bool append(const QString& entry);
    bool addFile(const QString& path, qint64 size);
    void leaveOut(const QString& path, LeftOutItem::Reason reason, int error = 0);
    // Takes the files of a folder just read and notes its subfolders; false when it read only in part.
    bool takeContents(Level& level);
    bool walkFrom(Level root);
    bool cancelled() const { return m_cancel && m_cancel->load(); }

    Platform::PackedTexts m_entries; // rewritten from the front by every build; the rest stays
    int m_count = 0;
    double m_totalSize = 0;
    bool m_limitReached = false;
    int m_limit = MaxEntries;
    bool m_showHidden = false;
    QList<LeftOutItem> m_leftOut;
    Progress m_progress;
    const std::atomic<bool>* m_cancel = nullptr;
};
