// The top-level grid on a form, driven through seeded random sequences of what users, programs
// and a designer do: headers dragged into the grouping panel and chips dragged out, filter
// handles with the filter drop-down and the filter selector form, column groups and column
// drags, every cell editor opened, dropped down and closed, exports and style-archive round
// trips, rows changed under it, and the form's components freed in the orders an owner and a
// designer free them. After every step the grid's state must hold together.
#include "ComponentTestSupport.h"
#include "VantrelTestSupport.h"

#include "components/KvGrids.Converter.Excel.h"
#include "components/KvGrids.FilterSelector.h"
#include "components/KvGrids.Styles.Archive.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Tool.FilterSelector.h"
#include "grid/EditTestSupport.h"
#include "grid/ToolTestSupport.h"
#include "platform/design/DesignHost.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streaming.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QPointer>
#include <random>
#include <set>

using namespace kv;
using namespace kvtest;

namespace {

// Tells when a watched component is freed, by whoever frees it.
class TWatch : public TComponent
{
public:
    using TComponent::TComponent;
    std::function<void(TComponent*)> Gone;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && Gone)
            Gone(component);
    }
};

enum { Fields = 5 };

struct VantrelStress : ::testing::Test
{
    std::mt19937 Rng;
    TOwned<TWatch> Watch{Create<TWatch>(nullptr)};
    // The form owns the grid, the data provider, the editors and the converter.
    TOwned<TComponent> Form;
    std::unique_ptr<TDesignHost> Host;
    TKvVantrel* Grid = nullptr;
    TKvSimpleDataProvider* Data = nullptr;
    TKvGridExcelConverter* Converter = nullptr;
    std::vector<TKvGridCellEditor*> Editors;
    TPoint Cursor;
    TKvGridStylesJsonArchive Archive;
    TExceptionHook OldExceptionHook;
    TMessageBoxHook OldMessageBoxHook;
    QStringList Shown;
    int Step = 0;
    // Every so many steps the form is written, freed and read back (0: never).
    int RereadEvery = 0;
    bool Painted = false;
    std::string Trail;

    void SetUp() override
    {
        Watch->Gone = [this](TComponent* c) { Forget(c); };
        TKvGridInput::CursorPos = [this] { return Grid ? Grid->ClientToScreen(Cursor) : TPoint{}; };
        TKvGridInput::NewTimer = [] { return std::unique_ptr<TKvGridTimer>(new TFakeTimer()); };
        OldExceptionHook = SetExceptionHook([this](const QString& message) { Shown << message; });
        OldMessageBoxHook = SetMessageBoxHook([this](const QString&, const QString&, unsigned) {
            return Chance(50) ? IDYES : IDNO;
        });
    }
    void TearDown() override
    {
        FreeForm();
        Watch.reset();
        TKvGridInput::Reset();
        SetExceptionHook(OldExceptionHook);
        SetMessageBoxHook(OldMessageBoxHook);
    }

