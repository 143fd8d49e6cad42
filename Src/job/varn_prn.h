// The job object: one per host job. It holds every job and printer setting
// read from the ticket, the host writer, the logger, the halftoner, the
// family's driver object and the family hooks, and it offers the message
// helpers through which every subsystem reports to the host.
#pragma once

#include <array>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/format.h"
#include "host/host_records.h"
#include "job/family_object.h"
#include "job/line_scaler.h"
#include "base/log_interface.h"
#include "services/spool_writer.h"
#include "job/visual_correction.h"

class CHalftone;
class CVarnPrn;
struct TicketListMismatch;

// Deletes the job's halftoner. The halftoner sits above the job object, so
// the job holds it through this deleter (defined with the halftoner) and
// never needs its definition; a pointer made with std::make_unique of the
// halftoner or of a class derived from it converts into a HalftonePtr.
struct HalftoneDeleter {
    HalftoneDeleter() = default;
    template <class T>
    HalftoneDeleter(std::default_delete<T>) {}
    void operator()(CHalftone* halftone) const noexcept;
};
using HalftonePtr = std::unique_ptr<CHalftone, HalftoneDeleter>;

// The host's write function and its context, kept for the life of the job.
using pfnWritePrnData = PFN_WRITEPRNDATA;
using WritePrnContext = void*;

// The element of "Process/InfoMessage" that tells the user the page lost
// part of the image to a medium smaller than the job.
inline constexpr const char* kImageCroppedInfo = "Image cropped by output device";

// A family hook: takes the job, a negative result is a failure.
typedef int (*JobHook)(CVarnPrn* job);

// Thrown by the settings reader when a check ends job creation outright (a
// head height the printer cannot take); the host's OpenJob reports -99.
class JobSettingsAbort : public std::exception {
public:
    explicit JobSettingsAbort(int code) : m_code(code) {}
    int Code() const { return m_code; }
    const char* what() const noexcept override { return "job settings refused"; }

private:
    int m_code;
};

// What OpenJob hands to the host and every later job call passes back.
struct JobContext {
    Ticket* ticket = nullptr;
    uint32_t jobId = 0;
    CVarnPrn* job = nullptr;
};

class IVarnPrn {
public:
    virtual ~IVarnPrn() = default;
};

class CVarnPrnBase : public IVarnPrn {
public:
    ~CVarnPrnBase() override = default;
};

class CVarnPrn : public CVarnPrnBase {
public:
    CVarnPrn(Ticket* ticket, uint32_t jobId, clLogFullInterface* logger);
    ~CVarnPrn() override;
    CVarnPrn(const CVarnPrn&) = delete;
    CVarnPrn& operator=(const CVarnPrn&) = delete;

    // Constructs the job and, with a ticket, reads every setting from it;
    // m_bTicketRead records a result of 0 or more. A JobSettingsAbort from the
    // reader passes to the caller (the job is then not created).
    static std::unique_ptr<CVarnPrn> Create(Ticket* ticket, uint32_t jobId, clLogFullInterface* logger);

    // ---- messages to the host (nothing without a ticket) ----
    void SetErrorMessage(const std::string& text);
    void SetErrorMessageF(const char* format, ...) KELMORA_PRINTF(2, 3);
    void SetErrorMessageFromResult(const clSpoolFileResult* result);
    void UpdateInfoMessage(bool add, const std::string& text);
    void UpdateInfoMessageF(bool add, const char* format, ...) KELMORA_PRINTF(3, 4);

    // ---- lists of the ticket ----
    // The list readers of host/ticket.h; a list with an element of another
    // type reads as missing (false, out untouched), and the key and the
    // element are named in the log and in "Process/InfoMessage".
    bool ReadTicketList(uint32_t scope, uint32_t id, const char* key, std::vector<int32_t>& out);
    bool ReadTicketList(uint32_t scope, uint32_t id, const char* key, std::vector<double>& out);
    bool ReadTicketList(uint32_t scope, uint32_t id, const char* key, std::vector<std::string>& out);
    // A list of this job (job scope, the job id).
    template <typename T>
    bool JobList(const char* key, std::vector<T>& out) {
        return ReadTicketList(TICKET_SCOPE_JOB, m_JobID, key, out);
    }

    // ---- logging through the job's logger (nothing without one) ----
    void Log(int level, const char* format, ...) KELMORA_PRINTF(3, 4);
    bool IsLogEnabled(int level) const;

