#include "app/consolecommands.h"

#include <vector>

namespace nuvo {

std::span<const ConsoleCommand> consoleCommands() {
    // A new command is one entry: {name, argument names, fewest and most arguments,
    // description, function returning the exit status}.
    static const std::vector<ConsoleCommand> commands{};
    return commands;
}

}  // namespace nuvo
