#include "displayadaptation.h"
#include "twips.h"

#include <QTest>

using Kind = ControlRecord::Kind;

namespace
{

constexpr double DefaultFont = 8.25;
const WorkArea Reference{0, 0, 15360, 11100};  // 1024 x 740 pixels
const WorkArea Larger{0, 0, 19200, 14910};     // 1280 x 994 pixels
constexpr double Vertical = 14910.0 / 11100.0; // 1.343243...

ControlRecord control(Kind kind, const char *name, int index, double left, double top, double width,
                      double height, const char *caption = "", const char *tag = "")
{
    const QString text = QLatin1String(caption), widthTag = QLatin1String(tag);
    return {kind, QLatin1String(name), index, left, top, width, height, text, widthTag, 8.0};
}

// A reduced main window at its reference size; fonts start at 8 points so that the default
// size of 8.25 is visibly applied.
QList<ControlRecord> window()
{
    QList<ControlRecord> c{
        control(Kind::Frame, "fraPrint", 0, 480, 3240, 5775, 2775, "PRINT TICKET"),
        control(Kind::ProgressBar, "ProgressBar1", 0, 240, 1200, 4000, 255),
        control(Kind::StatusBar, "statusBar", 0, 0, 10320, 15360, 375),
        control(Kind::Other, "ToolbarStart", 0, 0, 0, 15360, 630),
        control(Kind::Label, "lblEtSR", 0, 240, 360, 1500, 200, "Space Required "),
        control(Kind::Label, "lblSpaceR", 0, 3000, 360, 900, 200, "0", "7"),
        control(Kind::Label, "lblEtSRB", 0, 4500, 375, 600, 200, "Bytes"),
        control(Kind::Label, "lblEtSA", 0, 240, 840, 1500, 200, "Space Available"),
        control(Kind::Label, "lblSpaceA", 0, 3000, 840, 900, 200, "", "7"),
        control(Kind::Label, "lblEtSAB", 0, 4500, 855, 600, 200, "Bytes"),
        control(Kind::Label, "lblEtStatus", 0, 120, 1440, 900, 200, "Status : "),
    };
    for (int i = 1; i <= 4; ++i)
        c << control(Kind::Label, "lblStatus", i, 1200, 240 * i, 900, 200, "",
                     i == 4 ? "23" : "10");
    for (int i = 1; i <= 6; ++i) {
        c << control(Kind::CommandButton, "cmdAdd", i, 1200, 360, 975, 375, "Add")
          << control(Kind::Label, "lblEtF", i, 1440, 240 * i, 500, 200, "FILE")
          << control(Kind::Label, "lblFile", i, 0, 0, 100, 200, "", "19")
          << control(Kind::Label, "lblEtB", i, 3600, 240 * i + 30, 500, 200, "BYTES")
          << control(Kind::Label, "lblBytes", i, 0, 0, 100, 200, "0", "5");
    }
    return c;
}

const ControlRecord &find(const QList<ControlRecord> &controls, const QString &name, int index)
{
    for (const ControlRecord &c : controls) {
        if (c.name == name && c.index == index)
            return c;
    }
    qFatal("no control %s(%d)", qPrintable(name), index);
}

} // namespace

class TestDisplayAdaptation : public QObject
{
    Q_OBJECT
private slots:
    void factors_data()
    {
        QTest::addColumn<WorkArea>("area");
        QTest::addColumn<double>("horizontal");
        QTest::addColumn<double>("vertical");
        QTest::addColumn<QSize>("reference"); // the new one: the area's size, rounded
        QTest::newRow("1024x740") << Reference << 1.0 << 1.0 << QSize(15360, 11100);
        QTest::newRow("1280x994") << Larger << 1.25 << Vertical << QSize(19200, 14910);
        // Beyond 32767 twips the reference no longer fits a 16-bit integer.
        QTest::newRow("beyond 16 bits")
            << WorkArea{0, 0, 57600, 33000} << 3.75 << 33000.0 / 11100 << QSize(57600, 33000);
        QTest::newRow("halves to even") << WorkArea{0, 0, 15360.5, 11101.5} << 15360.5 / 15360
                                        << 11101.5 / 11100 << QSize(15360, 11102);
    }
    void factors()
    {
        QFETCH(WorkArea, area);
        DisplayAdaptation adaptation;
        QList<ControlRecord> controls;
        QCOMPARE(adaptation.adapt(controls, area, DefaultFont), (WindowFit{area, true}));
        QTEST(adaptation.horizontalFactor(), "horizontal");
        QTEST(adaptation.verticalFactor(), "vertical");
        QTEST(QSize(int(adaptation.referenceWidth()), int(adaptation.referenceHeight())),
              "reference");
    }

