// Projector lint: each rule on a small crafted file.

#include "ildabuilder.h"
#include "ildalint.h"
#include "ildframe.h"

#include <QtTest>

namespace {

constexpr quint8 B = IldVertex::Blanked;
constexpr quint8 L = IldVertex::LastPoint;

// Findings as "severity rule frame point", sorted, for comparison.
QStringList summary(const std::vector<LintFinding> &findings)
{
    QStringList s;
    for (const LintFinding &f : findings)
        s << QStringLiteral("%1 %2 %3 %4").arg(f.severityName(), f.rule).arg(f.frame).arg(f.point);
    s.sort();
    return s;
}

// A tidy three-point frame: blanked start, two lit points, last-point bit.
IldaBuilder &tidyFrame(IldaBuilder &b, quint16 number = 0, quint16 total = 1)
{
    return b.header(5, 3, "f", "c", number, total)
        .point5(0, 0, B, 0, 0, 0)
        .point5(100, 0, 0, 255, 0, 0)
        .point5(100, 100, L, 255, 0, 0);
}

IldaBuilder &closing(IldaBuilder &b)
{
    return b.header(5, 0, "", "", 0, 0);
}

} // namespace

class tst_IldaLint : public QObject
{
    Q_OBJECT
private slots:
    void rules_data();
    void rules();
    void hardPointLimit();
    void editedFrameScale();
};

void tst_IldaLint::rules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxPoints");
    QTest::addColumn<QStringList>("expected");

    {
        IldaBuilder b;
        closing(tidyFrame(b));
        QTest::newRow("tidy_file_is_clean") << b.bytes() << 1800 << QStringList();
    }
    {
        IldaBuilder b;
        tidyFrame(b);
        QTest::newRow("no_closing_header") << b.bytes() << 1800 << QStringList{"warning closing-header -1 -1"};
    }
    {
        IldaBuilder b;
        b.header(5, 3, "f", "c", 0, 1)
            .point5(0, 0, B, 0, 0, 0)
            .point5(100, 0, 0, 255, 0, 0)
            .point5(100, 100, 0, 255, 0, 0);
        closing(b);
        QTest::newRow("last_point_bit_missing") << b.bytes() << 1800 << QStringList{"error last-point 0 2"};
    }
    {
        IldaBuilder b;
        b.header(5, 3, "f", "c", 0, 1)
            .point5(0, 0, B, 0, 0, 0)
            .point5(100, 0, L, 255, 0, 0)
            .point5(100, 100, L, 255, 0, 0);
        closing(b);
        QTest::newRow("last_point_bit_early") << b.bytes() << 1800 << QStringList{"error last-point 0 1"};
    }
    {
        IldaBuilder b;
        tidyFrame(b, 0, 1);
        tidyFrame(b, 0, 1);
        closing(b);
        QTest::newRow("frames_numbered_0_of_1_twice") << b.bytes() << 1800 << QStringList{"warning numbering 0 -1"};
    }
    {
        IldaBuilder b;
        b.header(5, 6, "f", "c", 0, 1);
        for (int i = 0; i < 6; ++i)
            b.point5(qint16(i * 10), 0, i == 0 ? B : (i == 5 ? L : 0), 255, 255, 255);
        closing(b);
        QTest::newRow("over_point_limit") << b.bytes() << 5 << QStringList{"error point-limit 0 -1"};
        QTest::newRow("at_point_limit") << b.bytes() << 6 << QStringList();
    }
    {
        IldaBuilder b;
        b.header(5, 3, "f", "c", 0, 1)
            .point5(0, 0, B, 0, 0, 0)
            .point5(3000, 0, 0, 255, 0, 0)
            .point5(3000, 100, L, 255, 0, 0);
        closing(b);
        QTest::newRow("lit_step_too_long") << b.bytes() << 1800 << QStringList{"warning step-length 0 1"};
    }
    {
        // Stroke, blanked jump of 1000 units, stroke: no repeat on either side.
        IldaBuilder b;
        b.header(5, 5, "f", "c", 0, 1)
            .point5(0, 0, B, 0, 0, 0)
            .point5(100, 0, 0, 255, 0, 0)
            .point5(1100, 0, B, 0, 0, 0)
            .point5(1200, 0, 0, 255, 0, 0)
            .point5(1300, 0, L, 255, 0, 0);
        closing(b);
        QTest::newRow("blanked_move_without_dwell") << b.bytes() << 1800 << QStringList{"warning blank-dwell 0 2"};
    }
    {
        // The same jump with the last lit point repeated and a blanked point
        // repeated where the next stroke begins.
        IldaBuilder b;
        b.header(5, 7, "f", "c", 0, 1)
            .point5(0, 0, B, 0, 0, 0)
            .point5(100, 0, 0, 255, 0, 0)
            .point5(100, 0, 0, 255, 0, 0)
            .point5(1100, 0, B, 0, 0, 0)
            .point5(1100, 0, B, 0, 0, 0)
            .point5(1200, 0, 0, 255, 0, 0)
            .point5(1300, 0, L, 255, 0, 0);
        closing(b);
        QTest::newRow("blanked_move_with_dwell") << b.bytes() << 1800 << QStringList();
    }
    {
        IldaBuilder b;
        b.header(5, 3, "f", "c", 0, 1)
            .point5(0, 0, 0, 255, 0, 0)
            .point5(100, 0, 0, 255, 0, 0)
            .point5(100, 100, L, 255, 0, 0);
        closing(b);
        QTest::newRow("first_point_lit_as_stored") << b.bytes() << 1800 << QStringList{"warning first-point-lit 0 0"};
    }
    {
        IldaBuilder b;
        tidyFrame(b, 0, 3);
        b.header(5, 0, "e", "c", 1, 3);
        tidyFrame(b, 2, 3);
        closing(b);
        QTest::newRow("empty_frame_before_the_end") << b.bytes() << 1800 << QStringList{"error empty-frame 1 -1"};
    }
    {
        IldaBuilder b;
        b.header(1, 3, "f", "c", 0, 1).point1(0, 0, B, 70).point1(100, 0, 0, 70).point1(100, 100, L, 10);
        closing(b);
        QTest::newRow("colour_index_past_default_table")
            << b.bytes() << 1800 << QStringList{"warning palette-index 0 1"};
    }
    {
        // A palette of 100 colours in the file makes index 70 valid.
        IldaBuilder b;
        b.header(2, 100, "p", "c", 0, 1);
        for (int i = 0; i < 100; ++i)
            b.rgb(quint8(i), 0, 0);
        b.header(1, 3, "f", "c", 0, 1).point1(0, 0, B, 70).point1(100, 0, 0, 70).point1(100, 100, L, 99);
        closing(b);
        QTest::newRow("colour_index_within_file_palette") << b.bytes() << 1800 << QStringList();
    }
    {
        IldaBuilder b;
        b.header(5, 3, "f", "c", 0, 1).point5(0, 0, B, 0, 0, 0).point5(100, 0, L, 255, 0, 0);
        QTest::newRow("records_cut_short")
            << b.bytes() << 1800 << QStringList{"error truncated 0 -1", "warning closing-header -1 -1"};
    }
    {
        IldaBuilder b;
        b.raw("not an ILDA file at all, just some text");
        QTest::newRow("not_ilda") << b.bytes() << 1800 << QStringList{"error bad-header -1 -1"};
    }
}

