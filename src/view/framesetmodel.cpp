#include "framesetmodel.h"

#include "ildalint.h"
#include "ildframeset.h"
#include "palette.h"
#include "revise.h"
#include "urlpath.h"
#include "userprompt.h"
#include "viewlog.h"
#include "viewsettings.h"
#include "workprogress.h"

#include <QStringList>

#include <algorithm>

namespace {

// Snapshots share the points of frames no edit touched, so the history is
// bounded by what the edits changed; the budget keeps it from taking over a
// machine after many edits of a large show.
constexpr qint64 UndoMemoryBudget = 768ll * 1024 * 1024;
constexpr int UndoLimit = 100;

} // namespace

// One edit: the affected rows before and after it. The edit has been made
// when the step is pushed.
class frameSetModel::FrameEdit : public UndoStep
{
public:
    FrameEdit(frameSetModel *model, const QString &text, FrameRows before, FrameRows after, int mergeKey)
        : UndoStep(text, mergeKey), m_model(model), m_before(std::move(before)), m_after(std::move(after))
    {}
    const FrameRows &before() const { return m_before; }
    const FrameRows &after() const { return m_after; }

    void undo() override { m_model->restore(m_before); }
    void redo() override { m_model->restore(m_after); }
    bool mergeWith(UndoStep &next) override
    {
        auto *edit = dynamic_cast<FrameEdit *>(&next);
        if (!edit || edit->m_before.row != m_after.row)
            return false;
        m_after = std::move(edit->m_after);
        return true;
    }
    void countMemory(MemoryCount &count) const override
    {
        for (const FrameRows *r : {&m_before, &m_after}) {
            ::countMemory(r->work, count);
            ::countMemory(r->revised, count);
        }
    }

private:
    frameSetModel *m_model;
    FrameRows m_before;
    FrameRows m_after;
};

struct frameSetModel::Owned
{
    IldFrameSet work;
    IldFrameSet revised;
    OwnedViewSettings view;
};

frameSetModel::frameSetModel(QObject *parent) : frameSetModel(*new Owned, parent) {}

frameSetModel::frameSetModel(Owned &owned, QObject *parent)
    : frameSetModel(owned.work, owned.revised, *owned.view.get(), parent)
{
    m_owned.reset(&owned);
}

frameSetModel::frameSetModel(IldFrameSet &work, IldFrameSet &revised, ViewSettings &view, QObject *parent)
    : QAbstractListModel(parent), m_work(&work), m_revised(&revised), m_view(&view), m_undo(UndoMemoryBudget, UndoLimit)
{
    connect(&m_undo, &UndoHistory::canUndoChanged, this, &frameSetModel::canUndoChanged);
    connect(&m_undo, &UndoHistory::canRedoChanged, this, &frameSetModel::canRedoChanged);
    // Whatever way the rows or the revised set changed, the page hears whether they still match.
    connect(this, &QAbstractItemModel::modelReset, this, &frameSetModel::noteRevisedCurrent);
    connect(this, &QAbstractItemModel::layoutChanged, this, &frameSetModel::noteRevisedCurrent);
    connect(this, &QAbstractItemModel::rowsInserted, this, &frameSetModel::noteRevisedCurrent);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &frameSetModel::noteRevisedCurrent);
    connect(this, &QAbstractItemModel::dataChanged, this, &frameSetModel::noteRevisedCurrent);
}

frameSetModel::FrameRows frameSetModel::rows(int row)
{
    FrameRows r;
    r.row = row;
    const std::vector<IldFrame> &frames = workSet().frames;
    if (row >= 0) {
        if (row < int(frames.size()))
            r.work.push_back(m_snapshots.take(frames[size_t(row)]));
        return r;
    }
    r.work = m_snapshots.take(frames);
    r.revised = m_snapshots.take(revisedSet().frames);
    return r;
}

bool frameSetModel::revisedCurrent() const
{
    const size_t n = revisedSet().frames.size();
    return n > 0 && n == workSet().frames.size();
}

void frameSetModel::noteRevisedCurrent()
{
    if (revisedCurrent() == m_revisedCurrent)
        return;
    m_revisedCurrent = !m_revisedCurrent;
    emit revisedCurrentChanged();
}

