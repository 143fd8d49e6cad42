// The CJV300 print-and-cut line (models 7018 to 7051): the JV300 job steps,
// plus a page that can pull white or silver back into layers of their own
// (spooled to temporary files and sent after the page's live layer, each
// behind its own page-init sequence), and print and cut: registration marks
// before and after the image, a feed reserve, and the cut data after the
// page end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cutting/cut_driver.h"
#include "cutting/cutmarks.h"
#include "drivers/jv300/jv300.h"
#include "services/spool_file.h"

class CJV300_Intern : public JV300_Intern {
public:
    // One pulled-back layer: its page-init sequence and its spool file.
    struct LayerTemp {
        Bytes m_strInitSequence;
        std::string m_strNamePrefix;  // of every spool file of the layer
        std::string m_strFileName;    // of the last one created or tried
        std::unique_ptr<SPOOL_FILE_TEMP> m_pSpoolFile;

        // The names are "<folder>/CJV300_Intern_Layer_<index + 1>_" followed
        // by "<process id>_<number>.wyx", in the job's RAM-disk (or temporary)
        // folder; without a folder, in the current directory.
        void SetFileName(const CVarnPrn* job, int index);
        // Opens a spool file of this job's own (deleted on close), trying
        // *number first (see SPOOL_FILE_TEMP::CreateOwn); throws
        // clSpoolFileResultImp "Creating <file name>: ..." when it cannot.
        void CreateSpoolFile(uint64_t* number);
    };

    explicit CJV300_Intern(CVarnPrn* job);
    ~CJV300_Intern() override;

    int32_t OpenPage(CVarnPrn* job) override;
    int32_t ClosePage(CVarnPrn* job) override;
    bool SupportsPulledBackPrint() const override { return true; }

    static CJV300_Intern* Of(const CVarnPrn* job);

    // The emitter's layers: "Layer 0" to the host, then "Layer 1" (and
    // "Layer 2") to the spool files of the pulled-back layers. Throws
    // clSpoolFileResultImp when a spool file cannot be created.
    void SetupLayerTargets();
    // Drops the emitter's layers and both spool files.
    void CloseLayerTemps();
    // Frees the page's cut object and mark generator and clears the print-and-cut flag.
    void ResetCutObjects();
    // The cut object's data, or nothing without one; thrown texts pass through.
    Bytes GetCutData();

    LayerTemp m_aLayerTemp[2];
    int32_t m_iPulledBackMode = 0;       // 0 none; 1, 2 or 3 by the white order
    int32_t m_iLastPulledBackLayer = 0;  // index of the last used layer record
    std::unique_ptr<CMimakiCut> m_pCut;
    std::unique_ptr<MimakiCutmarksGenerator> m_pCutmarks;
    uint8_t m_bPrintAndCut = 0;

private:
    // The page headers: A (cut flag, dry time), B (no cut flag) and C (no cut
    // flag, no dry time).
    struct Headers {
        Bytes a, b, c;
    };
    Headers BuildHeaders(CVarnPrn* job, const JV300_PageValues& v);
    void SetUpPulledBackMode(CVarnPrn* job);
    void AssignLayerPlanes(CVarnPrn* job, int32_t overPlottingMode);
    void BuildInitSequences(CVarnPrn* job, const Bytes& last, const Bytes& others);
    // Cut object and mark generator; false after reporting a thrown text.
    bool SetUpCut(CVarnPrn* job);
    // The pulled-back layers at page end; r stays as it is unless a write or
    // a playback fails. Returns the page-end result so far and extends the
    // description of the printed layers.
    int PlayBackLayers(CVarnPrn* job, int r, std::string& layers);
    // The feed reserve of cutting mode 6 ("QX", one "QD" byte), else nothing.
    Bytes FeedReserve(CVarnPrn* job);
    int SendCutRecords(CVarnPrn* job, int r);
};

// The mark generator's row output: one row of marks through the emitter's
// mark layer; the context is the job. 0, or -1 after reporting a failure.
int JV300_Print(void* context, const uint8_t* row, uint32_t size);

int CJV300_OpenJob(CVarnPrn* job);
int CJV300_OpenJobImpl(CVarnPrn* job, const char* name);
