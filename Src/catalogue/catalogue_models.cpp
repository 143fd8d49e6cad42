// The printer model table.
#include "catalogue/varn_printer.h"

void CVarnPrinter::InitPrinterModels() {}
