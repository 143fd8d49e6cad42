// A JFX job for the family tests: the ticket of a small job of the model,
// with extra ticket lines, and its layer spool files in a scratch folder.
#pragma once

#include <string>

#include "drivers/family_test_support.h"
#include "drivers/jfx/jfx.h"
#include "drivers/jfx/printer_type.h"
#include "support/scratch_folder.h"

namespace jfxtest {

// 600 x 600 dpi, 8 passes on the JFX200 CMYK model, 16 on its spot models,
// 4 on the JFX500; the first variable dot size of the line.
inline std::string JobTicket(int model, const std::string& extra = "") {
    const bool jfx500 = model >= 7085;
    const int quality = jfx500 ? 6060040 : (model == 7081 ? 6060080 : 6060160);
    return FamilyJobTicket(model, 600, 600, jfx500 ? 7 : 2, quality) + ExampleLinearisation() + extra;
}

class JfxTest : public FamilyTest {
protected:
    CVarnPrn& Open(int model, const std::string& extra = "") {
        writer = CapturingWriter();
        CVarnPrn& j = OpenTicket(JobTicket(model, extra));
        j.m_strTempFolder = scratch.Path();
        // The picture has the channels the job's colour set-up reads.
        clsPrinterType_JFX type;
        if (type.Initialize(&j) == 0 && FindLinearizeInput(type.m_pfnLinearize)) {
            j.m_iComponents = FindLinearizeInput(type.m_pfnLinearize)->bytes;
        }
        return j;
    }
    JFXIntern* Driver() const { return dynamic_cast<JFXIntern*>(job->m_pDriver.get()); }

    ScratchFolder scratch;
};

}  // namespace jfxtest
