// Windows of the design-time editors and the platform's modal windows: one window class
// (TDesignWindow, a modal dialog or a modeless tool window) laid out with Qt grid layouts, and
// thin wrappers over the Qt widgets its editors use (labels, edits, up-downs, track bars,
// combo boxes with owner-drawn items, radio groups, group boxes, check boxes, buttons, paint
// boxes, a tree view, actions shown in a tool bar and a pop-up menu). A window also embeds the
// library's own controls (PlaceControl).
//
// A window owns its wrappers (TDesignWindow::Add) and its Qt window owns their widgets.
// Events are std::function members and follow the one rule of every control (TEventSource in
// UiTypes.h): a change event fires for each change of the value, by the user or by a setter;
// code that must not be heard changes values under a TEventBlocker over the control or over
// the whole window. Owner-drawn items and paint boxes paint through a TCanvas over the
// widget's painter.
//
// Modal windows: ShowModal is the one modal loop. Once a modal window shows, the modal-window
// hook (SetModalWindowHook) runs inside its loop with the window, so that tests and embedding
// hosts answer it; GetOwner leads from the window to the dialog object that made it.
#pragma once

#include "platform/design/DesignDialogs.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Types.h"
#include "platform/rtl/Classes.h"
#include "platform/ui/UiTypes.h"

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class QGridLayout;
class QTreeWidgetItem;
class QAction;

namespace kv {

class TControl;
class TDesignWindow;

class TDesignControl : public TObject, public TEventSource
{
public:
    explicit TDesignControl(QWidget* widget) : FWidget(widget) {}
    QWidget* Widget() const { return FWidget; }
    // The window the control sits in; nil before it is placed in one.
    TDesignWindow* GetWindow() const;

    // The control's own flag (shown once its window is).
    bool GetVisible() const;
    void SetVisible(bool value);
    bool GetEnabled() const;
    void SetEnabled(bool value);
    void SetFocus();
    bool Focused() const;
    // The widget's object name (for look-ups by name).
    void SetName(const QString& name);
    void SetHint(const QString& hint);
    // Repaints the control.
    void Invalidate();
    // The least width the layout gives the control.
    void SetMinimumWidth(int width);

protected:
    // Whether an event may fire now: neither the control nor its window is blocked.
    bool CanRaise() const;

