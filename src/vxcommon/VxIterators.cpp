#include "VxIterators.h"

#include "ArExceptions.h"

LY_UNIT("Units/VxLists")

bool TVxForwardIterator::First() {
    Reset();
    return Done();
}

void TVxForwardIterator::Next() {
    LY_ASSERT(!Done());
    Advance();
}

bool TVxForwardIterator::IsEmpty() {
    if (!IsFirst() && !Done())
        return false;
    return First();
}

bool TVxForwardIterator::IsFirst() const {
    return Position() == 0;
}

void TVxTwoWayIterator::Reset() {
    MoveToStart();
    LY_ASSERT(IsFirst());
}

void TVxTwoWayIterator::Next() {
    TVxForwardIterator::Next();
    LY_ASSERT(!IsFirst());
}

bool TVxTwoWayIterator::HasPrevious() const {
    return !IsFirst();
}

bool TVxTwoWayIterator::IsLast() {
    if (Done())
        return false;
    Advance();
    const bool last = Done();
    Retreat();
    return last;
}

void TVxTwoWayIterator::Previous() {
    LY_ASSERT(HasPrevious());
    Retreat();
    LY_ASSERT(!Done());
}

bool TVxBoundedIterator::Done() const {
    return Position() >= Count();
}

bool TVxBoundedIterator::IsLast() {
    return Position() == Count() - 1;
}
