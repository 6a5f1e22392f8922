// The default edit controller: which cell editor stands over the focused cell, waiting at
// zero size and focused so that the first key reaches it; opening it over the cell (F2, a
// click, typing); writing the value through the editable item provider; cancelling.
//
// Call flow: the grid calls DoFocusedIndexChanging/DoFocusedIndexChanged around each focus
// change, ShowEditor/CommitEditor/CancelEditor from its commands, ResetEditor after layout.
// Editors report through the nested listener: start (typing began), change, resize.
#pragma once

#include "grid/KvGrids.EditorBase.h"

#include <memory>

namespace kv {

// A plain window-less control that fills its client area with its colour; it lies under a
// single-line editor so that the cell around the smaller edit shows the editor's background.
class TEditorMask : public TCustomControl
{
protected:
    friend class TCreateAccess;
    explicit TEditorMask(TComponent* owner) : TCustomControl(owner) {}

public:
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value);

protected:
    void Paint() override;

private:
    TColor FColor = clWindow;
};

// The edited value as the field's type (EConvertError naming Field when text does not convert).
Variant FieldValue(const Variant& Value, TKvGridValueType Type, const QString& Field);

class TKvDefaultGridEditController : public TKvGridEditController
{
public:
    explicit TKvDefaultGridEditController(TKvGridView* Owner);
    ~TKvDefaultGridEditController() override;

    bool GetEditing() const override;
    TSize GetEditorSize() const override;
    void SetFocus() override;
    void DoFocusedIndexChanging() override;
    void DoFocusedIndexChanged(const TKvGridCellIndex& Index) override;
    void CommitEditor(bool Hide) override;
    void CancelEditor(bool Prepare) override;
    void ShowEditor(bool Button) override;
    void ResetEditor(bool Reload) override;
    void ItemMoved(int From, int To) override;
    void ItemCommitting(int Index) override;
    void EditorRemoved(TKvGridCellEditor* Editor) override;

    TKvGridCellEditor* GetEditor() const { return FEditor; }
    const TKvGridCellIndex& GetEditIndex() const { return FEditIndex; }
    bool GetModified() const override { return FModified; }
    const TRect& GetEditBounds() const { return FEditBounds; }
    const TRect& GetEditorBounds() const { return FEditorBounds; }
    TEditorMask* GetEditorMask() const { return FEditorMask; }
    bool IsRegistered(TKvGridCellEditor* Editor) const;

    void RegisterEditor(TKvGridCellEditor* Editor);
    void PrepareEditor(const TKvGridCellIndex& Index);
    void MoveEditor();
    void HideEditor();
    void InitEditor();
    void ActivateEditor();
    void DoEditorStarted();
    void DoEditorChange();
    void DoEditorRequestResize(int Width, int Height);
    void SetEditorBounds(const TRect& R);

private:
    class TKvGridEditListener;
    void ApplyReadOnly();
    void EndCellEdit(bool Prepare);
    bool CanEditCell() const;
    void CheckController(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index) const;

    IntfPtr<IKvGridEditListener> FEditListener;
    std::vector<TKvGridCellEditor*> FEditors;
    TKvGridCellIndex FEditIndex;
    TKvGridCellEditor* FEditor = nullptr;
    bool FModified = false;
    TRect FEditBounds;
    TRect FEditorBounds;
    TEditorMask* FEditorMask = nullptr;
};

} // namespace kv