    // Geometry and font of single controls after one run from the reference size to 1280 x 994.
    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<QList<double>>("geometry"); // left, top, width, height
        QTest::addColumn<double>("font");
        auto row = [](const char *tag, const char *name, int index, QList<double> geometry,
                      double font = DefaultFont) {
            QTest::newRow(tag) << QString::fromLatin1(name) << index << geometry << font;
        };
        row("button scaled", "cmdAdd", 1, {1500, 360 * Vertical, 1218.75, 375 * Vertical});
        row("progress bar keeps font", "ProgressBar1", 0,
            {300, 1200 * Vertical, 5000, 255 * Vertical}, 8.0);
        row("status bar keeps geometry", "statusBar", 0, {0, 10320, 15360, 375});
        row("toolbar untouched", "ToolbarStart", 0, {0, 0, 15360, 630}, 8.0);
        row("file label", "lblFile", 2, {1800 + 445.5 + 222.75, 480 * Vertical, 2116.125, 247.5});
        row("caption label", "lblEtStatus", 0, {150, 1440 * Vertical, 1002.375, 247.5});
        row("status value not placed", "lblStatus", 4, {1500, 960 * Vertical, 2561.625, 247.5});
        row("space required", "lblSpaceR", 0, {2249.0625, 360 * Vertical, 779.625, 247.5});
        row("its unit keeps top", "lblEtSRB", 0, {3140.0625, 375 * Vertical, 556.875, 247.5});
        row("bytes label", "lblBytes", 6,
            {4500 + 556.875 + 111.375, 1470 * Vertical, 556.875, 247.5});
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        QList<ControlRecord> controls = window();
        DisplayAdaptation().adapt(controls, Larger, DefaultFont);
        const ControlRecord &c = find(controls, name, index);
        QTEST(QList<double>({c.left, c.top, c.width, c.height}), "geometry");
        QTEST(c.fontSize, "font");
    }

    void successiveChangesCompound()
    {
        const QList<ControlRecord> original = window();
        QList<ControlRecord> controls = original;
        DisplayAdaptation adaptation;
        adaptation.adapt(controls, Larger, DefaultFont);
        adaptation.adapt(controls, WorkArea{0, 0, 23040, 14910}, DefaultFont);
        QCOMPARE(adaptation.horizontalFactor(), 1.2);
        QCOMPARE(find(controls, QStringLiteral("cmdAdd"), 3).left, 1800.0);

        adaptation.adapt(controls, Reference, DefaultFont);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            const ControlRecord &c = controls[i], &o = original[i];
            if (c.kind == Kind::Frame || c.kind == Kind::CommandButton)
                QVERIFY(qAbs(c.left - o.left) + qAbs(c.top - o.top) + qAbs(c.width - o.width) +
                            qAbs(c.height - o.height) <
                        1e-9);
        }
    }

    // Twips become pixels edge by edge, so that controls side by side in twips stay so in pixels.
    void pixelRects()
    {
        QCOMPARE(Twips::toPixelRect(900, 450, 19200, 14910), QRect(60, 30, 1280, 994));
        QCOMPARE(Twips::toPixelRect(22, 0, 22, 15), QRect(1, 0, 2, 1));
        QCOMPARE(Twips::toPixelRect(905, 0, 10, 10, 144), QRect(91, 0, 1, 1));
    }
};

QTEST_GUILESS_MAIN(TestDisplayAdaptation)
#include "tst_displayadaptation.moc"
