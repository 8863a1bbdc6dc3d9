#include "EngineTexts.h"

#include <array>
#include <stdexcept>

namespace EngineTexts {

namespace {

struct Shared
{
    std::array<QString, SlotCount> slots;
    int charSet = 0;
};

Shared& shared()
{
    static Shared s;
    return s;
}

void check(int n)
{
    if (n < 1 || n > SlotCount)
        throw std::out_of_range("engine text slot out of range");
}

} // namespace

QString slot(int n)
{
    check(n);
    return shared().slots[static_cast<size_t>(n - 1)];
}

void setSlot(int n, const QString& text)
{
    check(n);
    shared().slots[static_cast<size_t>(n - 1)] = text;
}

int fontCharSet()
{
    return shared().charSet;
}

void setFontCharSet(int charSet)
{
    shared().charSet = charSet;
}

QString fontName()
{
    return QStringLiteral("Tahoma");
}

} // namespace EngineTexts
