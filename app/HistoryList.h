#pragma once

#include "HistoryRun.h"
#include "RunStatus.h"

#include <QList>
#include <QRgb>
#include <QString>
#include <QStringList>

#include <optional>

class TableEngine;
class TextRegister;

// The rules of the history list without its widget: which rows are listed and how, and what the
// Details and Refresh buttons may do for the selected row.
class HistoryList
{
public:
    // One listed run: its texts under Date, Time, Source, Destination, Files, Total Bytes,
    // Bad Files, Lost Bytes, and the hidden R (details row or "0") and Q (damaged files or "0");
    // then how it ended, which the list shows in the Status column in the current language.
    struct Item
    {
        QStringList texts; // 10 texts, in the order of the first ten headers
        QRgb colour = 0;
        int row = 0; // the row of the history table
        RunStatus::State state = RunStatus::State::NotRecorded;
        bool resumable = false; // the paused run the main menu offers to finish

        // The status in words and its colour.
        QString statusText(const TextRegister& language) const;
        QRgb statusColour() const { return RunStatus::colour(state); }

        QString r() const { return texts.value(8); }
        QString q() const { return texts.value(9); }
    };

    enum class Outcome
    {
        Loaded,    // the list may be shown
        NoHistory, // no file, or no rows: text 127
        Unreadable // the file cannot be read: "Unable to load Recovery History!"
    };

    struct Loaded
    {
        Outcome outcome = Outcome::NoHistory;
        QList<Item> items; // last row first
    };

    // The headers of the list, and their widths in twips (0 hides the column, -1 keeps the default).
    static QStringList headers();
    // The same in the current language (the hidden R and Q stay).
    static QStringList headers(const TextRegister& texts);
    static QList<int> headerWidths();
    static constexpr int StatusColumn = 10; // the column of the status
    static constexpr int StatusShownAt = 2; // where the list shows it: after Time

    static constexpr QRgb RefreshableColour = qRgb(0, 150, 0);
    static constexpr QRgb NotRefreshableColour = qRgb(150, 0, 0);
    static constexpr QRgb PlainColour = qRgb(0, 0, 0);

    // Reads the history file at path. Rows whose date is empty are not listed.
    static Loaded load(TableEngine& engine, const QString& path);

    // The enabled states of Details and Refresh for a selection (nullptr: nothing selected).
    // A click and a key released in the list both use them.
    struct Buttons
    {
        bool details = false;
        bool refresh = false;
    };
    static Buttons buttonsFor(const Item* selected);

    // The reference of a row's detail table; empty when the row has none.
    static QString detailsReference(const QString& appFolder, const Item& item);

    // The numeric value of an R or Q text: leading blanks skipped, 0 when it is not a number.
    static int number(const QString& text);

    // The job that recovers a run's damaged files again into the same destination: its source
    // and destination roots, and every damaged file under that source once, each from its first
    // byte. nullopt when there is nothing to recover.
    static std::optional<ResumeJob> refreshJob(const Item& item, const QList<HistoryDamage>& damaged);

    static QString loadFailureText();
    static QString loadFailureText(const TextRegister& texts);
};