    // ---- accessors and predicates ----
    Ticket* GetTicket() const { return m_pTicket; }
    uint32_t GetJobId() const { return m_JobID; }
    // Clears the vector; for models 102 and above fills it from the printer's
    // spot-colour list. Returns the count.
    int GetPrinterSpotColors(std::vector<std::string>& out) const;
    bool IsCmykwModel() const;
    // The paper-feed factor the printer is to apply ("QA", "MA"): 1.0 when
    // the job resamples its lines by the factor itself, so that the feed is
    // corrected once.
    double PrinterFeedAdjust() const { return m_bPaperFeedResample ? 1.0 : m_dPaperFeedAdjust; }
    int GetDefaultClearMode() const;
    bool JobHasPrinterSpotSeparation(const std::string& name);
    // The value of a printer option's default choice from the printer's
    // option lists; 0 when the lists do not give one.
    int GetPrinterOptionValue(int optionId);
    // Whether the printer's option-id list holds the option. A list refused
    // for an element of another type holds none; its warning is given once
    // and kept in m_strOptionListMismatch.
    bool OffersPrinterOption(int optionId);

    // ---- job cycle ----
    // Places the image, hands the job to the family that serves its printer
    // model and writes the open-job record. -1 no ticket, -2 settings not
    // read, lines too wide or model not served; else the family's result.
    int OpenJob(pfnWritePrnData write, WritePrnContext context);
    // False, with a message, when a line buffer of the job (the host's line
    // or band, or the halftoned planes of the widest placed line) would pass
    // 2^31 bytes; OpenJob then fails with -2 before any family starts.
    bool LineBuffersFit();
    // False, with a message naming the key and the value, when a setting that
    // takes one of a few values (the input colour mode) holds another; OpenJob
    // then fails with -2.
    bool EnumeratedSettingsValid();
    // False, with a message naming both counts, when the host's page-planar
    // bands (four planes, so four bytes a pixel) would be read as pixels of
    // another count; OpenJob then fails with -2.
    bool PlanarBandsFitPixels();
    // False, with a message naming the medium's size and margins, when the
    // printable area holds no printer line or no pixel across; OpenJob then
    // fails with -2.
    bool PageHoldsLines();
    // Page-link record, the family's OpenPage hook, the halftoner's page
    // start and the page's feed resampler. -2 when the hook is missing or fails.
    int OpenPage();
    // One host line (or band of page-planar lines). -1 null line, -2 no
    // planar buffer or a failed print hook, -3 no print hook, a negative
    // halftoner result unchanged; with feed resampling the resampler's result.
    int WriteLine(const uint8_t* line);
    // Flushes the resampler, runs the family's and the halftoner's page end.
    // The family's negative result when its page end failed, else 0 (a
    // failure of the halftoner's page end is logged and ignored).
    int ClosePage();
    // Ends the job in the halftoner and the family, writes the close-job
    // (unless the family ends the job itself) and end-of-file records.
    int CloseJob();
    // The line step for one input line: repeats it by the vertical scale,
    // crops, halftones and prints it.
    static int WriteScaledLine(const uint8_t* line, uint32_t size, CVarnPrn* job);
    // The cropped line of size bytes as the halftoner reads it (see m_vHalftoneLine).
    const uint8_t* HalftoneInputLine(const uint8_t* line, uint32_t size);
    // The same step as the feed resampler's output function.
    static int ScaledLineCallback(const uint8_t* line, uint32_t size, void* job);
    // The image's position on the page (m_iLeftMargin, m_iTopMargin).
    void InitImagePos();
    // Bytes per pixel of a host line: "Process/Components", or the input
    // colour mode's when the ticket gives none.
    int32_t LineComponents() const { return m_iComponents > 0 ? m_iComponents : m_iInputColorMode; }

    // ---- settings reader ----
    int ReadInfoFromTicket();
    void InitPluginFolder();
    void ReadIniSettings(const std::string& installFolder);
    bool ReadVisualCorrectionFile(VisualCorrectionTables& tables, const std::string& path);
    // The same from the file's bytes, already read; never throws.
    bool ReadVisualCorrectionText(VisualCorrectionTables& tables, const std::vector<char>& text,
                                  const std::string& path);
    void ClipPaperFeedAdjust();
    void SetupScaling();
    void InitMargins();
    bool ReadHalftoneSettings();
    void BuildSeparationIndex();
    void ReadChartInfo();
    void ReadMetaEplOptions();

