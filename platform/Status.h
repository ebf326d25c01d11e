// Status values returned by the routines that return a status rather than a Boolean.
#pragma once

#include <cstdint>

using TStatus = uint32_t;

constexpr TStatus STATUS_OK = 0;
constexpr TStatus STATUS_FAIL = 0x80004005u;       // the generic failure
constexpr TStatus STATUS_INVALIDARG = 0x80070057u; // a null block handed to the writer
