#pragma once

#include <QString>
#include <optional>

// The command line's subcommands, each named by the first word after the options.
enum class Subcommand { Identify, Program, Read, Verify, Station, Pack, Info, Ports, Render };

// The subcommand a word names, spelt exactly; none for any other word.
std::optional<Subcommand> subcommandNamed(const QString &word);
// Whether the subcommand takes one FILE.dat after its name.
bool takesFile(Subcommand command);