// Called once the list's frames changed: the revise result of the old list
// would be shown beside, and saved for, frames it was not made from.
void frameSetModel::dropRevised()
{
    if (revisedSet().frames.empty())
        return;
    revisedSet().frames.clear();
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {ReviseCountRole, HighPointRole});
    noteRevisedCurrent();
}

void frameSetModel::restore(const FrameRows &r)
{
    std::vector<IldFrame> &frames = workSet().frames;
    if (r.row >= 0) {
        if (r.row < int(frames.size()) && !r.work.empty()) {
            frames[size_t(r.row)] = r.work.front().frame();
            emit dataChanged(index(r.row), index(r.row));
        }
        return;
    }
    beginResetModel();
    frames = framesOf(r.work);
    revisedSet().frames = framesOf(r.revised);
    endResetModel();
    m_ildFileName.clear(); // the list no longer is just that file: opening it again reads it
    if (m_selectEndFrame >= rowCount()) {
        m_selectEndFrame = rowCount() - 1;
        emit select_end_frame_Change(m_selectEndFrame);
    }
}

// Frames that reached the list without passing through the history (a table
// import, a drawing) would be dropped by putting an older copy back: the
// history is given up instead, and the list stays as it is.
bool frameSetModel::historyMatches(bool forUndo) const
{
    const auto *step = dynamic_cast<const FrameEdit *>(forUndo ? m_undo.undoStep() : m_undo.redoStep());
    if (!step)
        return true;
    const FrameRows &expected = forUndo ? step->after() : step->before();
    const std::vector<IldFrame> &work = workSet().frames;
    if (expected.row >= 0) {
        if (expected.row >= int(work.size()))
            return expected.work.empty();
        return expected.work.size() == 1 && expected.work.front().sameContent(work[size_t(expected.row)]);
    }
    return sameContent(expected.work, work) && sameContent(expected.revised, revisedSet().frames);
}

void frameSetModel::undo()
{
    if (!historyMatches(true)) {
        qCDebug(lcView) << "{frameSetModel::undo}the list was changed outside the undo history; history cleared";
        m_undo.clear();
        return;
    }
    m_undo.undo();
}

void frameSetModel::redo()
{
    if (!historyMatches(false)) {
        qCDebug(lcView) << "{frameSetModel::redo}the list was changed outside the undo history; history cleared";
        m_undo.clear();
        return;
    }
    m_undo.redo();
}

void frameSetModel::record(const QString &text, FrameRows before, int mergeKey)
{
    FrameRows after = rows(before.row);
    if (before.work == after.work && before.revised == after.revised)
        return;
    m_undo.push(std::make_unique<FrameEdit>(this, text, std::move(before), std::move(after), mergeKey));
}

frameSetModel::~frameSetModel() = default;

void frameSetModel::setPrompt(UserPrompt *prompt)
{
    m_prompt = prompt;
}

UserPrompt &frameSetModel::prompt() const
{
    return m_prompt ? *m_prompt : UserPrompt::unattended();
}

int frameSetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(workSet().frames.size());
}

QVariant frameSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return QVariant();
    const size_t row = size_t(index.row());
    const IldFrame &f = workSet().frames[row];
    const IldFrameSet &revised = revisedSet();
    switch (role) {
    case CheckRole:
        return f.check;
    case IndexRole:
        return int(f.frameNumber);
    case TotalRole:
        return int(f.totalFrames);
    case FormatRole:
        return int(qint8(f.format));
    case CountRole:
        return int(f.pointCount);
    case ReviseCountRole:
        return row < revised.frames.size() ? QVariant(int(revised.frames[row].pointCount)) : QVariant(-1);
    case HighPointRole:
        return row < revised.frames.size() ? QVariant(uint(revised.frames[row].highPoint)) : QVariant(-1);
    case ScaleXRole:
        return f.scaleX * 100.0f;
    case ScaleYRole:
        return f.scaleY * 100.0f;
    case LintLevelRole:
    case LintRole: {
        const std::vector<LintFinding> findings =
            IldaLint::checkFrame(f, int(row), LintOptions(), IldaLint::paletteSizeFor(m_view->colors, f.format));
        if (role == LintLevelRole)
            return findings.empty() ? 0 : IldaLint::hasErrors(findings) ? 2 : 1;
        QStringList lines;
        for (LintFinding finding : findings) {
            finding.frame = -1; // the tile is the frame
            lines << IldaLint::describe(finding);
        }
        return lines.join(QLatin1Char('\n'));
    }
    default:
        return QVariant(); // also h_center: it is written, never read
    }
}

