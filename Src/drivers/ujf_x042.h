// The UJF-x042 line: UV-curing flatbed printers (models 7052 to 7070) with
// white, clear and primer inks beside CMYK (or CMYKcm). Every ink goes into
// one of up to three layers (primer, main, glossy clear); each layer is held
// in a spool file during the page and played to the host at page end behind
// its own initialisation sequence and UV-curing command. A glossy clear layer
// is played twice: jetted without UV, then cured without ink.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_buffer.h"
#include "drivers/family_driver.h"
#include "drivers/mrl/mrl.h"
#include "drivers/output_color_modes.h"
#include "halftone/halftone.h"
#include "services/spool_file.h"
#include "services/spool_writer.h"

class CVarnPrn;
class UJFx042_Intern;

// One layer of the page: the planes it prints, its spool file and how it is played.
struct UJFx042Layer {
    ByteBuffer lineBuffer;                        // the current line's records for this layer
    ISPOOL_FILE_WRITER* activeWriter = nullptr;   // the spool file, or null
    bool hasData = false;                         // a non-empty plane went in on this page
    std::unique_ptr<SPOOL_FILE_TEMP> spoolFile;
    std::vector<uint32_t> PlanesToPrint;          // plane indices of the halftoned line
    bool PrintBackwards = false;                  // played in reverse record order
    bool IsClearGlossyCuring = false;             // clear ink cured glossy: played twice
};

// The printer's ink properties for a job.
class clsPrinterType {
public:
    bool m_bHasClearInk = false;
    bool m_bHasWhiteInk = false;
    bool m_bHasPrimerInk = false;
    int32_t m_CuringType = -1;       // 0 matte, 1 glossy, -1 not applicable
    int32_t m_WhitePrintOrder = -1;  // 0 colour on white, 1 white on colour, -1 not applicable
    int32_t m_NumOfChannels = 0;
    int32_t m_DbgOutColorMode = 0;
    int32_t m_ColorConfig = -1;      // 0 to 15, -1 none
    LinearizeFunction m_pfnLinearize = nullptr;  // null until a configuration is accepted

    // Fills the record from the job's model and ink settings: 0, or -1 when
    // the job asks for clear ink over white printed on colour (with the
    // information message "Printing Clear Ink over White-on-Color does not
    // make any sense"). An unknown configuration leaves the lineariser null.
    int32_t Initialize(CVarnPrn* job);
    // The colour codes and layers of the job into the driver object.
    void SetPrintingOrder(UJFx042_Intern* driver, CVarnPrn* job);
};

// The colour configuration of a model and output colour mode (4 is CMYK,
// anything else asks for the CMYKcm configuration where the model has one);
// -1 for a model outside the line.
int32_t UJFx042_ColorConfig(int32_t printerModel, int32_t outputColorMode);

// The layer list of a configuration, as SetPrintingOrder builds it.
struct UJFx042PrintingOrder {
    std::vector<uint32_t> colourCodes;  // per plane
    struct Layer {
        std::vector<uint32_t> planes;
        bool backwards = false;
        bool glossy = false;
    };
    std::vector<Layer> layers;  // primer, main, glossy clear, each only with planes
};
// whiteOn, clearOn, primerOn: the job's modes are not 3. curingType and
// whiteOrder as in clsPrinterType.
UJFx042PrintingOrder UJFx042_MakePrintingOrder(int32_t config, bool whiteOn, bool clearOn, bool primerOn,
                                               int32_t curingType, int32_t whiteOrder);

class UJFx042_Intern : public FamilyDriver {
public:
    explicit UJFx042_Intern(CVarnPrn* job);
    ~UJFx042_Intern() override;

    int32_t OpenPage(CVarnPrn* job) override;   // UJFx042_OpenPage
    int32_t ClosePage(CVarnPrn* job) override;  // the page end with the layer playback

    // Bits per pixel 2 for a variable dot size, else 1; the value stored.
    uint8_t SelectMode(bool variable);
    // Makes and initialises the printer type and the layer list; false when
    // the printer type cannot be set up.
    bool SetPrinterType(CVarnPrn* job);
    // "Q@", "QA", "QC", "QP", "PD": what precedes every layer.
    Bytes InitializationSequence(CVarnPrn* job) const;
    // "QV" from the job's UV-curing settings.
    Bytes MakeCuringSequence(CVarnPrn* job) const;
    // One spool file of this job's own per layer, named from the prefix
    // ("<prefix><process id>_<number>_0.tmp", "..._1.tmp", ...). 0, or the
    // code of the first layer whose file could not be made; that layer's path
    // goes to *failedPath. Every file is destroyed again when one fails.
    // failure: why the spool file that could not be made failed.
    uint32_t CreateTemp(const std::string& prefix, std::string* failedPath = nullptr,
                        std::string* failure = nullptr);
    // Destroys every layer's spool file.
    void DestroyTemp();

    std::vector<UJFx042Layer> m_vLayers;
    ByteBuffer m_Packing;  // PackBits scratch of the line writer
    uint8_t m_BitsPerPixel = 0;
    std::unique_ptr<clsPrinterType> m_pPrinterType;
    std::vector<uint32_t> m_vColorCodes;  // printer colour code per plane
    PFN_WRITEPRNDATA_WRAPPER m_HostWriter;
    bool m_bDeleteOnClose = true;
    CVarnPrn* m_pJob = nullptr;  // the job that owns the driver, for its log
};

// Job start: job header "QE", the print-mode and dot-size rows checked, the
// driver object and its halftoner set up. 0; -1 without a job; the writer's
// code when the header cannot be written; -2 for a row missing from the
// model's tables or a failed halftoner set-up (no hooks are left then).
// The output colour modes of the UJF-x042 colour configurations: CMYK, CMYKcm.
extern const OutputColorModes UJFx042_OutputColorModes;
int UJFx042_OpenJob(CVarnPrn* job);
// The halftoner set-up (planar error diffusion, routine 118); false on failure.
bool UJFx042_InitHalftone(UJFx042_Intern* driver, CVarnPrn* job);
// The variable-dot parameters of kind A for the bits per pixel and the job's dot size.
std::unique_ptr<PlanarChannelParameters> UJFx042_CreateVdsParams(int bitsPerPixel, CVarnPrn* job);

// Page start (the driver's first step): hooks, one spool file per layer and
// the empty page header. 0; -1 when a spool file cannot be made; minus the
// writer's code when the header cannot be written.
int UJFx042_OpenPage(UJFx042_Intern* driver, CVarnPrn* job);
// The print-line hook: the line's planes into their layers' spool files. 0,
// or -1 (with the error message) when a layer cannot take its records.
int UJFx042_WriteLine(CVarnPrn* job);
// The CloseJob hook: the close-job record, then the driver object is deleted.
int UJFx042_CloseJob(CVarnPrn* job);

// "PD" 4, a, b, c, d.
Bytes MRL_IV_PD(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
// "QV" 9 and the nine bytes.
Bytes MRL_IV_QV(const std::array<uint8_t, 9>& bytes);
