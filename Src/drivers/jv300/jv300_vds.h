// The variable-dot parameter sets of the JV300 and CJV300 lines: level-curve
// sets per dot size for the ordinary inks, one for silver, the dot sets of
// the ink types 525 and 531 ("SB53"), and the two-dot waveform of dot size 5
// at 1440 dpi across. The caller owns what the builders return.
#pragma once

#include <cstdint>
#include <memory>

#include "halftone/variable_dot.h"

class CVarnPrn;

std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_DotSize3();
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_DotSize4();
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_DotSize5();
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_DotSize6();
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_2Dots();  // silver

// Two bits per pixel: the curve set of the job's dot size (3 to 6); any other
// dot size prints with the dot-size-5 set and leaves "Unsupported DotSize : %d"
// in the job's error message. Other bit depths: a bare parameter object.
std::unique_ptr<PlanarChannelParameters> JV300_CreateVdsParams(int32_t bitsPerPixel, CVarnPrn* job);

// The "SB53" dot set of the job's dot size (3 to 6); any other dot size
// prints with "SB53 WF5" and leaves the same error message.
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_CreateVdsParamsSb53(CVarnPrn* job);

// The dot sets by dot size 3 to 6 (index 0 to 3), and the waveform record.
const VdsDotSetDescriptor& JV300_Sb53DotSet(int32_t dotSize);
const VdsWaveformRecord& JV300_Waveform5TwoDots();
