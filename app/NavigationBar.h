#pragma once

#include <QFrame>

#include <array>

class ClickableLabel;
class QLabel;
class isButton;

// The bar along the bottom of the main window: the four language flags with the marker under
// the chosen one, and Back, Next and Exit. The buttons come first in the keyboard's order.
class NavigationBar : public QFrame
{
    Q_OBJECT

public:
    explicit NavigationBar(int height, QWidget* parent = nullptr);

    isButton* back() const { return m_back; }
    isButton* next() const { return m_next; }
    isButton* exit() const { return m_exit; }

    void setCharSet(int charSet);
    // The flags' tooltips and the names a screen reader says: the languages' own names.
    void nameFlags(const QStringList& names);
    // Puts the marker under the flag of language number `language` (1 to 4).
    void markLanguage(int language);

Q_SIGNALS:
    void flagClicked(int index);

private:
    isButton* m_back = nullptr;
    isButton* m_next = nullptr;
    isButton* m_exit = nullptr;
    std::array<ClickableLabel*, 4> m_flags{};
    QLabel* m_flagsArrow = nullptr;
};
