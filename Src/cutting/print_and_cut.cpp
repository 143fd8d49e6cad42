#include "cutting/print_and_cut.h"

#include <cstdio>
#include <string>

#include "base/input_file.h"
#include "base/rounding.h"
#include "cutting/cutmarks.h"
#include "drivers/mrl/mrl_segments.h"
#include "job/varn_prn.h"

namespace printandcut {

namespace {

constexpr double kExtraFeedMm = 150.0;
constexpr uint8_t kFeedColour = 4;
constexpr uint8_t kFeedByte = 0x40;

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

}  // namespace

MimakiCutmarksGeneratorParams MarkParams(CVarnPrn* job, int (*writeRow)(void*, const uint8_t*, uint32_t),
                                         int32_t imageHeight, int32_t bitsPerPixel) {
    MimakiCutmarksGeneratorParams params;
    params.pfnWriteRow = writeRow;
    params.pContext = job;
    params.iResolutionX = job->m_iResolutionX;
    params.iResolutionY = job->m_iResolutionY;
    params.iImageWidth = job->m_iImageWidth;
    params.iImageHeight = imageHeight;
    params.iBitsPerPixel = bitsPerPixel;
    return params;
}

int32_t FeedReserveLines(MimakiCutmarksGenerator* generator, int32_t yDpi) {
    const double halfBar = generator ? (generator->GetBarLengthHundredths() & 0xFFFF) / 200.0 : 0.0;
    return RoundToInt32((halfBar + kExtraFeedMm) * yDpi * 10.0 / 254.0);
}

Bytes FeedReserve(int32_t feed, uint8_t bitsPerPixel) {
    if (feed == 0) return {};
    Bytes out = MRL_IV_QX(1, uint32_t(feed));
    Append(out, MRL_QD(kFeedColour, 0, bitsPerPixel, 1));
    out.push_back(kFeedByte);
    return out;
}

Bytes CutJob(MimakiCutmarksGenerator* generator, int32_t dryTime, const Bytes& cutData) {
    const uint8_t dry = ClampToByte(dryTime);
    const int32_t barLength = generator ? generator->GetBarLengthHundredths() : 0;
    Bytes out = MRL_IV_GR();
    Append(out, MRL_IV_GS(generator ? 1 : 0, 1, uint16_t(barLength), 0, 0, dry != 0, dry));
    Append(out, cutData);
    return out;
}

void NoteRefusedOptionList(CVarnPrn* job) {
    if (!job || job->m_strOptionListMismatch.empty()) return;
    const std::string& warning = job->m_strOptionListMismatch;
    job->UpdateInfoMessage(false, warning);
    job->UpdateInfoMessage(true, warning + "; the job prints without cut marks and without cut");
}

bool ReportMissingCutData(CVarnPrn* job, const char* reason) {
    const std::string message = std::string("No cut data: ") + reason;
    if (IsReadableFile(kMissingCutDataWorkaround)) {  // a pipe under the name would block the job
        job->UpdateInfoMessage(true, message);
        return true;
    }
    job->SetErrorMessage(message);
    job->Log(0, "%s", message.c_str());
    return false;
}

}  // namespace printandcut
