// Call flow: Execute(bag) makes the form (PrepareGrid sets up the list view, its delegate and
// the provider), SetStyles(bag) points them at the bag and adds the form's listener, and
// ShowModal runs the window. On show the list is sorted by name and the first value cell is
// focused; focus changes show the property's description; completed edits and the cell
// button go to the provider and the bag; the listener marks the form modified.
#include "design/KvGrids.StyleInspector.h"

#include "design/KvGrids.StyleInspector.Impl.h"
#include "grid/KvGrids.Areas.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/MessageBox.h"

namespace kv {

void TKvStyleInspectorForm::TStyleListener::StyleChanged(TKvGridStyleBag*, TKvGridViewStyleEntry)
{
    if (FForm->FListening)
        FForm->FModified = true;
}

TKvStyleInspectorForm::TKvStyleInspectorForm(TComponent* owner) : TComponent(owner) {}

TKvStyleInspectorForm::~TKvStyleInspectorForm() = default;

void TKvStyleInspectorForm::AfterConstruction()
{
    TComponent::AfterConstruction();
    FWindow = std::make_unique<TDesignWindow>(QStringLiteral("Styles"), fkDialog, this);
    FListener = std::make_unique<TStyleListener>(this);
    FProvider.reset(Create<TKvGridStylesDataProvider>(nullptr));
    txtDescription = FWindow->Add<TDesignLabel>(QString());
    txtDescription->SetName(QStringLiteral("txtDescription"));
    txtDescription->SetWordWrap(true);
    PrepareGrid();

    TDesignPanel* bottom = FWindow->Add<TDesignPanel>();
    bottom->Place(txtDescription, 0, 0);
    bottom->SetColumnStretch(0, 1);
    TDesignContainer* body = FWindow->Body();
    body->SetMargins(2);
    body->PlaceControl(listMain.get(), 0, 0);
    body->Place(bottom, 1, 0);
    body->SetRowStretch(0, 1);
    FWindow->SetClientSize(420, 520);
    FWindow->OnShow = [this](TDesignWindow*) { FormShow(); };
    FWindow->OnCloseQuery = [this](TDesignWindow*) { return CanClose(); };
}

void TKvStyleInspectorForm::BeforeDestruction()
{
    if (FStyles)
        FStyles->RemoveListener(FListener.get());
    FStyles = nullptr;
    if (listMain) {
        listMain->OnFocuedIndexChange = nullptr;
        listMain->OnKeyDown = nullptr;
        listMain->OnEditComplete = nullptr;
        listMain->OnEditCommit = nullptr;
        listMain->OnEditCancel = nullptr;
        listMain->OnCellAction = nullptr;
        listMain->SetDataProvider(nullptr);
        listMain.reset();
    }
    FWindow.reset();
    FProvider.reset();
    TComponent::BeforeDestruction();
}

void TKvStyleInspectorForm::PrepareGrid()
{
    listMain = MakeOwned<TKvStyleInspectorListView>(nullptr);
    TKvListView* list = listMain.get();
    list->BeginUpdate();
    TKvGridDataColumn* name = list->AddDataColumn();
    name->SetFieldName(QStringLiteral("Name"));
    name->GetHeader()->SetCaption(QStringLiteral("Name"));
    name->SetFocusable(false);
    name->SetSortable(true);
    name->GetStyles()->SetTextAlignment(AlignNear);
    name->GetStyles()->SetValue(QStringLiteral("Background"), QStringLiteral("#FFEEEEEE"));
    TKvGridDataColumn* value = list->AddDataColumn();
    value->SetFieldName(QStringLiteral("Value"));
    value->GetHeader()->SetCaption(QStringLiteral("Value"));
    value->SetButton(ButtonAction);
    value->SetAlwaysShowButton(true);
    value->SetSortable(false);
    value->GetStyles()->SetTextAlignment(AlignNear);

    list->GetDisplayOptions()->SetFitStyle(FitEven);
    list->GetIndicator()->SetVisible(false);
    list->GetSelectOptions()->SetMode(SelectNone);
    TKvGridViewStyles* styles = list->GetStyles();
    styles->SetValue(QStringLiteral("Font"), QStringLiteral("Tahoma,9"));
    styles->SetValue(QStringLiteral("Background"), QStringLiteral("#FFFFFFFF"));
    styles->SetValue(QStringLiteral("Foreground"), QStringLiteral("#FF000000"));
    styles->SetPaddingRight(2);
    styles->SetPaddingBottom(2);
    TKvGridViewStyles* header = list->GetHeader()->GetStyles();
    header->SetValue(QStringLiteral("Background"), QStringLiteral("linear,#88FFFFFF,#88CCCCCC,90"));
    header->SetValue(QStringLiteral("BorderRight"), QStringLiteral("#FF808080,1"));
    header->SetValue(QStringLiteral("BorderBottom"), QStringLiteral("#FF808080,1"));
    header->SetValue(QStringLiteral("HoveredMaskBackground"), QStringLiteral("#88F0E68C"));

    GetDelegate()->SetProvider(FProvider.get());
    list->SetDataProvider(FProvider.get());
    list->EndUpdate();

    list->OnFocuedIndexChange = [this](TKvGridView*, const TKvGridCellIndex&) { FocusChanged(); };
    // Escape closes the window as it closes other dialogs; an open edit is cancelled first.
    list->OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState shift) {
        if (key == VK_ESCAPE && shift.Empty() && listMain && !listMain->GetEditing()) {
            key = 0;
            FWindow->Close();
        }
    };
    // The row is written while the cell's edit commits: text the property rejects sets the
    // column's error, which keeps the editor open with the user's text.
    // column's error, which keeps the editor open with the user's text, and is shown at once.
    list->OnEditCommit = [this](TKvGridView* sender, const TKvGridCellIndex& index, const Variant&) {
        TKvGridDataColumn* column = index.GetDataColumn();
        if (!column || column->GetFieldName() != QLatin1String("Value"))
            return;
        column->SetError(QString());
        try {
            if (auto* items = static_cast<TKvListView*>(sender)->GetItemSource(); items && items->GetEditingIndex() >= 0)
                items->CommitEdit();
        } catch (const Exception& e) {
            column->SetError(e.Message());
            if (!FQuietErrors) {
                // The grid shows the column's error too when Enter committed: once is enough.
                FShownError = e.Message();
                MessageBox(e.Message(), FWindow->GetCaption(), MB_OK | MB_ICONERROR);
            }
        }
    };
    // A cancelled cell edit drops the row's pending text with it.
    list->OnEditCancel = [this](TKvGridView*, const TKvGridCellIndex& index) {
        if (TKvGridDataColumn* column = index.GetDataColumn())
            column->SetError(QString());
        CancelRowEdit();
    };
    list->OnEditComplete = [this](TKvGridView*, const TKvGridCellIndex& index) {
        const TKvGridDataColumn* column = index.GetDataColumn();
        if (column && column->GetFieldName() == QLatin1String("Value"))
            Commit();
    };
    list->OnCellAction = [this](TKvGridView*, const TKvGridCellIndex& index) {
        const TKvGridDataColumn* column = index.GetDataColumn();
        if (column && column->GetFieldName() == QLatin1String("Value"))
            CellButtonClicked(index.GetDataRow());
    };
}

