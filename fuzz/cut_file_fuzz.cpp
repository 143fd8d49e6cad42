// The Illustrator cut file through a cut driver's GetCutData: the reader, the
// MGL generator and the placement against registration marks. The first
// input byte picks the line (CJV30 or CJV300), marks or none and the cutting
// mode; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/text_error.h"
#include "cutting/cut_driver.h"
#include "cutting/cutmarks.h"
#include "fuzz_support.h"
#include "job/varn_prn.h"
#include "ticket_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t choice = data[0];
    const std::string path = fuzzsupport::WriteInput("cut.ai", data + 1, size - 1);

    hostkit::TicketStore store(1);
    fuzzsupport::QuietLogger log;
    CVarnPrn job(store.ticket(), 1, &log);
    job.m_dResolutionX = job.m_dResolutionY = 720.0;
    job.m_iResolutionX = job.m_iResolutionY = 720;
    job.m_iImageWidth = job.m_iImageHeight = 2835;  // 10 cm
    job.m_dBottomFeed = (choice & 0x08) ? 25.0 : 0.0;
    job.m_iCuttingMode = (choice >> 4) & 3;
    store.Set(TICKET_SCOPE_JOB, 1, "System/Product/MajorVersion", 5);
    store.SetElements(TICKET_SCOPE_JOB, 1, "Process/ContourCut/ICUT/AI_FileName", {path});
    const bool marks = (choice & 0x02) != 0;
    if (marks) store.Set(TICKET_SCOPE_JOB, 1, "ContourCutting/PrintAndCutDeviceHandlesCutMarks", 1);

    try {
        auto cut = CreateMimakiCutDriver(&job, (choice & 0x01) ? 7018 : 703);
        std::unique_ptr<MimakiCutmarksGenerator> generator;
        if (marks) {
            MimakiCutmarksGeneratorParams params;
            params.pfnWriteRow = [](void*, const uint8_t*, uint32_t) { return 0; };
            params.pContext = &job;
            params.iResolutionX = params.iResolutionY = 720;
            params.iImageWidth = params.iImageHeight = 2835;
            generator = CreateMimakiCutmarksGenerator(params);
            generator->EmitMarks(false);
            cut->SetIMimakiCutmarksGeneratorInfo(generator.get());
        }
        Bytes out;
        cut->GetCutData(out);
        // The data is framed by two "GT" commands.
        if (out.size() < 8 || out[0] != 'G' || out[1] != 'T' || out[out.size() - 4] != 'G') std::abort();
    } catch (const TextError&) {
        // A clear refusal.
    }
    return 0;
}
