#pragma once

#include <QString>

// The disc kinds a recorder reports, by their codes, what the control shows for them and what
// can be done with each.
namespace MediaKind {

constexpr int NoDisc = 0;
constexpr int CdRom = 1;
constexpr int CdR = 2;
constexpr int CdRw = 3;
constexpr int DvdRom = 4;
constexpr int DvdR = 5;
constexpr int DvdRam = 6;
constexpr int DvdRwRestricted = 7;
constexpr int DvdRwSequential = 8;
constexpr int DvdRw = 9;
constexpr int DvdPlusRw = 10;
constexpr int DvdPlusR = 11;
constexpr int DvdRDualLayer = 12;
constexpr int DvdPlusRDualLayer = 13;
constexpr int BdRom = 14;
constexpr int BdR = 15;
constexpr int BdRe = 16;
constexpr int OtherDisc = 17;
// A file on disk that receives the image instead of a disc.
constexpr int ImageFile = 18;
constexpr int LastCode = ImageFile;

// How a rewritable kind is made blank again.
enum class EraseMethod
{
    None,      // not rewritable
    Blank,     // sequential media (CD-RW, DVD-RW): the recorder blanks them, quickly or fully
    Overwrite, // overwritable media (DVD+RW, DVD-RW restricted overwrite, DVD-RAM, BD-RE): a
               // quick erase wipes the start of the volume, a full erase formats the disc
};

// The code for an MMC profile number as libburn reports it (0 for an empty drive). A "stdio:"
// target (profile 0xffff) is an image file.
int codeForProfile(int profile);

// "CD-R", "DVD RAM", "BD-RE" ...; empty for codes without a name (0 and unknown kinds).
QString name(int code);

// The shown media text: noDiscText alone for code 0, otherText alone for a kind that cannot be
// written to, the name alone for an image file, else the name, a space and discWord.
QString text(int code, const QString& noDiscText, const QString& discWord, const QString& otherText = {});

// The kinds this program can write to (read-only discs and unknown kinds cannot).
bool isWritable(int code);
// Rewritable kinds: the control offers to erase them once they hold data.
bool isErasable(int code);
EraseMethod eraseMethod(int code);
// Codes above 3 are DVD kinds (and larger).
bool isDvd(int code);

// Bytes per second of speed 1x for a profile (CD 176400, DVD 1385000, BD 4495500).
double bytesPerSecondAt1x(int profile);

// 2048-byte blocks the smallest common disc of a kind holds (an 80-minute CD-R, a single-layer
// DVD, a 25 GB BD); 0 for kinds without a fixed size (an image file, no disc).
qint64 nominalBlocks(int code);

} // namespace MediaKind
