// The access keys of the window's buttons: the letter after "&" in a caption, pressed with Alt.
// They are kept in one table so that each can be seen to be unique among the buttons shown
// at once: one page with the log and message panes under it.
#pragma once

class QWidget;

// Captions that follow a run's state.
inline constexpr const char* kConvertCaption = "&Convert";
inline constexpr const char* kCancelCaption = "Ca&ncel";
inline constexpr const char* kArmCaption = "Ar&m";
inline constexpr const char* kDisarmCaption = "Disar&m";
inline constexpr const char* kCheckCaption = "&Check";
inline constexpr const char* kStopCaption = "S&top";

// Gives each captioned button of the window its access key. A caption whose visible text is
// not the one expected here is left alone.
void SetWindowAccessKeys(QWidget* window);
