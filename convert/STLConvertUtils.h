// The conversion of one STL file: header fields rewritten from the settings and the file
// name, the zero page dropped on request, hex substitutions in the subtitle text.
#pragma once

#include <functional>
#include <string>

#include "convert/ConvertOutcome.h"
#include "convert/STLConvertSettings.h"
#include "stl/STLUtils.h"

// True when the destination was written completely and, when moving is on, the source was
// moved. Refusals are reported through reportFunction (which may be empty).
bool ConvertSTLFile(const std::string& sourceFile, const TSTLConvertSettings& settings,
                    const std::string& destinationFile, const TReportFunction& reportFunction);
// The same conversion, reporting the same, with what became of it: the fault and its cause.
TConvertOutcome ConvertSTLFileWithOutcome(const std::string& sourceFile,
                                          const TSTLConvertSettings& settings,
                                          const std::string& destinationFile,
                                          const TReportFunction& reportFunction);

// One file of a Batch run or of a watch folder's pass: its operation-log line, then convert,
// and when that fails an Error naming the file. Returns what convert returned.
TConvertOutcome ConvertFileOfRun(const std::string& path, const TLogFunction& log,
                                 const TReportFunction& report,
                                 const std::function<TConvertOutcome()>& convert);
