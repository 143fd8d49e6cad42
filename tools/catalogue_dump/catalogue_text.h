// A printer model of the catalogue as stable, line-oriented text: identity,
// port, resolutions with their pass-mode slots and dot sizes, pass modes,
// ink pre-limits, inks, heaters, colour modes, spot inks, trays and their
// media, options with their choices and the dialog controls.
#pragma once

#include <string>

#include "catalogue/catalogue_records.h"

std::string CatalogueModelText(const PRINTERMODEL& model);
