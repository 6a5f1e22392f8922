// The grid's multi-selection: selection items (blocks, rows, columns) kept by the selection
// manager, its change notices, and the sprites that paint selections.
//
// Call flow: tools and trackers call Add / ClearAndAdd / Resize on items; every change is
// told to the listeners (the grid view re-lays out its selection views); the clipboard and
// the row commands read GetRanges. Items belong to the manager: a holder of an item pointer
// drops it on ItemRemoved for that item and on Cleared.
#pragma once

#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Options.h"
#include "graphics/KvGrids.Common.Sprites.h"
#include "platform/graphics/Types.h"
#include "platform/rtl/Listeners.h"

#include <memory>
#include <vector>

namespace kv {

class TKvGridView;
class TKvGridSelectionManager;

// The base of the manager's ranges.
class TKvGridSelectionItem : public TObject
{
public:
    explicit TKvGridSelectionItem(TKvGridSelectionManager* manager) : FManager(manager) {}

    TKvGridSelectionManager* GetManager() const { return FManager; }
    virtual TKvGridSelectionStyle GetStyle() const = 0;
    // The moving end.
    virtual TKvGridCellIndex GetLastIndex() const = 0;
    virtual bool IsSingleCell() const { return false; }
    virtual bool Contains(const TKvGridCellIndex& index) const = 0;
    virtual TKvGridRange GetBounds() const = 0;
    virtual bool IntersectsWith(const TKvGridSelectionItem* item) const = 0;
    virtual void MergeWidth(const TKvGridSelectionItem* item) = 0;
    virtual void Resize(const TKvGridCellIndex& index) = 0;
    virtual QString ToString() const = 0;
    // Reports the item to its manager.
    void Changed();

protected:
    TKvGridSelectionManager* FManager;
};

class TKvBlockSelection : public TKvGridSelectionItem
{
public:
    TKvBlockSelection(TKvGridSelectionManager* manager, const TKvGridCellIndex& from, const TKvGridCellIndex& to);

    TKvGridSelectionStyle GetStyle() const override { return SelectBlock; }
    TKvGridCellIndex GetLastIndex() const override { return FBottomRight; }
    bool IsSingleCell() const override { return FTopLeft == FBottomRight; }
    bool Contains(const TKvGridCellIndex& index) const override;
    TKvGridRange GetBounds() const override;
    bool IntersectsWith(const TKvGridSelectionItem* item) const override;
    void MergeWidth(const TKvGridSelectionItem* item) override {}
    void Resize(const TKvGridCellIndex& index) override;
    QString ToString() const override;

    const TKvGridCellIndex& GetTopLeft() const { return FTopLeft; }
    const TKvGridCellIndex& GetBottomRight() const { return FBottomRight; }

private:
    TKvGridCellIndex FTopLeft;
    TKvGridCellIndex FBottomRight;
};

class TKvRowsSelection : public TKvGridSelectionItem
{
public:
    TKvRowsSelection(TKvGridSelectionManager* manager, TKvGridView* grid, int fromItem, int toItem);

    TKvGridSelectionStyle GetStyle() const override { return SelectRows; }
    TKvGridCellIndex GetLastIndex() const override;
    bool Contains(const TKvGridCellIndex& index) const override;
    TKvGridRange GetBounds() const override;
    bool IntersectsWith(const TKvGridSelectionItem* item) const override;
    void MergeWidth(const TKvGridSelectionItem* item) override;
    void Resize(const TKvGridCellIndex& index) override;
    QString ToString() const override;

    int GetStartRow() const { return FStartRow; }
    int GetEndRow() const { return FEndRow; }

private:
    TKvGridView* FGrid;
    int FStartRow;
    int FEndRow;
};

class TKvColumnsSelection : public TKvGridSelectionItem
{
public:
    TKvColumnsSelection(TKvGridSelectionManager* manager, TKvGridView* grid, const TKvGridCellIndex& from,
                        const TKvGridCellIndex& to);

    TKvGridSelectionStyle GetStyle() const override { return SelectColumns; }
    TKvGridCellIndex GetLastIndex() const override;
    bool Contains(const TKvGridCellIndex& index) const override;
    TKvGridRange GetBounds() const override;
    bool IntersectsWith(const TKvGridSelectionItem* item) const override;
    void MergeWidth(const TKvGridSelectionItem* item) override;
    void Resize(const TKvGridCellIndex& index) override;
    QString ToString() const override;

    TKvGridColumn* GetStartColumn() const { return FStartColumn; }
    TKvGridColumn* GetEndColumn() const { return FEndColumn; }

private:
    TKvGridView* FGrid;
    TKvGridColumn* FStartColumn;
    TKvGridColumn* FEndColumn;
};

class TKvGridSelectionChangeListener
{
public:
    virtual ~TKvGridSelectionChangeListener() = default;
    virtual void ItemAdded(TKvGridSelectionManager* manager, TKvGridSelectionItem* item) = 0;
    // The item is freed after the notice.
    virtual void ItemRemoved(TKvGridSelectionManager* manager, TKvGridSelectionItem* item) = 0;
    virtual void ItemChanged(TKvGridSelectionManager* manager, TKvGridSelectionItem* item) = 0;
    // Every item is gone.
    virtual void Cleared(TKvGridSelectionManager* manager) = 0;
};

using TKvGridRanges = std::vector<TKvGridRange>;

class TKvGridSelectionManager : public TObject
{
public:
    explicit TKvGridSelectionManager(TKvGridView* grid) : FGrid(grid) {}

