// The iterator protocol: forward, two-way, bounded and index-based iterators.
//
// Position is 0-based; Done means past the last item. The usual loop:
//   for (it.First(); !it.Done(); it.Next())
//       use the current item;
#pragma once

#include "VxUtils.h"

// An iterator that only moves forward.
class TVxForwardIterator : public TVxOptionallyReferenceCountedObject {
public:
    explicit TVxForwardIterator(bool referenceCounted = false)
        : TVxOptionallyReferenceCountedObject(referenceCounted) {}

    virtual int Position() const = 0;
    // Resets, then returns Done(): true when there is nothing to visit.
    virtual bool First();
    virtual void Reset() = 0;
    // Moves to the next item; asserts not Done().
    virtual void Next();
    virtual bool Done() const = 0;
    // False while a current item after the first exists; otherwise restarts the iteration to
    // find out.
    virtual bool IsEmpty();
    virtual bool IsFirst() const;

protected:
    virtual void Advance() = 0;
};

// An iterator that can also move back.
class TVxTwoWayIterator : public TVxForwardIterator {
public:
    using TVxForwardIterator::TVxForwardIterator;

    // Moves to the start; asserts that it got there.
    void Reset() override;
    // Moves to the next item; asserts not Done() before and not at the start after.
    void Next() override;
    virtual bool HasPrevious() const;
    // True at the last item. Steps forward and back to find out; false once Done().
    virtual bool IsLast();
    // Moves to the previous item; asserts HasPrevious() before and not Done() after.
    void Previous();

protected:
    virtual void Retreat() = 0;
    virtual void MoveToStart() = 0;
};

// A two-way iterator over a known number of items.
class TVxBoundedIterator : public TVxTwoWayIterator {
public:
    using TVxTwoWayIterator::TVxTwoWayIterator;

    // Past the last item; also when the items shrank below the position.
    bool Done() const override;
    bool IsLast() override;
    virtual int Count() const = 0;
};

// A bounded iterator whose position is an index; implementers supply Count and the item access.
class TVxSimpleBoundedIterator : public TVxBoundedIterator {
public:
    using TVxBoundedIterator::TVxBoundedIterator;

    int Position() const override { return FIndex; }
    int Index() const { return FIndex; }

protected:
    void Advance() override { ++FIndex; }
    void Retreat() override { --FIndex; }
    void MoveToStart() override { FIndex = 0; }

private:
    int FIndex = 0;
};