    int Pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(Rng); }
    bool Chance(int percent) { return Pick(100) < percent; }
    template <typename T> T* Any(const std::vector<T*>& v)
    {
        return v.empty() ? nullptr : v[static_cast<size_t>(Pick(static_cast<int>(v.size())))];
    }

    void Note(const char* what)
    {
        if (getenv("KV_STRESS_TRACE"))
            std::fprintf(stderr, "[%d] %s\n", Step, what);
        Trail += what;
        Trail += ' ';
        if (Trail.size() > 700)
            Trail.erase(0, Trail.size() - 700);
    }

    void Forget(TComponent* c)
    {
        if (c == Grid)
            Grid = nullptr;
        if (c == Data)
            Data = nullptr;
        if (c == Converter)
            Converter = nullptr;
        std::erase(Editors, static_cast<TKvGridCellEditor*>(dynamic_cast<TKvGridCellEditor*>(c)));
    }
    template <typename T> T* Watched(T* c)
    {
        c->FreeNotification(Watch.get());
        if (Host)
            Host->ComponentInserted(c);
        return c;
    }

    // ---- the form ---------------------------------------------------------------------------

    TKvGridDataRow RandomRow()
    {
        return {Variant(QStringList{"North", "East", "South", "West"}[Pick(4)]), Variant(QStringLiteral("C%1").arg(Pick(6))),
                Variant(Pick(100)), Pick(5) ? Variant::DateTime(EncodeDate(2020 + Pick(5), 1 + Pick(12), 1 + Pick(28))) : Variant(),
                Variant(Pick(2) == 1)};
    }
    void MakeData()
    {
        Data = Watched(Create<TKvSimpleDataProvider>(Form.get()));
        Data->InsertColumns(0, Fields, QStringLiteral("Region,City,Qty,When,Done"), QStringLiteral("s,s,n,d,b"));
        for (int r = 0, rows = 10 + Pick(30); r < rows; ++r)
            Data->InsertRow(r, RandomRow());
    }
    TKvGridCellEditor* MakeEditor()
    {
        TKvGridCellEditor* e = nullptr;
        switch (Pick(9)) {
        case 0: e = Create<TKvLineCellEditor>(Form.get()); break;
        case 1: e = Create<TKvMultiLineCellEditor>(Form.get()); break;
        case 2: e = Create<TKvButtonCellEditor>(Form.get()); break;
        case 3: e = Create<TKvListCellEditor>(Form.get()); break;
        case 4: e = Create<TKvLookupCellEditor>(Form.get()); break;
        case 5: e = Create<TKvDateTimeCellEditor>(Form.get()); break;
        case 6: e = Create<TKvNumberCellEditor>(Form.get()); break;
        case 7: e = Create<TKvCheckCellEditor>(Form.get()); break;
        default: e = Create<TKvRadioCellEditor>(Form.get()); break;
        }
        Editors.push_back(Watched(e));
        return e;
    }
    void MakeGrid()
    {
        Grid = Watched(Create<TKvVantrel>(Form.get()));
        if (Data)
            Grid->SetDataProvider(Data);
        Grid->GenerateDataColumns(true);
        if (!Data)
            for (const char* name : {"Region", "City", "Qty", "When", "Done"})
                Grid->AddDataColumn()->SetFieldName(QString::fromLatin1(name));
        Grid->GetPanel()->SetVisible(true);
        for (TKvGridDataColumn* c : Grid->GetDataColumns())
            c->SetLookupValues({"C0", "C1", "C2", "North", "South"});
        const int unit = BodyRowUnit(Grid);
        Grid->SetBounds(0, 0, unit * 28, unit * 14);
        Grid->Show();
        QWidget* window = Grid->Widget()->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        Grid->SetFocus();
        Paint();
    }
    // A form at run time, or a form in a designer.
    void MakeForm(bool design)
    {
        if (design)
            Form.reset(Create<TDesignForm>(nullptr));
        else
            Form.reset(Create<TComponentsTestForm>(nullptr));
        Form->SetName(QStringLiteral("Form1"));
        MakeData();
        for (int i = Pick(4); i > 0; --i)
            MakeEditor();
        Converter = Watched(Create<TKvGridExcelConverter>(Form.get()));
        if (design)
            Host = std::make_unique<TDesignHost>(Form.get());
        MakeGrid();
    }
    void FreeForm()
    {
        Host.reset();
        Form.reset();
        EXPECT_EQ(Grid, nullptr);
        EXPECT_EQ(Data, nullptr);
        EXPECT_TRUE(Editors.empty());
    }
    void Free(TComponent* c)
    {
        if (Host)
            Host->DeleteComponent(c);
        else
            c->Free();
    }

    void Paint()
    {
        if (!Grid)
            return;
        Grid->Invalidate();
        Grid->Update();
        QApplication::processEvents();
    }

    // ---- geometry and input -----------------------------------------------------------------

    static TRect Bounds(TKvSprite* view) { return TShownVantrel::Bounds(view); }
    static TPoint Center(const TRect& r) { return TShownVantrel::Center(r); }
    QWindow* Win() const { return GridWindow(Grid); }
    QPoint At(TPoint p) const { return GridPoint(Grid, p); }
    void Press(TPoint p)
    {
        Cursor = p;
        QTest::mousePress(Win(), Qt::LeftButton, {}, At(p));
    }
    void Move(TPoint p)
    {
        Cursor = p;
        if (Grid)
            QTest::mouseMove(Win(), At(p));
    }
    void Release(TPoint p)
    {
        Cursor = p;
        if (Grid)
            QTest::mouseRelease(Win(), Qt::LeftButton, {}, At(p));
    }
    void Drag(TPoint from, TPoint to)
    {
        Press(from);
        for (int i = 1; i <= 4 && Grid; ++i)
            Move(TPoint{from.X + (to.X - from.X) * i / 4, from.Y + (to.Y - from.Y) * i / 4});
        if (Grid && Chance(10)) {
            Note("esc");
            Key(Qt::Key_Escape);
        }
        Release(to);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers m = {})
    {
        QWindow* target = QGuiApplication::focusWindow();
        if (!target && Grid)
            target = Win();
        if (target)
            QTest::keyClick(target, key, m);
    }
    TPoint AnyPoint() { return TPoint{Pick(Grid->GetClientWidth()), Pick(Grid->GetClientHeight())}; }
    TPoint InPanel()
    {
        const TRect panel = Grid->GetLayoutManager()->PanelBounds();
        return TPoint{panel.Left + Pick(std::max(1, panel.Width())), panel.Top + Pick(std::max(1, panel.Height()))};
    }
    TPoint InBody()
    {
        const TRect body = Grid->GetLayoutManager()->BodyBounds();
        return TPoint{body.Left + Pick(std::max(1, std::min(body.Right, Grid->GetClientWidth()) - body.Left)),
                      body.Top + Pick(std::max(1, std::min(body.Bottom, Grid->GetClientHeight()) - body.Top))};
    }

    void CollectColumns(TKvGridColumnGroup* group, std::vector<TKvGridColumn*>& out) const
    {
        for (int i = 0; i < group->Count(); ++i) {
            TKvGridColumn* c = group->GetItem(i);
            out.push_back(c);
            if (auto* sub = dynamic_cast<TKvGridColumnGroup*>(c))
                CollectColumns(sub, out);
        }
    }
    std::vector<TKvGridColumn*> AllColumns() const
    {
        std::vector<TKvGridColumn*> out;
        if (Grid)
            CollectColumns(Grid->GetRootGroup(), out);
        return out;
    }
    std::vector<TKvGridDataColumn*> DataColumns() const { return Grid->GetDataColumns(); }
    TKvGridHeaderCellElement* HeaderView(TKvGridColumn* c) const
    {
        return c ? dynamic_cast<TKvGridHeaderCellElement*>(Grid->GetCellView(Grid->GetHeader(), TKvGridCellIndex(c)))
                 : nullptr;
    }
    // A column with a header on screen.
    TKvGridColumn* ShownColumn(bool dataOnly)
    {
        std::vector<TKvGridColumn*> shown;
        for (TKvGridColumn* c : AllColumns())
            if ((!dataOnly || dynamic_cast<TKvGridDataColumn*>(c)) && HeaderView(c) && HeaderView(c)->GetVisible())
                shown.push_back(c);
        return Any(shown);
    }
    TKvVantrelSelectionTool* Tool() const { return dynamic_cast<TKvVantrelSelectionTool*>(Grid->GetActiveTool()); }

    // ---- steps ------------------------------------------------------------------------------

    void GroupingStep()
    {
        Paint();
        switch (Pick(5)) {
        case 0:
        case 1:
            if (TKvGridColumn* c = ShownColumn(Chance(90))) {
                Note("header>panel");
                Drag(Center(Bounds(HeaderView(c))), Chance(85) ? InPanel() : InBody());
            }
            break;
        case 2:
        case 3: {
            TKvGroupByView* chips = Grid->GetGroupingPanel() ? Grid->GetGroupingPanel()->GetGroupByView() : nullptr;
            if (chips && chips->GetColumnViewCount() > 0) {
                Note("chip>out");
                const TRect chip = Bounds(chips->GetColumnView(Pick(chips->GetColumnViewCount())));
                Drag(Center(chip), Chance(75) ? InBody() : InPanel());
            }
            break;
        }
        case 4:
            Note("groupby");
            if (Chance(30))
                Grid->GroupBy({});
            else if (const int field = Pick(Fields + 1); field < Fields && Data) {
                Grid->GroupBy({field}, Chance(70), Chance(50) ? SortAscending : SortDescending);
            } else {
                // A field the data does not have, or any new field without data: refused, the
                // grouping as it was.
                const TKvIntegerArray before = Grid->GetGroupByFields();
                auto rows = [this] {
                    std::vector<int> out;
                    for (int i = 0; i < Grid->GetItemCount(); ++i)
                        out.push_back(Grid->GetItem(i)->GetDataRow());
                    return out;
                };
                const std::vector<int> shown = rows();
                EXPECT_THROW(Grid->GroupBy({field}), Exception);
                ASSERT_EQ(Grid->GetGroupByFields(), before);
                ASSERT_EQ(rows(), shown) << "a refused grouping changed the rows";
            }
            break;
        }
    }

    void FilterStep()
    {
        static const char* criteria[] = {"value > 30", "value < 60", "value = 'C1'", "value <> 'North'",
                                         "Region = 'East'", "Qty > 50", "value >", "Nope = 1", "Done = true"};
        switch (Pick(7)) {
        case 0:
            if (TKvGridDataColumn* c = Any(DataColumns())) {
                Note("addfilter");
                TKvGridColumnFilter* f = c->GetFilters()->Add();
                f->SetName(QStringLiteral("f%1").arg(Pick(10)));
                f->SetCriteria(QString::fromLatin1(criteria[Pick(static_cast<int>(std::size(criteria)))]));
                if (Chance(50))
                    f->SetActive(true);
            }
            break;
        case 1:
            if (TKvGridDataColumn* c = Any(DataColumns()); c && c->GetFilters()->Count() > 0) {
                Note("togglefilter");
                TKvGridColumnFilter* f = c->GetFilters()->GetFilter(Pick(c->GetFilters()->Count()));
                if (Chance(20))
                    c->GetFilters()->Delete(f->GetIndex());
                else
                    f->SetActive(!f->GetActive());
            }
            break;
        case 2:
        case 3: {
            // A click on a filter handle: the grid's own filter drop-down.
            Paint();
            TKvGridColumn* c = ShownColumn(true);
            TKvGridHeaderCellElement* cell = HeaderView(c);
            if (!cell)
                break;
            Move(Center(Bounds(cell)));
            Paint();
            if (!HeaderView(c) || !HeaderView(c)->GetFilterHandle()->GetVisible())
                break;
            Note("handle");
            const TPoint at = Center(Bounds(HeaderView(c)->GetFilterHandle()));
            Press(at);
            Release(at);
            auto* selector = Grid ? dynamic_cast<TKvGridFilterSelector*>(Grid->GetGridDelegate()->GetFilterSelector()) : nullptr;
            if (!selector || !selector->GetListing())
                break;
            TKvGridItemProvider* items = selector->GetItemProvider();
            for (int i = Pick(3); i > 0 && selector->GetListing() && items->GetItemCount() > 0; --i) {
                Note("check");
                const int item = Pick(items->GetItemCount());
                items->CheckItem(item, !items->GetItem(item)->GetChecked());
            }
            if (Chance(50)) {
                Note("outside");
                const TPoint p = InBody();
                Press(p);
                Release(p);
            } else if (Chance(50)) {
                Note("esc");
                Key(Qt::Key_Escape);
            } // else left open
            break;
        }
        case 4:
        case 5: {
            // The filter selector form under a handle.
            Paint();
            TKvGridHeaderCellElement* cell = HeaderView(ShownColumn(true));
            if (!cell)
                break;
            Note("selector");
            TKvFilterSelector* form = TKvFilterSelector::Open(cell->GetFilterHandle());
            if (!form)
                break;
            QPointer<QWidget> widget = form->Widget();
            TKvVantrel* list = form->GetGridMain();
            list->Invalidate();
            list->Update();
            QApplication::processEvents();
            for (int i = Pick(3); i > 0 && widget; --i) {
                TKvGridCheckBarElement* bar = list->GetCheckBarView();
                std::vector<TKvGridItemCellElement*> cells;
                for (int k = 0; k < bar->GetCellCount(); ++k)
                    if (bar->GetCell(k)->GetVisible())
                        cells.push_back(bar->GetCell(k));
                if (cells.empty())
                    break;
                Note("formcheck");
                const TRect r = Bounds(Any(cells));
                const TPoint o = list->GetClientOrigin();
                QTest::mouseClick(list->Widget()->window()->windowHandle(), Qt::LeftButton, {},
                                  list->Widget()->mapTo(list->Widget()->window(), QPoint(o.X + (r.Left + r.Right) / 2,
                                                                                         o.Y + (r.Top + r.Bottom) / 2)));
            }
            if (widget && Chance(60)) {
                Note("formesc");
                QTest::keyClick(widget->window()->windowHandle(), Qt::Key_Escape);
            } // else left open, for a press outside or a free to close
            break;
        }
        case 6:
            if (TKvGridDataColumn* c = Any(DataColumns())) {
                Note("clearfilters");
                c->GetFilters()->Clear();
            }
            break;
        }
    }

    void ColumnStep()
    {
        switch (Pick(8)) {
        case 0:
        case 1: {
            // A header dragged along the header row, onto another header or anywhere.
            Paint();
            TKvGridColumn* from = ShownColumn(false);
            TKvGridColumn* to = ShownColumn(false);
            if (!from || !to)
                break;
            Note("coldrag");
            const TRect target = Bounds(HeaderView(to));
            const TPoint end = Chance(80) ? TPoint{target.Left + Pick(std::max(1, target.Width())), Center(target).Y}
                                          : AnyPoint();
            TKvGridColumnGroup* parent = from->GetParentGroup();
            const int index = from->GetIndex();
            const bool movable = from->GetMovable();
            Drag(Center(Bounds(HeaderView(from))), end);
            if (!movable && Grid) {
                ASSERT_EQ(from->GetParentGroup(), parent) << "an unmovable column left its group";
                ASSERT_EQ(from->GetIndex(), index) << "an unmovable column moved";
            }
            break;
        }
        case 2: {
            Note("colgroup");
            TKvGridColumnGroup* group = Grid->AddColumnGroup(Chance(30) ? dynamic_cast<TKvGridColumnGroup*>(Any(AllColumns())) : nullptr);
            group->GetHeader()->SetCaption(QStringLiteral("G%1").arg(Pick(9)));
            for (int i = Pick(3); i >= 0; --i) {
                TKvGridColumn* c = Any(AllColumns());
                bool inside = false; // no group into itself or its own members
                for (TKvGridColumn* p = group; p; p = p->GetParentGroup())
                    inside = inside || p == c;
                if (c && !inside)
                    group->GetColumns()->Add(c);
            }
            Grid->ResetColumnIndicies();
            break;
        }
        case 3:
            if (TKvGridColumn* c = Any(AllColumns())) {
                Note("movable");
                c->SetMovable(!c->GetMovable());
            }
            break;
        case 4:
            if (TKvGridColumn* c = Any(AllColumns())) {
                Note("hide");
                c->SetVisible(!c->GetVisible());
            }
            break;
        case 5:
            if (Chance(30) && Grid->GetColumnCount() > 1) {
                Note("removecol");
                Grid->RemoveColumn(Any(AllColumns()));
            } else if (Chance(50)) {
                Note("addcol");
                Grid->AddDataColumn()->SetFieldName(QStringList{"Region", "City", "Qty", "When", "Done", "Gone"}[Pick(6)]);
            }
            break;
        case 6:
            if (Grid->GetColumnCount() > 1) {
                Note("movecol");
                Grid->MoveColumn(Pick(Grid->GetColumnCount()), Pick(Grid->GetColumnCount()));
            }
            break;
        case 7:
            Note("generate");
            Grid->GenerateDataColumns(Chance(70));
            break;
        }
    }

    void EditorStep()
    {
        switch (Pick(6)) {
        case 0:
            if (TKvGridDataColumn* c = Any(DataColumns())) {
                Note("seteditor");
                c->SetEditor(Chance(20) || Editors.size() > 8 ? Any(Editors) : MakeEditor());
            }
            break;
        case 1:
        case 2:
        case 3: {
            // Into a cell, open its editor, maybe drop it down, then leave it somehow.
            Paint();
            Note("open");
            const TPoint p = InBody();
            Press(p);
            Release(p);
            if (!Grid)
                break;
            switch (Pick(3)) {
            case 0: Key(Qt::Key_F2); break;
            case 1: Key(Qt::Key_A); break;
            default: Key(Qt::Key_1); break;
            }
            if (Grid && Chance(60)) {
                Note("drop");
                Key(Qt::Key_Down, Qt::AltModifier);
                if (Chance(50))
                    Key(Chance(50) ? Qt::Key_Down : Qt::Key_Up);
            }
            static const Qt::Key leave[] = {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Down, Qt::Key_Right, Qt::Key_Space};
            for (int i = Pick(3); i >= 0 && Grid; --i)
                Key(leave[Pick(static_cast<int>(std::size(leave)))]);
            if (Grid && Chance(30)) {
                Note("elsewhere");
                const TPoint q = InBody();
                Press(q);
                Release(q);
            }
            break;
        }
        case 4:
            Note("api");
            try {
                if (Grid->GetEditing())
                    Chance(50) ? Grid->CommitEditor(false) : Grid->CancelEditor(false);
                else
                    Grid->ShowEditor(Chance(50));
            } catch (const EConvertError&) {
                // A program's commit of text that is no value of the field: told to it.
            }
            break;
        case 5:
            Note("append");
            Grid->Append();
            break;
        }
    }

    void InputStep()
    {
        static const Qt::Key keys[] = {Qt::Key_Up,     Qt::Key_Down,  Qt::Key_Left,  Qt::Key_Right,  Qt::Key_PageUp,
                                       Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End,  Qt::Key_Tab,    Qt::Key_F2,
                                       Qt::Key_Escape, Qt::Key_Return, Qt::Key_X,    Qt::Key_Space,  Qt::Key_Insert,
                                       Qt::Key_Delete, Qt::Key_Plus,   Qt::Key_Minus};
        Paint();
        switch (Pick(5)) {
        case 0: {
            Note("click");
            const TPoint p = AnyPoint();
            Press(p);
            Release(p);
            break;
        }
        case 1:
            Note("dclick");
            Cursor = AnyPoint();
            QTest::mouseDClick(Win(), Qt::LeftButton, {}, At(Cursor));
            break;
        case 2:
            Note("hover");
            Move(AnyPoint());
            break;
        case 3: {
            Note("key");
            const Qt::Key key = keys[Pick(static_cast<int>(std::size(keys)))];
            Key(key, Chance(15) ? Qt::ShiftModifier : Chance(10) ? Qt::ControlModifier : Qt::NoModifier);
            break;
        }
        case 4:
            Note("scroll");
            Grid->SetTopIndex(Pick(Grid->GetItemCount() + 2));
            Grid->SetLeftPos(Pick(200));
            break;
        }
    }

    void DataStep()
    {
        if (!Data) {
            Note("newdata");
            MakeData();
            Grid->SetDataProvider(Data);
            return;
        }
        const int rows = Data->GetRowCount();
        switch (Pick(5)) {
        case 0:
        case 1:
            Note("insrow");
            Data->InsertRow(Pick(rows + 1), RandomRow());
            break;
        case 2:
            if (rows > 0) {
                Note("delrow");
                Data->RemoveRow(Pick(rows));
            }
            break;
        case 3:
            if (rows > 0) {
                Note("setval");
                const int field = Pick(Fields);
                Data->SetData(Pick(rows), field, RandomRow()[static_cast<size_t>(field)]);
            }
            break;
        case 4:
            if (TKvGridColumn* c = Any(AllColumns())) {
                Note("sort");
                Chance(70) ? Grid->SortColumn(c) : Grid->UnsortColumn(c);
            }
            break;
        }
    }

    // An export and a style-archive round trip change nothing the user sees.
    void RoundTripStep()
    {
        const int count = Grid->GetItemCount();
        const TKvGridCellIndex focus = Grid->GetFocusedIndex();
        if (Chance(50)) {
            Note("export");
            if (!Converter)
                Converter = Watched(Create<TKvGridExcelConverter>(Form.get()));
            Converter->Convert(Grid, Chance(50));
            ASSERT_TRUE(Converter->GetOutput().startsWith(QStringLiteral("<?xml"))) << "export";
            ASSERT_TRUE(Converter->GetOutput().endsWith(QStringLiteral("</Workbook>")) ||
                        Converter->GetOutput().endsWith(QStringLiteral("</Workbook>\n")))
                << Converter->GetOutput().right(80).toStdString();
        } else {
            Note("archive");
            TKvGridViewStyles* styles = Chance(50) ? Grid->GetBody()->GetStyles() : Grid->GetHeader()->GetStyles();
            if (Chance(50))
                styles->SetPaddingLeft(Pick(6));
            if (Chance(30))
                styles->SetBackground(styles->CreateFill(QStringLiteral("#ff%1%1%1").arg(10 + Pick(80))));
            const QString text = Archive.SaveGrid(Grid);
            Archive.LoadGrid(text, Grid);
            ASSERT_EQ(Archive.SaveGrid(Grid).toStdString(), text.toStdString()) << "archive round trip";
            TOwned<TKvVantrel> other = MakeOwned<TKvVantrel>(nullptr);
            Archive.LoadGrid(text, other.get());
            ASSERT_EQ(Archive.SaveGrid(other.get()).toStdString(), text.toStdString()) << "archive into another grid";
        }
        ASSERT_EQ(Grid->GetItemCount(), count);
        ASSERT_EQ(Grid->GetFocusedIndex().ItemIndex, focus.ItemIndex);
        ASSERT_EQ(Grid->GetFocusedIndex().Column, focus.Column);
    }

    // The form's components freed the ways an owner and a designer free them.
    void FreeStep()
    {
        switch (Pick(5)) {
        case 0:
            Note("free:owner");
            FreeForm();
            MakeForm(Chance(40));
            break;
        case 1:
            Note("free:grid");
            Free(Grid);
            ASSERT_EQ(Grid, nullptr);
            if (Chance(30)) {
                FreeForm();
                MakeForm(Chance(40));
            } else
                MakeGrid();
            break;
        case 2:
            if (Data) {
                Note("free:data");
                Free(Data);
                ASSERT_EQ(Data, nullptr);
            }
            if (Chance(20)) {
                Note("+grid");
                Free(Grid);
                MakeGrid();
            }
            break;
        case 3:
            Note("free:editors");
            while (!Editors.empty() && (Chance(70) || Editors.size() > 3))
                Free(Any(Editors));
            break;
        case 4:
            if (Converter && Chance(50)) {
                Note("free:converter");
                Free(Converter);
            }
            Note("designing");
            // A designer opens the same form: the grid and its parts go into design state.
            if (!Host && Chance(50)) {
                Host = std::make_unique<TDesignHost>(Form.get());
                Host->SelectComponent(Grid);
            } else if (Host && Chance(30)) {
                Host->SelectComponent(Any(AllColumns()));
            }
            break;
        }
    }

    // The form written to text, freed with its grid shown, read back into a new form (at run
    // time or in a designer) and its grid shown again over new data.
    void RereadStep()
    {
        Note("reread");
        RegisterComponentsTestForm();
        RegisterClasses<TDesignForm, TKvVantrel, TKvGridExcelConverter, TKvButtonCellEditor, TKvCheckCellEditor,
                        TKvRadioCellEditor>();
        // The in-memory data is the program's, not the form's.
        if (Data)
            Free(Data);
        int part = 0;
        for (int i = 0; i < Form->GetComponentCount(); ++i)
            if (Form->GetComponent(i)->GetName().isEmpty()) {
                while (Form->FindComponent(QStringLiteral("Part%1").arg(++part)))
                    ;
                Form->GetComponent(i)->SetName(QStringLiteral("Part%1").arg(part));
            }
        const bool design = Host != nullptr;
        const QString text = WriteComponentText(Form.get());
        FreeForm();
        if (design)
            Form.reset(Create<TDesignForm>(nullptr));
        else
            Form.reset(Create<TComponentsTestForm>(nullptr));
        if (design)
            ReadDesignComponentText(text, Form.get(), nullptr);
        else
            ReadComponentText(text, Form.get(), nullptr);
        for (int i = 0; i < Form->GetComponentCount(); ++i) {
            TComponent* c = Form->GetComponent(i);
            if (auto* grid = dynamic_cast<TKvVantrel*>(c))
                Grid = Watched(grid);
            else if (auto* editor = dynamic_cast<TKvGridCellEditor*>(c))
                Editors.push_back(Watched(editor));
            else if (auto* converter = dynamic_cast<TKvGridExcelConverter*>(c))
                Converter = Watched(converter);
        }
        ASSERT_NE(Grid, nullptr) << text.toStdString();
        MakeData();
        try {
            Grid->SetDataProvider(Data);
        } catch (const EKvFilterError&) {
            // A filter read back that does not apply to the new data: named, the others applied.
        }
        if (design)
            Host = std::make_unique<TDesignHost>(Form.get());
        ShowActive(Grid);
        Grid->SetFocus();
        Paint();
        ASSERT_NE(Win(), nullptr) << "the grid read back shows no window";
    }

    void RunStep()
    {
        if (RereadEvery > 0 && Step > 0 && Step % RereadEvery == 0) {
            RereadStep();
            return;
        }
        Painted = false;
        const int kind = Pick(100);
        if (kind < 14)
            GroupingStep();
        else if (kind < 26)
            FilterStep();
        else if (kind < 36)
            ColumnStep();
        else if (kind < 50)
            EditorStep();
        else if (kind < 75)
            InputStep();
        else if (kind < 85)
            DataStep();
        else if (kind < 90)
            RoundTripStep();
        else if (kind < 92)
            FreeStep();
        else {
            Note("paint");
            Paint();
            Painted = true;
        }
        if (TFakeTimer::Tick && Chance(30))
            TFakeTimer::Tick();
        if (!Grid)
            MakeGrid();
    }

    // ---- invariants -------------------------------------------------------------------------

    void Check()
    {
        ASSERT_NE(Grid, nullptr);
        const int count = Grid->GetItemCount();
        const std::vector<TKvGridColumn*> columns = AllColumns();
        auto inTree = [&](TKvGridColumn* c) { return std::find(columns.begin(), columns.end(), c) != columns.end(); };

        // Focus, selection, hover and row views: on items and columns that exist.
        const TKvGridCellIndex f = Grid->GetFocusedIndex();
        ASSERT_TRUE(f.IsNull() || (f.ItemIndex >= -1 && f.ItemIndex < count && (!f.Column || inTree(f.Column))))
            << "focus " << f.ItemIndex << " of " << count;
        TKvGridSelectionManager* sel = Grid->GetSelections();
        for (int i = 0; i < sel->GetCount(); ++i) {
            const TKvGridRange r = sel->GetItem(i)->GetBounds();
            if (r.R1 == 0 && r.R2 == count - 1)
                continue;
            ASSERT_LT(std::max(r.R1, r.R2), count) << "selection item " << i;
            ASSERT_TRUE(!r.C1 || inTree(r.C1));
            ASSERT_TRUE(!r.C2 || inTree(r.C2));
        }
        if (TKvVantrelSelectionTool* tool = Tool()) {
            if (auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(tool->GetHoveredCell())) {
                ASSERT_TRUE(!cell->GetColumn() || inTree(cell->GetColumn())) << "hovered view on a freed column";
            }
            ASSERT_EQ(tool->GetDragTracker(), nullptr) << "a drag outlived its release";
        }
        for (int item = 0; item < std::min(count, 60); ++item)
            for (bool fixed : {false, true})
                if (TKvGridRowElement* row = Grid->GetRowView(item, fixed)) {
                    ASSERT_LT(row->GetIndex(), count);
                }

        // An open editor is on the focused cell.
        if (Grid->GetEditing()) {
            auto* ec = dynamic_cast<TKvDefaultGridEditController*>(Grid->GetEditController());
            ASSERT_TRUE(ec && ec->GetEditIndex() == f)
                << "editor at item " << (ec ? ec->GetEditIndex().ItemIndex : -1) << ", focus at " << f.ItemIndex;
        }

        // Items: each there, each data row once and inside the data.
        std::set<int> rows;
        int dataItems = 0;
        for (int i = 0; i < count; ++i) {
            TKvGridItem* item = Grid->GetItem(i);
            ASSERT_NE(item, nullptr) << "item " << i << " of " << count;
            const int row = item->GetDataRow();
            if (row < 0)
                continue;
            ++dataItems;
            ASSERT_TRUE(Data) << "a data row without data";
            ASSERT_LT(row, Data->GetRowCount()) << "item " << i;
            ASSERT_TRUE(rows.insert(row).second) << "data row " << row << " shown twice";
        }

        // Grouping: fields known and once each; the panel idle between gestures, one chip a field.
        TKvGridPanelElement* panel = Grid->GetGroupingPanel();
        const TKvIntegerArray groups = Grid->GetGroupByFields();
        const std::set<int> distinct(groups.begin(), groups.end());
        ASSERT_EQ(distinct.size(), groups.size()) << "a field grouped twice";
        for (int field : groups) {
            ASSERT_TRUE(field >= 0 && field < Fields) << "grouped by field " << field;
        }
        if (panel) {
            ASSERT_EQ(panel->GetState(), PanelNormal);
            if (Painted && Grid->GetItemProvider() == Grid->GetItemSource()) {
                ASSERT_EQ(panel->GetGroupByView()->GetColumnViewCount(), static_cast<int>(groups.size())) << "chips";
            }
        }
        // Unfiltered and ungrouped, every data row shows.
        bool filtering = false;
        for (TKvGridDataColumn* c : Grid->GetDataColumns())
            for (int i = 0; i < c->GetFilters()->Count(); ++i)
                filtering = filtering || c->GetFilters()->GetFilter(i)->GetActive();
        if (Data && groups.empty() && !filtering && Grid->GetItemProvider() == Grid->GetItemSource() &&
            !Grid->GetItemSource()->IsEditing(-1)) {
            ASSERT_EQ(dataItems, Data->GetRowCount()) << "rows lost or added";
        }

        // Editors of columns are alive; an open filter selector form is on a column of this grid.
        for (TKvGridColumn* c : columns) {
            if (auto* data = dynamic_cast<TKvGridDataColumn*>(c); data && data->GetEditor()) {
                ASSERT_NE(std::find(Editors.begin(), Editors.end(), data->GetEditor()), Editors.end()) << "freed editor";
            }
        }
        for (int i = 0; i < Grid->GetComponentCount(); ++i) {
            if (auto* form = dynamic_cast<TKvFilterSelector*>(Grid->GetComponent(i)); form && form->GetColumn()) {
                ASSERT_TRUE(inTree(form->GetColumn())) << "filter selector on a column gone";
            }
        }
    }

    void Run(unsigned seed, int steps)
    {
        Rng.seed(seed);
        MakeForm(seed % 2 == 0);
        for (Step = 0; Step < steps; ++Step) {
            try {
                RunStep();
            } catch (const EKvFilterError&) {
                // A criteria that does not apply: named to the caller, the others applied.
            } catch (const std::exception& e) {
                ADD_FAILURE() << "seed " << seed << " step " << Step << " raised " << e.what() << ": " << Trail;
                return;
            }
            if (::testing::Test::HasFatalFailure()) {
                ADD_FAILURE() << "seed " << seed << " step " << Step << ": " << Trail;
                return;
            }
            Check();
            if (::testing::Test::HasFatalFailure()) {
                ADD_FAILURE() << "seed " << seed << " step " << Step << ": " << Trail;
                return;
            }
        }
        Paint();
        Check();
        Shown.removeDuplicates();
        for (const QString& message : Shown)
            std::fprintf(stderr, "shown: %s\n", qPrintable(message));
    }
};

} // namespace

