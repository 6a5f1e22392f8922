// Item sorters: order a range of a provider's items by one field through Exchange.
#pragma once

#include "model/KvGrids.Model.h"
#include "platform/rtl/Interfaces.h"

namespace kv {

class IKvGridItemSorter : public virtual IInterface
{
public:
    // Orders the items First..Last (inclusive) of Provider by Field.
    virtual void Run(TKvGridItemProvider* Provider, int Field, TKvGridSortDirection Direction, int First, int Last) = 0;
};

// A sorter that orders a range by several keys at once (ties of one key by the next).
class IKvGridMultiKeySorter : public virtual IInterface
{
public:
    virtual void RunKeys(TKvGridItemProvider* Provider, const TKvIntegerArray& Fields,
                         const TKvGridSortDirections& Directions, int First, int Last) = 0;
};

class TKvGridItemSorter : public TInterfacedObject, public IKvGridItemSorter
{
};

// Leaves the rows in data order.
class TKvGridItemNullSorter : public TKvGridItemSorter
{
protected:
    friend class TCreateAccess;
    TKvGridItemNullSorter() = default;

public:
    void Run(TKvGridItemProvider*, int, TKvGridSortDirection, int, int) override {}
};

// Reads each cell once into order-preserving integer keys, packs the keys of all fields
// into machine words and sorts them by radix (stable: ties keep their order); the provider
// then takes the order with ApplyOrder. The order is the total variant order of Variant.h,
// the order of TKvGridDataProvider::CompareValue; a provider comparing a field its own way
// hands keys for it, or is asked row pair by row pair. A field outside the data source's fields
// ends the keys (a bad first field leaves the range as it is).
class TKvGridItemQuickSorter : public TKvGridItemSorter, public IKvGridMultiKeySorter
{
protected:
    friend class TCreateAccess;
    TKvGridItemQuickSorter() = default;

public:
    void Run(TKvGridItemProvider* Provider, int Field, TKvGridSortDirection Direction, int First, int Last) override;
    void RunKeys(TKvGridItemProvider* Provider, const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions,
                 int First, int Last) override;
    // Order: positions into Rows in their new order by Fields; false leaves the rows as they are.
    // Runs, when given, receives where the values change along Order (positions from 0, the
    // fields compared) when the keys tell it; else its fields stay empty.
    bool OrderRows(const TKvGridDataProvider* Source, TKvRowIndices Rows, const TKvIntegerArray& Fields,
                   const TKvGridSortDirections& Directions, std::vector<int>& Order,
                   TKvGridValueRuns* Runs = nullptr);
};

class TKvGridItemStraightSorter : public TKvGridItemSorter
{
protected:
    friend class TCreateAccess;
    TKvGridItemStraightSorter() = default;

public:
    void Run(TKvGridItemProvider*, int, TKvGridSortDirection, int, int) override {}
};

class TKvGridItemRandomSorter : public TKvGridItemSorter
{
protected:
    friend class TCreateAccess;
    TKvGridItemRandomSorter() = default;

public:
    void Run(TKvGridItemProvider*, int, TKvGridSortDirection, int, int) override {}
};

// The process-wide quick sorter, created on first use.
IKvGridItemSorter* GetSharedQuickSorter();

} // namespace kv
