// The CJV30 print-and-cut line (models 703 to 717): printing as on the JV33
// line, plus a cut object per page, registration-mark rows before and after
// the image, an optional extra feed, and the print-tag records that carry the
// page set-up and the contour-cut data to the host. It lives beside the cut
// code because it uses both the JV33 line and the cut object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cutting/cut_driver.h"
#include "cutting/cutmarks.h"
#include "drivers/mrl/mrl_page_buffer.h"

class CVarnPrn;

// The page object of the line, held by the job from OpenPage to ClosePage.
struct CJV30PageHelper : MrlPageBuffer {
    ~CJV30PageHelper() override;

    std::unique_ptr<CMimakiCut> m_pCut;                      // null: the page cuts nothing
    std::string m_strCutSetUpError;                          // why the page open made no cut object
    std::unique_ptr<MimakiCutmarksGenerator> m_pGenerator;  // null: the device reads no marks
    int32_t m_iMargin = 0;                                   // pixels the image rows move right
    uint8_t m_bPrintTag = 0;                                 // the job's print-tag flag at page open

    static CJV30PageHelper* Of(const CVarnPrn* job);
};

// Job start as on the JV33 line: 0, -1 without a job, -2 when the halftoner
// set-up fails, else the writer's failure code.
int CJV30_OpenJob(CVarnPrn* job);
int CJV30_InitHalftone(CVarnPrn* job, int32_t dotMode);

// Page hooks: 0, -1 (no page object, marks or cut data failed), or minus the
// writer's code.
int CJV30_OpenPage(CVarnPrn* job);
int CJV30_WriteLine(CVarnPrn* job);
int CJV30_ClosePage(CVarnPrn* job);

// The mark generator's row callback; the context is the job. 0, or non-zero
// when the row could not be written.
int CJV30_PrintCutmarksLine(void* context, const uint8_t* row, uint32_t size);

// The page's cut data, or nothing without a cut object; a text thrown by the
// cut driver passes through.
Bytes CJV30_GetCutData(CJV30PageHelper& page);
