#include "undohistory.h"

UndoStep::~UndoStep() = default;

bool UndoStep::mergeWith(UndoStep &next)
{
    Q_UNUSED(next)
    return false;
}

UndoHistory::UndoHistory(qint64 memoryBudget, int maxSteps, QObject *parent)
    : QObject(parent), m_budget(memoryBudget), m_maxSteps(std::max(1, maxSteps))
{}

UndoHistory::~UndoHistory() = default;

template <typename F> void UndoHistory::change(F &&f)
{
    const bool couldUndo = canUndo();
    const bool couldRedo = canRedo();
    f();
    if (couldUndo != canUndo())
        emit canUndoChanged(canUndo());
    if (couldRedo != canRedo())
        emit canRedoChanged(canRedo());
}

void UndoHistory::push(std::unique_ptr<UndoStep> step)
{
    if (!step)
        return;
    change([&] {
        m_steps.erase(m_steps.begin() + m_index, m_steps.end());
        UndoStep *last = m_steps.empty() ? nullptr : m_steps.back().get();
        if (last && step->mergeKey() >= 0 && last->mergeKey() == step->mergeKey() && last->mergeWith(*step))
            return;
        m_steps.push_back(std::move(step));
        m_index = int(m_steps.size());
        trim();
    });
}

void UndoHistory::undo()
{
    if (!canUndo())
        return;
    change([this] {
        --m_index;
        m_steps[size_t(m_index)]->undo();
    });
}

void UndoHistory::redo()
{
    if (!canRedo())
        return;
    change([this] {
        m_steps[size_t(m_index)]->redo();
        ++m_index;
    });
}

void UndoHistory::clear()
{
    change([this] {
        m_steps.clear();
        m_index = 0;
    });
}

qint64 UndoHistory::memory() const
{
    MemoryCount count;
    for (const auto &s : m_steps)
        s->countMemory(count);
    return count.bytes();
}

// Called right after a push, when nothing can be redone: the oldest steps go
// first.
void UndoHistory::trim()
{
    size_t drop = m_steps.size() > size_t(m_maxSteps) ? m_steps.size() - size_t(m_maxSteps) : 0;
    if (m_budget > 0) {
        // Count from the newest back: a block shared with a newer step is
        // paid for there, so what an old step alone keeps is what it adds.
        MemoryCount count;
        for (size_t i = m_steps.size(); i-- > drop;) {
            m_steps[i]->countMemory(count);
            if (count.bytes() > m_budget && i + 1 < m_steps.size()) {
                drop = i + 1;
                break;
            }
        }
    }
    if (drop == 0)
        return;
    m_steps.erase(m_steps.begin(), m_steps.begin() + qint64(drop));
    m_index = int(m_steps.size());
}
