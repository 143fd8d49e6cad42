#include "drivers/picture_check.h"

#include "job/varn_prn.h"

bool PictureHasChannels(CVarnPrn* job, const char* where, const char* imageType, int32_t needed) {
    if (!job || job->LineComponents() >= needed) return true;
    job->SetErrorMessageF("%s: Image type %s needs %d channels per pixel, the job has %d", where, imageType,
                          int(needed), int(job->LineComponents()));
    job->Log(0, "%s: Image type %s needs %d channels per pixel, the job has %d", where, imageType, int(needed),
             int(job->LineComponents()));
    return false;
}
