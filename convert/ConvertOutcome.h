// What became of the conversion of one STL file, as data: the runs, the command line's hints
// and its summaries decide on the fault, never on the wording of a report.
#pragma once

#include <string>

enum class TConvertFault {
    None,
    NoDestinationFolder,       // traced only: no folder to name in a report
    SourceMissing,             // "Source STL file ... not found."
    QualityCheckRefused,       // "Quality check failed for ...: <errors>"
    DestinationIsSource,       // "Destination STL file is the source file ..."
    DestinationExists,         // "Duplicated destination STL file ..."
    CannotOverwrite,           // "Cannot overwrite destination STL file ...": the rename failed
    CannotOpenSource,          // "Cannot open source STL file ..."
    CannotReadHeader,          // "Cannot retrieve General Subtitle Information block"
    LanguageNotInFileName,     // "Cannot retrieve Language from file name"
    UnknownLanguageInFileName, // "Unknown Language code retreived from the file name ..."
    LanguageCheck,             // the language differs from the one in the GSI block
    TapeIDNotInFileName,       // "Cannot retrieve TapeID from file name"
    InvalidSettings,           // a frame rate or source value the conversion does not know
    CannotCreateDestination,   // "Cannot create destination STL file ..."
    CannotWriteDestination,    // the header or a block could not be written
    CannotReadSource,          // "Cannot retrieve Text And Timing Information block"
    CannotReplaceHex,          // "Cannot perform hex find and replace procedure"
    NoMoveFolder,              // traced only: moving is on without a folder
    CannotMoveSource,          // "Cannot move processed STL file"
    CannotDeleteSource,        // "Cannot delete old processed STL file"
    Unexpected,                // a failure only the trace tells
};

struct TConvertOutcome {
    TConvertFault Fault = TConvertFault::None;
    // The Error reported for the fault, empty when only the trace tells it.
    std::string Text;
    // What lies below it, where known: the reader's refusal ("not an EBU STL file") or the
    // system's error text ("No space left on device").
    std::string Cause;

    bool Succeeded() const { return Fault == TConvertFault::None; }
};
