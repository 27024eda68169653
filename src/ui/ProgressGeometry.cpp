#include "ui/ProgressGeometry.h"

int ProgressSplitX(int left, int right, int percent)
{
    return left + ((right - left) * percent) / 100;
}

int ProgressTextX(int left, int right)
{
    return left + (right - left) / 2;
}

int ProgressTextBaseline(int top, int bottom)
{
    return top + ((bottom - top) * 8) / 10;
}

int CentringOffset(int extent, int low, int high)
{
    return (extent - high - low) / 2;
}

void FormatPercentText(uint32_t percent, char (&text)[kPercentTextSize])
{
    // Digits come out last first; at most ten of them for 32 bits.
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + percent % 10);
        percent /= 10;
    } while (percent != 0);

    int length = 0;
    while (count > 0)
        text[length++] = digits[--count];
    text[length++] = ' ';
    text[length++] = '%';
    text[length] = '\0';
}
