#pragma once

#include <QString>

// Where a transfer stands: what it is doing and how many of its steps are done.
struct TransferProgress {
    // Reading first walks the directory (no progress counted), then the data.
    enum class Phase { Idle, Programming, ReadingDirectory, ReadingData };

    Phase phase = Phase::Idle;
    int done = 0;
    int total = 0;

    bool running() const { return phase != Phase::Idle; }
    // The status line while it runs: "Programming ...   42%", "Reading ..." while the directory
    // is read, "Reading ...   42%"; empty when idle.
    QString statusText() const;
    bool operator==(const TransferProgress &) const = default;
};
