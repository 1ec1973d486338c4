#include "progresscounter.h"
#include "transferprogress.h"

#include <QtTest>

// The progress percentage and the status line built from it.
class TestProgressCounter : public QObject
{
    Q_OBJECT
private slots:
    void percentageRoundsHalfToEven()
    {
        QCOMPARE(ProgressCounter::percentage(1, 8), 12);    // 12.5 to the even neighbour
        QCOMPARE(ProgressCounter::percentage(27, 200), 14); // 13.5
        QCOMPARE(ProgressCounter::percentage(8, 19), 42);
        QCOMPARE(ProgressCounter::percentage(0, 0), 0);
    }
    void advanceNeverPassesTheMaximum()
    {
        ProgressCounter counter(10);
        counter.advance(4, 8);
        counter.advance(4, 8); // 4 + 8 > 10: jumps to the end
        QCOMPARE(counter.value(), 10);
        const TransferProgress reading{TransferProgress::Phase::ReadingData, 1, 8};
        QCOMPARE(reading.statusText(), QStringLiteral("Reading ...   12%"));
    }
};

QTEST_GUILESS_MAIN(TestProgressCounter)
#include "tst_progresscounter.moc"
