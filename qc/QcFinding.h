// One finding of the quality check, as the check, its halves and its readers pass it on.
#pragma once

#include <string>

enum class TQcSeverity { Error, Warning };

struct TQcFinding {
    TQcSeverity Severity = TQcSeverity::Error;
    std::string Field; // the standard's abbreviation ("TCI", "CPN", ...) or "file"
    int Block = 0;     // the TTI block counted from 1; 0 for the GSI block and the file
    std::string Text;
};