    QWidget* FWidget;
};

// A control that lays out other controls in the cells of a grid.
class TDesignContainer : public TDesignControl
{
public:
    explicit TDesignContainer(QWidget* widget);
    void Place(TDesignControl* control, int row, int column, int rowSpan = 1, int columnSpan = 1);
    // Embeds a library control's peer widget.
    void PlaceControl(TControl* control, int row, int column, int rowSpan = 1, int columnSpan = 1);
    // A row or column that takes the extra space (stretch 1).
    void SetRowStretch(int row, int stretch);
    void SetColumnStretch(int column, int stretch);
    void SetMargins(int margin);

protected:
    QGridLayout* FLayout;
};

class TDesignLabel : public TDesignControl
{
public:
    TDesignLabel(QWidget* parent, const QString& caption);
    QString GetCaption() const;
    void SetCaption(const QString& value);
    // Long texts wrap.
    void SetWordWrap(bool value);
};

class TDesignEdit : public TDesignControl
{
public:
    explicit TDesignEdit(QWidget* parent);
    QString GetText() const;
    void SetText(const QString& value);
    void SetReadOnly(bool value);
    // The text changed (typed or set).
    std::function<void(TDesignEdit* sender)> OnChange;
};

// A plain-text edit of several lines.
class TDesignMemo : public TDesignControl
{
public:
    explicit TDesignMemo(QWidget* parent);
    QStringList GetLines() const;
    void SetLines(const QStringList& value);
    // The text changed (typed or set).
    std::function<void(TDesignMemo* sender)> OnChange;
};

// Up and down arrow buttons that step a position and write it into an associated edit.
class TDesignUpDown : public TDesignControl
{
public:
    TDesignUpDown(QWidget* parent, int min, int max);
    int GetMin() const { return FMin; }
    int GetMax() const { return FMax; }
    int GetPosition() const { return FPosition; }
    // Clamped; writes the associate's text (a change of its text).
    void SetPosition(int value);
    void SetAssociate(TDesignEdit* edit) { FAssociate = edit; }
    // Steps as an arrow click does.
    void Click(bool up);
    // An arrow was clicked (after the step).
    std::function<void(TDesignUpDown* sender)> OnClick;

private:
    int FMin;
    int FMax;
    int FPosition;
    TDesignEdit* FAssociate = nullptr;
};

class TDesignTrackBar : public TDesignControl
{
public:
    TDesignTrackBar(QWidget* parent, int min, int max);
    int GetPosition() const;
    // Clamped.
    void SetPosition(int value);
    // The position changed (dragged or set).
    std::function<void(TDesignTrackBar* sender)> OnChange;
};

class TDesignComboBox : public TDesignControl
{
public:
    // A drop-down list: the text is the selected item's.
    explicit TDesignComboBox(QWidget* parent);
    void Clear();
    int Add(const QString& text);
    void Insert(int index, const QString& text);
    void Delete(int index);
    int Count() const;
    QString GetItem(int index) const;
    QStringList GetItems() const;
    // Exact match; -1 when absent.
    int IndexOf(const QString& text) const;
    int GetItemIndex() const;
    void SetItemIndex(int value);
    QString GetText() const;
    void SetItemHeight(int value);
    // Picks an item as the user does.
    void Pick(int index);
    // The selected item changed (picked, set, or moved by an edit of the items).
    std::function<void(TDesignComboBox* sender)> OnChange;
    // When set, the items and the closed box are painted by it.
    std::function<void(TDesignComboBox* sender, TCanvas* canvas, const TRect& rect, int index, bool selected)>
        OnDrawItem;
};

class TDesignRadioGroup : public TDesignControl
{
public:
    TDesignRadioGroup(QWidget* parent, const QString& caption, const QStringList& items);
    QString GetCaption() const;
    int Count() const;
    QString GetItem(int index) const;
    int GetItemIndex() const;
    // -1 checks none.
    void SetItemIndex(int value);
    // Picks an item as the user does.
    void Pick(int index);
    // The checked item changed (picked or set).
    std::function<void(TDesignRadioGroup* sender)> OnClick;
};

class TDesignGroupBox : public TDesignContainer
{
public:
    TDesignGroupBox(QWidget* parent, const QString& caption);
    QString GetCaption() const;
};

// A plain container (a panel) without a frame.
class TDesignPanel : public TDesignContainer
{
public:
    explicit TDesignPanel(QWidget* parent);
};

class TDesignCheckBox : public TDesignControl
{
public:
    TDesignCheckBox(QWidget* parent, const QString& caption);
    QString GetCaption() const;
    bool GetChecked() const;
    void SetChecked(bool value);
};

class TDesignRadioButton : public TDesignControl
{
public:
    TDesignRadioButton(QWidget* parent, const QString& caption);
    QString GetCaption() const;
    bool GetChecked() const;
    void SetChecked(bool value);
};

class TDesignButton : public TDesignControl
{
public:
    TDesignButton(QWidget* parent, const QString& caption);
    QString GetCaption() const;
    // The default button answers Enter.
    void SetDefault(bool value);
    bool GetDefault() const;
    // A result other than mrNone (DesignDialogs.h) ends the button's window with it after
    // OnClick.
    void SetModalResult(int value) { FModalResult = value; }
    // Clicks as the user does (nothing when disabled).
    void Click();
    std::function<void(TDesignButton* sender)> OnClick;

private:
    int FModalResult = mrNone;
};

class TDesignPaintBox : public TDesignControl
{
public:
    explicit TDesignPaintBox(QWidget* parent);
    TRect GetClientRect() const;
    void SetMinimumSize(int width, int height);
    // Counts the paints (OnPaint calls).
    int PaintCount() const { return FPaintCount; }
    std::function<void(TDesignPaintBox* sender, TCanvas* canvas)> OnPaint;

private:
    friend class TDesignPaintWidget;
    int FPaintCount = 0;
};

class TDesignAction : public TObject
{
public:
    TDesignAction(QWidget* parent, const QString& caption, const QString& hint);
    QString GetCaption() const;
    QString GetHint() const;
    bool GetEnabled() const;
    void SetEnabled(bool value);
    // Runs OnExecute when enabled; answers whether it ran.
    bool Execute();
    QAction* Action() const { return FAction; }
    std::function<void(TDesignAction* sender)> OnExecute;

private:
    QAction* FAction;
};

// Actions in order, with separators; shown as a tool bar or as a pop-up menu.
class TDesignToolBar : public TDesignControl
{
public:
    explicit TDesignToolBar(QWidget* parent);
    void AddAction(TDesignAction* action);
    void AddSeparator();
    // Action captions in order, "-" for a separator.
    QStringList GetItems() const;
};

class TDesignMenu : public TObject
{
public:
    explicit TDesignMenu(QWidget* parent);
    ~TDesignMenu() override;
    void AddAction(TDesignAction* action);
    void AddSeparator();
    QStringList GetItems() const;
    void Popup(int screenX, int screenY);
    bool IsShowing() const;
    void Close();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

class TDesignTreeView;

// A node of a tree view; it lives as long as its item.
class TDesignTreeNode
{
public:
    QString GetText() const;
    void SetText(const QString& value);
    void* GetData() const;
    void SetData(void* value);
    int GetImageIndex() const;
    void SetImageIndex(int value);
    TDesignTreeNode* GetParent() const;
    int Count() const;
    TDesignTreeNode* Item(int index) const;
    // Position among the parent's children.
    int GetIndex() const;
    bool GetSelected() const;
    void SetSelected(bool value);
    void DeleteChildren();
    void Expand();
    TDesignTreeView* GetTreeView() const { return FTree; }

private:
    friend class TDesignTreeView;
    TDesignTreeNode(TDesignTreeView* tree, QTreeWidgetItem* item) : FTree(tree), FItem(item) {}
    TDesignTreeView* FTree;
    QTreeWidgetItem* FItem;
};

class TDesignTreeView : public TDesignControl
{
public:
    explicit TDesignTreeView(QWidget* parent);
    ~TDesignTreeView() override;
    // Images by index for the nodes (copied).
    void SetImages(const std::vector<const TBitmap*>& images);
    void Clear();
    // Adds a node under parent (nil: a top-level node) at index (-1: at the end).
    TDesignTreeNode* AddNode(TDesignTreeNode* parent, const QString& text, void* data, int imageIndex,
                             int index = -1);
    // Removes the node and its subtree.
    void Delete(TDesignTreeNode* node);
    int TopCount() const;
    TDesignTreeNode* TopItem(int index) const;
    // Every node, depth first.
    std::vector<TDesignTreeNode*> AllNodes() const;
    // The current node; nil when none.
    TDesignTreeNode* GetSelected() const;
    // Makes the node the current and only selected one (nil clears).
    void Select(TDesignTreeNode* node);
    void ClearSelection();
    int SelectionCount() const;
    std::vector<TDesignTreeNode*> Selections() const;
    TDesignTreeNode* GetNodeAt(int x, int y) const;
    // The viewport's point of the node's centre.
    TPoint NodeCenter(TDesignTreeNode* node) const;
    // The viewport widget, where the mouse goes.
    QWidget* Viewport() const;
    void SetPopupMenu(TDesignMenu* menu) { FPopup = menu; }

