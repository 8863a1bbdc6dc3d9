#include "MediaKind.h"

#include <array>

namespace MediaKind {

int codeForProfile(int profile)
{
    switch (profile) {
    case 0x00:
        return NoDisc;
    case 0x08:
        return CdRom;
    case 0x09:
        return CdR;
    case 0x0a:
        return CdRw;
    case 0x10:
        return DvdRom;
    case 0x11:
        return DvdR;
    case 0x12:
        return DvdRam;
    case 0x13:
        return DvdRwRestricted;
    case 0x14:
        return DvdRwSequential;
    case 0x1a:
        return DvdPlusRw;
    case 0x1b:
        return DvdPlusR;
    case 0x15:
    case 0x16:
        return DvdRDualLayer;
    case 0x2b:
        return DvdPlusRDualLayer;
    case 0x40:
        return BdRom;
    case 0x41:
    case 0x42:
        return BdR;
    case 0x43:
        return BdRe;
    case 0xffff:
        return DvdR;
    default:
        return OtherDisc;
    }
}

QString name(int code)
{
    static const std::array<const char*, 11> names = {
        "", "CD", "CD-R", "CD-RW", "DVD Rom", "DVD-R", "DVD RAM", "DVDRWRO", "DVDRWSR", "DVD-RW", "DVD+RW"};
    if (code < 0 || code >= int(names.size()))
        return {};
    return QLatin1String(names[size_t(code)]);
}

QString text(int code, const QString& noDiscText, const QString& discWord)
{
    if (code == NoDisc)
        return noDiscText;
    return name(code) + QLatin1Char(' ') + discWord;
}

bool isErasable(int code)
{
    return code == CdRw || code == DvdRw || code == DvdPlusRw;
}

bool isDvd(int code)
{
    return code > CdRw;
}

double bytesPerSecondAt1x(int profile)
{
    if (profile >= 0x08 && profile <= 0x0a)
        return 176400.0;
    if (profile >= 0x40 && profile <= 0x43)
        return 4495500.0;
    return 1385000.0;
}

} // namespace MediaKind
