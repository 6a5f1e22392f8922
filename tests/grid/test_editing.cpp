// The edit controller on a shown grid: waiting and open editors, commit, cancel, read-only
// rules, sizing, and the keys each editor family keeps or hands to the grid.
#include "EditingTestSupport.h"

#include "platform/rtl/ClassRegistry.h"

#include <QtGui/QInputMethodEvent>
#include "platform/rtl/Streaming.h"

using namespace kv;
using namespace kvtest;

namespace {

// An editor that records what the controller asks of it.
class TRecordingEditor : public TKvGridCellEditor
{
public:
    using TKvGridCellEditor::TKvGridCellEditor;
    QStringList Calls;
    TRect Bounds;
    Variant Value;
    bool Edited = false;
    bool ReadOnly = false;

    QString GetDisplayName() const override { return "rec"; }
    void InitEditor() override { Calls << "init"; }
    void SetReadOnly(bool v) override { ReadOnly = v; }
    void SetParent(TWinControl*) override { Calls << "parent"; }
    void SetBounds(int l, int t, int w, int h) override
    {
        Bounds = TRect::Bounds(l, t, w, h);
        Calls << QStringLiteral("bounds %1x%2").arg(w).arg(h);
    }
    void SetVisible(bool) override {}
    bool CanFocus() const override { return true; }
    void SetFocus() override { Calls << "focus"; }
    void BeginEdit() override { Calls << "begin"; Edited = false; }
    void EndEdit() override { Calls << "end"; }
    bool GetEditing() const override { return Bounds.Height() > 0; }
    bool GetEdited() const override { return Edited; }
    void SetEditValue(const Variant& v) override
    {
        Value = v;
        Calls << "value " + v.ToString();
    }
    Variant GetEditValue() const override { return Value; }
    void Commit() override { Calls << "commit"; }
    void Reset() override {}
    void Clear() override {}
    void Type(const QString& text)
    {
        Value = Variant(text);
        Edited = true;
        DoChanged(FEditIndex);
    }
};

TEST_F(TEditingFixture, FullEditCycleWithARecordingEditor)
{
    auto* rec = Create<TRecordingEditor>(Grid.get());
    Name->SetEditor(rec);
    Focus(1, Name);
    // Waiting: prepared, registered, parked at zero size and focused.
    EXPECT_EQ(rec->Calls, QStringList({"init", "parent", "bounds 0x0", "focus"}));
    EXPECT_EQ(rec->GetGrid(), Grid.get());
    EXPECT_EQ(rec->GetListenerCount(), 1);
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_FALSE(rec->ReadOnly);
    rec->Calls.clear();

    // F2 opens it over the cell with the cell value.
    Controller()->ShowEditor(false);
    const TRect cell = Grid->GetEditBounds(Cell(1, Name));
    EXPECT_EQ(rec->Bounds, cell);
    EXPECT_EQ(rec->Calls, QStringList({QStringLiteral("bounds %1x%2").arg(cell.Width()).arg(cell.Height()), "value beta", "begin"}));
    EXPECT_EQ(Controller()->GetEditorSize(), (TSize{cell.Width(), cell.Height()}));

    // The first change opens the row edit; later changes do not start it again.
    rec->Type("bet");
    rec->Type("beta2");
    EXPECT_EQ(Events, QStringList({"start 1"}));
    EXPECT_TRUE(Editable->IsEditing(1));

    // Commit writes through the editable provider, raises commit then completed, and leaves a
    // fresh waiting editor on the same cell.
    rec->Calls.clear();
    Controller()->CommitEditor(true);
    EXPECT_EQ(Events, QStringList({"start 1", "commit beta2", "complete 1"}));
    EXPECT_EQ(Editable->GetData(1, 0).ToString(), "beta2");
    EXPECT_EQ(rec->Calls, QStringList({"commit", "bounds 0x0", "end", "init", "bounds 0x0", "focus"}));
    EXPECT_FALSE(Controller()->GetEditing());
    Editable->Commit();
    EXPECT_EQ(Data->GetData(1, 0).ToString(), "beta2");

    // An unchanged commit writes nothing, raises nothing and reloads the value.
    Events.clear();
    Controller()->ShowEditor(false);
    rec->Value = Variant("ignored");
    rec->Calls.clear();
    Controller()->CommitEditor(false);
    EXPECT_TRUE(Events.isEmpty());
    EXPECT_EQ(rec->Calls, QStringList({"value beta2", "begin"}));
    EXPECT_FALSE(Editable->IsEditing(1));

    // Cancel reloads and goes back to waiting.
    rec->Type("drop");
    Controller()->CancelEditor(true);
    EXPECT_EQ(Events, QStringList({"start 1", "cancel"}));
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_FALSE(Controller()->GetModified());

    // Moving the focus hides the editor; another column gets the shared line editor.
    Focus(2, Note);
    EXPECT_NE(Controller()->GetEditor(), rec);
    EXPECT_TRUE(Controller()->IsRegistered(rec));
    EXPECT_EQ(rec->Calls.last(), "end");
}

TEST_F(TEditingFixture, TypingIntoTheWaitingLineEditorReplacesTheCellText)
{
    Focus(0, Note);
    TKvGridInplaceEditor* edit = LineControl();
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->GetWidth(), 0);
    EXPECT_FALSE(Controller()->GetEditorMask()->GetVisible());

