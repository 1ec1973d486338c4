#include "replyschedule.h"

#include <chrono>

namespace
{
constexpr qint64 NsPerMs = 1000000;
constexpr int BitsPerCharacter = 10; // start bit, 8 data bits, stop bit
} // namespace

ReplySchedule::ReplySchedule() = default;

qint64 ReplySchedule::now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ReplySchedule::setLineRate(int bitsPerSecond)
{
    m_lineRate = qMax(0, bitsPerSecond);
}

qint64 ReplySchedule::byteNs() const
{
    return m_lineRate > 0 ? BitsPerCharacter * 1000 * NsPerMs / m_lineRate : 0;
}

qint64 ReplySchedule::characterArrived(qint64 readNs)
{
    m_rxFreeNs = qMax(m_rxFreeNs, readNs) + byteNs();
    return m_rxFreeNs;
}

void ReplySchedule::add(const SimulatedDevice::Reply &reply, qint64 readyNs)
{
    if (reply.bytes.isEmpty() && !reply.dropLine)
        return;
    qint64 at = qMax(readyNs, m_txFreeNs) + reply.delayMs * NsPerMs;
    if (reply.dropLine) {
        m_queue.enqueue({at, {}, true});
        m_txFreeNs = at;
        return;
    }
    const qsizetype chunk = reply.chunkSize > 0 ? reply.chunkSize : reply.bytes.size();
    for (qsizetype offset = 0; offset < reply.bytes.size(); offset += chunk) {
        if (offset > 0)
            at += reply.chunkGapMs * NsPerMs;
        const QByteArray piece = reply.bytes.mid(offset, chunk);
        at += piece.size() * byteNs();
        m_queue.enqueue({at, piece});
    }
    m_txFreeNs = at;
}

QList<ReplySchedule::Transmission> ReplySchedule::takeDue()
{
    QList<Transmission> due;
    const qint64 nowNs = now();
    while (!m_queue.isEmpty() && m_queue.head().dueNs <= nowNs) {
        due.append(m_queue.dequeue());
        if (due.last().dropLine)
            break;
    }
    return due;
}

std::optional<qint64> ReplySchedule::nextDueNs() const
{
    if (m_queue.isEmpty())
        return std::nullopt;
    return m_queue.head().dueNs;
}

void ReplySchedule::clear()
{
    m_queue.clear();
    m_rxFreeNs = m_txFreeNs = 0;
}
