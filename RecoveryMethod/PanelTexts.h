#pragma once

#include <QString>

#include <vector>

class QGroupBox;
class QProgressBar;
class QWidget;

// The texts of the progress panel's fields, labels and frame title during a run. Setting a text
// lays it out again, and on a job of small files a field changes many times between two repaints
// of the panel; while held, only the last text of each widget is kept, and it is set when the
// panel is painted or let go. The same holds for the progress bars, which repaint themselves at
// once on every change of value.
class PanelTexts
{
public:
    // A QLineEdit, QLabel or QGroupBox (its title).
    void show(QWidget* widget, const QString& text);
    void showValue(QProgressBar* bar, int value);

    void hold() { m_held = true; }
    // Sets every kept text and stops keeping them.
    void release();
    // Sets every kept text; while held, texts go on being kept.
    void apply();

    // A frame's title is cut in the middle to the frame's width (the whole text is its tooltip):
    // a title never widens its frame. Called again when the frame's width changes.
    static void fitTitle(QGroupBox* box);

private:
    static constexpr const char* FullTitle = "fullTitle";
    static void set(QWidget* widget, const QString& text);

    template <typename Widget, typename Value>
    struct Kept
    {
        Widget* widget;
        Value value;
    };
    template <typename Widget, typename Value>
    static void keepLast(std::vector<Kept<Widget, Value>>& kept, Widget* widget, const Value& value);

    std::vector<Kept<QWidget, QString>> m_pending;
    std::vector<Kept<QProgressBar, int>> m_pendingValues;
    bool m_held = false;
};
