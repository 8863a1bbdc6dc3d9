#include "FormatSize.h"

#include "SizeText.h"

QString FormatSize(double bytes)
{
    return Platform::sizeText(bytes);
}
