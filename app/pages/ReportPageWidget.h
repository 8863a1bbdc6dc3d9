#pragma once

#include "pages/WizardPage.h"

#include <array>

class ElidedLabel;
class QLineEdit;
class QFrame;
struct RunSummary;
class isButton;

// The report page: how the run ended, in words and colour, its counts, where the files went with
// a button that opens that folder, and the details of what was damaged or left out.
class ReportPageWidget : public WizardPage
{
    Q_OBJECT

public:
    explicit ReportPageWidget(QWidget* parent = nullptr);

    void showSummary(const RunSummary& summary);
    // Adds how the burned disc read back to the status line.
    void addBurnCheck(const QString& check);
    // The folder the files went to (empty: none, as for a burn straight from the source).
    void showDestination(const QString& folder);
    void setDetailsAvailable(bool available);
    QString status() const;
    void applyTexts(const TextRegister& texts) override;

Q_SIGNALS:
    void detailsRequested();

private:
    QLineEdit* value(int item) const { return m_values[static_cast<size_t>(item)]; }

    std::array<QLineEdit*, 13> m_values{};
    std::array<QLabel*, 10> m_labels{};
    isButton* m_details = nullptr;
    ElidedLabel* m_destination = nullptr;
    isButton* m_openFolder = nullptr;
    QFrame* m_resumeFrame = nullptr;
    QLabel* m_note = nullptr;
    QString m_folder;
};
