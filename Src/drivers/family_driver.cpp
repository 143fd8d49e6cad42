#include "drivers/family_driver.h"

#include "job/varn_prn.h"

FamilyDriver* FamilyDriver::Of(const CVarnPrn* job) {
    return job ? dynamic_cast<FamilyDriver*>(job->m_pDriver.get()) : nullptr;
}

int InternPageHook0(CVarnPrn* job) {
    FamilyDriver* driver = FamilyDriver::Of(job);
    return driver ? driver->OpenPage(job) : -1;
}

int InternPageHook1(CVarnPrn* job) {
    FamilyDriver* driver = FamilyDriver::Of(job);
    if (!driver) return -1;
    return driver->secondHook() == FamilyDriver::SecondHook::OpenPage ? driver->OpenPage(job)
                                                                        : driver->ClosePage(job);
}

int InternPageHook2(CVarnPrn* job) {
    FamilyDriver* driver = FamilyDriver::Of(job);
    return driver ? driver->ClosePage(job) : -1;
}