TKvGridStyleInspectorDelegate* TKvStyleInspectorForm::GetDelegate() const
{
    return static_cast<TKvGridStyleInspectorDelegate*>(listMain->GetGridDelegate());
}

void TKvStyleInspectorForm::SetStyles(TKvGridStyleBag* bag)
{
    if (bag == FStyles)
        return;
    if (FStyles)
        FStyles->RemoveListener(FListener.get());
    FStyles = bag;
    QString name;
    if (bag) {
        name = bag->GetName();
        if (name.isEmpty() && bag->GetOwner())
            name = bag->GetOwner()->ClassName();
    }
    FWindow->SetCaption(QStringLiteral("Styles - ") + name);
    GetDelegate()->SetStyles(bag);
    FProvider->SetStyles(bag);
    if (bag) {
        // The bag's answer to a new listener is no change.
        FListening = false;
        bag->AddListener(FListener.get());
        FListening = true;
    }
}

void TKvStyleInspectorForm::FormShow()
{
    FModified = false;
    TKvGridDataColumn* name = listMain->GetDataColumn(QStringLiteral("Name"));
    TKvGridDataColumn* value = listMain->GetDataColumn(QStringLiteral("Value"));
    listMain->SortItems({name->GetDataIndex()}, {SortAscending});
    if (listMain->GetItemCount() > 0)
        listMain->SetFocusedIndex(TKvGridCellIndex(listMain.get(), 0, value));
    listMain->SetFocus();
    FocusChanged();
}

