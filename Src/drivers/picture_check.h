// The check every family makes of the host's picture against its colour
// set-up: a lineariser reads a fixed number of bytes per pixel, so a picture
// with fewer channels would be read across its pixels into inks it never had.
#pragma once

#include <cstdint>

class CVarnPrn;

// True when the job's lines carry at least `needed` channels per pixel.
// Otherwise sets the job's error message and logs (level 0) "<where>: Image
// type <imageType> needs <needed> channels per pixel, the job has <n>" and
// gives false.
bool PictureHasChannels(CVarnPrn* job, const char* where, const char* imageType, int32_t needed);
