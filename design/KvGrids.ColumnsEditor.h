// The columns editor: a modeless tool window showing a grid's column tree, with commands to
// add, delete, clear and reorder columns and to open their style sets. Its selection drives
// the designer's selection. One editor is open per process.
//
//     TKvColumnsEditorForm::Execute(grid, designer);   // opens, or brings to the front
//     TKvColumnsEditorForm::RefreshEditor(grid);        // reloads the tree after a change
#pragma once

#include "grid/KvGrids.h"
#include "platform/design/DesignIntf.h"
#include "platform/design/DesignForms.h"

namespace kv {

class TKvColumnsEditorForm;

// Tells the editor about its designer: modifications refresh the node texts, closing the
// designer frees the editor.
class TKvDesignNotification : public TInterfacedObject, public IDesignNotification
{
public:
    explicit TKvDesignNotification(TKvColumnsEditorForm* editor) : FEditor(editor) {}

    void ItemDeleted(IDesigner* designer, TPersistent* item) override;
    void ItemInserted(IDesigner* designer, TPersistent* item) override {}
    void ItemsModified(IDesigner* designer) override;
    void SelectionChanged(IDesigner* designer, const TDesignerSelections& selection) override {}
    void DesignerOpened(IDesigner* designer, bool resurrecting) override {}
    void DesignerClosed(IDesigner* designer, bool goingDormant) override;

private:
    friend class TKvColumnsEditorForm;
    TKvColumnsEditorForm* FEditor;
};

class TKvColumnsEditorForm : public TComponent
{
protected:
    friend class TCreateAccess;
    explicit TKvColumnsEditorForm(TComponent* owner);

public:
    enum { ImageGrid = 0, ImageGroup = 1, ImageColumn = 2 };

    ~TKvColumnsEditorForm() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // Opens the editor for the grid: brings an editor of the same grid to the front, closes
    // one of another grid first.
    static void Execute(TKvGridView* grid, IDesigner* designer);
    // Reloads the open editor's tree when it edits this grid.
    static void RefreshEditor(TKvGridView* grid);
    // The open editor, nil when none.
    static TKvColumnsEditorForm* Current();
    // Frees the open editor (the design package's unloading).
    static void FreeEditor();

    TKvGridView* GetGrid() const { return FGrid; }
    void SetGrid(TKvGridView* grid);
    IDesigner* GetDesigner() const { return FDesigner; }
    void LoadColumns();
    // Depth-first search of the tree; nil when the column has no node.
    TDesignTreeNode* FindNode(TKvGridColumn* column) const;
    void SelectColumn(TKvGridColumn* column);
    TDesignTreeNode* GetRoot() const { return FRoot; }
    // Closes the window; the editor is freed after the closing event.
    void Close();
    TDesignWindow* Window() const { return FWindow.get(); }

    TNotifyEvent FOnChange;

    TDesignToolBar* tbarMain = nullptr;
    TDesignTreeView* tvMain = nullptr;
    TDesignMenu* popMain = nullptr;
    TDesignAction* actAddColumn = nullptr;
    TDesignAction* actAddGroup = nullptr;
    TDesignAction* actDelete = nullptr;
    TDesignAction* actClear = nullptr;
    TDesignAction* actMoveUp = nullptr;
    TDesignAction* actMoveDown = nullptr;
    TDesignAction* actStyles = nullptr;
    TDesignAction* actHeaderStyles = nullptr;
    TDesignAction* actFooterStyles = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TKvDesignNotification;

    void CreateActions();
    void TreeChanged();
    void SetSelection();
    void UpdateActions();
    void AddColumnNodes(TDesignTreeNode* parent, TKvGridColumnGroup* group);
    TDesignTreeNode* AddColumnNode(TDesignTreeNode* parent, TKvGridColumn* column, int index);
    TKvGridColumn* SelectedColumn() const;
    void Modified();
    // The column's name: the grid's name and the field name (or "column"; "group" for a group),
    // then 2, 3, ... until no component of the process or of the grid's owner has it.
    QString UniqueColumnName(const QString& suffix) const;

    void AddColumnExecute();
    void AddGroupExecute();
    void DeleteExecute();
    void ClearExecute();
    void MoveExecute(int delta);
    void StylesExecute(int which);

    std::unique_ptr<TDesignWindow> FWindow;
    std::vector<std::unique_ptr<TBitmap>> FImages;
    TComponentRef<TKvGridView> FGrid{TNotifyHolder{this}};
    IDesigner* FDesigner = nullptr;
    TDesignTreeNode* FRoot = nullptr;
    IntfPtr<TKvDesignNotification> FNoti;
    bool FClosing = false;
};

} // namespace kv
