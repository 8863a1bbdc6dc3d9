#include "LeftOutText.h"

#include "FileError.h"

namespace {

int textOf(LeftOutItem::Reason reason)
{
    using Reason = LeftOutItem::Reason;
    switch (reason) {
    case Reason::FolderNotRead:
        return 154;
    case Reason::FolderReadInPart:
        return 155;
    case Reason::NotExamined:
        return 156;
    case Reason::PathTooLong:
        return 157;
    case Reason::NotAFile:
        return 158;
    case Reason::BrokenLink:
        return 159;
    case Reason::FolderLink:
        return 160;
    case Reason::Hidden:
        return 161;
    case Reason::FolderMoved:
        return 162;
    }
    return 156;
}

} // namespace

QString leftOutReason(const LeftOutItem& item, const TextRegister& texts)
{
    QString text = texts.text(textOf(item.reason));
    // "Too long" says it all; for the others the system's words tell what to look at.
    if (item.error != 0 && item.reason != LeftOutItem::Reason::PathTooLong)
        text += QStringLiteral(": ") + Platform::fileErrorFromErrno(item.error).description;
    return text;
}
