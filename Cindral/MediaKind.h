#pragma once

#include <QString>

// The disc kinds a recorder reports, by their codes, and what the control shows for them.
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

// The code for an MMC profile number as libburn reports it (0 for an empty drive). A "stdio:"
// target (a file standing in for the disc, profile 0xffff) counts as a DVD-R.
int codeForProfile(int profile);

// "CD-R", "DVD RAM" ...; empty for codes without a name (0 and above 10).
QString name(int code);

// The shown media text: noDiscText alone for code 0, else the name, a space and discWord.
QString text(int code, const QString& noDiscText, const QString& discWord);

// Rewritable kinds the control offers to erase.
bool isErasable(int code);
// Codes above 3 are DVD kinds (and larger).
bool isDvd(int code);

// Bytes per second of speed 1x for a profile (CD 176400, DVD 1385000, BD 4495500).
double bytesPerSecondAt1x(int profile);

} // namespace MediaKind
