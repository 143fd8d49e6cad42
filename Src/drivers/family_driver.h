// The driver object of the families that keep one: its page steps, and the
// job hooks that reach them. A family stores its driver in the job's family
// object and installs the hooks as its OpenPage and ClosePage; each hook
// gives -1 when the job holds no driver object.
#pragma once

#include <cstdint>

#include "job/family_object.h"

class CVarnPrn;

class FamilyDriver : public FamilyObject {
public:
    // What InternPageHook1 runs: the families differ in which step they
    // reach through it.
    enum class SecondHook { OpenPage, ClosePage };

    explicit FamilyDriver(SecondHook second) : m_secondHook(second) {}

    virtual int32_t OpenPage(CVarnPrn* job) = 0;
    virtual int32_t ClosePage(CVarnPrn* job) = 0;

    // The driver object the job holds, or null.
    static FamilyDriver* Of(const CVarnPrn* job);
    SecondHook secondHook() const { return m_secondHook; }

private:
    SecondHook m_secondHook;
};

int InternPageHook0(CVarnPrn* job);  // OpenPage
int InternPageHook1(CVarnPrn* job);  // the step the driver names as its second hook
int InternPageHook2(CVarnPrn* job);  // ClosePage