    // ================= runtime fields (job cycle) =================
    Ticket* m_pTicket = nullptr;
    uint32_t m_JobID = 0;
    clLogFullInterface* m_pLogger = nullptr;  // the plug-in context's logger; not owned
    pfnWritePrnData m_pfnWritePrnData = nullptr;
    WritePrnContext m_pWritePrnContext = nullptr;
    // The family's driver object (or per-page line buffer): created by the
    // family, owned by the job.
    std::unique_ptr<FamilyObject> m_pDriver;
    HalftonePtr m_pHalftone;                     // created by the family, owned by the job
    const uint8_t* m_pCurrentLine = nullptr;     // the contone line the halftoner reads
    std::unique_ptr<uint8_t[]> m_pPlanarBuffer;  // one band of page-planar input
    // The line the halftoner reads: a copy of the visible part of the host's
    // (or the resampler's) line with zeroed slack after it, so neither the
    // converters' look-ahead nor a crop offset reads past the caller's line.
    std::vector<uint8_t> m_vHalftoneLine;
    JobHook m_pfnPrintLine = nullptr;
    JobHook m_pfnOpenPage = nullptr;
    JobHook m_pfnClosePage = nullptr;
    JobHook m_pfnCloseJob = nullptr;
    // When set, the job cycle does not write its own open-job record after
    // the family's OpenJob, or its own close-job record at CloseJob. Every
    // family OpenJob clears the first; some clear both.
    bool m_bSuppressOpenJobRecord = true;
    bool m_bSuppressCloseJobRecord = false;
    uint32_t m_iPageCount = 0;
    int32_t m_iScaleX = 1;
    int32_t m_iScaleY = 1;
    int32_t m_iTopMargin = 0;
    int32_t m_iLeftMargin = 0;
    int32_t m_iPageLine = 0;
    std::unique_ptr<LineScaler> m_pLineScaler;  // paper-feed resampler of the open page
    int32_t m_iLineCount = 0;
    int32_t m_iProgressPercent = 0;
    int32_t m_iLastReportedPercent = 0;
    int32_t m_LastReportClock = 0;
    int32_t m_CurrentClock = 0;
    uint32_t m_bJobOpen = 0;
    uint32_t m_bPageOpen = 0;
    uint32_t m_bAborted = 0;
    uint32_t m_iPrintProcessCounter = 0;
    uint32_t m_bTicketRead = 0;

    // Output line geometry, set by the family's halftone set-up and the
    // halftoner: halftoned planes per line, bytes per plane line, and the
    // halftoned line itself (owned by the halftoner).
    int32_t m_iOutChannels = 0;
    int32_t m_iBytesPerChannel = 0;
    uint8_t* m_pOutLine = nullptr;
    int32_t m_iHalftoneDebugLayout = 0;  // colour code of the debug images; 0 takes the output colour mode

    // ================= log level, folders, INI =================
    int32_t m_iLogLevel = 1;
    std::string m_strInstallFolder;
    std::string m_strApplicationFolder;
    std::string m_strTempFolder;
    std::string m_strRamDiskFolder;
    std::string m_strPrintFolder;
    std::string m_strPlugInFolder;
    uint32_t m_bWriteInputTiff = 0;
    uint32_t m_bWriteInputTiffSep = 0;
    uint32_t m_bWriteOutputTiff = 0;
    uint32_t m_bWriteOutputTiffSep = 0;
    int32_t m_iHalftoneThreadCount = -1;
    uint32_t m_bUseTimeForRandom = 0;
    uint32_t m_bAutoCleaning = 0;
    uint32_t m_bUseNewTIL = 0;

    // ================= printer identity =================
    int32_t m_iOemID = 0;
    int32_t m_iPrinterModell = -1;
    std::string m_strModelName;
    std::string m_strOutputColorModeName;
    int32_t m_iOutputColorMode = 6;
    std::set<std::string> m_setFilesToDelete;

    // ================= input colours, ink limits, linearisation =================
    int32_t m_iInputColorMode = 4;
    int32_t m_iInputFormat = 0;
    int32_t m_iInputNumOfLines = 1;
    int32_t m_iTotalInkLimit = 400;
    int32_t m_iInkLimitAll = 100;
    double m_dGamma = 1.0;
    std::array<int32_t, 7> m_aiInkLimitPerChannel{10000, 10000, 10000, 10000, 10000, 10000, 10000};
    std::string m_strMediaName;
    std::string m_strEplPath;
    // Why the linearisation file could not be used (the job's error message), or empty.
    std::string m_strLinearisationFault;
    std::unique_ptr<uint8_t[]> m_pEplRgbTable;  // 2^24 entries of three bytes, or null
    bool m_bEplRgbTableLoaded = false;

