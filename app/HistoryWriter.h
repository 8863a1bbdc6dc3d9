#pragma once

#include "HistoryRun.h"

#include <QString>

class QWidget;
class TableEngine;
class TextRegister;

// Appends runs to the history file: one row in the layout of ReportsFile, the damaged files in
// a detail table held by column 9, and the restart cell of row 0. Dates and times are written in
// the user's locale, byte amounts as FormatSize shows them.
class HistoryWriter
{
public:
    HistoryWriter(TableEngine& engine, const QString& path);

    // Writes the run in one transaction and returns its row number. Throws TableError when the
    // file cannot take it; the file then keeps everything it held before.
    int append(const HistoryRun& run);

    // Appends the run; when the file cannot take it, says so ("Unable to save recovery
    // report!") and returns 0. The history keeps every run it held.
    int appendOrTell(const HistoryRun& run, QWidget* parent);
    // The same, saying it in the language of texts, with the reason the file gave.
    int appendOrTell(const HistoryRun& run, QWidget* parent, const TextRegister& texts);

    // The text shown when append failed: English, or in the language of texts.
    static QString failureText();
    static QString failureText(const TextRegister& texts);

private:
    int appendOrTell(const HistoryRun& run, QWidget* parent, const QString& failure);

    TableEngine& m_engine;
    QString m_path;
};
