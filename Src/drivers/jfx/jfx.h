// The JFX200 (models 7081 to 7084) and JFX500 (7085 to 7091) UV flatbeds.
// They lay a page down in printing layers (primer, colour, second colour,
// varnish): each layer's raster lines go to a spool file of its own, and at
// page end every layer is played back to the host in order, behind its
// initialisation sequence, last-layer flag, direction and curing commands.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_buffer.h"
#include "drivers/family_driver.h"
#include "drivers/jfx/printer_type.h"
#include "drivers/mrl/mrl.h"
#include "drivers/output_color_modes.h"
#include "services/spool_file.h"
#include "services/spool_writer.h"

class CVarnPrn;

// One printing layer.
struct JFXLayer {
    ByteBuffer line;                          // the commands of the current raster line
    ISPOOL_FILE_WRITER* writer = nullptr;     // the open spool file, or null
    bool hasData = false;                     // a plane of the layer carried data on this page
    std::unique_ptr<SPOOL_FILE_TEMP> spool;
    std::vector<int32_t> PlanesToPrint;       // plane indices
    bool PrintBackwards = false;              // played back last line first
    int32_t CuringType = 0;                   // selects the curing sequence
    int32_t EmbossingLayerCount = 0;          // 0, or 2 and more plays of a clear layer
};

class JFXIntern : public FamilyDriver {
public:
    explicit JFXIntern(CVarnPrn* job);
    ~JFXIntern() override;

    int32_t OpenPage(CVarnPrn* job) override;  // JFX_OpenPage
    // Plays every layer with data back to the host in order, then the page
    // end: 0, or the first failure's spool result (no layer and no page end
    // follow it; the user is told).
    int32_t ClosePage(CVarnPrn* job) override;
    // Bits per pixel of the raster records: 2 for variable dots, else 1.
    virtual uint8_t SelectMode(bool variableDot);
    // Builds the printing layers from the printer type.
    virtual void SetPrintingOrder(CVarnPrn* job) = 0;
    // The "QV" commands of a curing type.
    virtual Bytes MakeCuringSequence(int32_t curingType) const = 0;

    // "Q@", "QA", "QC" and "QP" of a layer; empty for a model that is no JFX
    // or a print mode missing from its table.
    Bytes InitializationSequence(CVarnPrn* job) const;
    // Opens a spool file of this job's own for every layer, named from the
    // prefix ("<prefix><process id>_<number>_<layer>.tmp"); 0, or the first
    // failure's code with *failedPath set.
    uint32_t CreateTemp(CVarnPrn* job, const std::string& prefix, std::string* failedPath = nullptr);
    // Closes and deletes every layer's spool file.
    void ResetLayerSpools();
    // Why the first of the layer spool files that failed did (empty: none did).
    std::string SpoolFailure() const;
    // The start of the spool files' names in the temporary folder:
    // "Mimaki_JFX_", behind a "/" when the folder is not empty and lacks one.
    static std::string SpoolNamePrefix(const std::string& tempFolder);
    // Creates and initialises the printer type and builds the layers; false
    // when the printer type cannot be set up.
    bool SetPrinterType(CVarnPrn* job);
    // The plane codes of the printer type's configuration.
    void InitPlaneMasks();

    std::vector<JFXLayer> m_vLayers;
    ByteBuffer m_Packing;
    uint8_t m_BitsPerPixel = 0;
    std::unique_ptr<clsPrinterType_JFX> m_pPrinterType;
    std::vector<uint32_t> m_vPlaneCodes;
    PFN_WRITEPRNDATA_WRAPPER m_HostWriter;
    bool m_bDeleteOnClose = true;

protected:
    // Texts of one way of playing a layer back; each has one %d for the layer.
    struct PlayTexts {
        const char* start;    // null: none
        const char* failure;  // with a %s for the result text
        const char* success;
    };
    // One layer playback: the layer record (separator, initialisation
    // sequence, "PI", "QT", curing) and the layer's spool file. 0 or the
    // first failure's code; the separator becomes "QE".
    uint32_t PlayLayer(CVarnPrn* job, size_t index, Bytes& separator, bool lastLayer, bool backwards,
                       int32_t curingType, const PlayTexts& texts);
    // The layer played last: the last one with data and a spool file; -1 for none.
    int32_t LastLayerWithData() const;
    // The playback steps of one layer with data: 0 or the first failure.
    virtual uint32_t PlayBackLayer(CVarnPrn* job, size_t index, bool lastLayer, Bytes& separator) = 0;
    // The page end after the playbacks: "QE" when all went well, else the
    // first failure for the user; the spool files go in every case.
    int32_t FinishPage(CVarnPrn* job, uint32_t result);
    // The plane lists of the four layers from the layer mapper of the printer
    // type's configuration; empties the layers and sets the plane codes.
    struct PlaneLists {
        std::vector<int32_t> primer, main, second, varnish;
    };
    PlaneLists MapPlanes(CVarnPrn* job, bool varnish, bool clearInColor);
    // Appends a layer for a non-empty plane list.
    JFXLayer* AddLayer(const std::vector<int32_t>& planes);
    void LogLayers(CVarnPrn* job) const;
};

class JFX200Intern : public JFXIntern {
public:
    using JFXIntern::JFXIntern;
    void SetPrintingOrder(CVarnPrn* job) override;
    Bytes MakeCuringSequence(int32_t curingType) const override;

protected:
    uint32_t PlayBackLayer(CVarnPrn* job, size_t index, bool lastLayer, Bytes& separator) override;
};

class JFX500Intern : public JFXIntern {
public:
    using JFXIntern::JFXIntern;
    void SetPrintingOrder(CVarnPrn* job) override;
    Bytes MakeCuringSequence(int32_t curingType) const override;

protected:
    uint32_t PlayBackLayer(CVarnPrn* job, size_t index, bool lastLayer, Bytes& separator) override;
};

// Job start: 0, -1 without a job, the job-header write's code, or -2 for a
// print mode or dot size missing from the model's tables or a failed
// halftoner set-up.
// The output colour modes of the JFX models' configurations: CMYK, CMYKcm.
extern const OutputColorModes JFX_OutputColorModes;
int JFX200_OpenJob(CVarnPrn* job);
int JFX500_OpenJob(CVarnPrn* job);
int JFX200_OpenJobImpl(CVarnPrn* job, const char* name);
int JFX500_OpenJobImpl(CVarnPrn* job, const char* name);

// The halftoner set-up: printer type, layers, planar halftoner; false on failure.
bool JFX_InitHalftone(JFXIntern* driver, CVarnPrn* job);

// Page open: spool files and the page header. 0, or -1 when a spool file
// cannot be created or the page header cannot be written.
int JFX_OpenPage(JFXIntern* driver, CVarnPrn* job);
// Line hook: each layer's planes to its spool file. 0, or -1 (a layer
// without spool file, a failed write, no driver).
int JFX_WriteLine(CVarnPrn* job);
// Job end hook: the close-job record, and the driver object goes.
int JFX_CloseJob(CVarnPrn* job);