TEST_F(VantrelStress, RandomStepsSeed1) { Run(1, 2000); }
TEST_F(VantrelStress, RandomStepsSeed2) { Run(2, 2000); }
TEST_F(VantrelStress, RandomStepsSeed3) { Run(3, 2000); }
TEST_F(VantrelStress, RandomStepsSeed4) { Run(4, 2000); }
TEST_F(VantrelStress, RandomStepsSeed5) { Run(5, 2000); }
TEST_F(VantrelStress, RandomStepsSeed7) { Run(7, 2000); }
// Shown forms read back from their text are freed (by their owner, or a component first)
// as cleanly as forms made in code.
TEST_F(VantrelStress, ShownFormsReadBackFromTextSeed11)
{
    RereadEvery = 20;
    Run(11, 1200);
}
TEST_F(VantrelStress, ShownFormsReadBackFromTextSeed12)
{
    RereadEvery = 15;
    Run(12, 1200);
}

// Minimal reproductions of what the random runs found.

// A row a program appended stays pending while the focus is elsewhere; the user then clicks
// another row and types: the appended row is left and the typed edit opens on its own row.
TEST(VantrelStressCases, TypingOnARowWhileAProgramsAppendedRowIsPending)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    ASSERT_TRUE(g.Grid->Append());
    ASSERT_EQ(g.Grid->GetItemCount(), 11);
    ASSERT_EQ(g.Grid->GetFocusedIndex().ItemIndex, -1);
    g.Paint();
    TKvGridCellElement* cell = g.Grid->GetCellView(g.Grid->GetBody(), TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FCity]));
    ASSERT_NE(cell, nullptr);
    g.Click(TShownVantrel::Center(TShownVantrel::Bounds(cell)));
    // Nothing was typed into the new row: it goes.
    EXPECT_EQ(g.Grid->GetItemCount(), 10);
    EXPECT_EQ(g.Data->GetRowCount(), 10);
    QTest::keyClick(g.Win(), Qt::Key_A);
    EXPECT_TRUE(g.Grid->GetEditing());
    EXPECT_TRUE(g.Chain()->IsEditing(2));
    QTest::keyClick(g.Win(), Qt::Key_Return);
    QTest::keyClick(g.Win(), Qt::Key_Down);
    EXPECT_EQ(g.Data->GetData(g.Grid->GetItem(2)->GetDataRow(), FCity).ToString(), QStringLiteral("a"));
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();

    // With rows committed without an edit, the new row is written as the focus moves on.
    g.Grid->GetEditOptions()->SetCommitWhenNoEdit(true);
    g.Columns[FCity]->SetDefaultValue(Variant(QStringLiteral("Fresh")));
    ASSERT_TRUE(g.Grid->Append());
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 4, g.Columns[FCity]));
    EXPECT_FALSE(g.Chain()->IsEditing(-1));
    ASSERT_EQ(g.Data->GetRowCount(), 11);
    EXPECT_EQ(g.Data->GetData(10, FCity).ToString(), QStringLiteral("Fresh"));
}

