#pragma once

#include <QString>

// The progress of a transfer: a value that advances in steps up to a maximum without passing it,
// and its percentage rounded half to even.
class ProgressCounter
{
public:
    explicit ProgressCounter(int maximum = 0) : m_maximum(maximum) {}

    int value() const { return m_value; }
    int maximum() const { return m_maximum; }

    // Adds step while value + limit does not pass the maximum, else sets the maximum. The usual
    // rule has limit == step; reading the Velmar layout tests 8 ahead but adds only 4.
    void advance(int step, int limit);
    void advance(int step) { advance(step, step); }

    int percentage() const;
    static int percentage(qint64 value, qint64 maximum);

private:
    int m_maximum;
    int m_value = 0;
};