    // ================= visual correction =================
    std::string m_strVisualCorrectionPath;
    VisualCorrectionTables m_VisualCorrection;
    bool m_bVisualCorrectionLoaded = false;

    // ================= resolutions, offsets, output size =================
    double m_dResolutionX = 0.0;
    double m_dResolutionY = 0.0;
    int32_t m_iResolutionX = 0;
    int32_t m_iResolutionY = 0;
    double m_dRipResolutionX = 0.0;
    double m_dRipResolutionY = 0.0;
    int32_t m_iJobOffsetX = 0;
    int32_t m_iJobOffsetY = 0;
    int32_t m_iOffsetX = 0;
    int32_t m_iOffsetY = 0;
    int32_t m_iOutWidthPixel = 0;
    int32_t m_iOutHeightPixel = 0;
    double m_dPaperFeedAdjust = 1.0;
    double m_dFeedAdjustRequested = 1.0;
    uint32_t m_bPaperFeedResample = 0;

    // ================= margins, printable area, cropping =================
    int32_t m_iHwMarginTop = 0;
    int32_t m_iHwMarginBottom = 0;
    int32_t m_iHwMarginLeft = 0;
    int32_t m_iHwMarginRight = 0;
    double m_dMarginTop = 0.0;
    double m_dMarginBottom = 0.0;
    double m_dMarginLeft = 0.0;
    double m_dMarginRight = 0.0;
    int32_t m_iPrintableWidth = 0;
    int32_t m_iPrintableHeight = 0;
    int32_t m_iImageWidth = 0;
    int32_t m_iImageHeight = 0;
    int32_t m_iCropTop = 0;
    int32_t m_iCropBottom = 0;
    int32_t m_iCropRight = 0;
    int32_t m_iCropLeft = 0;  // in input (RIP) pixels
    uint32_t m_bCropping = 0;

    // ================= medium =================
    int32_t m_iMediaWidth = 0;   // tenths of a millimetre
    int32_t m_iMediaHeight = 0;  // tenths of a millimetre
    double m_dMediaThickness = 0.0;
    bool m_bMediaThicknessSet = false;  // the ticket served a thickness
    int32_t m_iMediaTypeID = 0;
    std::string m_strMediaTypeName;
    std::string m_strMediaTypeUniqueID;
    std::string m_strMediaTypeDonorID;
    int32_t m_iAdjustCmyPercent = 100;
    std::vector<int> m_vUserTypesTIL;
    std::string m_strJobAccountPJL;
    std::vector<double> m_vHeatersCelsius;  // -1.0 is the printer's own setting

    // ================= feeds and head height =================
    double m_dTopFeed = -1.0;
    double m_dBottomFeed = -1.0;
    double m_dHeadHeightMinMediaAlarm = -1.0;
    double m_dHeadHeightMin = 0.0;
    double m_dHeadHeightMax = 0.0;
    std::vector<double> m_vHeadHeightSteps;
    bool m_bUseHeadHeight = false;
    double m_dHeadHeight = 0.0;

    // ================= page settings and halftoning =================
    int32_t m_iMediaSizeID = 0;
    bool m_bCustomMediaSize = false;
    int32_t m_iPageToPrint = 0;
    int32_t m_iImagePosMode = 0;
    int32_t m_iHalftoneMode = 0;
    int32_t m_iHalftoneVersion = 1;
    std::string m_strScreeningFile;

    // ================= print options =================
    int32_t m_iDotSize = 0;
    int32_t m_iPrintQuality = 0;
    int32_t m_iPrintDirection = 1;
    int32_t m_iInkType = 0;
    int32_t m_iMediaSource = 9;
    int32_t m_iVerticalLine = 0;
    int32_t m_iCuttingMode = 0;
    int32_t m_iCuttingMethod = 0;
    int32_t m_iNoMargin = 0;
    int32_t m_iOutputUnit = 0;
    int32_t m_iVacuumPower = 0;