// A column's active filter goes with the column: its rows show again.
TEST(VantrelStressCases, RemovingAColumnDropsItsActiveFilters)
{
    TShownVantrel g;
    g.Fill(40);
    g.Show(460, 320);
    auto filter = [&](TKvGridDataColumn* column) {
        TKvGridColumnFilter* f = column->GetFilters()->Add();
        f->SetName(QStringLiteral("small"));
        f->SetCriteria(QStringLiteral("value < 10"));
        f->SetActive(true);
    };
    filter(g.Columns[FQty]);
    ASSERT_EQ(g.Grid->GetItemCount(), 10);
    g.Grid->RemoveColumn(g.Columns[FQty]);
    g.Paint();
    EXPECT_EQ(g.Grid->GetItemCount(), 40);
    EXPECT_EQ(g.Rows().size(), 40u);

    // The same when the columns are made again from the fields.
    g.Grid->GenerateDataColumns(true);
    filter(g.Grid->GetDataColumns()[FQty]);
    ASSERT_EQ(g.Grid->GetItemCount(), 10);
    g.Grid->GenerateDataColumns(true);
    EXPECT_EQ(g.Grid->GetItemCount(), 40);
}

// The form frees an editor it made after the grid, one the grid has used, before the grid.
TEST(VantrelStressCases, AFormFreesAnEditorTheGridUsedBeforeTheGrid)
{
    TOwned<TComponent> form(Create<TComponentsTestForm>(nullptr));
    TOwned<TKvSimpleDataProvider> data = MakeTable("Name", "s", {{"a"}, {"b"}});
    TKvVantrel* grid = Create<TKvVantrel>(form.get());
    grid->SetDataProvider(data.get());
    grid->GenerateDataColumns(true);
    auto* editor = Create<TKvLineCellEditor>(form.get());
    grid->GetDataColumns()[0]->SetEditor(editor);
    grid->SetBounds(0, 0, 300, 200);
    grid->Show();
    QApplication::setActiveWindow(grid->Widget()->window());
    grid->SetFocus();
    grid->SetFocusedIndex(TKvGridCellIndex(grid, 1, grid->GetDataColumns()[0]));
    QWindow* window = grid->Widget()->window()->windowHandle();
    QTest::keyClick(window, Qt::Key_F2);
    ASSERT_TRUE(grid->GetEditing());
    QTest::keyClick(window, Qt::Key_Escape);
    form.reset(); // the editor goes first, then the grid
    EXPECT_EQ(data->GetRowCount(), 2);
}

