#include "subcommand.h"

#include <QLatin1StringView>
#include <array>
#include <utility>

std::optional<Subcommand> subcommandNamed(const QString &word)
{
    static constexpr std::array<std::pair<QLatin1StringView, Subcommand>, 9> names{{
        {QLatin1StringView("identify"), Subcommand::Identify},
        {QLatin1StringView("program"), Subcommand::Program},
        {QLatin1StringView("read"), Subcommand::Read},
        {QLatin1StringView("verify"), Subcommand::Verify},
        {QLatin1StringView("station"), Subcommand::Station},
        {QLatin1StringView("pack"), Subcommand::Pack},
        {QLatin1StringView("info"), Subcommand::Info},
        {QLatin1StringView("ports"), Subcommand::Ports},
        {QLatin1StringView("render"), Subcommand::Render},
    }};
    for (const auto &[name, command] : names) {
        if (word == name)
            return command;
    }
    return std::nullopt;
}

bool takesFile(Subcommand command)
{
    switch (command) {
    case Subcommand::Program:
    case Subcommand::Read:
    case Subcommand::Verify:
    case Subcommand::Station:
    case Subcommand::Pack:
    case Subcommand::Info:
        return true;
    case Subcommand::Identify:
    case Subcommand::Ports:
    case Subcommand::Render:
        break;
    }
    return false;
}
