#include "drivers/picture_check.h"

#include "base/format.h"
#include "halftone/channel_set.h"
#include "job/varn_prn.h"

namespace {

const char* ColorModeName(int32_t mode) {
    const char* name = InputColorModeName(mode);
    return name ? name : "unknown";
}

bool Refuse(CVarnPrn* job, const std::string& message) {
    job->SetErrorMessage(message);
    job->Log(0, "%s", message.c_str());
    return false;
}

}  // namespace

bool PictureHasChannels(CVarnPrn* job, const char* where, const char* imageType, const PixelInput* input) {
    if (!job) return true;
    if (!input) return Refuse(job, StringF("%s: Image type %s has no colour set-up", where, imageType));
    return PictureHasChannels(job, where, imageType, *input);
}

bool PictureHasChannels(CVarnPrn* job, const char* where, const char* imageType, PixelInput input) {
    if (!job) return true;
    const int32_t mode = job->m_iInputColorMode;
    if (mode != input.colorMode) {
        return Refuse(job, StringF("%s: Image type %s reads %s pixels (input colour mode %d), the job's input colour "
                                   "mode is %d (%s)",
                                   where, imageType, ColorModeName(input.colorMode), int(input.colorMode), int(mode),
                                   ColorModeName(mode)));
    }
    const int32_t carried = job->LineComponents();
    if (carried < input.bytes) {
        return Refuse(job, StringF("%s: Image type %s needs %d channels per pixel, the job has %d", where, imageType,
                                   int(input.bytes), int(carried)));
    }
    if (carried == input.bytes || input.stepsByHostPixel) return true;
    return Refuse(job, StringF("%s: Image type %s reads %d channels per pixel, the job has %d", where, imageType,
                               int(input.bytes), int(carried)));
}
