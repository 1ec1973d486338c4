#pragma once

// Exit status of zvticket-cli.
enum ExitCode {
    ExitSuccess = 0,
    ExitDeviceFailure = 1, // time-out, refusal, unknown device, verify mismatch
    ExitUsage = 2,
    ExitFileError = 3,
    ExitDoesNotFit = 4,
    ExitInterrupted = 130,
};