// A grid in design state edits no cell: a double click or F2 opens no editor, and an editor open
// when a designer took the form goes when the focus moves.
TEST(VantrelStressCases, AGridInDesignStateOpensNoEditor)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    auto cellAt = [&](int item) {
        g.Paint();
        TKvGridCellElement* cell = g.Grid->GetCellView(g.Grid->GetBody(), TKvGridCellIndex(g.Grid.get(), item, g.Columns[FCity]));
        EXPECT_NE(cell, nullptr);
        return cell ? TShownVantrel::Center(TShownVantrel::Bounds(cell)) : TPoint{};
    };
    g.Click(cellAt(1));
    ASSERT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 1);
    g.Grid->SetDesigning(true);
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 3, g.Columns[FCity]));
    const TPoint at = cellAt(3);
    g.Cursor = at;
    QTest::mouseDClick(g.Win(), Qt::LeftButton, {}, g.At(at));
    EXPECT_FALSE(g.Grid->GetEditing());
    QTest::keyClick(g.Win(), Qt::Key_F2);
    EXPECT_FALSE(g.Grid->GetEditing());
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 3);

    g.Grid->SetDesigning(false);
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 1, g.Columns[FCity]));
    QTest::keyClick(g.Win(), Qt::Key_F2);
    ASSERT_TRUE(g.Grid->GetEditing());
    g.Grid->SetDesigning(true);
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 4, g.Columns[FCity]));
    EXPECT_FALSE(g.Grid->GetEditing());
    g.Grid->SetDesigning(false);
    EXPECT_EQ(g.Cell(1, FCity), QStringLiteral("C1"));
}

