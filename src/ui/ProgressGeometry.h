// Arithmetic of the progress window: where the bar splits, where its text
// sits, how far the dialog moves to be centred, and the text of a percent.
// Signed 32-bit throughout, multiplication before division, truncation
// toward zero, so the pixels match the window's own paint exactly.
#pragma once

#include <cstdint>

// Buffer of the percent text: the number, a blank and a percent sign.
constexpr int kPercentTextSize = 32;

// x where the blue part of a field spanning [left, right) ends at `percent`.
int ProgressSplitX(int left, int right, int percent);

// Horizontal centre of the field, the text's reference x.
int ProgressTextX(int left, int right);

// Text baseline at eight tenths of the field's height.
int ProgressTextBaseline(int top, int bottom);

// Offset that moves the span [low, high) to the middle of [0, extent):
// (extent - high - low) / 2.
int CentringOffset(int extent, int low, int high);

// Writes "<percent> %" (unsigned decimal, no padding) into `text`.
void FormatPercentText(uint32_t percent, char (&text)[kPercentTextSize]);
