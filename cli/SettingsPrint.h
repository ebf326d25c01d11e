// The settings as the command line prints them: values as "NAME = VALUE (meaning)" and the
// lists as the window's list views show them, a row per entry numbered from 1, cells
// separated by " | ", under a line of the view's column captions.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "session/ListViews.h"
#include "session/SettingsView.h"

// A list as its view shows it: the captions, then a row per entry.
void PrintListTable(std::ostream& out, const TListTable& table, const std::string& indent = "");

// Every value of part stored under key (main, batch, watch folder, watch-folder entry), with
// the defaults of the missing ones, as the window reads them.
void PrintStoredValues(std::ostream& out, uint32_t part, const std::string& key,
                       const TSettingsViewContext& context);
// "[title] HKEY_CURRENT_USER\<key>"
void PrintSectionTitle(std::ostream& out, const std::string& title, const std::string& key);
