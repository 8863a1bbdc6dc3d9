#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names on Linux are bytes, not text. A name that is valid UTF-8 becomes that text; every
// byte of a name that is not valid UTF-8 is kept as the lone code unit U+DC00 + byte (no valid
// UTF-8 gives such a unit), so each name turns into exactly one text and back into its own bytes.
// Two different names never give the same text, and the copy gets the source's name byte for byte.
// QFile::encodeName/decodeName must not be used on such texts: they replace those bytes.
namespace Platform::FileNames {

// The text that keeps the bytes of a name or path.
QString fromBytes(QByteArrayView bytes);

// The bytes of a text made by fromBytes (any other text gives its UTF-8).
QByteArray toBytes(QStringView text);

// Whether the text holds bytes that are not valid UTF-8.
bool hasRawBytes(QStringView text);

// The text to show a user: each byte that is not valid UTF-8 is written as "\xHH".
QString displayText(QStringView text);

} // namespace Platform::FileNames
