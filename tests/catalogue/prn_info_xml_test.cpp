// The printer-information export as the host sees it: the whole catalogue
// written into the host kit's store and read back, the order of the host
// calls, the record test, the media list and the mended faults.
#include "catalogue/prn_info_xml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "catalogue/prn_exporters.h"
#include "info_ticket_support.h"
#include "job/varn_prn.h"
#include "support/recording_logger.h"
#include "ticket_text.h"
#include "base/format.h"

namespace {

using namespace infotest;
using testsupport::RecordingLogger;

std::vector<uint32_t> Offered(uint32_t oem) {
    CVarnPrinter catalogue{CVarnPrinterParams{}};
    std::vector<uint32_t> ids;
    catalogue.GetPrinterIdList(ids, oem);
    return ids;
}

size_t Count(const hostkit::TicketStore& s, uint32_t id, const char* key) {
    const hostkit::Elements* e = s.Find(kInfo, id, key);
    return e ? e->size() : 0;
}

TEST(PrinterInformation, WritesEveryOfferedModelWithParallelLists) {
    hostkit::TicketStore store;
    RecordingLogger log;
    ASSERT_EQ(GetPrnInfoXML(store.ticket(), 1, 0, &log), 156);
    EXPECT_EQ(g_CurrentVarnPrinter, nullptr);
    EXPECT_TRUE(log.Has(LOG_INFO, "GetPrnInfoXML::End"));
    EXPECT_FALSE(log.HasPrefix("GetPrinterPaperXML Error"));

    const std::vector<uint32_t> ids = Offered(0);
    const std::vector<int32_t> listed = Ints(store, 1, "Output/Prn/Info/Manufacturer/PrnID");
    EXPECT_EQ(listed, std::vector<int32_t>(ids.begin(), ids.end()));
    EXPECT_EQ(Count(store, 1, "Output/Prn/Info/Manufacturer/ManufacturerName"), 156u);
    for (uint32_t id : ids) {
        SCOPED_TRACE(id);
        ASSERT_EQ(Ints(store, id, "Output/Prn/Info/Manufacturer/PrnID"), std::vector<int32_t>{int32_t(id)});
        const size_t media = Count(store, id, "Output/Prn/Info/Media/ID");
        for (const char* key : {"Output/Prn/Info/Media/Name", "Output/Prn/Info/Media/Size/Height",
                                "Output/Prn/Info/Media/Margin/Right", "Output/Prn/Info/Media/EditHeight",
                                "Output/Prn/Info/Media/Measure/Right"}) {
            EXPECT_EQ(Count(store, id, key), media) << key;
        }
        const std::vector<int32_t> sups = Ints(store, id, "Output/Prn/Info/Option/NumOfSup");
        EXPECT_EQ(Count(store, id, "Output/Prn/Info/Option/Default"), sups.size());
        EXPECT_EQ(Count(store, id, "Output/Prn/Info/Option/Sup/Factor"),
                  size_t(std::accumulate(sups.begin(), sups.end(), 0)));
        EXPECT_EQ(Count(store, id, "Output/Prn/Info/Quality/Name"), Count(store, id, "Output/Prn/Info/Quality/Value"));
        EXPECT_EQ(Count(store, id, "Output/Prn/Info/Resolution/Name"), Count(store, id, "Output/Prn/Info/Resolution/Y"));
        // What every model of this catalogue has alike.
        EXPECT_EQ(Doubles(store, id, "Output/Prn/Info/Head/HeightMMMinMediaAlarm"), std::vector<double>{0.0});
        EXPECT_FALSE(Has(store, id, "Output/Prn/Info/Head/HeightMMInSteps"));
        EXPECT_EQ(Ints(store, id, "Output/Prn/Info/Linearization/SkipTIL"), std::vector<int32_t>{0});
        EXPECT_EQ(Ints(store, id, "Output/Prn/Info/Media/Spec/TypeID"), (std::vector<int32_t>{1, 2, 3, 4, 20}));
        EXPECT_EQ(Ints(store, id, "Output/Prn/Info/Halftone/Default"), std::vector<int32_t>{3});
        EXPECT_EQ(Strings(store, id, "Output/Prn/Info/Meta"), std::vector<std::string>{""});
        EXPECT_FALSE(Has(store, id, "Output/Prn/GUIPlugins/FeatureRectanglePluginID"));
        EXPECT_FALSE(Has(store, id, "Output/Prn/Info/CustomGuiConstraints/GUID"));
    }
    EXPECT_EQ(Strings(store, 0, "Output/Prn/Info/Color/SpotColors"),
              (std::vector<std::string>{"CLEAR_INK", "METALLIC_INK", "PRIMER_INK", "WHITE_INK"}));

    // The media list: one entry per size and form, widest first.
    EXPECT_EQ(Ints(store, 0, "Output/Prn/Info/Media/ListVersion"), std::vector<int32_t>{4});
    const std::vector<int32_t> media = Ints(store, 0, "Output/Prn/Info/Media/ID");
    ASSERT_GE(media.size(), 5u);
    EXPECT_EQ(std::vector<int32_t>(media.begin(), media.begin() + 5), (std::vector<int32_t>{600, 2511, 630, 2049, 2031}));
    EXPECT_NE(std::find(media.begin(), media.end(), 601), media.end());
    EXPECT_EQ(std::find(media.begin(), media.end(), 875), media.end());
    CVarnPrinter catalogue{CVarnPrinterParams{}};
    for (int32_t id : media) EXPECT_FALSE(catalogue.m_mapMediaSizes.at(id).bSizeLimit) << id;
    EXPECT_EQ(Count(store, 0, "Output/Prn/Info/Media/Size/Width"), media.size());

    // A second export over its own output changes nothing.
    hostkit::TicketStore again;
    hostkit::ReadTicketText(hostkit::WriteTicketText(store), again);
    ASSERT_EQ(GetPrnInfoXML(again.ticket(), 1, 0, nullptr), 156);
    EXPECT_TRUE(again == store);
}

TEST(PrinterInformation, OffersBySupplierAndWritesNothingWithoutAModel) {
    hostkit::TicketStore store;
    ASSERT_EQ(GetPrnInfoXML(store.ticket(), 1, 11, nullptr), 53);
    const std::vector<int32_t> ids = Ints(store, 1, "Output/Prn/Info/Manufacturer/PrnID");
    ASSERT_EQ(ids.size(), 53u);
    EXPECT_EQ(std::vector<int32_t>(ids.begin(), ids.begin() + 4), (std::vector<int32_t>{665, 666, 667, 664}));

    hostkit::TicketStore empty;
    RecordingLogger log;
    EXPECT_EQ(GetPrnInfoXML(empty.ticket(), 7, 6, &log), 0);
    EXPECT_TRUE(log.Has(LOG_ERROR, "PrinterInfoToTicket:: No active printer driver. No printer ticket 7 created"));
    EXPECT_TRUE(empty.tickets().empty());
    EXPECT_EQ(GetPrnInfoXML(nullptr, 1, 0, &log), -1);
    EXPECT_TRUE(log.Has(LOG_ERROR, "GetPrnInfoXML:: invalid context pointer"));
}

TEST(PrinterInformation, CallsTheHostInItsOrder) {
    for (bool withFallback : {false, true}) {
        SCOPED_TRACE(withFallback);
        StubCatalogue stub;
        stub.Offer(700);
        stub.Offer(701);
        hostkit::TicketStore store;
        if (withFallback) store.SetAttributeFallback([](uint32_t, uint32_t, uint64_t) { return 0u; });
        store.LogCalls();
        ASSERT_EQ(PrinterInfoToTicket(&stub.catalogue, store.ticket(), 9, 0, nullptr), 2);

        // The attribute, fallback and enumeration calls, and the first write per ticket.
        std::vector<std::string> seen;
        uint32_t lastWrite = ~0u;  // the ticket of the write just before, if the last call was one
        for (const hostkit::LoggedCall& c : store.calls()) {
            std::string call;
            switch (c.function) {
                case hostkit::HostCall::GetAttribute: call = "attr " + std::to_string(c.type) + " "; break;
                case hostkit::HostCall::AttributeFallback: call = "fallback " + std::to_string(c.scope) + " "; break;
                case hostkit::HostCall::Enumerate: call = "enumerate " + std::to_string(c.scope); break;
                case hostkit::HostCall::SetItems:
                case hostkit::HostCall::SetValue:
                    if (c.id == lastWrite) continue;
                    call = "write " + c.key + " ";
                    lastWrite = c.id;
                    break;
                default: continue;
            }
            if (call.rfind("write", 0) != 0) lastWrite = ~0u;
            if (c.function != hostkit::HostCall::Enumerate) call += std::to_string(c.id);
            seen.push_back(call);
        }
        std::vector<std::string> expected = {"attr 2 9", "fallback 5 9", "write Output/Prn/Info/Manufacturer/PrnID 9",
                                             "attr 102 0", "fallback 5 0", "enumerate 10"};
        for (const char* model : {"700", "701"}) {
            expected.insert(expected.end(), {std::string("attr 2 ") + model, std::string("fallback 5 ") + model,
                                             std::string("write Output/Prn/Info/Manufacturer/PrnType ") + model,
                                             std::string("fallback 11 ") + model});
        }
        expected.push_back("write Output/Prn/Info/Media/ListVersion 0");
        if (!withFallback) {
            expected.erase(std::remove_if(expected.begin(), expected.end(),
                                          [](const std::string& s) { return s.rfind("fallback", 0) == 0; }),
                           expected.end());
        }
        EXPECT_EQ(seen, expected);
    }
}

TEST(PrinterInformation, CollectsTheHostPrinterTicketsForInksAndMediaTypes) {
    StubCatalogue stub;
    for (uint32_t id : {700u, 701u}) {
        PRINTERMODEL& m = stub.Offer(id);
        m.nManufacturerID = 3;
        m.listInks = {504};
        m.AddMediaType("t", id == 700 ? 2 : 5);
    }
    hostkit::TicketStore store;
    std::string text;
    for (int host : {4, 6}) {
        text += StringF("[host-printer %d]\nOutput/Prn/Info/Manufacturer/ManufacturerID = %d\n"
                        "Output/Prn/Info/Manufacturer/PrnID[] = 700\nOutput/Prn/Info/Manufacturer/PrnID[] = 701\n"
                        "Output/Prn/Info/Manufacturer/PrnName[] = \"a\"\nOutput/Prn/Info/Manufacturer/PrnName[] = \"b\"\n"
                        "Output/Prn/Media/Spec/TypeID = 2\nOutput/Prn/Specific/InkTypeName = \"MS2\"\n",
                        host, host == 4 ? 3 : 9);
    }
    hostkit::ReadTicketText(text, store);
    store.LogCalls();
    ASSERT_EQ(PrinterInfoToTicket(&stub.catalogue, store.ticket(), 1, 0, nullptr), 2);
    std::vector<uint32_t> inkReads;
    for (const hostkit::LoggedCall& c : store.calls()) {
        if (c.key == "Output/Prn/Specific/InkTypeName") inkReads.push_back(c.id);
    }
    EXPECT_EQ(inkReads, (std::vector<uint32_t>{4, 6, 4, 6})) << "both host tickets name both models";
    // Manufacturer 3: the host tickets of that manufacturer keep the models
    // that have their media type.
    EXPECT_EQ(Read<int32_t>(store, 4, "Output/Prn/Info/Manufacturer/PrnID", TICKET_SCOPE_HOST_PRINTER),
              std::vector<int32_t>{700});
    EXPECT_EQ(Read<int32_t>(store, 6, "Output/Prn/Info/Manufacturer/PrnID", TICKET_SCOPE_HOST_PRINTER),
              (std::vector<int32_t>{700, 701}));
}

TEST(PrinterInformation, RecordThatFailsTheTestLosesOnlyTheTestingExporters) {
    for (auto spoil : {+[](Ticket& t) { t.Version = 0; }, +[](Ticket& t) { t.Size = 631; }}) {
        hostkit::TicketStore store;
        Ticket copy = *store.ticket();
        spoil(copy);
        ASSERT_EQ(GetPrnInfoXML(&copy, 1, 0, nullptr), 156);
        for (const char* key : {"Output/Prn/Info/Heater/Name", "Output/Prn/Info/Head/HeightMMMin",
                                "Output/Prn/Info/Tray/Default", "Output/Prn/Info/Media/Spec/TypeID"}) {
            EXPECT_FALSE(Has(store, 665, key)) << key;
        }
        for (const char* key : {"Output/Prn/Info/Manufacturer/PrnName", "Output/Prn/Info/Media/Name",
                                "Output/Prn/Info/Option/ID", "Output/Prn/Info/Port/Type"}) {
            EXPECT_TRUE(Has(store, 665, key)) << key;
        }
    }
}

TEST(PrinterInformation, CatalogueFactoryReadsTheSystemKeys) {
    hostkit::TicketStore store;
    hostkit::ReadTicketText("[system]\nSystem/Folders/ApplicationFolder = \"D:\\\\Prog\\\\Host\\\\\"\n"
                            "System/Folders/Temp = \"C:\\\\Temp\\\\\"\nSystem/IsHighResDevice = 0\n",
                            store);
    std::unique_ptr<CVarnPrinter> catalogue = CreateVarnPrinter(store.ticket(), 11, nullptr);
    EXPECT_EQ(catalogue->m_strPluginFolder, "D:/Prog/Host/PlugIns/");
    EXPECT_EQ(catalogue->m_strTempFolder, "C:/Temp");
    EXPECT_TRUE(catalogue->m_bHighResDevice);
    EXPECT_EQ(catalogue->m_nOEMID, 11u);

    hostkit::ReadTicketText("[system]\nSystem/IsHighResDevice = 1\n", store);
    EXPECT_FALSE(CreateVarnPrinter(store.ticket(), 0, nullptr)->m_bHighResDevice);
    hostkit::TicketStore bare;
    catalogue = CreateVarnPrinter(bare.ticket(), 0, nullptr);
    EXPECT_FALSE(catalogue->m_bHighResDevice);
    std::string folder;
    GetModuleFolder(folder);
    EXPECT_EQ(catalogue->m_strPluginFolder, folder + "/PlugIns/");
}

TEST(PrinterInformation, ResolutionTextsRoundToTheirSteps) {
    std::string text;
    FormatResolutionText(text, 720.0, 1440.0, 1.0, 1.0);
    EXPECT_EQ(text, "720 x 1440");
    FormatResolutionText(text, 540.25, 720.0, 0.5, 0.5);
    EXPECT_EQ(text, "540.5 x 720");
    FormatResolutionText(text, 600.0, 1200.0, 0.0, 0.0);
    EXPECT_EQ(text, "600 x 1200");
    FormatResolutionText(text, 1439.6, 359.96, 10.0, 0.5);
    EXPECT_EQ(text, "1440 x 360");
    EXPECT_TRUE(FindString({"a", "MS2"}, "MS2"));
    EXPECT_FALSE(FindString({"a", "MS2"}, "MS"));
}

TEST(MediaList, MergesTheHostListOfTheSameVersion) {
    StubCatalogue stub;
    CVarnPrinter& c = stub.catalogue;
    c.m_nMediaListVersion = 4;
    c.AddMediaSize(5, "A4", 21000.0, 0, 29700.0, 0, 3, 0);
    c.AddMediaSize(7, "Limit", 10000.0, 0, 10000.0, 0, 5, 1);
    const std::string hostList =
        "[printer 0]\nOutput/Prn/Info/Media/ListVersion = %d\n"
        "Output/Prn/Info/Media/Size/Width[] = 210.0\nOutput/Prn/Info/Media/Size/Height[] = 297.0\n"
        "Output/Prn/Info/Media/FormType[] = 3\nOutput/Prn/Info/Media/Name[] = \"host A4\"\n"
        "Output/Prn/Info/Media/ID[] = 900\n";
    const auto load = [&](hostkit::TicketStore& store, int version) {
        hostkit::ReadTicketText(StringF(hostList.c_str(), version), store);
    };

    hostkit::TicketStore same;
    load(same, 4);
    EXPECT_EQ(GetMediaListXML(&c, same.ticket(), 0, {}), 0);
    EXPECT_EQ(Ints(same, 0, "Output/Prn/Info/Media/ID"), std::vector<int32_t>{5});

    hostkit::TicketStore older;
    load(older, 3);
    EXPECT_EQ(GetMediaListXML(&c, older.ticket(), 0, {}), 0);
    EXPECT_EQ(Ints(older, 0, "Output/Prn/Info/Media/ID"), std::vector<int32_t>{5});
    EXPECT_EQ(Ints(older, 0, "Output/Prn/Info/Media/ListVersion"), std::vector<int32_t>{4});

    hostkit::TicketStore newer;
    load(newer, 5);
    hostkit::TicketStore untouched;
    load(untouched, 5);
    EXPECT_EQ(GetMediaListXML(&c, newer.ticket(), 0, {}), -1);
    EXPECT_TRUE(newer == untouched);

    // Entries 0 to 4 of other sizes, with Name element 3 missing.
    hostkit::TicketStore broken;
    std::string text = "[printer 0]\nOutput/Prn/Info/Media/ListVersion = 4\n";
    for (int i = 0; i < 5; ++i) {
        text += StringF("Output/Prn/Info/Media/Size/Width[] = %d.5\nOutput/Prn/Info/Media/Size/Height[] = 50.0\n"
                        "Output/Prn/Info/Media/FormType[] = 5\nOutput/Prn/Info/Media/ID[] = %d\n",
                        10 + i, 950 + i);
        if (i < 3) text += StringF("Output/Prn/Info/Media/Name[] = \"h%d\"\n", i);
    }
    hostkit::ReadTicketText(text, broken);
    EXPECT_EQ(GetMediaListXML(&c, broken.ticket(), 0, {}), 0);
    EXPECT_EQ(Ints(broken, 0, "Output/Prn/Info/Media/ID"), (std::vector<int32_t>{5, 952, 951, 950}));
    EXPECT_EQ(Doubles(broken, 0, "Output/Prn/Info/Media/Size/Width"), (std::vector<double>{210.0, 12.5, 11.5, 10.5}));
}

TEST(MediaList, HostTicketWithUnpairedNamesIsLeftAsItIs) {
    StubCatalogue stub;
    hostkit::TicketStore store;
    hostkit::ReadTicketText("[printer 700]\nOutput/Prn/Info/Media/Spec/TypeID = 2\n"
                            "[host-printer 5]\nOutput/Prn/Media/Spec/TypeID = 2\n"
                            "Output/Prn/Info/Manufacturer/PrnID[] = 701\nOutput/Prn/Info/Manufacturer/PrnID[] = 700\n"
                            "Output/Prn/Info/Manufacturer/PrnName = \"b\"\n",
                            store);
    SyncPrinterTicketMediaTypes({5}, store.ticket());
    EXPECT_EQ(Read<int32_t>(store, 5, "Output/Prn/Info/Manufacturer/PrnID", TICKET_SCOPE_HOST_PRINTER),
              (std::vector<int32_t>{701, 700}));
    EXPECT_EQ(Read<std::string>(store, 5, "Output/Prn/Info/Manufacturer/PrnName", TICKET_SCOPE_HOST_PRINTER),
              std::vector<std::string>{"b"});
}

TEST(OptionLayout, ReadsBackThroughTheJob) {
    StubCatalogue stub;
    PRINTERMODEL& m = stub.Offer(700);
    m.listOptions.resize(3);
    m.listOptions[0].Set("Print direction", 1, 0, 1);
    m.listOptions[0].AddValue(23, "Unidirectional", 5, -1, -1, -1);
    m.listOptions[0].AddValue(24, "Bidirectional", 6, -1, -1, -1);
    m.listOptions[1].Set("Paper feed adjustment", 11, 0, 0);
    m.listOptions[2].Set("Vacuum", 9, 0, 2);
    for (uint32_t i = 0; i < 4; ++i) m.listOptions[2].AddValue(200 + i, "v", 10 + i, -1, -1, -1);
    hostkit::TicketStore store;
    ASSERT_EQ(PrinterInfoToTicket(&stub.catalogue, store.ticket(), 1, 0, nullptr), 1);
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Option/ID"), (std::vector<int32_t>{1, 11, 9}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Option/NumOfSup"), (std::vector<int32_t>{2, 0, 4}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Option/Sup/Index"),
              (std::vector<int32_t>{23, 24, 200, 201, 202, 203}));

    testsupport::RecordingLogger log;
    CVarnPrn job(store.ticket(), store.jobId(), &log);
    job.m_iPrinterModell = 700;
    EXPECT_EQ(job.GetPrinterOptionValue(9), 12);
    EXPECT_EQ(job.GetPrinterOptionValue(1), 6);
}

}  // namespace
