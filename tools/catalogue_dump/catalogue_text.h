// A printer model of the catalogue as stable, line-oriented text: identity,
// port, resolutions with their pass-mode slots and dot sizes, pass modes,
// ink pre-limits, inks, heaters, colour modes, spot inks, trays and their
// media, options with their choices and the dialog controls.
#pragma once

#include <string>

#include "catalogue/catalogue_records.h"
#include "catalogue/varn_printer.h"

std::string CatalogueModelText(const PRINTERMODEL& model);

// The catalogue's flat tables, one line per entry: media sizes (with the list
// version and the OEM restriction of the catalogue's OEM id), ink types, the
// offer list and the compatible-printer groups.
std::string CatalogueMediaText(const CVarnPrinter& catalogue);
std::string CatalogueInkText(const CVarnPrinter& catalogue);
std::string CatalogueOfferText(const CVarnPrinter& catalogue);
std::string CatalogueCompatibleText(const CVarnPrinter& catalogue);