    // An arrow key does not start the edit.
    Press(Qt::Key_Down);
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_EQ(Grid->Keys, QStringList({QString::number(VK_DOWN)}));

    Type("Q");
    ASSERT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(edit->GetText(), "Q");
    EXPECT_EQ(Events, QStringList({"start 0"}));
    // One text line centred in the cell, the mask in the editor's colour under it.
    const TRect cell = Grid->GetEditBounds(Cell(0, Note));
    const int line = FontTextHeight(edit->GetFont()) + 1;
    EXPECT_EQ(edit->GetBoundsRect(), TRect::Bounds(cell.Left, cell.Top + (cell.Height() - line) / 2, cell.Width(), line));
    EXPECT_TRUE(Controller()->GetEditorMask()->GetVisible());
    EXPECT_EQ(Controller()->GetEditorMask()->GetBoundsRect(), cell);
    EXPECT_EQ(Controller()->GetEditorMask()->GetColor(), edit->GetColor());

    Type("r");
    Press(Qt::Key_Return); // the grid's
    EXPECT_TRUE(Grid->Keys.contains(QString::number(VK_RETURN)));
    Controller()->CommitEditor(true);
    Editable->Commit();
    EXPECT_EQ(Data->GetData(0, 3).ToString(), "Qr");
    EXPECT_EQ(LineControl()->GetWidth(), 0);
}

TEST_F(TEditingFixture, AnInputMethodCompositionStartsTheEdit)
{
    Focus(2, Name);
    ASSERT_FALSE(Controller()->GetEditing());
    QInputMethodEvent preedit(QStringLiteral("\uD55C"), {});
    QCoreApplication::sendEvent(KeyTarget(), &preedit);
    ASSERT_TRUE(Controller()->GetEditing());
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\uD55C"));
    QCoreApplication::sendEvent(KeyTarget(), &commit);
    EXPECT_EQ(LineControl()->GetText(), QStringLiteral("\uD55C"));
    EXPECT_EQ(Events, QStringList({"start 2"}));
    Controller()->CommitEditor(true);
    Editable->Commit();
    EXPECT_EQ(Data->GetData(2, 0).ToString(), QStringLiteral("\uD55C"));
}

TEST_F(TEditingFixture, ReadOnlyRules)
{
    // The grid read-only: prepared and focused at zero size, never opened.
    Grid->GetEditOptions()->SetReadOnly(true);
    Focus(0, Note);
    ASSERT_NE(LineControl(), nullptr);
    EXPECT_TRUE(LineControl()->Focused());
    Type("x");
    Controller()->ShowEditor(false);
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_EQ(Data->GetData(0, 3).ToString(), "x");

    // A column that is not editable opens on F2, read-only.
    Grid->GetEditOptions()->SetReadOnly(false);
    Note->SetEditable(false);
    Focus(1, Note);
    Controller()->ShowEditor(false);
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_TRUE(LineControl()->GetReadOnly());
    Type("zz");
    EXPECT_EQ(LineControl()->GetText(), "y");
    Note->SetEditable(true);

    // An item chain that cannot edit: the commit is announced, the value goes nowhere.
    Grid->SetItemSource(Default.get());
    Focus(2, Note);
    EXPECT_FALSE(LineControl()->GetReadOnly());
    Controller()->ShowEditor(false);
    Type("k");
    Events.clear();
    Controller()->CommitEditor(true);
    EXPECT_EQ(Events, QStringList({"commit zk", "complete 2"}));
    EXPECT_EQ(Data->GetData(2, 3).ToString(), "z");

    // A column bound to no field never writes.
    Grid->SetItemSource(Editable.get());
    TKvGridDataColumn* loose = Grid->AddDataColumn();
    Focus(0, loose);
    EXPECT_TRUE(LineControl()->GetReadOnly());
}

