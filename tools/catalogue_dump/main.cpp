// catalogue_dump [--oem N] [--media] [--inks] [--offers] [--compatible] [MODEL...]:
// builds the printer catalogue and prints the named tables, then the named
// models (every model, in number order, when neither a model nor a table is
// named); with --oem, the models offered under that OEM id, in offer order
// (and the media restriction of that OEM id).
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/format.h"
#include "catalogue/varn_printer.h"
#include "catalogue_text.h"
#include "standard_output.h"

namespace {

constexpr const char* kUsage =
    "usage: catalogue_dump [--oem N] [--media] [--inks] [--offers] [--compatible] [MODEL...]\n";

using TableText = std::string (*)(const CVarnPrinter&);

struct Table {
    const char* option;
    TableText text;
};

const Table kTables[] = {{"--media", &CatalogueMediaText},
                         {"--inks", &CatalogueInkText},
                         {"--offers", &CatalogueOfferText},
                         {"--compatible", &CatalogueCompatibleText}};

}  // namespace

int main(int argc, char** argv) {
    std::vector<int32_t> models;
    std::vector<TableText> tables;
    bool byOem = false;
    uint32_t oem = 0;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return toolfile::PrintHelp("catalogue_dump", kUsage);
        }
        const Table* table = nullptr;
        for (const Table& t : kTables) {
            if (std::strcmp(argv[i], t.option) == 0) table = &t;
        }
        if (table) {
            tables.push_back(table->text);
        } else if (std::strcmp(argv[i], "--oem") == 0 && i + 1 < argc) {
            byOem = true;
            const char* text = argv[++i];
            errno = 0;
            const unsigned long long number = std::strtoull(text, &end, 10);
            if (end == text || *end != '\0' || text[0] == '-' || errno != 0 || number > UINT32_MAX) {
                std::fprintf(stderr, "catalogue_dump: bad OEM id \"%s\": an OEM id is a number from 0 to %u\n%s",
                             EscapeControlBytes(text).c_str(), static_cast<unsigned>(UINT32_MAX), kUsage);
                return 2;
            }
            oem = static_cast<uint32_t>(number);
        } else {
            const long long number = std::strtoll(argv[i], &end, 10);
            if (end == argv[i] || *end != '\0') {
                if (std::strcmp(argv[i], "--oem") == 0) {
                    std::fprintf(stderr, "catalogue_dump: --oem needs a value\n%s", kUsage);
                } else if (argv[i][0] == '-') {
                    std::fprintf(stderr, "catalogue_dump: unknown option \"%s\"\n%s", EscapeControlBytes(argv[i]).c_str(),
                                 kUsage);
                } else {
                    std::fprintf(stderr, "catalogue_dump: bad model number \"%s\": a model is a whole number\n%s",
                                 EscapeControlBytes(argv[i]).c_str(), kUsage);
                }
                return 2;
            }
            if (number < INT32_MIN || number > INT32_MAX) {
                std::fprintf(stderr,
                             "catalogue_dump: model number %s is out of range: a model is a number from %d to %d\n",
                             EscapeControlBytes(argv[i]).c_str(), static_cast<int>(INT32_MIN),
                             static_cast<int>(INT32_MAX));
                return 2;
            }
            models.push_back(static_cast<int32_t>(number));
        }
    }
    CVarnPrinterParams params;
    params.nOEMID = oem;
    CVarnPrinter catalogue(params);
    for (size_t i = 0; i < tables.size(); ++i) {
        if (i > 0) toolfile::PrintStandardOutput("\n");
        toolfile::PrintStandardOutput("%s", tables[i](catalogue).c_str());
    }
    if (byOem) {
        std::vector<uint32_t> ids;
        catalogue.GetPrinterIdList(ids, oem);
        for (uint32_t id : ids) models.push_back(static_cast<int32_t>(id));
    }
    if (models.empty() && tables.empty()) {
        for (const auto& entry : catalogue.m_mapPrinterModels) models.push_back(entry.first);
    }
    int status = 0;
    for (size_t i = 0; i < models.size(); ++i) {
        auto found = catalogue.m_mapPrinterModels.find(models[i]);
        if (found == catalogue.m_mapPrinterModels.end()) {
            std::fprintf(stderr, "catalogue_dump: no model %d\n", static_cast<int>(models[i]));
            status = 1;
            continue;
        }
        if (i > 0 || !tables.empty()) toolfile::PrintStandardOutput("\n");
        toolfile::PrintStandardOutput("%s", CatalogueModelText(found->second).c_str());
    }
    return toolfile::FinishStandardOutput("catalogue_dump", status);
}