bool frameSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return false;
    if (data(index, role) == value)
        return false;
    // A dragged scale slider is one step per row and axis; a check mark is a selection, not an edit.
    std::unique_ptr<Edit> edit;
    if (role == ScaleXRole || role == ScaleYRole || role == CenterRole)
        edit.reset(
            new Edit(this, QStringLiteral("scale"), index.row(), role == CenterRole ? -1 : index.row() * 16 + role));
    IldFrame &f = workSet().frames[size_t(index.row())];
    switch (role) {
    case CheckRole:
        f.check = value.toBool();
        emit dataChanged(index, index);
        countSelected();
        return true;
    case ScaleXRole:
        f.scaleX = value.toFloat() / 100.0f;
        break;
    case ScaleYRole:
        f.scaleY = value.toFloat() / 100.0f;
        break;
    case CenterRole:
        f.center(value.toInt());
        break;
    default:
        return false; // read-only roles: nothing changed, so no success either
    }
    emit dataChanged(index, index);
    return true;
}

QHash<int, QByteArray> frameSetModel::roleNames() const
{
    return {
        {CheckRole, "h_check"},         {IndexRole, "h_index"},         {TotalRole, "h_total"},
        {FormatRole, "h_format"},       {CountRole, "h_count"},         {ReviseCountRole, "h_reviseCount"},
        {HighPointRole, "h_highPoint"}, {ScaleXRole, "h_scaleSize_x"},  {ScaleYRole, "h_scaleSize_y"},
        {CenterRole, "h_center"},       {LintLevelRole, "h_lintLevel"}, {LintRole, "h_lint"},
    };
}

// Erases the selected frames of the range only. Each run of selected rows is
// announced as it goes, so views never hear of rows that stay.
bool frameSetModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount())
        return false;
    std::vector<IldFrame> &frames = workSet().frames;
    const size_t rowsBefore = frames.size();
    int r = row + count - 1;
    while (r >= row) {
        if (!frames[size_t(r)].check) {
            --r;
            continue;
        }
        const int last = r;
        while (r - 1 >= row && frames[size_t(r - 1)].check)
            --r;
        beginRemoveRows(QModelIndex(), r, last);
        frames.erase(frames.begin() + r, frames.begin() + last + 1);
        endRemoveRows();
        --r;
    }
    if (frames.size() != rowsBefore)
        dropRevised();
    return true;
}

bool frameSetModel::insertRows(int row, int count, const QModelIndex &parent)
{
    Q_UNUSED(count) // the buffer decides how many frames come back
    if (!m_moveBuffer || m_moveBuffer->frames.empty() || parent.isValid() || row < 0 || row > rowCount())
        return true;
    const std::vector<IldFrame> &buffered = m_moveBuffer->frames;
    beginInsertRows(QModelIndex(), row, row + int(buffered.size()) - 1);
    std::vector<IldFrame> &frames = workSet().frames;
    frames.insert(frames.begin() + row, buffered.begin(), buffered.end());
    endInsertRows();
    dropRevised();
    return true;
}

bool frameSetModel::moveRows(const QModelIndex &sourceParent, int sourceRow, int count,
                             const QModelIndex &destinationParent, int destinationChild)
{
    const int rows = rowCount();
    if (sourceParent.isValid() || destinationParent.isValid() || count <= 0 || sourceRow < 0 || destinationChild < 0 ||
        sourceRow + count > rows || destinationChild + count > rows || sourceRow == destinationChild)
        return false;
    const int announced = sourceRow < destinationChild ? destinationChild + count : destinationChild;
    if (!beginMoveRows(QModelIndex(), sourceRow, sourceRow + count - 1, QModelIndex(), announced))
        return false;
    std::vector<IldFrame> &frames = workSet().frames;
    m_moveBuffer.reset(new IldFrameSet);
    m_moveBuffer->frames.assign(frames.begin() + sourceRow, frames.begin() + sourceRow + count);
    frames.erase(frames.begin() + sourceRow, frames.begin() + sourceRow + count);
    frames.insert(frames.begin() + destinationChild, m_moveBuffer->frames.begin(), m_moveBuffer->frames.end());
    m_moveBuffer.reset();
    endMoveRows();
    dropRevised();
    return true;
}