TEST_F(TEditingFixture, AFailingCommitKeepsTheEditorOpenWithTheUsersText)
{
    Grid->OnEditCommit = [](TKvGridView*, const TKvGridCellIndex&, const Variant&) {
        throw Exception("Value is invalid");
    };
    Focus(0, Note);
    Type("bad");
    EXPECT_THROW(Controller()->CommitEditor(true), Exception);
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_TRUE(Controller()->GetModified());
    EXPECT_EQ(LineControl()->GetText(), "bad");
    EXPECT_TRUE(LineControl()->Focused());
    Controller()->CancelEditor(true);
    Editable->Cancel();

    // A column validation run on commit: the failing text stays open, a good one commits.
    Grid->OnEditCommit = nullptr;
    Grid->GetEditOptions()->SetValidateOnEdited(true);
    Note->GetValidations()->Add("notbad", "value <> 'bad'", "Must not be bad");
    Focus(1, Note);
    Type("bad");
    EXPECT_NO_THROW(Controller()->CommitEditor(true));
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(LineControl()->GetText(), "bad");
    EXPECT_FALSE(Note->GetError().isEmpty());
    LineControl()->SetText("good");
    EXPECT_NO_THROW(Controller()->CommitEditor(true));
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_TRUE(Note->GetError().isEmpty());
    Editable->Commit();
    EXPECT_EQ(Data->GetData(1, 3).ToString(), "good");
}

TEST_F(TEditingFixture, EditorsOnlyGrow)
{
    auto* memo = Create<TKvMultiLineCellEditor>(Grid.get());
    Note->SetEditor(memo);
    Focus(0, Note);
    Controller()->ShowEditor(false);
    const TRect cell = Grid->GetEditBounds(Cell(0, Note));
    ASSERT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(Controller()->GetEditorBounds().Left, cell.Left);
    EXPECT_EQ(Controller()->GetEditorBounds().Top, cell.Top);
    EXPECT_GE(Controller()->GetEditorBounds().Width(), cell.Width());
    EXPECT_FALSE(Controller()->GetEditorMask()->GetVisible());

    memo->DoRequestResize(Cell(0, Note), cell.Width() + 180, cell.Height() + 60);
    EXPECT_EQ(memo->GetControl()->GetBoundsRect(), TRect::Bounds(cell.Left, cell.Top, cell.Width() + 180, cell.Height() + 60));
    memo->DoRequestResize(Cell(0, Note), 5, 5);
    EXPECT_EQ(memo->GetControl()->GetBoundsRect(), cell);

    // Typed text wraps within the grid's client area right of the cell, and the memo grows.
    const QString words = QString("word ").repeated(60);
    Type(words);
    const TRect grown = memo->GetControl()->GetBoundsRect();
    EXPECT_LE(grown.Right, Grid->GetClientWidth() - 2);
    EXPECT_GT(grown.Width(), cell.Width());
    EXPECT_GT(grown.Height(), cell.Height());
    EXPECT_EQ(grown.Left, cell.Left);
    EXPECT_EQ(grown.Top, cell.Top);
}

TEST_F(TEditingFixture, KeysPerEditorFamily)
{
    // Line editor.
    Focus(0, Note);
    Press(Qt::Key_Left); // waiting: the grid's
    Press(Qt::Key_Home);
    Press(Qt::Key_Delete, Qt::ControlModifier);
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Grid->Keys, QStringList({QString::number(VK_LEFT), QString::number(VK_HOME),
                                       "^" + QString::number(VK_DELETE), "^67"}));
    Grid->Keys.clear();
    TKvGridInplaceEditor* edit = LineControl();
    Controller()->ShowEditor(false);
    edit->SetText("hello");
    edit->SetSelStart(0);
    edit->SetSelLength(2);
    Press(Qt::Key_Left); // a selection from 0 keeps the key
    Press(Qt::Key_End);  // an open editor keeps Home and End
    EXPECT_TRUE(Grid->Keys.isEmpty());
    edit->SetSelStart(0);
    edit->SetSelLength(2);
    // Ctrl+C and Ctrl+V act on the open editor's text.
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(GetClipboardText(), "he");
    edit->SetSelStart(5);
    edit->SetSelLength(0);
    Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->GetText(), "hellohe");
    // Delete in an open editor deletes one character.
    edit->SetSelStart(0);
    Press(Qt::Key_Delete);
    EXPECT_EQ(edit->GetText(), "ellohe");
    EXPECT_TRUE(Grid->Keys.isEmpty());
    Press(Qt::Key_Left); // caret at 0 with no selection: the grid's
    EXPECT_EQ(Grid->Keys, QStringList({QString::number(VK_LEFT)}));
    Controller()->CancelEditor(true);

    // Delete in a waiting editor opens the edit and deletes the whole text.
    Press(Qt::Key_Delete);
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(LineControl()->GetText(), "");
    Controller()->CancelEditor(true);

    // Memo: Enter is the grid's, Ctrl+Enter breaks the line.
    auto* memo = Create<TKvMultiLineCellEditor>(Grid.get());
    Note->SetEditor(memo);
    Focus(1, Note);
    Type("ab");
    Grid->Keys.clear();
    Press(Qt::Key_Return, Qt::ControlModifier);
    Type("c");
    EXPECT_EQ(memo->GetControl()->GetText(), "ab\nc");
    Press(Qt::Key_Return);
    EXPECT_EQ(Grid->Keys, QStringList({QString::number(VK_RETURN)}));
    Controller()->CancelEditor(true);

    // Number editor: Backspace stays with the control, Up goes to the grid.
    auto* number = Create<TKvNumberCellEditor>(Grid.get());
    Value->SetEditor(number);
    Focus(1, Value);
    Type("7");
    ASSERT_TRUE(Controller()->GetEditing());
    Grid->Keys.clear();
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Up);
    EXPECT_EQ(Grid->Keys, QStringList({QString::number(VK_UP)}));

    // Date editor: Up goes to the grid unless Alt is held.
    auto* date = Create<TKvDateTimeCellEditor>(Grid.get());
    When->SetEditor(date);
    Focus(0, When);
    Grid->Keys.clear();
    Press(Qt::Key_Up);
    Press(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Grid->Keys, QStringList({QString::number(VK_UP)}));
    EXPECT_TRUE(date->GetControl()->GetListVisible());
    Press(Qt::Key_Escape);
    EXPECT_FALSE(date->GetControl()->GetListVisible());
}

