#pragma once

#include "app/commandline.h"

#include <span>

namespace nuvo {

// The commands `nuvo` runs on the console instead of opening its window, in the order the
// usage text lists them. Each runs after the options are read, in a console application
// (Qt Core, no display), with the settings and data folder resolved.
std::span<const ConsoleCommand> consoleCommands();

}  // namespace nuvo