void frameSetModel::moveRows(int source, int dest, int count)
{
    const Edit edit(this, QStringLiteral("move"));
    const int rows = rowCount();
    // A block larger than the list, or nothing to move, cannot land inside it.
    if (source == dest || source < 0 || dest < 0 || count <= 0 || count > rows)
        return;
    if (source + count > rows)
        source = rows - count;
    if (dest + count > rows)
        dest = rows - count;

    std::vector<IldFrame> &frames = workSet().frames;
    m_moveBuffer.reset(new IldFrameSet);
    for (int r = source; r < source + count; ++r) {
        m_moveBuffer->frames.push_back(frames[size_t(r)]);
        frames[size_t(r)].check = true; // so removeRows takes the whole block
    }
    removeRows(source, count);
    insertRows(dest, count);
    m_moveBuffer.reset();
    m_ildFileName.clear();
    emit layoutAboutToBeChanged();
    emit layoutChanged();
}

void frameSetModel::moveRows_view_data(int source, int dest, int count)
{
    const Edit edit(this, QStringLiteral("move"));
    const int rows = rowCount();
    if (source == dest || source < 0 || dest < 0 || count < 0 || source + count > rows || dest + count > rows)
        return;
    moveRows(QModelIndex(), source, count, QModelIndex(), dest);
    m_ildFileName.clear();
}

void frameSetModel::refrushModel()
{
    beginResetModel();
    endResetModel();
}

void frameSetModel::selectAll()
{
    beginResetModel();
    for (IldFrame &f : workSet().frames)
        f.check = true;
    endResetModel();
    m_ildFileName.clear();
    countSelected();
}

void frameSetModel::inverse()
{
    beginResetModel();
    for (IldFrame &f : workSet().frames)
        f.check = !f.check;
    endResetModel();
    m_ildFileName.clear();
    countSelected();
}

// The page's "选中 N 帧" follows every change of the selection, not only
// the stride selection.
void frameSetModel::countSelected()
{
    const int n = workSet().checkedCount();
    if (n == m_selectNum)
        return;
    m_selectNum = n;
    emit selectNum_Change(n);
}

void frameSetModel::select()
{
    beginResetModel();
    std::vector<IldFrame> &frames = workSet().frames;
    const int rows = int(frames.size());
    m_selectNum = 0;
    for (IldFrame &f : frames)
        f.check = false;
    if (m_selectStartFrame < 0 || m_selectStartFrame >= rows) {
        m_selectStartFrame = rows - 1;
        emit select_start_frame_Change(m_selectStartFrame);
    }
    if (m_selectStartFrame >= 0 && m_selectEndFrame >= m_selectStartFrame) {
        const int step = std::max(1, m_between);
        for (int r = m_selectStartFrame; r < rows && r <= m_selectEndFrame; r += step) {
            frames[size_t(r)].check = true;
            ++m_selectNum;
        }
    }
    endResetModel();
    emit selectNum_Change(m_selectNum);
    m_ildFileName.clear();
}

void frameSetModel::deleteFrame()
{
    const Edit edit(this, QStringLiteral("delete"));
    removeRows(0, rowCount()); // takes exactly the selected frames
    m_ildFileName.clear();
    countSelected();
    m_selectEndFrame = rowCount() - 1;
    emit select_end_frame_Change(m_selectEndFrame);
    refrushModel();
}

