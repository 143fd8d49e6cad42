#include "drivers/mrl/mrl_page_buffer.h"

#include "job/varn_prn.h"

MrlPageBuffer* MrlPageBuffer::Of(const CVarnPrn* job) {
    return job ? static_cast<MrlPageBuffer*>(job->m_pDriver) : nullptr;
}

MrlPageBuffer* MrlPageBuffer::Attach(CVarnPrn* job) {
    Detach(job);
    auto page = std::make_unique<MrlPageBuffer>();
    job->m_pDriver = page.get();
    return page.release();
}

std::unique_ptr<MrlPageBuffer> MrlPageBuffer::Detach(CVarnPrn* job) {
    std::unique_ptr<MrlPageBuffer> page(Of(job));
    if (job) job->m_pDriver = nullptr;
    return page;
}
