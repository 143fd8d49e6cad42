// The media-size catalogue.
#include "catalogue/varn_printer.h"

void CVarnPrinter::InitMediaSizes() {}