bool frameSetModel::setIldFileName(QString name)
{
    const QString path = localPathFromUrlText(name);
    qCDebug(lcView) << "{IldaFrameDraw::setFrameIndex}file url:" << name << "\n"
                    << "ildFileName:" << path;
    bool read = true;
    SaveState state(this);
    const Edit edit(this, QStringLiteral("open"));
    if (path == m_ildFileName) {
        refrushModel();
    } else {
        // Read aside: the list takes the frames only when the read completes.
        const WorkProgress::Task task(m_progress, QStringLiteral("读取"));
        IldFrameSet loaded;
        const IldReadResult result = loaded.fromFileIld(path, false, task.callback(), m_view->palette->size());
        m_view->palette->appendColors(result.palette);
        if (result.kind == IldReadResult::Cancelled)
            return false;
        read = result.frames > 0;
        // A file that gave nothing may be tried again once mended.
        m_ildFileName = read ? path : QString();
        if (!loaded.frames.empty())
            dropRevised();
        beginResetModel();
        IldFrameSet &work = workSet();
        work.maxPointCount = std::max(work.maxPointCount, loaded.maxPointCount);
        work.frames.insert(work.frames.end(), std::make_move_iterator(loaded.frames.begin()),
                           std::make_move_iterator(loaded.frames.end()));
        endResetModel();
        if (read)
            state.opened(path);
        if (!result.ok()) {
            qCDebug(lcView) << "{frameSetModel::setIldFileName}" << path << result.reason();
            prompt().showNotice(UserPrompt::Warning, QStringLiteral("file error"), result.noticeText(path));
        }
    }
    m_selectEndFrame = rowCount() - 1;
    emit select_end_frame_Change(m_selectEndFrame);
    return read;
}

void frameSetModel::appendRead(IldFrameSet &loaded)
{
    const Edit edit(this, QStringLiteral("open"));
    if (!loaded.frames.empty())
        dropRevised();
    beginResetModel();
    IldFrameSet &work = workSet();
    work.maxPointCount = std::max(work.maxPointCount, loaded.maxPointCount);
    work.frames.insert(work.frames.end(), std::make_move_iterator(loaded.frames.begin()),
                       std::make_move_iterator(loaded.frames.end()));
    loaded.frames.clear();
    endResetModel();
}

void frameSetModel::reviseFrameSet(uint between, uint addPoint, uint blankPoint, uint totalPoint)
{
    ReviseParams params;
    params.between = std::max(1u, between); // both divide
    params.addPoint = addPoint;
    params.blankPoint = blankPoint;
    params.totalPoint = std::max(1u, totalPoint);
    const Edit edit(this, QStringLiteral("revise"));
    const WorkProgress::Task task(m_progress, QStringLiteral("revise"));
    if (!reviseFrames(workSet(), m_reviseBuffer, params, task.callback()))
        return;
    beginResetModel();
    std::swap(revisedSet().frames, m_reviseBuffer.frames);
    endResetModel();
    m_lastRevise = params;
    m_hasRevised = true;
}

bool frameSetModel::reviseAgain()
{
    if (!m_hasRevised)
        return false;
    const ReviseParams p = m_lastRevise;
    reviseFrameSet(p.between, p.addPoint, p.blankPoint, p.totalPoint);
    return revisedCurrent();
}

int frameSetModel::get_current_index(uint index)
{
    const std::vector<IldFrame> &frames = workSet().frames;
    if (index >= frames.size())
        return -1;
    return frames[index].frameNumber;
}

int frameSetModel::get_count_max(uint point)
{
    int n = 0;
    for (const IldFrame &f : workSet().frames)
        n += uint(f.pointCount) > point ? 1 : 0;
    return n;
}

bool frameSetModel::askDeleteFrame()
{
    const int n = workSet().checkedCount();
    if (n == 0)
        return false;
    const UserPrompt::Button answer =
        prompt().showMessage(UserPrompt::Question, QStringLiteral("删除"), QStringLiteral("删除选中的 %1 帧？").arg(n),
                             UserPrompt::Yes | UserPrompt::No, UserPrompt::No);
    if (answer != UserPrompt::Yes)
        return false;
    deleteFrame();
    return true;
}

void frameSetModel::setBetween(int value)
{
    value = std::max(1, value); // a stride of 0 would never advance
    if (value == m_between)
        return;
    m_between = value;
    emit between_Change(m_between);
}

void frameSetModel::setSelectStartFrame(int value)
{
    if (value == m_selectStartFrame)
        return;
    m_selectStartFrame = value;
    emit select_start_frame_Change(value);
}

void frameSetModel::setSelectEndFrame(int value)
{
    if (value == m_selectEndFrame)
        return;
    m_selectEndFrame = value;
    emit select_end_frame_Change(value);
}
