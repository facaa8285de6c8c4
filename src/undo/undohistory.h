#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <unordered_set>
#include <vector>

// Adds up what undo steps keep. Blocks that several steps share (the points
// of a frame no edit touched) count once.
class MemoryCount
{
public:
    void add(qint64 bytes) { m_bytes += bytes; }
    void addShared(const void *block, qint64 bytes)
    {
        if (m_seen.insert(block).second)
            m_bytes += bytes;
    }
    qint64 bytes() const { return m_bytes; }

private:
    std::unordered_set<const void *> m_seen;
    qint64 m_bytes = 0;
};

// One edit that can be taken back and made again.
class UndoStep
{
public:
    explicit UndoStep(const QString &text, int mergeKey = -1) : m_text(text), m_mergeKey(mergeKey) {}
    virtual ~UndoStep();
    UndoStep(const UndoStep &) = delete;
    UndoStep &operator=(const UndoStep &) = delete;

    virtual void undo() = 0;
    virtual void redo() = 0;
    // Takes in next, the same kind of edit right after this one (a dragged
    // slider is one step); false when it cannot.
    virtual bool mergeWith(UndoStep &next);
    virtual void countMemory(MemoryCount &count) const = 0;

    const QString &text() const { return m_text; }
    // Steps with the same key (>= 0) in a row become one.
    int mergeKey() const { return m_mergeKey; }

private:
    QString m_text;
    int m_mergeKey;
};

// A linear undo history bounded by the memory its steps keep as well as by
// their number: once over either, the oldest steps go. The newest step
// always stays, so the last edit can be taken back whatever it cost.
class UndoHistory : public QObject
{
    Q_OBJECT
public:
    UndoHistory(qint64 memoryBudget, int maxSteps, QObject *parent = nullptr);
    ~UndoHistory() override;

    // The edit is already made; the steps that could be redone are dropped.
    void push(std::unique_ptr<UndoStep> step);
    void undo();
    void redo();
    void clear();

    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index < int(m_steps.size()); }
    // The step undo (redo) would take, or null.
    const UndoStep *undoStep() const { return canUndo() ? m_steps[size_t(m_index - 1)].get() : nullptr; }
    const UndoStep *redoStep() const { return canRedo() ? m_steps[size_t(m_index)].get() : nullptr; }
    int count() const { return int(m_steps.size()); }
    // What the steps keep, shared blocks counted once.
    qint64 memory() const;
    qint64 memoryBudget() const { return m_budget; }

signals:
    void canUndoChanged(bool canUndo);
    void canRedoChanged(bool canRedo);

private:
    void trim();
    template <typename F> void change(F &&f);

    std::vector<std::unique_ptr<UndoStep>> m_steps;
    int m_index = 0; // steps before it are done
    qint64 m_budget;
    int m_maxSteps;
};