void TKvStyleInspectorForm::FocusChanged()
{
    const TKvGridCellIndex index = listMain->GetFocusedIndex();
    const int row = index.Column ? index.GetDataRow() : -1;
    txtDescription->SetCaption(row >= 0 && row < FProvider->GetRowCount()
                                   ? FProvider->GetData(row, TKvGridStylesDataProvider::FieldDescription).ToString()
                                   : QString());
}

void TKvStyleInspectorForm::Commit()
{
    TKvListViewItemProvider* items = listMain->GetItemSource();
    if (items && items->GetEditingIndex() >= 0)
        items->CommitEdit();
}

void TKvStyleInspectorForm::CancelRowEdit()
{
    TKvListViewItemProvider* items = listMain->GetItemSource();
    if (items && items->GetEditingIndex() >= 0)
        items->CancelEdit();
}

bool TKvStyleInspectorForm::CanClose()
{
    QString error;
    {
        // The question below shows the error; no box of its own first.
        TRestore<bool> quiet(FQuietErrors, true);
        try {
            listMain->CommitEditor(false);
            if (listMain->GetEditing()) {
                if (const TKvGridDataColumn* value = listMain->GetDataColumn(QStringLiteral("Value")))
                    error = value->GetError();
            } else {
                Commit();
            }
        } catch (const Exception& e) {
            error = e.Message();
        }
    }
    if (error.isEmpty())
        return true;
    if (MessageBox(error + QStringLiteral("\n\nDiscard this text and close?"), FWindow->GetCaption(),
                   MB_YESNO | MB_ICONWARNING) != IDYES)
        return false;
    listMain->CancelEditor(false);
    CancelRowEdit();
    return true;
}

int TKvStyleInspectorForm::DataRowOf(int index) const
{
    const TKvGridItem* item = listMain->GetItem(index);
    return item ? item->GetDataRow() : -1;
}

int TKvStyleInspectorForm::IndexOfName(const QString& name) const
{
    for (int i = 0; i < listMain->GetItemCount(); ++i) {
        const int row = DataRowOf(i);
        if (row >= 0 && FProvider->GetRecord(row).Name == name)
            return i;
    }
    return -1;
}

void TKvStyleInspectorForm::CellButtonClicked(int row)
{
    if (!FStyles || row < 0 || row >= FProvider->GetRowCount())
        return;
    const TKvGridViewStyleEntry entry = FProvider->GetRecord(row).Entry;
    if (FStyles->HasValue(entry))
        FStyles->ClearValue(entry);
    else
        FStyles->ResetValue(entry);
    // The shown value changed behind the cache: typing the old text again must apply it.
    FProvider->ReloadValue(row);
    // The in-place editor starts again from the value now shown.
    listMain->CancelEditor(true);
    const TKvGridCellIndex focused = listMain->GetFocusedIndex();
    if (focused.Column && focused.GetDataRow() == row)
        if (TKvGridCellEditor* editor = GetDelegate()->GetCellEditor(focused))
            editor->SetEditValue(FProvider->GetData(row, TKvGridStylesDataProvider::FieldValue));
    listMain->Invalidate();
}

bool TKvStyleInspectorForm::ShowModal()
{
    // A refusal the form has shown is not shown a second time as the grid's error.
    TExceptionHook previous;
    previous = SetExceptionHook([this, &previous](const QString& message) {
        if (!FShownError.isEmpty() && message == FShownError) {
            FShownError.clear();
            return;
        }
        TExceptionHook mine = SetExceptionHook(previous);
        TScopeExit restore([&] { SetExceptionHook(mine); });
        ShowException(message);
    });
    {
        TScopeExit restore([&] { SetExceptionHook(previous); });
        FWindow->ShowModal();
    }
    listMain->CommitEditor(false);
    try {
        Commit();
    } catch (const Exception&) {
        // A rejected text left open when the window closed is dropped.
        listMain->CancelEditor(false);
        TKvListViewItemProvider* items = listMain->GetItemSource();
        if (items && items->GetEditingIndex() >= 0)
            items->CancelEdit();
    }
    return FModified;
}

bool TKvStyleInspectorForm::Execute(TKvGridStyleBag* bag)
{
    if (!bag)
        return false;
    TOwned<TKvStyleInspectorForm> form{Create<TKvStyleInspectorForm>(nullptr)};
    form->SetStyles(bag);
    if (!form->ShowModal())
        return false;
    bag->RepackGraphicEntities();
    return true;
}

} // namespace kv
