#pragma once

#include "framesnapshot.h"
#include "ildframe.h"
#include "ildframeset.h"
#include "revise.h"
#include "undohistory.h"

#include <QAbstractListModel>

#include <memory>
#include <vector>

class IldFrame;
class IldFrameSet;
class OwnedViewSettings;
class UserPrompt;
class WorkProgress;
struct ViewSettings;

// The editing page's list: one row per frame of the working set, with
// selection, moves, deletion of the selected frames, stride selection and the
// revise operation that fills the revised set.
class frameSetModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int between READ between WRITE setBetween NOTIFY between_Change)
    Q_PROPERTY(int selectNum READ selectNum NOTIFY selectNum_Change)
    Q_PROPERTY(int select_start_frame READ selectStartFrame WRITE setSelectStartFrame NOTIFY select_start_frame_Change)
    Q_PROPERTY(int select_end_frame READ selectEndFrame WRITE setSelectEndFrame NOTIFY select_end_frame_Change)
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)
    Q_PROPERTY(bool canRedo READ canRedo NOTIFY canRedoChanged)
    // The revised set holds the revise result of the list as it stands.
    Q_PROPERTY(bool revisedCurrent READ revisedCurrent NOTIFY revisedCurrentChanged)

public:
    enum Roles {
        CheckRole = 1,
        IndexRole = 2,
        TotalRole = 3,
        FormatRole = 4,
        CountRole = 5,
        ReviseCountRole = 6,
        HighPointRole = 7,
        ScaleXRole = 8,
        ScaleYRole = 9,
        CenterRole = 10,
        // Projector lint of the frame as it stands: 0 clean, 1 warnings,
        // 2 errors; and one line per finding for the tile's tooltip.
        LintLevelRole = 11,
        LintRole = 12,
    };

    // Over the app's sets; files' palettes join view's colour list.
    frameSetModel(IldFrameSet &work, IldFrameSet &revised, ViewSettings &view, QObject *parent = nullptr);
    // Over sets and colours of its own.
    explicit frameSetModel(QObject *parent = nullptr);
    ~frameSetModel() override;

    IldFrameSet &workSet() const { return *m_work; }
    IldFrameSet &revisedSet() const { return *m_revised; }
    ViewSettings &viewSettings() const { return *m_view; }
    // Who is asked and told (unattended until set) and where long work
    // reports (nowhere until set).
    void setPrompt(UserPrompt *prompt);
    void setWorkProgress(WorkProgress *progress) { m_progress = progress; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QHash<int, QByteArray> roleNames() const override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool moveRows(const QModelIndex &sourceParent, int sourceRow, int count, const QModelIndex &destinationParent,
                  int destinationChild) override;

    Q_INVOKABLE void moveRows(int source, int dest, int count);
    Q_INVOKABLE void moveRows_view_data(int source, int dest, int count);
    Q_INVOKABLE void refrushModel();
    Q_INVOKABLE void selectAll();
    Q_INVOKABLE void inverse();
    Q_INVOKABLE void select();
    Q_INVOKABLE void deleteFrame();
    // Appends the frames of the ILDA file; true when it gave frames. A file
    // that could not be read whole is named in a notice.
    Q_INVOKABLE bool setIldFileName(QString name);
    Q_INVOKABLE void reviseFrameSet(uint between, uint addPoint, uint blankPoint, uint totalPoint);
    Q_INVOKABLE int get_current_index(uint index);
    Q_INVOKABLE int get_count_max(uint point);
    // Making content (framesetcontent.cpp): each appends frames built by the
    // laser path optimiser with its default options and returns how many.
    // Each is one step of the undo history.
    Q_INVOKABLE int importSvg(const QVariant &urls);
    Q_INVOKABLE int addText(const QString &text, const QString &family, bool stroke);
    Q_INVOKABLE int addDrawing(QObject *canvas);
    // Redraws the checked frames in place: stroke order, dwell, steps, budget.
    Q_INVOKABLE int optimizeFrames();

    // Asks (naming how many) before deleting the selected frames.
    Q_INVOKABLE bool askDeleteFrame();
    // Open, delete, move, scale, centre, revise and the content actions can be undone.
    Q_INVOKABLE void undo();
    Q_INVOKABLE void redo();
    bool canUndo() const { return m_undo.canUndo(); }
    bool canRedo() const { return m_undo.canRedo(); }
    // What the undo history keeps, points shared between its steps counted once.
    qint64 undoMemory() const { return m_undo.memory(); }

    // Revised frames belong to the list they were made from: every change of
    // the list's frames (not of their marks or scale) drops them.
    bool revisedCurrent() const;
    // The settings of the last completed revise, or null before the first;
    // reviseAgain runs it on the list as it stands (false when there was
    // none or it was cancelled).
    const ReviseParams *lastRevise() const { return m_hasRevised ? &m_lastRevise : nullptr; }
    bool reviseAgain();
    // Appends frames the file element read (a C table, an ILDA file) as one
    // step of the undo history.
    void appendRead(IldFrameSet &loaded);

    // Unsaved work (framesetunsaved.cpp). Whether the working list changed
    // since it was last opened or saved, the selection aside.
    Q_INVOKABLE bool isModified() const;
    // Before the editor closes: "close" (nothing unsaved, saved where it came
    // from, or dropped), "keep" (cancelled, or the save failed) or "name"
    // (to be saved under a name first).
    Q_INVOKABLE QString ask_save_changes();
    // Kept around an open or a save, which are no edits: a list unedited
    // before stays unedited, and the file it came from is remembered.
    class SaveState
    {
    public:
        explicit SaveState(frameSetModel *model);
        // Frames of path joined the list.
        void opened(const QString &path);
        // The list was saved to path: every frame (whole) or some.
        void saved(const QString &path, bool whole);

    private:
        frameSetModel *m_model;
        bool m_clean;
        bool m_empty;
    };

    int between() const { return m_between; }
    void setBetween(int value);
    int selectNum() const { return m_selectNum; }
    int selectStartFrame() const { return m_selectStartFrame; }
    void setSelectStartFrame(int value);
    int selectEndFrame() const { return m_selectEndFrame; }
    void setSelectEndFrame(int value);

    QString ildFileName() const { return m_ildFileName; }

signals:
    void between_Change(int index);
    void selectNum_Change(int index);
    void select_start_frame_Change(int index);
    void select_end_frame_Change(int index);
    void canUndoChanged();
    void canRedoChanged();
    void revisedCurrentChanged();

private:
    struct Owned;
    frameSetModel(Owned &owned, QObject *parent);
    void countSelected();
    void appendFrames(std::vector<IldFrame> &&frames);
    void dropRevised();
    void noteRevisedCurrent();

    // What an edit touched: one row of the working list, or both lists whole.
    struct FrameRows
    {
        int row = -1;
        FramesSnapshot work;
        FramesSnapshot revised;
    };
    class FrameEdit;
    // Records one undoable edit: the lists as they were when it began and as
    // they are when it ends (whatever way the function returns).
    class Edit
    {
    public:
        Edit(frameSetModel *model, const QString &text, int row = -1, int mergeKey = -1)
            : m_model(model), m_text(text), m_before(model->rows(row)), m_mergeKey(mergeKey)
        {}
        ~Edit() { m_model->record(m_text, std::move(m_before), m_mergeKey); }
        Edit(const Edit &) = delete;
        Edit &operator=(const Edit &) = delete;

    private:
        frameSetModel *m_model;
        QString m_text;
        FrameRows m_before;
        int m_mergeKey;
    };
    FrameRows rows(int row = -1);
    void restore(const FrameRows &rows);
    bool historyMatches(bool forUndo) const;
    void record(const QString &text, FrameRows before, int mergeKey);

    void markSaved(const QString &path);
    bool saveWholeList(const QString &path);
    void dropList();

    std::unique_ptr<Owned> m_owned;
    IldFrameSet *m_work = nullptr;
    IldFrameSet *m_revised = nullptr;
    ViewSettings *m_view = nullptr;
    UserPrompt *m_prompt = nullptr;
    WorkProgress *m_progress = nullptr;
    UserPrompt &prompt() const;
    UndoHistory m_undo;
    SnapshotPool m_snapshots;
    bool m_revisedCurrent = false;
    QString m_ildFileName;
    QByteArray m_savedDigest; // of the list as last opened or saved; empty: the empty list
    QString m_savedPath;      // the ILDA file that holds it, if any
    std::unique_ptr<IldFrameSet> m_moveBuffer;
    // Revise builds here and swaps with the revised set when it completes, so
    // a cancelled run changes nothing; the swapped-out frames are rebuilt in
    // place by the next run.
    IldFrameSet m_reviseBuffer;
    ReviseParams m_lastRevise;
    bool m_hasRevised = false;
    int m_between = 5;
    int m_selectNum = 0;
    int m_selectStartFrame = 0;
    int m_selectEndFrame = 0;
};
