// The cell editor contract and the edit controller contract.
//
// A cell editor stands between the edit controller and one in-place control: it creates the
// control lazily, parents, sizes and shows it, loads the cell value into it, reports start,
// change and resize to its listeners and hands the edited value back. Operations that each
// concrete editor supplies raise EAbstractError here.
#pragma once

#include "grid/KvGrids.Index.h"
#include "platform/rtl/Interfaces.h"
#include "platform/rtl/Variant.h"
#include "platform/ui/Controls.h"

#include <vector>

namespace kv {

class TKvGridColumn;
class TKvGridView;
class TKvGridCellEditor;
class IKvGridRenderer;

// The window background of edit controls.
constexpr TColor clWindow = clWhite;

// How a cell editor reports to the edit controller.
class IKvGridEditListener : public virtual IInterface
{
public:
    virtual void EditStart(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index) = 0;
    virtual void EditChange(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index) = 0;
    virtual void EditRequestResize(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index, int Width,
                                   int Height) = 0;
};

class TKvGridCellEditor : public TComponent
{
public:
    explicit TKvGridCellEditor(TComponent* owner);
    ~TKvGridCellEditor() override;

    virtual QString GetDisplayName() const;
    virtual void DoStart(const TKvGridCellIndex& Index);
    virtual void DoChanged(const TKvGridCellIndex& Index);
    virtual void DoButtonClicked(const TKvGridCellIndex& Index) {}
    virtual bool HasButton() const { return false; }
    virtual IKvGridRenderer* GetButtonRenderer() const { return nullptr; }
    virtual void ButtonClicked(const TKvGridCellIndex& Index) { DoButtonClicked(Index); }
    virtual TColor GetBackColor() const { return clWindow; }
    virtual void InitEditor();
    virtual void SetReadOnly(bool Value);
    virtual void SetEditIndex(const TKvGridCellIndex& Index) { FEditIndex = Index; }
    virtual void SetParent(TWinControl* Parent);
    virtual void CheckBounds(TRect& Rect) {}
    virtual void SetBounds(int Left, int Top, int Width, int Height);
    virtual void SetVisible(bool Value);
    virtual bool CanFocus() const;
    virtual void SetFocus();
    virtual void BeginEdit();
    virtual void EndEdit();
    virtual bool GetButton() const { return false; }
    virtual bool GetEditing() const;
    virtual bool GetEdited() const;
    virtual void SetEditValue(const Variant& Value);
    virtual Variant GetEditValue() const;
    virtual void Commit();
    virtual void Reset();
    virtual void Clear();

    // Editors made for one column stream inside that column.
    virtual bool IsInternal() const { return false; }
    virtual TKvGridColumn* GetParentColumn() const { return nullptr; }
    virtual bool NeedMask() const { return false; }
    // The owning grid (an editor owned by a grid view) refreshes.
    virtual void Changed();
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return IsInternal(); }

    // Raises EArgumentNilException "listener" for nil; ignores a duplicate.
    void AddListener(IKvGridEditListener* Listener);
    void RemoveListener(IKvGridEditListener* Listener);
    int GetListenerCount() const { return int(FListeners.size()); }
    void DoRequestResize(const TKvGridCellIndex& Index, int Width, int Height);
    // Hands a key or character to the grid's own key handling.
    void SendKeyToGrid(std::uint16_t& Key, TShiftState Shift);
    void SendCharToGrid(QChar& Key);

    TKvGridView* GetGrid() const { return FGrid; }
    // Set by the edit controller when it prepares the editor.
    void SetGrid(TKvGridView* Grid) { FGrid = Grid; }
    const TKvGridCellIndex& GetEditIndex() const { return FEditIndex; }
    const QString& GetRefName() const { return FRefName; }
    void SetRefName(const QString& Value) { FRefName = Value; }

protected:
    void ReadState(TReader& Reader) override;

    TKvGridView* FGrid = nullptr;
    TKvGridCellIndex FEditIndex;
    std::vector<IKvGridEditListener*> FListeners;
    QString FRefName;
};

// What the grid and its tools ask of the editing machinery.
class TKvGridEditController : public TObject
{
public:
    // Raises the internal invariant "owner is nil" for nil.
    explicit TKvGridEditController(TKvGridView* Owner);

    virtual bool GetEditing() const;
    // The open editor holds text not yet written.
    virtual bool GetModified() const { return false; }
    virtual TSize GetEditorSize() const { return TSize{0, 0}; }
    virtual void SetFocus();
    virtual void DoFocusedIndexChanging();
    virtual void DoFocusedIndexChanged(const TKvGridCellIndex& Index);
    virtual void CommitEditor(bool Hide);
    virtual void CancelEditor(bool Prepare);
    virtual void ShowEditor(bool Button);
    virtual void ResetEditor(bool Reload);
    // The row at item From now stands at To: an editor on it goes with it.
    virtual void ItemMoved(int From, int To) {}
    // The editor is being freed: forget it.
    virtual void EditorRemoved(TKvGridCellEditor* Editor) {}
    // The row at item Index is about to be written: an open editor on it stores its text
    // first, or raises with its message to refuse the commit.
    virtual void ItemCommitting(int Index) {}

    TKvGridView* GetOwner() const { return FOwner; }
    // The cell value read from the grid's item provider; unassigned outside the items.
    Variant GetData(const TKvGridCellIndex& Index) const;
    // Writes through an editable item provider; true when there was one to write to.
    bool SetData(const TKvGridCellIndex& Index, const Variant& Value);

protected:
    void GridEditPrepared(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index);
    void GridEditStarted(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index);
    void GridEdited(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index, const Variant& Value);
    void GridEditCanceled(const TKvGridCellIndex& Index);
    void GridEditCommit(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index, const Variant& Value);
    void GridEditCompleted(const TKvGridCellIndex& Index);
    void ButtonClick(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index);
    void ResetFocusedView();

    TKvGridView* FOwner;
};

} // namespace kv
