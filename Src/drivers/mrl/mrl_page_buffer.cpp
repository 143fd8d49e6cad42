#include "drivers/mrl/mrl_page_buffer.h"

MrlPageBuffer* MrlPageBuffer::Of(const CVarnPrn* job) {
    return job ? dynamic_cast<MrlPageBuffer*>(job->m_pDriver.get()) : nullptr;
}

MrlPageBuffer* MrlPageBuffer::Attach(CVarnPrn* job) {
    auto page = std::make_unique<MrlPageBuffer>();
    MrlPageBuffer* held = page.get();
    job->m_pDriver = std::move(page);
    return held;
}

std::unique_ptr<MrlPageBuffer> MrlPageBuffer::Detach(CVarnPrn* job) {
    if (!job) return nullptr;
    std::unique_ptr<MrlPageBuffer> page;
    if (MrlPageBuffer* held = Of(job)) {
        job->m_pDriver.release();
        page.reset(held);
    }
    job->m_pDriver.reset();
    return page;
}