    // ================= finishing and copies =================
    int32_t m_iDryTime = 0;
    double m_dDryTimePerScan = 0.0;
    int32_t m_iDryerControl = 0;
    int32_t m_iDryEndOfPlot = 0;
    bool m_bLogicalSeek = false;
    bool m_bPatternPrinting = false;
    int32_t m_iPatternEdge = 0;
    int32_t m_iPatternScale = 0;
    bool m_bPulledBackPrint = false;
    int32_t m_iPrintSpeed = 10;
    int32_t m_iAutoCorrection = 0;
    int32_t m_iUsePrinterSettings = 0;
    int32_t m_iCopyCount = 1;
    int32_t m_iDuplexMode = 0;
    double m_dDuplexAlignX = 0.0;
    double m_dDuplexAlignY = 0.0;
    bool m_bPrintTagOperation = false;
    // The warning of the printer's option-id list refused for an element of
    // another type (then no option counts as offered); empty when it was read.
    std::string m_strOptionListMismatch;
    int32_t m_iMediaMismatchAction = 0;

    // ================= job identity =================
    std::string m_strJobName;
    std::string m_strUserName;
    uint32_t m_uJobAccountID = 0;
    std::string m_strRemoteEndpoint;
    std::string m_strServerName;

    // ================= output and office-printer options =================
    int32_t m_iSaveData = -1;
    int32_t m_iOutputMethod = -1;
    int32_t m_iCalibrationValue = -1;
    int32_t m_iAltMediaType = 0;
    bool m_bMediaCheckMPT = false;
    bool m_bMediaCheckOther = true;
    double m_dSizeReductionHorz = 100.0;
    double m_dSizeReductionVert = 100.0;
    int32_t m_iFinisherOffset = 0;
    int32_t m_iFinisherStaple = 0;
    int32_t m_iFinisherPunch = 0;
    int32_t m_iFinisherFold = 1;
    int32_t m_iColorSaver = 0;
    bool m_bUseTonerDarkness = false;
    std::string m_strTonerDarkness;
    int32_t m_iEnhanceFineLines = 0;
    int32_t m_iPageSizeMeasurementUnit = 0;

    // ================= white, clear, metallic, spot, primer, UV =================
    int32_t m_iWhitePasses = -1;
    int32_t m_iWhiteMode = -1;  // 3: no white
    int32_t m_iWhiteOrder = -1;
    int32_t m_iWhiteLevel = -1;
    int32_t m_iWhiteCwcLevelTop = 100;
    int32_t m_iWhiteCwcLevelBtm = 100;
    bool m_bWhiteCwcCombineEO = false;
    std::array<int32_t, 3> m_aiSpotLevel{100, 100, 100};
    std::array<double, 4> m_adWhiteColor{0.0, 0.0, 0.0, 0.0};
    int32_t m_iMetallicMode = -1;
    int32_t m_iMetallicOrder = -1;
    int32_t m_iMetallicLevel = -1;
    int32_t m_iClearMode = 0;  // 3: no clear
    int32_t m_iClearLevel = 100;
    int32_t m_iClearSurface = 0;
    int32_t m_iClearEmbossMode = 0;
    int32_t m_iClearEmbossMattePasses = 0;
    int32_t m_iPrimerMode = 3;  // 3: no primer
    int32_t m_iPrimerLevel = 100;
    int32_t m_iUvCuringUsePanel = 1;
    std::array<int32_t, 4> m_aiUvLampLevel{100, 100, 100, 100};
    int32_t m_iUvGlossyEffect = 0;
    double m_dSipLightnessTarget = 0.0;
    double m_dSipLightnessRef = 100.0;
    int32_t m_iSipSensitivity = 3;
    bool m_bSipCheckForNullCMYK = false;
    bool m_bMode10Layer = false;

    // ================= separations =================
    bool m_bPrintSeparations = false;
    bool m_bSeparationsBlack = false;
    std::vector<std::string> m_vSeparationNames;
    std::vector<int> m_vSeparationIndex;
    std::vector<int> m_vDotCreatorIDs;

    // ================= colour-loop control =================
    int32_t m_iClcJob = 0;
    int32_t m_iClcMediaID = -1;
    int32_t m_iClcNonincremental = 0;

    // ================= output names and port =================
    std::string m_strJobBaseName;
    std::string m_strOutputFilePath;
    int32_t m_iOutputCompression = 1;
    int32_t m_iPortType = 256;
    std::string m_strPortName;