// The hovered cell goes with its column while the grid is in design state; back at run time
// the mouse hovers the cells that are there.
TEST(VantrelStressCases, AHoveredCellGoesWithItsColumnInDesignState)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    auto cellAt = [&](int item, int column) {
        g.Paint();
        TKvGridCellElement* cell =
            g.Grid->GetCellView(g.Grid->GetBody(), TKvGridCellIndex(g.Grid.get(), item, g.Columns[static_cast<size_t>(column)]));
        EXPECT_NE(cell, nullptr);
        return cell ? TShownVantrel::Center(TShownVantrel::Bounds(cell)) : TPoint{};
    };
    auto* tool = dynamic_cast<TKvVantrelSelectionTool*>(g.Grid->GetActiveTool());
    ASSERT_NE(tool, nullptr);
    g.Move(cellAt(2, FCity));
    ASSERT_NE(tool->GetHoveredCell(), nullptr);
    g.Grid->SetDesigning(true);
    g.Grid->RemoveColumn(g.Columns[FCity]);
    EXPECT_EQ(tool->GetHoveredCell(), nullptr);
    g.Grid->SetDesigning(false);
    g.Move(cellAt(3, FRegion));
    g.Move(cellAt(4, FQty));
    auto* hovered = dynamic_cast<TKvGridIndexedCellElement*>(tool->GetHoveredCell());
    ASSERT_NE(hovered, nullptr);
    EXPECT_EQ(hovered->GetColumn(), g.Columns[FQty]);
}

