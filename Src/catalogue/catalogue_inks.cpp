// The ink-type catalogue.
#include "catalogue/varn_printer.h"

void CVarnPrinter::InitInkTypes() {}
