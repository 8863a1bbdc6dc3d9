#pragma once

#include "HistoryRun.h"

#include <QDialog>
#include <QList>
#include <QString>

class QTreeWidget;
class TableEngine;
class TextRegister;
class isButton;

// The damaged files of one run: a sortable list of file, size, copied and lost bytes and the
// given-up byte ranges, which the user can copy to the clipboard or save as a CSV file. It is
// given only the reference of the run's detail table (ReportMtx) and is shown modally.
class ReportDetailsWindow : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString ReportMtx READ ReportMtx WRITE setReportMtx)

public:
    static constexpr int ResultColumn = 6; // what happened to the file, shown after it

    ReportDetailsWindow(TableEngine& engine, const TextRegister& texts, QWidget* parent = nullptr);

    QString ReportMtx() const { return m_reportMtx; }
    // Reads the detail table; loaded() tells whether it could be read.
    void setReportMtx(const QString& reference);
    bool loaded() const { return m_loaded; }
    const QList<HistoryDamage>& rows() const { return m_rows; }

    // Copies every file of the table, in the list's order, to the clipboard.
    void copyToClipboard();
    // Asks where to save and writes the CSV file; false when nothing was written.
    bool saveAsCsv();
    // Writes the CSV file at path; false (with a message) when it cannot be written.
    bool writeCsv(const QString& path);

private:
    QList<HistoryDamage> rowsInListOrder() const;

    // The texts of the buttons, then of the column headers.
    static constexpr int FirstHeaderText = 273;

    TableEngine& m_engine;
    const TextRegister& m_texts;
    QString m_reportMtx;
    bool m_loaded = false;
    QList<HistoryDamage> m_rows;
    QTreeWidget* m_list = nullptr;
    isButton* m_copy = nullptr;
    isButton* m_save = nullptr;
    isButton* m_close = nullptr;
};