// An editor open on one row while a program's appended row is pending: the first typed key
// commits the appended row, and the text goes into the edited row, not into the appended one.
TEST(VantrelStressCases, TypingIntoAnOpenEditorWhileAProgramsAppendedRowIsPending)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    g.Grid->GetEditOptions()->SetCommitWhenNoEdit(true);
    g.Columns[FCity]->SetDefaultValue(Variant(QStringLiteral("Fresh")));
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FCity]));
    QTest::keyClick(g.Win(), Qt::Key_F2);
    ASSERT_TRUE(g.Grid->GetEditing());
    ASSERT_TRUE(g.Grid->Append());
    ASSERT_EQ(g.Grid->GetItemCount(), 11);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_A);
    ASSERT_EQ(g.Data->GetRowCount(), 11);
    EXPECT_EQ(g.Data->GetData(10, FCity).ToString(), QStringLiteral("Fresh"));
    EXPECT_TRUE(g.Chain()->IsEditing(2));
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
    QTest::keyClick(g.Win(), Qt::Key_Down);
    EXPECT_EQ(g.Data->GetRowCount(), 11);
    EXPECT_EQ(g.Data->GetData(2, FCity).ToString(), QStringLiteral("C2a"));
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}

// A new row the filter does not let through goes from the view when it is committed: the focus
// and the editor stay on rows that are there (Down goes on to the next new row).
TEST(VantrelStressCases, ACommittedRowTheFilterHidesTakesNoFocusAlong)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    TKvGridColumnFilter* f = g.Columns[FQty]->GetFilters()->Add();
    f->SetName(QStringLiteral("small"));
    f->SetCriteria(QStringLiteral("value < 3"));
    f->SetActive(true);
    ASSERT_EQ(g.Grid->GetItemCount(), 3);
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FQty]));
    QTest::keyClick(g.Win(), Qt::Key_Down);
    ASSERT_EQ(g.Grid->GetItemCount(), 4);
    ASSERT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 3);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_9);
    ASSERT_TRUE(g.Grid->GetEditing());
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Down);
    EXPECT_EQ(g.Data->GetRowCount(), 11);
    EXPECT_EQ(g.Data->GetData(10, FQty).ToInt(), 9);
    EXPECT_EQ(g.Grid->GetItemCount(), 4);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 3);
    EXPECT_TRUE(g.Chain()->IsEditing(3));
    EXPECT_FALSE(g.Grid->GetEditing());
    // Escape drops the untouched new row; the focus goes back to the last row there is.
    QTest::keyClick(g.Win(), Qt::Key_Escape);
    EXPECT_EQ(g.Grid->GetItemCount(), 3);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 2);
    EXPECT_EQ(g.Data->GetRowCount(), 11);
    g.Paint();
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}

// A click on another row drops the untouched new row, and the focus lands on the clicked row.
TEST(VantrelStressCases, ClickingAwayFromAnUntouchedNewRowFocusesTheClickedRow)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 600);
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 9, g.Columns[FQty]));
    QTest::keyClick(g.Win(), Qt::Key_Down);
    ASSERT_EQ(g.Grid->GetItemCount(), 11);
    ASSERT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 10);
    g.Paint();
    TKvGridCellElement* cell = g.Grid->GetCellView(g.Grid->GetBody(), TKvGridCellIndex(g.Grid.get(), 3, g.Columns[FCity]));
    ASSERT_NE(cell, nullptr);
    g.Click(TShownVantrel::Center(TShownVantrel::Bounds(cell)));
    EXPECT_EQ(g.Grid->GetItemCount(), 10);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 3);
}

// What a handler raises while the user types into a cell editor reaches the message path: the
// key press returns normally, the user is told, and a program that sets the text hears it.
TEST(VantrelStressCases, AnExceptionRaisedWhileTypingReachesTheUser)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    g.Grid->OnEdit = [](TKvGridView*, const TKvGridCellIndex&, const Variant&) {
        throw EConvertError(QStringLiteral("No typing here"));
    };
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FCity]));
    QTest::keyClick(g.Win(), Qt::Key_F2);
    ASSERT_TRUE(g.Grid->GetEditing());
    EXPECT_NO_THROW(QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_A));
    EXPECT_EQ(shown, QStringList{QStringLiteral("No typing here")});
    auto* controller = static_cast<TKvDefaultGridEditController*>(g.Grid->GetEditController());
    auto* line = dynamic_cast<TKvLineCellEditor*>(controller->GetEditor());
    ASSERT_NE(line, nullptr);
    auto* edit = dynamic_cast<TCustomTextControl*>(line->GetControl());
    ASSERT_NE(edit, nullptr);
    EXPECT_THROW(edit->SetText(QStringLiteral("C9")), EConvertError);
    EXPECT_EQ(shown.size(), 1);
    g.Grid->OnEdit = nullptr;
}

// A lookup editor whose column went drops down no list of that column: a hidden editor is on
// no cell.
TEST(VantrelStressCases, ALookupEditorWhoseColumnWentDropsDownSafely)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    auto* lookup = Create<TKvLookupCellEditor>(g.Grid.get());
    g.Columns[FCity]->SetLookupValues({"C0", "C1", "C2"});
    g.Columns[FCity]->SetEditor(lookup);
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FCity]));
    QTest::keyClick(g.Win(), Qt::Key_F2);
    ASSERT_TRUE(g.Grid->GetEditing());
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Escape);
    g.Grid->RemoveColumn(g.Columns[FCity]);
    EXPECT_FALSE(g.Grid->GetEditing());
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Escape);
    EXPECT_EQ(g.Grid->GetDataColumns().size(), 2u);
    EXPECT_FALSE(g.Grid->GetEditing());
}

