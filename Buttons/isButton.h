#pragma once

#include <QPushButton>

// The push button of the main window and of every dialog: a caption, a font given by name and
// character set, an enabled state, an index within a button array, and a click event.
// It draws itself in the desktop's style.
class isButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName)
    Q_PROPERTY(int FontCharSet READ FontCharSet WRITE setFontCharSet)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(int Index READ Index WRITE setIndex)

public:
    explicit isButton(QWidget* parent = nullptr);
    isButton(const QString& caption, int index, QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption);

    QString FontName() const { return font().family(); }
    void setFontName(const QString& family);

    // Character-set codes are kept and returned as given; text itself is Unicode.
    int FontCharSet() const { return m_charSet; }
    void setFontCharSet(int charSet) { m_charSet = charSet; }

    bool Enabled() const { return isEnabled(); }

    // The position of this button in its array; -1 for a button on its own.
    int Index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

Q_SIGNALS:
    // Raised on every click with the button's array index.
    void Click(int index);

private:
    int m_index = -1;
    int m_charSet = 0;
};
