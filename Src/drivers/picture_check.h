// The check every family makes of the host's picture against its colour
// set-up: a set-up reads pixels of one input colour mode and a number of
// bytes, so a picture of other colours would be printed as inks it never
// had, one with fewer channels read across its pixels, and one with more
// too, unless the set-up steps by the host's bytes a pixel.
#pragma once

#include <cstdint>

#include "halftone/halftone.h"

class CVarnPrn;

// True when the job's input colour mode is the one the set-up reads and its
// lines carry as many channels per pixel (or more, for a set-up that steps
// by the host's pixel). Otherwise sets the job's error message and logs
// (level 0) one of
//   "<where>: Image type <imageType> reads <name> pixels (input colour mode
//    <m>), the job's input colour mode is <n> (<name>)"
//   "<where>: Image type <imageType> needs <bytes> channels per pixel, the job has <n>"
//   "<where>: Image type <imageType> reads <bytes> channels per pixel, the job has <n>"
//   "<where>: Image type <imageType> has no colour set-up" (input null)
// and gives false.
bool PictureHasChannels(CVarnPrn* job, const char* where, const char* imageType, const PixelInput* input);
bool PictureHasChannels(CVarnPrn* job, const char* where, const char* imageType, PixelInput input);
