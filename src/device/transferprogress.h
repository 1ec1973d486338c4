#pragma once

// Where a transfer stands: what it is doing and how many of its steps are done.
struct TransferProgress {
    // Reading first walks the directory (no progress counted), then the data.
    enum class Phase { Idle, Programming, ReadingDirectory, ReadingData };

    Phase phase = Phase::Idle;
    int done = 0;
    int total = 0;

    bool running() const { return phase != Phase::Idle; }
    bool operator==(const TransferProgress &) const = default;
};
