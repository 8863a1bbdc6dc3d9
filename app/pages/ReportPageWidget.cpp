#include "pages/ReportPageWidget.h"

#include "ElidedLabel.h"
#include "PageFlow.h"
#include "RunSummary.h"
#include "SystemPaths.h"
#include "TextIds.h"
#include "TextRegister.h"
#include "isButton.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The rows of the report: label number, value number.
enum Value : int
{
    CopiedValue = 0,
    DamagedValue = 1,
    StatusValue = 2,
    DataValue = 4,
    LostValue = 5,
    FilesLeftValue = 9,
    NotCopiedValue = 10,
    LeftOutValue = 11,
    FoldersValue = 12,
};

} // namespace

ReportPageWidget::ReportPageWidget(QWidget* parent)
    : WizardPage(ReportPage, 2, parent)
{
    auto* rowsFrame = new QFrame(this);
    rowsFrame->setObjectName(QStringLiteral("ReportPageDiv(0)"));
    auto* grid = new QGridLayout(rowsFrame);
    grid->setColumnStretch(1, 1);

    const auto makeValue = [this](QWidget* owner, int item) {
        auto* edit = new QLineEdit(owner);
        edit->setObjectName(QStringLiteral("ConfermReportValue(%1)").arg(item));
        edit->setReadOnly(true);
        edit->setFrame(false);
        // Values are read, not typed: the keys go to the buttons, the mouse may still copy.
        edit->setFocusPolicy(Qt::ClickFocus);
        m_values[static_cast<size_t>(item)] = edit;
        return edit;
    };
    const auto label = [this](QWidget* owner, int index) {
        auto* l = new QLabel(owner);
        l->setObjectName(QStringLiteral("Label3(%1)").arg(index));
        m_labels[static_cast<size_t>(index)] = l;
        return l;
    };
    // Each row: the label, then the value it names.
    const std::array<std::pair<int, int>, 8> rows = {{{4, StatusValue},
                                                      {0, CopiedValue},
                                                      {8, FoldersValue},
                                                      {5, NotCopiedValue},
                                                      {7, LeftOutValue},
                                                      {1, DamagedValue},
                                                      {2, DataValue},
                                                      {3, LostValue}}};
    for (size_t row = 0; row < rows.size(); ++row) {
        QLabel* l = label(rowsFrame, rows[row].first);
        QLineEdit* v = makeValue(rowsFrame, rows[row].second);
        l->setBuddy(v);
        grid->addWidget(l, static_cast<int>(row), 0);
        // The status is the longest value: it takes the buttons' column too.
        grid->addWidget(v, static_cast<int>(row), 1, 1, rows[row].second == StatusValue ? 2 : 1);
    }
    // Beside the items left out: the list of them, and of the damaged files.
    m_details = new isButton(rowsFrame);
    m_details->setObjectName(QStringLiteral("RunDetails"));
    m_details->setMinimumSize(110, 25);
    m_details->setEnabled(false);
    connect(m_details, &isButton::Click, this, &ReportPageWidget::detailsRequested);
    grid->addWidget(m_details, 4, 2);
    QFont outcome = value(StatusValue)->font();
    outcome.setBold(true);
    value(StatusValue)->setFont(outcome);

    // Where the files went.
    QLabel* destinationLabel = label(rowsFrame, 9);
    m_destination = new ElidedLabel(rowsFrame);
    m_destination->setObjectName(QStringLiteral("ReportDestination"));
    m_openFolder = new isButton(rowsFrame);
    m_openFolder->setObjectName(QStringLiteral("OpenFolder"));
    m_openFolder->setMinimumSize(110, 25);
    connect(m_openFolder, &isButton::Click, this, [this] {
        if (!m_folder.isEmpty())
            Platform::openUrl(QUrl::fromLocalFile(m_folder).toString());
    });
    const int last = static_cast<int>(rows.size());
    grid->addWidget(destinationLabel, last, 0);
    grid->addWidget(m_destination, last, 1);
    grid->addWidget(m_openFolder, last, 2);
    body()->addWidget(rowsFrame);

    // What is left of a paused run.
    m_resumeFrame = new QFrame(this);
    m_resumeFrame->setObjectName(QStringLiteral("ReportPageDiv(2)"));
    m_resumeFrame->setFrameShape(QFrame::StyledPanel);
    auto* resume = new QGridLayout(m_resumeFrame);
    resume->setColumnStretch(1, 1);
    resume->addWidget(label(m_resumeFrame, 6), 0, 0);
    resume->addWidget(makeValue(m_resumeFrame, FilesLeftValue), 0, 1);
    m_note = new QLabel(m_resumeFrame);
    m_note->setObjectName(QStringLiteral("ConfermReportValue(8)"));
    m_note->setWordWrap(true);
    resume->addWidget(m_note, 1, 0, 1, 2);
    m_resumeFrame->hide();
    body()->addWidget(m_resumeFrame);
    body()->addStretch(1);
    showDestination(QString());
}

