#include "drivers/mrl/mrl_page_buffer.h"

#include "job/varn_prn.h"

MrlPageBuffer* MrlPageBuffer::Of(const CVarnPrn* job) {
    return job ? dynamic_cast<MrlPageBuffer*>(job->m_pDriver.get()) : nullptr;
}

MrlPageBuffer* MrlPageBuffer::Attach(CVarnPrn* job) {
    Detach(job);
    auto page = std::make_unique<MrlPageBuffer>();
    MrlPageBuffer* held = page.get();
    job->m_pDriver = std::move(page);
    return held;
}

std::unique_ptr<MrlPageBuffer> MrlPageBuffer::Detach(CVarnPrn* job) {
    MrlPageBuffer* page = Of(job);
    if (!page) return nullptr;
    job->m_pDriver.release();
    return std::unique_ptr<MrlPageBuffer>(page);
}
