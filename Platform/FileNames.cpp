#include "FileNames.h"

namespace Platform::FileNames {

namespace {

constexpr char16_t RawByteBase = 0xDC00;

bool isRawByte(char16_t unit)
{
    return unit >= RawByteBase + 0x80 && unit <= RawByteBase + 0xFF;
}

// Length of the valid UTF-8 sequence at `at` and its code point; 0 when the bytes there are not
// one (overlong forms, surrogates and values above U+10FFFF included).
int validSequence(QByteArrayView bytes, qsizetype at, char32_t& code)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString fromBytes(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        char32_t code = 0;
        const int length = validSequence(bytes, at, code);
        if (length == 0) {
            text.append(QChar(char16_t(RawByteBase + static_cast<unsigned char>(bytes[at]))));
            ++at;
            continue;
        }
        if (code < 0x10000) {
            text.append(QChar(char16_t(code)));
        } else {
            text.append(QChar(QChar::highSurrogate(code)));
            text.append(QChar(QChar::lowSurrogate(code)));
        }
        at += length;
    }
    return text;
}

QByteArray toBytes(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = text[i].unicode();
        char32_t code = unit;
        if (unit < 0x80) {
            bytes.append(static_cast<char>(unit));
            continue;
        }
        if (isRawByte(unit)) {
            bytes.append(static_cast<char>(unit - RawByteBase));
            continue;
        }
        if (QChar::isHighSurrogate(unit) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            code = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            code = 0xFFFD; // no name gives this text; it is written as Qt would write it
        }
        if (code < 0x800) {
            bytes.append(static_cast<char>(0xC0 | (code >> 6)));
        } else if (code < 0x10000) {
            bytes.append(static_cast<char>(0xE0 | (code >> 12)));
            bytes.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        } else {
            bytes.append(static_cast<char>(0xF0 | (code >> 18)));
            bytes.append(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            bytes.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        }
        bytes.append(static_cast<char>(0x80 | (code & 0x3F)));
    }
    return bytes;
}

bool hasRawBytes(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit))
            ++i; // the low half of a pair is no raw byte
        else if (isRawByte(unit))
            return true;
    }
    return false;
}

QString displayText(QStringView text)
{
    if (!hasRawBytes(text))
        return text.toString();
    QString shown;
    shown.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size()) {
            shown += text[i];
            shown += text[++i];
        } else if (isRawByte(unit)) {
            shown += QStringLiteral("\\x") + QString::number(int(unit - RawByteBase), 16).toUpper();
        } else {
            shown += text[i];
        }
    }
    return shown;
}

} // namespace Platform::FileNames
