#include "pagemodel.h"

#include <QSet>

qsizetype PageModel::unknownCount() const
{
    return std::count_if(uninterpreted.cbegin(), uninterpreted.cend(), [](const auto &item) {
        return item.kind == SkipKind::Unknown || item.kind == SkipKind::Truncated;
    });
}

int PageModel::linesBeyondEdge() const
{
    QSet<QPair<int, qreal>> lines;
    for (const TextRun &run : runs) {
        if (run.beyondEdge)
            lines.insert({run.page, run.position.y() + run.height});
    }
    return int(lines.size());
}