    // The selection or the current node changed.
    std::function<void(TDesignTreeView* sender)> OnChange;
    // A mouse press in the viewport, before the tree handles it.
    std::function<void(TDesignTreeView* sender, int x, int y)> OnMouseDown;

private:
    friend class TDesignTreeNode;
    TDesignTreeNode* NodeOf(QTreeWidgetItem* item) const;
    void Forget(QTreeWidgetItem* item);

    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
    TDesignMenu* FPopup = nullptr;
};

enum TDesignWindowKind { fkDialog, fkToolWindow };

// Runs once each modal window shows, inside its modal loop.
using TModalWindowHook = std::function<void(TDesignWindow* window)>;

// The one window class: a top-level window with a client area of controls, shown modally
// (ShowModal, the one modal loop) or modelessly (Show). Blocking its events (TEventBlocker)
// blocks the events of every control in it.
class TDesignWindow : public TObject, public TEventSource
{
public:
    // The owner is the object that made the window and drives it (a dialog), or nil.
    TDesignWindow(const QString& caption, TDesignWindowKind kind, TObject* owner = nullptr);
    ~TDesignWindow() override;

    QString GetCaption() const;
    void SetCaption(const QString& value);
    TObject* GetOwner() const { return FOwner; }
    // The window's client area.
    TDesignContainer* Body() const { return FBody.get(); }
    QWidget* Window() const;

    template <typename T, typename... Args>
    T* Add(Args&&... args)
    {
        auto control = std::make_unique<T>(Window(), std::forward<Args>(args)...);
        T* result = control.get();
        FObjects.push_back(std::move(control));
        return result;
    }

    void SetClientSize(int width, int height);
    // Centres on the screen (modal windows do so when shown).
    void CenterOnScreen();
    // Shows modally above the window it was opened from and waits; answers the modal result
    // (mrCancel when closed otherwise). Once shown, the modal-window hook runs.
    int ShowModal();
    // Ends the modal loop with the result (Escape is mrCancel); hides a modeless window.
    void SetModalResult(int value);
    // Whether the window's modal loop runs.
    bool IsModal() const;
    // The window this one belongs to (nil: none): a tool window stays above it. Taken when the
    // window shows.
    void SetOwnerWindow(QWidget* window);
    QWidget* GetOwnerWindow() const;
    // Shows a modeless window.
    void Show();
    void Close();
    void BringToFront();
    bool IsShowing() const;
    bool IsActive() const;

    // The innermost window shown modally, nil when none.
    static TDesignWindow* ActiveModal();

    std::function<void(TDesignWindow* sender)> OnShow;
    // Asked when the user closes the window (its close button, Escape, Close); false keeps it
    // open. SetModalResult ends a modal window without asking.
    std::function<bool(TDesignWindow* sender)> OnCloseQuery;
    // The window closed (by the user or Close); a modeless window's owner frees it later.
    std::function<void(TDesignWindow* sender)> OnClose;
    std::function<void(TDesignWindow* sender)> OnActivate;

private:
    friend class TDesignWindowWidget;
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
    TObject* FOwner;
    std::unique_ptr<TDesignContainer> FBody;
    std::vector<std::unique_ptr<TObject>> FObjects;
};

// Replaces the modal-window hook and returns the one it replaces; an empty hook leaves modal
// windows to the user.
TModalWindowHook SetModalWindowHook(TModalWindowHook hook);

} // namespace kv
