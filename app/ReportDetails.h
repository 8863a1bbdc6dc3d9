#pragma once

#include "HistoryRun.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class TableEngine;
class TextRegister;

// The detail table of one run, read from its reference, and the texts the details window
// copies to the clipboard or saves.
class ReportDetails
{
public:
    // Reads the table at reference (`"path"/[row,9]`). nullopt when it is missing or damaged,
    // or when a row is not one of a damaged file.
    static std::optional<QList<HistoryDamage>> read(TableEngine& engine, const QString& reference);

    // "File '" + the file of the reference + "' is corrupted."
    static QString corruptedText(const QString& reference);

    // Column titles of the window's list, and of the copied and saved texts.
    static QStringList listHeaders();   // File, Size, Copied, Lost, Ranges, Left out, Result
    static QStringList exportHeaders(); // also Destination and Modified

    // What happened to the file, in the language of texts: damaged (with the bytes lost), skipped
    // or partial (with the bytes copied of its size), not copied, or left out (with why).
    static QString resultText(const HistoryDamage& d, const TextRegister& texts);
    // The same as one word, for the copied and saved texts.
    static QString resultWord(const HistoryDamage& d);

    // The fields of one file, in the order of exportHeaders().
    static QStringList exportFields(const HistoryDamage& d);

    // Tab-separated lines with a header line (`headers`, in the user's language), for the clipboard.
    static QString clipboardText(const QList<HistoryDamage>& rows,
                                 const QStringList& headers = exportHeaders());
    // Comma-separated values (RFC 4180: fields with commas, quotes or line breaks are quoted,
    // quotes doubled), with a header line; lines end in CR LF.
    static QString csvText(const QList<HistoryDamage>& rows, const QStringList& headers = exportHeaders());
    static QString csvField(const QString& field);
};
