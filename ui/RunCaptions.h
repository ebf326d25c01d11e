// The captions of the buttons that start and end a run, as the run's state sets them.
#pragma once

inline constexpr const char* kConvertCaption = "&Convert";
inline constexpr const char* kCancelCaption = "Ca&ncel";
inline constexpr const char* kArmCaption = "Ar&m";
inline constexpr const char* kDisarmCaption = "Disar&m";
inline constexpr const char* kCheckCaption = "&Check";
inline constexpr const char* kStopCaption = "S&top";
