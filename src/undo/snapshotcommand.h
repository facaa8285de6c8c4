#pragma once

#include <QUndoCommand>

#include <functional>
#include <utility>

// One undoable edit kept as the affected rows before and after it. Undo and
// redo put a whole copy back, so they restore exactly what was there.
template <typename Rows> class SnapshotCommand : public QUndoCommand
{
public:
    using Restore = std::function<void(const Rows &)>;

    // The edit has already been made when the command is pushed. Edits with
    // the same mergeKey (>= 0) in a row, such as a dragged slider, become one step.
    SnapshotCommand(const QString &text, Rows before, Rows after, Restore restore, int mergeKey = -1)
        : QUndoCommand(text), m_before(std::move(before)), m_after(std::move(after)), m_restore(std::move(restore)),
          m_mergeKey(mergeKey)
    {}

    const Rows &before() const { return m_before; }
    const Rows &after() const { return m_after; }

    void undo() override { m_restore(m_before); }
    void redo() override
    {
        if (m_pushed) {
            m_pushed = false; // QUndoStack::push redoes; the edit is already there
            return;
        }
        m_restore(m_after);
    }
    int id() const override { return m_mergeKey; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = dynamic_cast<const SnapshotCommand *>(other);
        if (!next)
            return false;
        m_after = next->m_after;
        return true;
    }

private:
    Rows m_before;
    Rows m_after;
    Restore m_restore;
    int m_mergeKey;
    bool m_pushed = true;
};
