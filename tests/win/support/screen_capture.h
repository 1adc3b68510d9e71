// Pictures of windows for the tests: their pixels for colour probes, and PNG files that the
// tests leave in build/win32/artifacts for a person to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/resample.h"

// The window's pixels as 0xRRGGBB: as the screen shows them, or as the window has painted
// them (which the screen may show a moment later). Any thread may take it.
PixelImage CaptureWindow(HWND window, bool fromScreen = true);
uint32_t PixelAt(const PixelImage& image, int x, int y);
// Writes the image as a PNG file; a failure fails the test.
void SavePng(const PixelImage& image, const std::wstring& path);
// The folder for such files, made when missing.
std::wstring ArtifactsFolder();
