#pragma once

#include <QtGlobal>

// Selection state of a file, a set or an extension group. The numbers are
// the ones the three-state boxes and the tree's arithmetic use (1 on, 0 off,
// -1 mixed); the underlying type keeps any other stored number as it is.
enum class MarkState : qint64
{
    Mixed = -1,
    Unmarked = 0,
    Marked = 1
};

constexpr qint64 markValue(MarkState state)
{
    return static_cast<qint64>(state);
}

// A file counts as marked for any state but Unmarked.
constexpr bool isMarked(MarkState state)
{
    return state != MarkState::Unmarked;
}