    // ================= spot colours, components, control strips =================
    std::vector<std::string> m_vSpotColors;
    int32_t m_iSpotColorCount = 0;
    int32_t m_iComponents = 0;
    int32_t m_iWorkflowID = -1;
    std::vector<double> m_vControlstripX;
    std::vector<double> m_vControlstripY;
    std::string m_strOutputFolder;
    std::string m_strOutputBaseName;
    std::string m_strInputFilename;
    uint32_t m_bVerify = 0;
    std::vector<std::string> m_vChartDescriptions;

    // ================= last options and library-printer options =================
    int32_t m_iGlossyEnhancer = 0;
    int32_t m_iExtraPasses = 0;
    std::string m_strPrinterMeta;
    bool m_bSpecialInputSubType = false;
    int32_t m_iMetaFeedAfterPrint = 1;
    int32_t m_iMetaCarriageMovement = 1;
    int32_t m_iMetaBlower = 2;
    int32_t m_iMetaTensionCheck = 1;
    int32_t m_iMetaTension = 0;
    int32_t m_iMetaFeedSpeed = 1;
    int32_t m_iMetaJamDetection = 0;
    int32_t m_iMetaTopMargin = 0;
    int32_t m_iMetaBottomMargin = 0;
    int32_t m_iMetaSaveMedia = 0;
    int32_t m_iMetaMirror = 0;
    int32_t m_iHddDeleteData = 0;
    int32_t m_iHddPrintAndSave = 0;
    int32_t m_iHddInstalled = 0;
    int32_t m_iMetaFineMode = 0;
    int32_t m_iMetaDryTime = 0;

    // ================= device tag and corrections =================
    double m_dWhiteOpacitySim = 0.0;
    std::string m_strDeviceTag;
    int32_t m_iColorDensity = 0;
    double m_dHwCorrectionHorz = 0.0;
    double m_dHwCorrectionVert = 0.0;

private:
    // OpenJob's steps once the ticket is read.
    int OpenJobForFamily(pfnWritePrnData write, WritePrnContext context);
    // Writes a frame record without data to the host and logs its name.
    void WriteFrameRecord(uint32_t tag, const char* name);
    int LineStep(const uint8_t* line, uint32_t size);
    int WritePlanarBand(const uint8_t* line);
    void SetProgressFromLine(int32_t line);

    // The body of ReadInfoFromTicket: its steps, in their order.
    int ReadSettingsInOrder();
    void ReadFoldersAndIni();
    int ReadPrinterIdentity();
    void ReadFilesToDelete();
    int CheckLinearisationPrinter();
    void ReadInputColorsAndInkLimits();
    int ReadMediaNameAndLinearisation();
    void ReadVisualCorrectionSettings();
    bool ParseVisualCorrection(VisualCorrectionTables& tables, const std::vector<char>& text, const std::string& path);
    void ReadResolutions();
    int ReadOutputGeometry();
    void ApplyFooterRules();
    void ReadPaperFeedAndGeometry();
    int CheckCrop();
    int ReadMediaSize();
    int CheckResolutions();
    int CheckMediumFitsResolutions();
    int CheckScaleFitsThePage();
    // Logs the message as fatal, puts it in "Output/ErrorMessage" and gives the code.
    int RefuseSetting(int code, const std::string& message);
    void ReadMediaHandling();
    int ReadHeadHeight();
    void ReadPageSettings();
    void ReadPrintOptions();
    void ReadFinishingOptions();
    void ReadJobIdentity();
    void ReadOfficeOptions();
    void ReadSpecialInks();
    void ReadClcSettings();
    void ReadOutputNames();
    void ReadSpotColorsAndStrips();
    void ReadLastOptions();
    void ReadDeviceTag();

    // Ticket reads of this job (job scope with the job id unless named).
    // A key held under another type counts as missing, with a warning in the
    // log and in "Process/InfoMessage".
    int JobInt(const char* key, int def);
    bool JobBool(const char* key, bool def);
    double JobDouble(const char* key, double def);
    std::string JobString(const char* key, const std::string& def = std::string());
    int SystemInt(const char* key, int def);
    std::string SystemString(const char* key);
    void ReportTypeMismatch(uint32_t scope, uint32_t id, const char* key, uint32_t expected);
    // The warning of a list read as missing for an element of another type
    // (none when the reader met no such element); its text, or empty.
    std::string ReportListMismatch(const char* key, const TicketListMismatch& mismatch, uint32_t expected);
    // Drops every copy of text from the job's string list key, appends it
    // once (when add) and writes the list back.
    void ReplaceListMessage(const char* key, const std::string& text);
};
