#include "progresscounter.h"

void ProgressCounter::advance(int step, int limit)
{
    if (qint64(m_value) + limit <= m_maximum)
        m_value += step;
    else
        m_value = m_maximum;
}

int ProgressCounter::percentage() const
{
    return percentage(m_value, m_maximum);
}

int ProgressCounter::percentage(qint64 value, qint64 maximum)
{
    if (maximum <= 0)
        return 0;
    const qint64 scaled = value * 100;
    qint64 quotient = scaled / maximum;
    const qint64 twiceRest = 2 * (scaled % maximum);
    if (twiceRest > maximum || (twiceRest == maximum && quotient % 2 != 0))
        ++quotient;
    return int(quotient);
}
