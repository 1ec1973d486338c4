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

namespace
{

template <typename Item>
void appendItems(QList<Item> &to, const QList<Item> &from, int pageBase, qsizetype offsetBase)
{
    for (Item item : from) {
        item.page += pageBase;
        item.offset += offsetBase;
        to.append(item);
    }
}

} // namespace

void PageModel::append(const PageModel &other, qsizetype offsetBase)
{
    const int pageBase = pageCount();
    appendItems(runs, other.runs, pageBase, offsetBase);
    appendItems(images, other.images, pageBase, offsetBase);
    appendItems(feeds, other.feeds, pageBase, offsetBase);
    appendItems(cuts, other.cuts, pageBase, offsetBase);
    appendItems(breaks, other.breaks, pageBase, offsetBase);
    appendItems(uninterpreted, other.uninterpreted, pageBase, offsetBase);
    pageHeights += other.pageHeights;
}
