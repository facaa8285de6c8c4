// The editor's ways of making frames: SVG import, text, the drawing page,
// and optimising frames already in the list.

#include "curve.h"
#include "drawareawidget.h"
#include "framesetmodel.h"
#include "ildframeset.h"
#include "pathoptimizer.h"
#include "svgimport.h"
#include "textstrokes.h"
#include "urlpath.h"
#include "viewlog.h"
#include "viewsettings.h"
#include "workprogress.h"

#include <QTransform>

#include <algorithm>

namespace {

// False when cancelled.
bool optimized(const std::vector<Stroke> &strokes, const QString &what, IldFrame &frame,
               const ProgressCallback &progress = {})
{
    FrameBuild b = buildFrame(strokes, OptimizerOptions(), progress);
    if (b.cancelled)
        return false;
    if (!b.fits)
        qCDebug(lcView) << "{frameSetModel}" << what << b.message;
    frame = std::move(b.frame);
    return true;
}

// Piece `index` of `count` equal pieces of the work, from `from` to `to`
// thousandths of the piece: the bar moves on within long single steps.
ProgressCallback piece(const ProgressCallback &whole, qint64 index, qint64 count, int from = 0, int to = 1000)
{
    return [=](qint64 done, qint64 total) {
        const qint64 within = total > 0 ? from + (to - from) * std::min(done, total) / total : from;
        return whole(index * 1000 + within, count * 1000);
    };
}

} // namespace

void frameSetModel::appendFrames(std::vector<IldFrame> &&frames)
{
    if (frames.empty())
        return;
    dropRevised();
    const int total = int(frames.size());
    for (int i = 0; i < total; ++i) {
        // Like frames read from a file: numbered within their batch, not yet checked.
        frames[size_t(i)].frameNumber = quint16(i);
        frames[size_t(i)].totalFrames = quint16(total);
        frames[size_t(i)].check = false;
    }
    std::vector<IldFrame> &work = workSet().frames;
    beginInsertRows(QModelIndex(), rowCount(), rowCount() + total - 1);
    work.insert(work.end(), std::make_move_iterator(frames.begin()), std::make_move_iterator(frames.end()));
    endInsertRows();
    m_selectEndFrame = rowCount() - 1;
    emit select_end_frame_Change(m_selectEndFrame);
}

int frameSetModel::importSvg(const QVariant &urls)
{
    const QStringList paths = localPathsFromUrls(urls);
    const Edit edit(this, QStringLiteral("import"));
    const WorkProgress::Task task(m_progress, QStringLiteral("导入"));
    const ProgressCallback progress = task.callback();
    std::vector<IldFrame> frames;
    qint64 done = 0;
    for (const QString &path : paths) {
        // Nothing is added unless every file was gone through.
        if (!progress(done * 1000, paths.size() * 1000))
            return 0;
        const SvgDrawing d = readSvg(path, 0.0, piece(progress, done, paths.size(), 0, 300));
        if (d.cancelled)
            return 0;
        if (!d.ok) {
            qCDebug(lcView) << "{frameSetModel::importSvg}cannot import" << path << d.error;
            ++done;
            continue;
        }
        IldFrame f;
        if (!optimized(svgStrokes(d), path, f, piece(progress, done, paths.size(), 300, 1000)))
            return 0;
        f.name = importedFrameName(path);
        frames.push_back(std::move(f));
        ++done;
    }
    if (task.cancelled())
        return 0;
    const int added = int(frames.size());
    appendFrames(std::move(frames));
    return added;
}

int frameSetModel::addText(const QString &text, const QString &family, bool stroke)
{
    const Edit edit(this, QStringLiteral("text"));
    const WorkProgress::Task task(m_progress, QStringLiteral("文字"));
    const ProgressCallback progress = task.callback();
    TextOptions t;
    t.family = family;
    t.stroke = stroke;
    const TextDrawing d = textStrokes(text, t, piece(progress, 0, 1, 0, 300));
    if (!d.ok) {
        qCDebug(lcView) << "{frameSetModel::addText}" << d.error;
        return 0;
    }
    std::vector<IldFrame> frames(1);
    if (!optimized(d.strokes, QStringLiteral("text"), frames.back(), piece(progress, 0, 1, 300, 1000)))
        return 0;
    frames.back().name = QStringLiteral("text");
    appendFrames(std::move(frames));
    return 1;
}

int frameSetModel::addDrawing(QObject *canvas)
{
    const auto *area = qobject_cast<DrawAreaWidget *>(canvas);
    if (!area || area->width() <= 0 || area->height() <= 0)
        return 0;
    // The canvas as a whole maps into the square, so a drawing keeps its place.
    const QTransform fit = fitTransform(QRectF(0, 0, area->width(), area->height()), 0.0);
    std::vector<Stroke> strokes;
    for (AbstractShape *shape : area->shapes()) {
        const auto *curve = qobject_cast<Curve *>(shape);
        if (!curve || curve->points.size() < 2)
            continue;
        Stroke st;
        for (int i = 0; i < curve->points.size(); ++i) {
            st.points.push_back(fit.map(QPointF(curve->points.at(i))));
            // A segment has the colour of its end point.
            st.colors.push_back(curve->colors.at(std::min(i + 1, curve->points.size() - 1)).rgb());
        }
        strokes.push_back(std::move(st));
    }
    if (strokes.empty())
        return 0;
    const Edit edit(this, QStringLiteral("drawing"));
    std::vector<IldFrame> frames(1);
    optimized(strokes, QStringLiteral("drawing"), frames.back());
    frames.back().name = QStringLiteral("drawing");
    appendFrames(std::move(frames));
    return 1;
}

int frameSetModel::optimizeFrames()
{
    const Edit edit(this, QStringLiteral("optimize"));
    const WorkProgress::Task task(m_progress, QStringLiteral("优化"));
    const ProgressCallback progress = task.callback();
    const std::vector<IldFrame> &frames = workSet().frames;
    // Built aside and put in only when every checked frame is done.
    std::vector<std::pair<size_t, IldFrame>> done;
    for (size_t i = 0; i < frames.size(); ++i) {
        const IldFrame &f = frames[i];
        if (!progress(qint64(i) * 1000, qint64(frames.size()) * 1000))
            return 0;
        if (!f.check)
            continue;
        IldFrame o;
        if (!optimized(strokesFromFrame(f, m_view->colors), QStringLiteral("optimize"), o,
                       piece(progress, qint64(i), qint64(frames.size()))))
            return 0;
        // The header and the editing state stay; only the points change.
        o.name = f.name;
        o.company = f.company;
        o.frameNumber = f.frameNumber;
        o.totalFrames = f.totalFrames;
        o.projector = f.projector;
        o.check = f.check;
        o.scaleX = f.scaleX;
        o.scaleY = f.scaleY;
        o.offsetX = f.offsetX;
        o.offsetY = f.offsetY;
        done.emplace_back(i, std::move(o));
    }
    if (!done.empty())
        dropRevised();
    beginResetModel();
    std::vector<IldFrame> &work = workSet().frames;
    for (auto &d : done)
        work[d.first] = std::move(d.second);
    endResetModel();
    return int(done.size());
}
