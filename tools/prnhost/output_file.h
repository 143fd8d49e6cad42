// prnhost's output files are the tools' (tools/common).
#pragma once

#include "../common/output_file.h"

namespace prnhost {
using toolfile::OutputFile;
}  // namespace prnhost
