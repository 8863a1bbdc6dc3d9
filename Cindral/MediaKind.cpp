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
    case 0x2a: // DVD+RW dual layer writes like the single layer
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
        return ImageFile;
    default:
        return OtherDisc;
    }
}

QString name(int code)
{
    static const std::array<const char*, LastCode + 1> names = {
        "",        "CD",      "CD-R",   "CD-RW",  "DVD Rom",       "DVD-R",    "DVD RAM",
        "DVDRWRO", "DVDRWSR", "DVD-RW", "DVD+RW", "DVD+R",         "DVD-R DL", "DVD+R DL",
        "BD-ROM",  "BD-R",    "BD-RE",  "",       "ISO image file"};
    if (code < 0 || code > LastCode)
        return {};
    return QLatin1String(names[size_t(code)]);
}

QString text(int code, const QString& noDiscText, const QString& discWord, const QString& otherText)
{
    if (code == NoDisc)
        return noDiscText;
    if (code == ImageFile)
        return name(code);
    if (name(code).isEmpty() && !otherText.isEmpty())
        return otherText;
    return name(code) + QLatin1Char(' ') + discWord;
}

bool isWritable(int code)
{
    switch (code) {
    case CdR:
    case CdRw:
    case DvdR:
    case DvdRam:
    case DvdRwRestricted:
    case DvdRwSequential:
    case DvdRw:
    case DvdPlusRw:
    case DvdPlusR:
    case DvdRDualLayer:
    case DvdPlusRDualLayer:
    case BdR:
    case BdRe:
    case ImageFile:
        return true;
    default:
        return false;
    }
}

EraseMethod eraseMethod(int code)
{
    switch (code) {
    case CdRw:
    case DvdRwSequential:
    case DvdRw:
        return EraseMethod::Blank;
    case DvdRam:
    case DvdRwRestricted:
    case DvdPlusRw:
    case BdRe:
        return EraseMethod::Overwrite;
    default:
        return EraseMethod::None;
    }
}

bool isErasable(int code)
{
    return eraseMethod(code) != EraseMethod::None;
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

qint64 nominalBlocks(int code)
{
    switch (code) {
    case CdRom:
    case CdR:
    case CdRw:
        return 359847; // 80 minutes
    case DvdRom:
    case DvdR:
    case DvdRwRestricted:
    case DvdRwSequential:
    case DvdRw:
    case DvdPlusRw:
    case DvdPlusR:
        return 2295104; // 4.38 GiB
    case DvdRam:
        return 2236704;
    case DvdRDualLayer:
        return 4171712;
    case DvdPlusRDualLayer:
        return 4173824;
    case BdRom:
    case BdR:
    case BdRe:
        return 11826176; // 25 GB, formatted with the default spare area
    default:
        return 0;
    }
}

} // namespace MediaKind
