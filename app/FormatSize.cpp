#include "FormatSize.h"

#include "SizeText.h"
#include "TextRegister.h"

QString FormatSize(double bytes)
{
    return Platform::sizeText(bytes);
}

void SetSizeUnits(const TextRegister& texts)
{
    Platform::setSizeUnits(
        {texts[SizeUnitTexts[0]], texts[SizeUnitTexts[1]], texts[SizeUnitTexts[2]], texts[SizeUnitTexts[3]]});
}
