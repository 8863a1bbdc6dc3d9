#include "PanelTexts.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <algorithm>

// While held, keeps `value` as the last one for `widget`.
template <typename Widget, typename Value>
void PanelTexts::keepLast(std::vector<Kept<Widget, Value>>& kept, Widget* widget, const Value& value)
{
    const auto found = std::find_if(kept.begin(), kept.end(),
                                    [widget](const Kept<Widget, Value>& k) { return k.widget == widget; });
    if (found != kept.end())
        found->value = value;
    else
        kept.push_back({widget, value});
}

void PanelTexts::show(QWidget* widget, const QString& text)
{
    if (m_held)
        keepLast(m_pending, widget, text);
    else
        set(widget, text);
}

void PanelTexts::showValue(QProgressBar* bar, int value)
{
    if (m_held)
        keepLast(m_pendingValues, bar, value);
    else
        bar->setValue(value);
}

void PanelTexts::release()
{
    m_held = false;
    apply();
}

void PanelTexts::apply()
{
    for (const auto& p : m_pending)
        set(p.widget, p.value);
    m_pending.clear();
    for (const auto& p : m_pendingValues)
        p.widget->setValue(p.value);
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