    TKvGridView* GetGrid() const { return FGrid; }
    virtual int GetCount() const = 0;
    virtual TKvGridSelectionItem* GetItem(int i) const = 0;
    // The last item added; nil without items.
    virtual TKvGridSelectionItem* GetCurrent() const = 0;
    virtual void ItemChanged(TKvGridSelectionItem* item) = 0;
    virtual void AddChangeListener(TKvGridSelectionChangeListener* listener) = 0;
    virtual void RemoveChangeListener(TKvGridSelectionChangeListener* listener) = 0;
    virtual bool IsSingleCell() const = 0;
    virtual TKvGridSelectionItem* FindRange(const TKvGridCellIndex& index) const = 0;
    virtual TKvGridSelectionItem* FindRows(int row) const = 0;
    virtual TKvGridSelectionItem* FindColumns(TKvGridColumn* column) const = 0;
    virtual TKvGridSelectionItem* Add(const TKvGridCellIndex& from, const TKvGridCellIndex& to,
                                      TKvGridSelectionStyle style) = 0;
    virtual void Clear() = 0;
    virtual void ClearOthers(TKvGridSelectionStyle style) = 0;
    virtual TKvGridSelectionItem* ClearAndAdd(const TKvGridCellIndex& from, const TKvGridCellIndex& to,
                                              TKvGridSelectionStyle style) = 0;
    virtual void Remove(TKvGridSelectionItem* item) = 0;
    virtual bool Intersects(const TKvGridSelectionItem* item1, const TKvGridSelectionItem* item2) const = 0;
    virtual TKvGridSelectionItem* Merge(TKvGridSelectionItem* item1, TKvGridSelectionItem* item2) = 0;
    virtual void Normalize() = 0;
    virtual TKvGridRanges GetRanges() const = 0;
    // True while the manager holds the item (a borrowed pointer is still good).
    virtual bool Holds(const TKvGridSelectionItem* item) const = 0;

protected:
    TKvGridView* FGrid;
};

class TKvDefaultGridSelectionManager : public TKvGridSelectionManager
{
public:
    explicit TKvDefaultGridSelectionManager(TKvGridView* grid);
    // Frees the items without notices.
    ~TKvDefaultGridSelectionManager() override;

    int GetCount() const override { return static_cast<int>(FItems.size()); }
    TKvGridSelectionItem* GetItem(int i) const override;
    TKvGridSelectionItem* GetCurrent() const override;
    void ItemChanged(TKvGridSelectionItem* item) override;
    void AddChangeListener(TKvGridSelectionChangeListener* listener) override;
    void RemoveChangeListener(TKvGridSelectionChangeListener* listener) override;
    bool IsSingleCell() const override;
    TKvGridSelectionItem* FindRange(const TKvGridCellIndex& index) const override { return nullptr; }
    TKvGridSelectionItem* FindRows(int row) const override { return nullptr; }
    TKvGridSelectionItem* FindColumns(TKvGridColumn* column) const override { return nullptr; }
    TKvGridSelectionItem* Add(const TKvGridCellIndex& from, const TKvGridCellIndex& to,
                              TKvGridSelectionStyle style) override;
    void Clear() override;
    void ClearOthers(TKvGridSelectionStyle style) override;
    // Sends Cleared when items went, then ItemAdded.
    TKvGridSelectionItem* ClearAndAdd(const TKvGridCellIndex& from, const TKvGridCellIndex& to,
                                      TKvGridSelectionStyle style) override;
    void Remove(TKvGridSelectionItem* item) override;
    bool Intersects(const TKvGridSelectionItem* item1, const TKvGridSelectionItem* item2) const override;
    TKvGridSelectionItem* Merge(TKvGridSelectionItem* item1, TKvGridSelectionItem* item2) override;
    void Normalize() override;
    TKvGridRanges GetRanges() const override;
    bool Holds(const TKvGridSelectionItem* item) const override;

    const TKvGridCellIndex& GetFocused() const { return FFocused; }

private:
    void RemoveAt(size_t i);
    TKvGridSelectionItem* CreateItem(const TKvGridCellIndex& from, const TKvGridCellIndex& to,
                                     TKvGridSelectionStyle style);

    TListenerList<TKvGridSelectionChangeListener> FListeners;
    TKvGridCellIndex FFocused;
    std::vector<std::unique_ptr<TKvGridSelectionItem>> FItems;
};

// One selection item drawn in the grid's selection layer.
class TKvGridSelectionView : public TKvLayerElement
{
public:
    TKvGridSelectionView(TKvSpriteControl* control, const QString& name = QStringLiteral("selectView"))
        : TKvLayerElement(control, name)
    {
    }
    TKvGridSelectionItem* GetModel() const { return FModel; }
    void SetModel(TKvGridSelectionItem* value) { FModel = value; }

protected:
    void DoDraw(TKvDrawingContext* context) override;

private:
    TKvGridSelectionItem* FModel = nullptr;
};

// Every selection range as one merged set of rectangles (grid coordinates).
class TKvGridSelectionMask : public TKvLayerElement
{
public:
    TKvGridSelectionMask(TKvSpriteControl* control, const QString& name = QStringLiteral("selectionMask"))
        : TKvLayerElement(control, name)
    {
    }

    void Clear();
    // Merges the rectangle with every one it meets.
    void Add(const TRect& rect);
    const std::vector<TRect>& GetSelections() const { return FSelections; }
    bool GetSingleCell() const { return FSingleCell; }
    void SetSingleCell(bool value) { FSingleCell = value; }
    TRect UpdateBounds() const override;

protected:
    void DoDraw(TKvDrawingContext* context) override;

private:
    bool Hidden() const;

    std::vector<TRect> FSelections;
    bool FSingleCell = false;
};

} // namespace kv
