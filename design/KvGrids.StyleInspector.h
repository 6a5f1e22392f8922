// The style inspector: a modal window that edits one style bag value by value in a list view
// fed by a TKvGridStylesDataProvider, with a description of the focused property below. Text
// that a property refuses is shown in a message box at once and stays in the cell; closing the
// window with such text asks whether to drop it.
//
//     if (TKvStyleInspectorForm::Execute(column->GetStyles()))
//         designer->Modified();
#pragma once

#include "design/KvGrids.Data.Styles.h"
#include "platform/design/DesignForms.h"

namespace kv {

class TKvListView;
class TKvGridStyleInspectorDelegate;

class TKvStyleInspectorForm : public TComponent
{
protected:
    friend class TCreateAccess;
    explicit TKvStyleInspectorForm(TComponent* owner);

public:
    ~TKvStyleInspectorForm() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // False for no bag; otherwise shows the bag modally and, when a value changed, repacks
    // the bag's graphics objects and answers true.
    static bool Execute(TKvGridStyleBag* bag);

    TKvGridStyleBag* GetStyles() const { return FStyles; }
    void SetStyles(TKvGridStyleBag* bag);
    bool GetModified() const { return FModified; }
    TKvGridStylesDataProvider* GetProvider() const { return FProvider.get(); }
    TKvListView* GetList() const { return listMain.get(); }
    TKvGridStyleInspectorDelegate* GetDelegate() const;
    // The inspector's window; its owner is the form.
    TDesignWindow* Window() const { return FWindow.get(); }
    // Shows modally (Execute's middle part); answers whether a value changed.
    bool ShowModal();
    // The "Value" cell's button of a row: clears a set value, else gives the entry its own
    // value again.
    void CellButtonClicked(int row);
    // The data row of a list row (the list may be sorted).
    int DataRowOf(int index) const;
    // The list index of a property by name; -1 when absent.
    int IndexOfName(const QString& name) const;

    TDesignLabel* txtDescription = nullptr;

private:
    class TStyleListener : public TKvGridViewStyleChangeListener
    {
    public:
        explicit TStyleListener(TKvStyleInspectorForm* form) : FForm(form) {}
        void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override;

    private:
        TKvStyleInspectorForm* FForm;
    };

    void PrepareGrid();
    void FormShow();
    void FocusChanged();
    void Commit();
    void CancelRowEdit();
    // The close query: text that a property refuses, left open in the list, is not dropped
    // without asking.
    bool CanClose();

    std::unique_ptr<TDesignWindow> FWindow;
    TOwned<TKvListView> listMain;
    TKvGridStyleBag* FStyles = nullptr;
    TOwned<TKvGridStylesDataProvider> FProvider;
    std::unique_ptr<TStyleListener> FListener;
    bool FModified = false;
    // Listening: the bag's first STYLE_ALL (on adding the listener) is no change.
    bool FListening = false;
    // Refused values set the column's error without a message box of their own.
    bool FQuietErrors = false;
    // The refusal last shown in a message box, until the grid reports the same error.
    QString FShownError;
};

} // namespace kv
