#include "PanelTexts.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <algorithm>

void PanelTexts::show(QWidget* widget, const QString& text)
{
    if (!m_held) {
        set(widget, text);
        return;
    }
    const auto kept = std::find_if(m_pending.begin(), m_pending.end(),
                                   [widget](const Pending& p) { return p.widget == widget; });
    if (kept != m_pending.end())
        kept->text = text;
    else
        m_pending.push_back({widget, text});
}

void PanelTexts::showValue(QProgressBar* bar, int value)
{
    if (!m_held) {
        bar->setValue(value);
        return;
    }
    const auto kept = std::find_if(m_pendingValues.begin(), m_pendingValues.end(),
                                   [bar](const PendingValue& p) { return p.bar == bar; });
    if (kept != m_pendingValues.end())
        kept->value = value;
    else
        m_pendingValues.push_back({bar, value});
}

void PanelTexts::release()
{
    m_held = false;
    apply();
}

void PanelTexts::apply()
{
    for (const Pending& p : m_pending)
        set(p.widget, p.text);
    m_pending.clear();
    for (const PendingValue& p : m_pendingValues)
        p.bar->setValue(p.value);
    m_pendingValues.clear();
}

// A text equal to the one shown is not set again: a line edit lays its text out anew on every
// setText, even an unchanged one.
void PanelTexts::set(QWidget* widget, const QString& text)
{
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
        if (field->text() != text)
            field->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (label->text() != text)
            label->setText(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        if (box->property(FullTitle).toString() != text) {
            box->setProperty(FullTitle, text);
            fitTitle(box);
        }
    }
}

void PanelTexts::fitTitle(QGroupBox* box)
{
    const QString full = box->property(FullTitle).toString();
    // The title's own margins in the frame.
    const int room = std::max(0, box->width() - 24);
    const QString shown = box->fontMetrics().elidedText(full, Qt::ElideMiddle, room);
    if (box->title() != shown)
        box->setTitle(shown);
    box->setToolTip(shown == full ? QString() : full);
}
