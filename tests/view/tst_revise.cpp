#include "ildframeset.h"
#include "litsegments.h"
#include "revise.h"

#include <QtTest>

namespace {

IldVertex vtx(qint16 x, qint16 y, quint8 status = 0, quint8 r = 255, quint8 g = 0, quint8 b = 0)
{
    IldVertex v;
    v.x = x;
    v.y = y;
    v.status = status;
    v.r = r;
    v.g = g;
    v.b = b;
    v.colorIndex = 7;
    v.z = 3;
    return v;
}

IldVertex blanked(IldVertex v)
{
    v.status |= IldVertex::Blanked;
    return v;
}

IldFrame frameOf(const std::vector<IldVertex> &vs)
{
    IldFrame f;
    f.format = 5;
    f.name = QStringLiteral("square");
    f.company = QStringLiteral("me");
    f.frameNumber = 4;
    f.totalFrames = 9;
    f.projector = 2;
    f.reserved = 5;
    f.check = true;
    f.vertices = vs;
    f.pointCount = quint16(vs.size());
    return f;
}

ReviseParams params(quint32 between, quint32 add, quint32 blank, quint32 total)
{
    ReviseParams p;
    p.between = between;
    p.addPoint = add;
    p.blankPoint = blank;
    p.totalPoint = total;
    return p;
}

std::vector<IldVertex> repeat(const IldVertex &v, int n)
{
    return std::vector<IldVertex>(size_t(n), v);
}

std::vector<IldVertex> concat(std::initializer_list<std::vector<IldVertex>> parts)
{
    std::vector<IldVertex> all;
    for (const auto &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Lit start (0,0) red, a blank run of two points, lit end (300,300) green.
std::vector<IldVertex> blankRunFrame()
{
    return {vtx(0, 0), blanked(vtx(100, 100, 0, 0, 0, 0)), blanked(vtx(200, 200, 0, 0, 0, 0)),
            vtx(300, 300, 0, 0, 255, 0)};
}

} // namespace

Q_DECLARE_METATYPE(std::vector<IldVertex>)
Q_DECLARE_METATYPE(ReviseParams)

class TestRevise : public QObject
{
    Q_OBJECT
private slots:
    void highlightSquare()
    {
        const IldVertex start = blanked(vtx(-5000, -5000));
        const IldVertex c0 = vtx(0, 0), c1 = vtx(10000, 0), c2 = vtx(10000, 10000), c3 = vtx(0, 10000);
        const IldFrame f = frameOf({start, c0, c1, c2, c3, c0});
        const IldFrame r = reviseFrame(f, params(1, 3, 0, 0));
        QCOMPARE(r.vertexCount(), 18);
        QCOMPARE(r.pointCount, quint16(18));
        QCOMPARE(r.highPoint, 4u);
        const auto expected = concat({{start}, repeat(c0, 4), repeat(c1, 4), repeat(c2, 4), repeat(c3, 4), {c0}});
        QVERIFY(r.vertices == expected);
    }

    void highlightEveryOtherMove()
    {
        // Moves 1..4 on an open path: B = 2 highlights moves 2 and 4.
        const IldFrame f =
            frameOf({blanked(vtx(-9000, 0)), vtx(0, 0), vtx(1000, 0), vtx(2000, 0), vtx(3000, 0), vtx(4000, 0)});
        const IldFrame r = reviseFrame(f, params(2, 1, 0, 0));
        QCOMPARE(r.highPoint, 2u);
        const auto expected = concat({{f.vertices[0], f.vertices[1]},
                                      repeat(f.vertices[2], 2),
                                      {f.vertices[3]},
                                      repeat(f.vertices[4], 2),
                                      {f.vertices[5]}});
        QVERIFY(r.vertices == expected);
    }

    void highlightRepeatedPointGetsCopiesWithoutCounting()
    {
        const IldFrame f = frameOf({blanked(vtx(-9000, 0)), vtx(0, 0), vtx(0, 0)});
        const IldFrame r = reviseFrame(f, params(1, 2, 0, 0));
        // (0,0) at index 1 is a move (from the start point) and a highlight;
        // the repeat at index 2 gets copies but is no highlight.
        QCOMPARE(r.highPoint, 1u);
        QCOMPARE(r.vertexCount(), 1 + 3 + 3);
    }

    void headerCopiedTransformNot()
    {
        IldFrame f = frameOf({vtx(1, 1), vtx(2, 2)});
        f.scaleX = 2.0f;
        f.offsetY = 30.0f;
        const IldFrame r = reviseFrame(f, params(1, 0, 0, 100));
        QCOMPARE(r.name, f.name);
        QCOMPARE(r.company, f.company);
        QCOMPARE(r.format, f.format);
        QCOMPARE(r.frameNumber, f.frameNumber);
        QCOMPARE(r.totalFrames, f.totalFrames);
        QCOMPARE(r.projector, f.projector);
        QCOMPARE(r.reserved, qint8(0));
        QCOMPARE(r.check, true);
        QCOMPARE(r.highPoint, 0u);
        QCOMPARE(r.scaleX, 1.0f);
        QCOMPARE(r.offsetY, 0.0f);
        QVERIFY(r.vertices == f.vertices);
    }

    void thinningStepAndCorner()
    {
        // 1000 lit points along X, turning up at index 499; T = 100 gives step 10.
        std::vector<IldVertex> vs;
        for (int i = 0; i < 1000; ++i)
            vs.push_back(i < 500 ? vtx(qint16(i * 10), 0) : vtx(4990, qint16((i - 499) * 10)));
        const IldFrame f = frameOf(vs);
        QTest::ignoreMessage(QtDebugMsg, "angle is: 90");
        const IldFrame r = reviseFrame(f, params(1, 0, 0, 100));
        std::vector<IldVertex> expected;
        for (int i = 0; i < 1000; ++i)
            if ((i + 1) % 10 == 0 || i == 500)
                expected.push_back(vs[size_t(i)]);
        QCOMPARE(r.vertexCount(), 101);
        QVERIFY(r.vertices == expected);
    }

    // pointNum is a budget: a frame keeps at most that many points on its
    // steps, evenly spread and ending on its last point; a frame of fewer
    // points keeps them all.
    void thinningKeepsAtMostTotal_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<quint32>("total");
        QTest::addColumn<QList<int>>("kept"); // indices, or just the count when one entry is negative
        QTest::newRow("1000_at_600") << 1000 << 600u << QList<int>{-600};
        QTest::newRow("665_at_600") << 665 << 600u << QList<int>{-600};
        QTest::newRow("1050_at_100") << 1050 << 100u << QList<int>{-100};
        QTest::newRow("85_at_600_keeps_all") << 85 << 600u << QList<int>{-85};
        QTest::newRow("10_at_4_spread") << 10 << 4u << QList<int>{2, 4, 7, 9};
        QTest::newRow("12_at_4_multiple") << 12 << 4u << QList<int>{2, 5, 8, 11};
    }
    void thinningKeepsAtMostTotal()
    {
        QFETCH(int, points);
        QFETCH(quint32, total);
        QFETCH(QList<int>, kept);
        std::vector<IldVertex> vs; // a straight line: no corner keeps a point
        for (int i = 0; i < points; ++i)
            vs.push_back(vtx(qint16(i * 10), 0));
        const IldFrame r = reviseFrame(frameOf(vs), params(1, 0, 0, total));
        if (kept.size() == 1 && kept[0] < 0) {
            QCOMPARE(r.vertexCount(), -kept[0]);
            QVERIFY(r.vertices.back() == vs.back());
            return;
        }
        std::vector<IldVertex> expected;
        for (int i : kept)
            expected.push_back(vs[size_t(i)]);
        QVERIFY(r.vertices == expected);
    }

    void thinningKeepsSpikeDropsCoincident()
    {
        // step 4 keeps index 3 only; index 2 turns back on itself (0 degrees)
        // and is kept; index 5 follows a repeated point and is dropped.
        const std::vector<IldVertex> vs = {vtx(0, 0),    vtx(1000, 0), vtx(0, 0),    vtx(0, 3000),
                                           vtx(0, 3000), vtx(0, 5000), vtx(0, 7000), vtx(0, 9000)};
        const IldFrame r = reviseFrame(frameOf(vs), params(1, 0, 0, 2));
        QVERIFY(r.vertices == std::vector<IldVertex>({vs[2], vs[3], vs[7]}));
    }

    void blankRunDwell_data()
    {
        QTest::addColumn<std::vector<IldVertex>>("in");
        QTest::addColumn<ReviseParams>("p");
        QTest::addColumn<std::vector<IldVertex>>("expected");
        QTest::addColumn<quint32>("highPoint");
        // Switch-off copies repeat the last lit point; switch-on copies are
        // the lit point blanked, waiting where the blank run ended.
        const auto in = blankRunFrame();
        IldVertex on = blanked(in[3]);
        on.x = 200;
        on.y = 200;
        QTest::newRow("thinning_P2_gives_3_and_5")
            << in << params(1, 0, 2, 100) << concat({repeat(in[0], 4), {in[1], in[2]}, repeat(on, 5), {in[3]}}) << 0u;
        QTest::newRow("thinning_P0_gives_1_and_1")
            << in << params(1, 0, 0, 100) << concat({{in[0], in[0], in[1], in[2], on, in[3]}}) << 0u;
        // The 4 switch-on copies already exceed A = 1: no highlight copies.
        QTest::newRow("highlight_P2_gives_2_and_4")
            << in << params(1, 1, 2, 0) << concat({repeat(in[0], 3), {in[1], in[2]}, repeat(on, 4), {in[3]}}) << 1u;
        // Switch-on copies count against the highlight copies of the same point.
        QTest::newRow("highlight_P1_A5_tops_up_to_5")
            << in << params(1, 5, 1, 0)
            << concat({{in[0], in[0], in[1], in[2]}, repeat(on, 2), repeat(in[3], 3), {in[3]}}) << 1u;
        // A run that starts on the last lit point and ends where the next
        // stroke starts: the copies are those of the blanked move itself.
        const std::vector<IldVertex> touching = {vtx(0, 0), blanked(vtx(0, 0, 0, 0, 0, 0)),
                                                 blanked(vtx(300, 300, 0, 0, 0, 0)), vtx(300, 300, 0, 0, 255, 0)};
        QTest::newRow("thinning_run_on_stroke_ends")
            << touching << params(1, 0, 1, 100)
            << concat(
                   {repeat(touching[0], 3), {touching[1], touching[2]}, repeat(blanked(touching[3]), 3), {touching[3]}})
            << 0u;
    }
    void blankRunDwell()
    {
        QFETCH(std::vector<IldVertex>, in);
        QFETCH(ReviseParams, p);
        QFETCH(std::vector<IldVertex>, expected);
        QFETCH(quint32, highPoint);
        const IldFrame r = reviseFrame(frameOf(in), p);
        QCOMPARE(r.vertexCount(), int(expected.size()));
        QVERIFY(r.vertices == expected);
        QCOMPARE(r.highPoint, highPoint);
    }

    // Dwell copies never draw a line across a blanked jump nor darken the
    // stroke behind it: the revised frame draws exactly the lines it drew.
    void jumpsStayDark_data()
    {
        QTest::addColumn<ReviseParams>("p");
        QTest::newRow("thinning_P0") << params(1, 0, 0, 100);
        QTest::newRow("thinning_P3") << params(1, 0, 3, 100);
        QTest::newRow("highlight_P1") << params(1, 1, 1, 0);
        QTest::newRow("highlight_P3_A2") << params(2, 2, 3, 0);
    }
    void jumpsStayDark()
    {
        QFETCH(ReviseParams, p);
        const std::vector<IldVertex> in = {blanked(vtx(0, 0)),       vtx(1000, 0),    vtx(1000, 1000),
                                           blanked(vtx(5000, 5000)), vtx(6000, 5000), vtx(6000, 6000)};
        const QStringList drawn = {"(0,0)-(1000,0)", "(1000,0)-(1000,1000)", "(5000,5000)-(6000,5000)",
                                   "(6000,5000)-(6000,6000)"};
        QCOMPARE(litSegments(in), drawn);
        QCOMPARE(litSegments(reviseFrame(frameOf(in), p).vertices), drawn);
    }

    void blankedStartGainsNothing_data()
    {
        QTest::addColumn<ReviseParams>("p");
        QTest::newRow("thinning") << params(1, 0, 3, 100);
        QTest::newRow("highlight") << params(1000, 1, 3, 0);
    }
    void blankedStartGainsNothing()
    {
        QFETCH(ReviseParams, p);
        const std::vector<IldVertex> vs = {blanked(vtx(-100, 0)), vtx(0, 0), vtx(1000, 0)};
        QVERIFY(reviseFrame(frameOf(vs), p).vertices == vs);
    }

    void zeroParametersCountAsOne_data()
    {
        QTest::addColumn<ReviseParams>("zero");
        QTest::addColumn<ReviseParams>("one");
        QTest::newRow("total") << params(1, 0, 1, 0) << params(1, 0, 1, 1);
        QTest::newRow("between") << params(0, 2, 1, 0) << params(1, 2, 1, 0);
    }
    void zeroParametersCountAsOne()
    {
        QFETCH(ReviseParams, zero);
        QFETCH(ReviseParams, one);
        std::vector<IldVertex> vs = blankRunFrame();
        for (int i = 0; i < 20; ++i)
            vs.push_back(vtx(qint16(i * 700), qint16((i % 3) * 900)));
        const IldFrame f = frameOf(vs);
        const IldFrame a = reviseFrame(f, zero);
        QVERIFY(a.vertices == reviseFrame(f, one).vertices);
        QCOMPARE(a.highPoint, reviseFrame(f, one).highPoint);
    }

    void emptyFrameStaysEmpty()
    {
        const IldFrame r = reviseFrame(frameOf({}), params(1, 3, 2, 10));
        QCOMPARE(r.vertexCount(), 0);
        QCOMPARE(r.pointCount, quint16(0));
    }

    void reviseTwiceEqualsOnce()
    {
        IldFrameSet in;
        in.frames.push_back(frameOf(blankRunFrame()));
        in.frames.push_back(frameOf({blanked(vtx(-5000, -5000)), vtx(0, 0), vtx(10000, 0), vtx(0, 0)}));
        in.frames.back().check = false;
        const IldFrameSet before = in;
        IldFrameSet out;
        for (int i = 0; i < 3; ++i)
            out.frames.push_back(frameOf({vtx(9, 9), vtx(9, 9)})); // stale frames are replaced
        const ReviseParams p = params(1, 2, 1, 0);
        reviseFrames(in, out, p);
        const IldFrameSet once = out;
        reviseFrames(in, out, p);
        QCOMPARE(out.frames.size(), size_t(2));
        for (size_t i = 0; i < 2; ++i) {
            QVERIFY(out.frames[i].vertices == once.frames[i].vertices);
            QCOMPARE(out.frames[i].highPoint, once.frames[i].highPoint);
            QCOMPARE(out.frames[i].check, in.frames[i].check);
            QCOMPARE(out.frames[i].name, in.frames[i].name);
            QVERIFY(in.frames[i].vertices == before.frames[i].vertices);
        }
    }

    void capAt65535_data()
    {
        QTest::addColumn<std::vector<IldVertex>>("vertices");
        QTest::addColumn<ReviseParams>("p");
        // The first lit point stands apart so the path never closes on it.
        std::vector<IldVertex> zigzag = {blanked(vtx(0, 0)), vtx(32000, 32000)};
        for (int i = 0; i < 30000; ++i)
            zigzag.push_back(vtx(qint16(-(i % 2) * 20000), qint16(i % 1000)));
        QTest::newRow("highlight_copies") << zigzag << params(1, 3, 0, 0);
        QTest::newRow("thinning_dwell") << std::vector<IldVertex>({vtx(0, 0), blanked(vtx(5, 5)), vtx(9, 9)})
                                        << params(1, 0, 100000, 1);
    }
    void capAt65535()
    {
        QFETCH(std::vector<IldVertex>, vertices);
        QFETCH(ReviseParams, p);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("revised frame reached 65535 points")));
        const IldFrame r = reviseFrame(frameOf(vertices), p);
        QCOMPARE(r.vertexCount(), 65535);
        QCOMPARE(r.pointCount, quint16(65535));
        QCOMPARE(r.overflowCode, 0);
    }
};

QTEST_GUILESS_MAIN(TestRevise)
#include "tst_revise.moc"