// A form that streams the components it owns that have no parent.
class TEditorTestForm : public TComponent
{
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent*) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            if (!GetComponent(i)->HasParent())
                proc(GetComponent(i));
    }
};

KV_PUBLISH(TEditorTestForm, TComponent);

TEST(GridEditors, ColumnOwnedEditorsStreamInsideTheirColumn)
{
    RegisterClasses<TEditorTestForm, TKvGridView>();
    TOwned<TEditorTestForm> form{Create<TEditorTestForm>(nullptr)};
    form->SetName("Form1");
    auto* grid = Create<TKvGridView>(form.get());
    grid->SetName("Grid1");
    TKvGridDataColumn* column = grid->AddDataColumn();
    column->SetName("When");
    auto* editor = Create<TKvInternalDateTimeCellEditor>(form.get());
    editor->SetName("WhenEditor");
    editor->SetInternalColumn(column);
    column->SetEditor(editor);
    EXPECT_EQ(editor->GetParentComponent(), column);
    EXPECT_EQ(editor->GetDisplayName(), "date");
    EXPECT_THROW(editor->AddListener(nullptr), EArgumentNilException);

    // The minimum at its default is left out, the maximum is always written.
    const QString text = WriteComponentText(form.get());
    EXPECT_FALSE(text.contains("MinDate"));
    EXPECT_TRUE(text.contains("MaxDate"));
    TOwned<TEditorTestForm> copy{Create<TEditorTestForm>(nullptr)};
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);
    auto* grid2 = dynamic_cast<TKvGridView*>(copy->FindComponent("Grid1"));
    ASSERT_NE(grid2, nullptr);
    auto* column2 = dynamic_cast<TKvGridDataColumn*>(grid2->GetColumn(0));
    ASSERT_NE(column2, nullptr);
    auto* editor2 = dynamic_cast<TKvInternalDateTimeCellEditor*>(column2->GetEditor());
    ASSERT_NE(editor2, nullptr);
    EXPECT_EQ(editor2->GetParentColumn(), column2);
    EXPECT_EQ(editor2->GetName(), "WhenEditor");

    // Editors by type key.
    TOwned<TEditorTestForm> owner{Create<TEditorTestForm>(nullptr)};
    EXPECT_NE(dynamic_cast<TKvLookupCellEditor*>(TKvGridView::CreateCellEditor(owner.get(), "LOOKUP")), nullptr);
    EXPECT_EQ(TKvGridView::CreateCellEditor(owner.get(), "memo"), nullptr);
}

} // namespace

TEST_F(TEditingFixture, AnOpenEditorFollowsItsCellWhenTheGridScrolls)
{
    for (TKvGridDataColumn* c : {Name, Value, When, Note})
        c->SetWidth(Grid->GetClientWidth() / 2);
    Focus(0, Value);
    Controller()->ShowEditor(false);
    DeliverPosted();
    ASSERT_TRUE(Controller()->GetEditing());
    const int before = Controller()->GetEditorBounds().Left;
    EXPECT_EQ(before, Grid->GetEditBounds(Cell(0, Value)).Left);

    const int step = Grid->GetClientWidth() / 8;
    Grid->SetLeftPos(step);
    Grid->RefreshView(true);
    DeliverPosted();
    ASSERT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(Controller()->GetEditorBounds().Left, Grid->GetEditBounds(Cell(0, Value)).Left);
    EXPECT_EQ(Controller()->GetEditorBounds().Left, before - step);
}
