#include "TextRegister.h"

#include <stdexcept>

QString TextRegister::text(int n) const
{
    if (n < 0 || n >= Size)
        return {};
    return m_texts[static_cast<size_t>(n)];
}

void TextRegister::setText(int n, const QString& text)
{
    if (n < 0 || n >= Size)
        throw std::out_of_range("text number outside 0 to 269");
    m_texts[static_cast<size_t>(n)] = text;
}

int TextRegister::charSet() const
{
    return m_texts[0].trimmed().toInt();
}