void tst_IldaLint::rules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxPoints);
    QFETCH(QStringList, expected);
    LintOptions options;
    options.maxPoints = maxPoints;
    const std::vector<LintFinding> findings =
        IldaLint::checkIldaBytes(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), options);
    QCOMPARE(summary(findings), expected);
}

// Only frames in memory can hold more points than a section counts.
void tst_IldaLint::hardPointLimit()
{
    IldFrame f;
    f.format = 5;
    f.vertices.resize(65536);
    for (IldVertex &v : f.vertices)
        v.status = IldVertex::Blanked;
    LintOptions options;
    options.maxPoints = 100000;
    QCOMPARE(summary(IldaLint::checkFrame(f, 3, options, 0)), QStringList{"error point-limit 3 -1"});
}

// Tiles see the frame as it will be written: with its scale.
void tst_IldaLint::editedFrameScale()
{
    IldFrame f;
    f.format = 5;
    f.vertices = {IldVertex{0, 0, 0, 0, 0, 0, B, 0}, IldVertex{1500, 0, 0, 255, 0, 0, 0, 0}};
    QVERIFY(IldaLint::checkFrame(f, 0, LintOptions(), 0).empty());
    f.scaleX = 2.0f;
    QCOMPARE(summary(IldaLint::checkFrame(f, 0, LintOptions(), 0)), QStringList{"warning step-length 0 1"});
}

QTEST_GUILESS_MAIN(tst_IldaLint)
#include "tst_ildalint.moc"