// The data goes, or another data provider comes, while the user has typed into a cell: the
// typed text goes with its row edit, nothing is written anywhere and nothing is raised.
TEST(VantrelStressCases, TypedTextGoesWithItsDataProvider)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    auto typeInto = [&](int item) {
        g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), item, g.Grid->GetDataColumns()[FCity]));
        QTest::keyClick(g.Win(), Qt::Key_X);
        ASSERT_TRUE(g.Grid->GetEditing());
        ASSERT_TRUE(g.Chain()->IsEditing(item));
    };
    typeInto(2);
    TOwned<TKvSimpleDataProvider> other = MakeTable("Region,City,Qty", "s,s,n", {{"A", "B", Variant(1)}});
    EXPECT_NO_THROW(g.Grid->SetDataProvider(other.get()));
    EXPECT_FALSE(g.Chain()->IsEditing(-1));
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
    QTest::keyClick(g.Win(), Qt::Key_Down);
    EXPECT_EQ(other->GetRowCount(), 1);
    EXPECT_EQ(other->GetData(0, FCity).ToString(), QStringLiteral("B"));
    EXPECT_EQ(g.Data->GetData(2, FCity).ToString(), QStringLiteral("C2"));

    typeInto(0);
    EXPECT_NO_THROW(other.reset());
    EXPECT_EQ(g.Grid->GetItemCount(), 0);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
    EXPECT_FALSE(g.Grid->GetEditing());
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}

// Without a data provider no field is known: grouping by one is refused and nothing changes.
TEST(VantrelStressCases, GroupingWithoutDataIsRefused)
{
    TOwned<TKvVantrel> grid = MakeOwned<TKvVantrel>(nullptr);
    grid->AddDataColumn()->SetFieldName(QStringLiteral("Region"));
    EXPECT_THROW(grid->GroupBy({0}), EArgumentOutOfRangeException);
    EXPECT_THROW(grid->GroupBy({7}), EArgumentOutOfRangeException);
    EXPECT_TRUE(grid->GetGroupByFields().empty());
    EXPECT_NO_THROW(grid->GroupBy({}));
}

// The rows are grouped under the waiting editor, and its cell is now a group row: typing there
// changes nothing and a commit writes nothing.
TEST(VantrelStressCases, TypingOnACellThatBecameAGroupRowWritesNothing)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    g.Grid->GroupBy({FRegion});
    int header = -1;
    for (int i = 1; i < g.Grid->GetItemCount() && header < 0; ++i)
        if (g.Grid->GetItem(i)->GetDataRow() < 0)
            header = i;
    ASSERT_GE(header, 0);
    g.Grid->GroupBy({});
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), header, g.Columns[FCity]));
    g.Grid->GroupBy({FRegion});
    ASSERT_EQ(g.Grid->GetFocusedIndex().ItemIndex, header);
    ASSERT_LT(g.Grid->GetItem(header)->GetDataRow(), 0);
    QTest::keyClick(g.Win(), Qt::Key_1);
    EXPECT_NO_THROW(g.Grid->CommitEditor(false));
    EXPECT_FALSE(g.Chain()->IsEditing(-1));
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Down);
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(g.Data->GetData(r, FCity).ToString(), QStringLiteral("C%1").arg(r % 5));
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}

// Grouping by a field the data does not have is refused before anything changes: the sorted
// rows keep their order and the row being edited stays where it is.
TEST(VantrelStressCases, AGroupingRefusedChangesNothing)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    g.Grid->SortColumn(g.Columns[FCity]);
    const std::vector<int> sorted = g.Rows();
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FQty]));
    QTest::keyClick(g.Win(), Qt::Key_7);
    ASSERT_TRUE(g.Chain()->IsEditing(2));
    const int row = g.Grid->GetItem(2)->GetDataRow();
    EXPECT_THROW(g.Grid->GroupBy({9}), EArgumentOutOfRangeException);
    EXPECT_EQ(g.Rows(), sorted);
    EXPECT_TRUE(g.Chain()->IsEditing(2));
    EXPECT_EQ(g.Grid->GetItem(2)->GetDataRow(), row);
    EXPECT_TRUE(g.Grid->GetGroupByFields().empty());
}

// Rows a program inserts or removes above the row being edited, and a grouping that re-sorts
// the rows, move the edited row: the focus and the open editor go with it, and what the user
// goes on typing is written into that row.
TEST(VantrelStressCases, TheFocusAndTheEditorGoWithTheRowBeingEdited)
{
    TShownVantrel g;
    g.Fill(10);
    g.Show(460, 320);
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    auto* controller = static_cast<TKvDefaultGridEditController*>(g.Grid->GetEditController());
    auto text = [&] {
        auto* line = dynamic_cast<TKvLineCellEditor*>(controller->GetEditor());
        auto* edit = line ? dynamic_cast<TCustomTextControl*>(line->GetControl()) : nullptr;
        return edit ? edit->GetText() : QString();
    };
    // The focus, the editor and the pending row on one item, which shows the data row.
    auto onRow = [&](int item, int row) {
        EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, item);
        EXPECT_EQ(g.Grid->GetFocusedIndex().Column, g.Columns[FCity]);
        EXPECT_TRUE(g.Grid->GetEditing());
        EXPECT_EQ(controller->GetEditIndex().ItemIndex, item);
        EXPECT_TRUE(g.Chain()->IsEditing(item));
        EXPECT_EQ(g.Grid->GetItem(item)->GetDataRow(), row);
    };
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 4, g.Columns[FCity]));
    QTest::keyClick(g.Win(), Qt::Key_F2);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_A);
    ASSERT_TRUE(g.Chain()->IsEditing(4));

    g.Data->InsertRow(1, TKvGridDataRow{Variant(QStringLiteral("North")), Variant(QStringLiteral("New")), Variant(99)});
    g.Paint();
    onRow(5, 5);
    EXPECT_EQ(text(), QStringLiteral("C4a"));
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_B);
    g.Data->RemoveRow(0);
    g.Paint();
    onRow(4, 4);
    EXPECT_EQ(text(), QStringLiteral("C4ab"));
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_C);

    // Grouped by region: the rows are re-sorted under the edit.
    g.Grid->GroupBy({FRegion});
    g.Paint();
    const int item = g.Grid->GetItemSource()->ItemOfData(4);
    ASSERT_GE(item, 0);
    ASSERT_NE(item, 4);
    onRow(item, 4);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_D);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
    QTest::keyClick(g.Win(), Qt::Key_Up);
    EXPECT_FALSE(g.Chain()->IsEditing(-1));
    ASSERT_EQ(g.Data->GetRowCount(), 10);
    EXPECT_EQ(g.Data->GetData(4, FCity).ToString(), QStringLiteral("C4abcd"));
    EXPECT_EQ(g.Data->GetData(0, FCity).ToString(), QStringLiteral("New"));
    for (int r = 1; r < 10; ++r)
        if (r != 4) {
            EXPECT_EQ(g.Data->GetData(r, FCity).ToString(), QStringLiteral("C%1").arg(r % 5)) << "data row " << r;
        }

    // A row that is not edited goes with its rows too: a row inserted above the focused one.
    g.Grid->GroupBy({});
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 6, g.Columns[FQty]), true);
    g.Data->InsertRow(0, TKvGridDataRow{Variant(QStringLiteral("East")), Variant(QStringLiteral("Top")), Variant(98)});
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 7);
    EXPECT_EQ(g.Grid->GetSelections()->GetItem(0)->GetBounds().R1, 7);
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}