void ReportPageWidget::showSummary(const RunSummary& s)
{
    value(CopiedValue)->setText(s.copied);
    value(FoldersValue)->setText(s.folders);
    value(NotCopiedValue)->setText(s.notCopied);
    value(LeftOutValue)->setText(s.leftOut);
    value(DamagedValue)->setText(s.corrupted);
    value(DataValue)->setText(s.copiedBytes);
    value(LostValue)->setText(s.lostBytes);
    value(StatusValue)->setText(s.outcome);
    value(StatusValue)->setToolTip(QString());
    m_resumeFrame->setVisible(s.resumeFrameVisible);
    if (s.resumeFrameVisible)
        value(FilesLeftValue)->setText(s.filesLeft);
    // The status and the headline in the colour of what happened.
    for (QWidget* w : {static_cast<QWidget*>(tips()), static_cast<QWidget*>(value(StatusValue))}) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgb(s.headlineColour));
        palette.setColor(QPalette::Text, QColor::fromRgb(s.headlineColour));
        w->setPalette(palette);
    }
    tips()->setText(s.headline);
}

void ReportPageWidget::addBurnCheck(const QString& check)
{
    if (check.isEmpty())
        return;
    // The status line names how the disc read back; the whole of it also in its tooltip.
    QLineEdit* status = value(StatusValue);
    status->setText(status->text() + QStringLiteral(" \u2014 ") + check);
    status->setToolTip(status->text());
}

void ReportPageWidget::showDestination(const QString& folder)
{
    m_folder = folder;
    m_destination->setFullText(QDir::toNativeSeparators(folder));
    m_openFolder->setEnabled(!folder.isEmpty() && QDir(folder).exists());
}

void ReportPageWidget::setDetailsAvailable(bool available)
{
    m_details->setEnabled(available);
}

QString ReportPageWidget::status() const
{
    return value(StatusValue)->text();
}

void ReportPageWidget::applyTexts(const TextRegister& texts)
{
    const int charSet = texts.charSet();
    for (QLabel* l : m_labels)
        l->setProperty("Charset", charSet);
    for (QLineEdit* v : m_values) {
        if (v)
            v->setProperty("Charset", charSet);
    }
    m_labels[0]->setText(texts[TextId::FilesRecovered]);
    m_labels[1]->setText(texts[TextId::DamagedFiles]);
    m_labels[2]->setText(texts[TextId::DataRecovered]);
    m_labels[3]->setText(texts[TextId::DataLost]);
    m_labels[4]->setText(texts[TextId::StatusLabel]);
    m_labels[5]->setText(texts[TextId::FilesNotCopied]);
    m_labels[6]->setText(texts[TextId::FilesLeft]);
    m_labels[7]->setText(texts[TextId::ItemsLeftOut]);
    m_labels[8]->setText(texts[TextId::FoldersCreated]);
    m_labels[9]->setText(texts[TextId::DestinationLabel]);
    for (size_t i = 0; i < m_labels.size(); ++i) {
        // Each value is read out under the name of its label.
        if (QWidget* buddy = m_labels[i]->buddy())
            buddy->setAccessibleName(m_labels[i]->text());
    }
    m_destination->setAccessibleName(texts[TextId::DestinationLabel]);
    m_details->setCaption(texts[TextId::Details]);
    m_openFolder->setCaption(texts[TextId::OpenFolder]);
    value(FilesLeftValue)->setAccessibleName(texts[TextId::FilesLeft]);

    // The defaults until a run rewrites them.
    tips()->setText(texts[TextId::ReportComplete]);
    value(StatusValue)->setText(texts[TextId::StatusCompleted]);
    m_note->setText(texts[TextId::ReportResumeNote]);
}
