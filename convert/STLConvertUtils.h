// The conversion of one STL file: header fields rewritten from the settings and the file
// name, the zero page dropped on request, hex substitutions in the subtitle text.
#pragma once

#include <string>

#include "convert/STLConvertSettings.h"
#include "stl/STLUtils.h"

// True when the destination was written completely and, when moving is on, the source was
// moved. Refusals are reported through reportFunction (which may be empty).
bool ConvertSTLFile(const std::string& sourceFile, const TSTLConvertSettings& settings,
                    const std::string& destinationFile, const TReportFunction& reportFunction);
