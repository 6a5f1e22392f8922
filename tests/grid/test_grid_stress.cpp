// A shown grid driven through seeded random sequences of what programs and users do:
// columns and groups added, removed, moved and hidden; item and data providers set, replaced
// and freed in any order; rows inserted, removed and edited; sorting, filtering and grouping;
// hovering, pressing, dragging, typing, scrolling, editors; the grid itself freed and made
// again. After every step the grid's state must hold together.
#include "ToolTestSupport.h"

#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <random>

using namespace kv;
using namespace kvtest;

namespace {

struct GridStress : GridTool
{
    std::mt19937 Rng;
    // Providers from outside the grid; any of them may be freed while the grid shows it.
    TOwned<TKvSimpleDataProvider> Data2;
    TOwned<TKvDefaultGridItemProvider> Plain;
    TOwned<TKvGridFilteredItemProvider> Filtered;
    TOwned<TKvGridGroupedItemProvider> Grouped;
    TOwned<TKvGridEditableItemProvider> Editable;
    int Step = 0;
    int Fields = 4;
    std::string Trail;

    int Pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(Rng); }
    bool Chance(int percent) { return Pick(100) < percent; }

    void Note(const char* what)
    {
        Trail += what;
        Trail += ' ';
        if (Trail.size() > 600)
            Trail.erase(0, Trail.size() - 600);
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
        CollectColumns(Grid()->GetRootGroup(), out);
        return out;
    }
    TKvGridColumn* AnyColumn()
    {
        const std::vector<TKvGridColumn*> all = AllColumns();
        return all.empty() ? nullptr : all[static_cast<size_t>(Pick(static_cast<int>(all.size())))];
    }
    TKvGridColumnGroup* AnyGroup()
    {
        std::vector<TKvGridColumnGroup*> groups;
        for (TKvGridColumn* c : AllColumns())
            if (auto* g = dynamic_cast<TKvGridColumnGroup*>(c))
                groups.push_back(g);
        return groups.empty() || Chance(40) ? nullptr : groups[static_cast<size_t>(Pick(static_cast<int>(groups.size())))];
    }
    TKvSimpleDataProvider* DataShown() const
    {
        return dynamic_cast<TKvSimpleDataProvider*>(Grid()->GetItemProvider() ? Grid()->GetItemProvider()->GetDataSource()
                                                                               : nullptr);
    }
    TKvGridDataRow RandomRow()
    {
        return {Variant(QStringLiteral("s%1").arg(Pick(50))), Variant(Pick(100)), Variant(QStringLiteral("k%1").arg(Pick(4))),
                Variant(Pick(2) == 1)};
    }
    TPoint AnyPoint()
    {
        return TPoint{Pick(Grid()->GetClientWidth()), Pick(Grid()->GetClientHeight())};
    }

    // The grid and the data it starts with: four fields, a data column each.
    void Begin(unsigned seed)
    {
        Rng.seed(seed);
        g.Data->InsertColumns(0, Fields, QStringLiteral("Name,Value,Kind,Flag"), QStringLiteral("s,n,s,b"));
        for (int r = 0; r < 30; ++r)
            g.Data->InsertRow(r, RandomRow());
        Data2 = MakeTable("Name,Value,Kind,Flag", "s,n,s,b", {RandomRow(), RandomRow(), RandomRow()});
        MakeGrid();
    }
    void MakeGrid()
    {
        const int unit = BodyRowUnit(g.Grid.get());
        g.Grid->SetDataProvider(g.Data.get());
        for (int c = 0; c < Fields; ++c)
            g.Grid->AddDataColumn()->SetFieldName(g.Data->GetFieldName(c));
        g.Grid->ResetColumnIndicies();
        Show(unit * 20, unit * 10);
    }

    // ---- steps ----------------------------------------------------------------------------

    void ColumnStep()
    {
        switch (Pick(7)) {
        case 0: {
            Note("addcol");
            TKvGridDataColumn* c = Grid()->AddDataColumn(AnyGroup());
            c->SetFieldName(QStringList{"Name", "Value", "Kind", "Flag", "Missing"}[Pick(5)]);
            c->SetWidth(20 + Pick(80));
            break;
        }
        case 1: {
            Note("addgroup");
            TKvGridColumnGroup* group = Grid()->AddColumnGroup(AnyGroup());
            for (int i = Pick(3); i >= 0; --i)
                Grid()->AddDataColumn(group)->SetFieldName(QStringList{"Name", "Value", "Kind"}[Pick(3)]);
            break;
        }
        case 2:
        case 3:
            Note("removecol");
            Grid()->RemoveColumn(AnyColumn());
            break;
        case 4:
            if (TKvGridColumn* c = AnyColumn()) {
                Note("hidecol");
                c->SetVisible(!c->GetVisible());
            }
            break;
        case 5:
            if (Grid()->GetColumnCount() > 1) {
                Note("movecol");
                Grid()->MoveColumn(Pick(Grid()->GetColumnCount()), Pick(Grid()->GetColumnCount()));
            }
            break;
        case 6:
            if (TKvGridColumn* c = AnyColumn()) {
                Note("width");
                c->SetWidth(Pick(120));
            }
            break;
        }
    }

    void ProviderStep()
    {
        switch (Pick(9)) {
        case 0:
            Note("own");
            Grid()->SetItemSource(Grid()->GetOwnedItemProvider());
            break;
        case 1:
            Note("plain");
            if (!Plain) {
                Plain = MakeOwned<TKvDefaultGridItemProvider>();
                Plain->SetDataSource(Chance(50) ? static_cast<TKvGridDataProvider*>(g.Data.get()) : Data2.get());
            }
            Grid()->SetItemSource(Plain.get());
            break;
        case 2:
            Note("filtered");
            if (Plain && !Filtered)
                Filtered = MakeOwned<TKvGridFilteredItemProvider>(Plain.get());
            if (Filtered) {
                Filtered->AddFilter(1, QStringLiteral("value > %1").arg(Pick(100)));
                Grid()->SetItemSource(Filtered.get());
            }
            break;
        case 3:
            Note("grouped");
            if (Filtered && !Grouped) {
                Grouped = MakeOwned<TKvGridGroupedItemProvider>(Filtered.get());
                Grouped->GroupBy({2});
            }
            if (Grouped) {
                Grouped->SetExpandWhenGrouping(Chance(50));
                Grid()->SetItemSource(Grouped.get());
            }
            break;
        case 4:
            Note("editable");
            if (!Editable && (Grouped || Plain))
                Editable = MakeOwned<TKvGridEditableItemProvider>(Grouped ? static_cast<TKvGridItemProvider*>(Grouped.get())
                                                                          : Plain.get());
            if (Editable)
                Grid()->SetItemSource(Editable.get());
            break;
        case 5: {
            // Any external provider freed, whoever listens to it.
            const int which = Pick(4);
            Note("freeprov");
            if (which == 0)
                Plain.reset();
            else if (which == 1)
                Filtered.reset();
            else if (which == 2)
                Grouped.reset();
            else
                Editable.reset();
            break;
        }
        case 6:
            Note("nil");
            Grid()->SetItemSource(nullptr);
            break;
        case 7:
            // The second data provider freed and made again under whoever shows it.
            Note("freedata");
            Data2.reset();
            Data2 = MakeTable("Name,Value,Kind,Flag", "s,n,s,b", {RandomRow(), RandomRow()});
            break;
        case 8:
            Note("setdata");
            g.Grid->SetDataProvider(Chance(50) ? static_cast<TKvGridDataProvider*>(g.Data.get()) : Data2.get());
            break;
        }
    }

    void DataStep()
    {
        TKvSimpleDataProvider* data = Chance(70) ? g.Data.get() : Data2.get();
        const int rows = data->GetRowCount();
        switch (Pick(6)) {
        case 0:
        case 1:
            Note("insrow");
            data->InsertRow(Pick(rows + 1), RandomRow());
            break;
        case 2:
            if (rows > 0) {
                Note("delrow");
                data->RemoveRow(Pick(rows));
            }
            break;
        case 3:
            if (rows > 2) {
                Note("delrows");
                data->RemoveRows({Pick(rows), Pick(rows)});
            }
            break;
        case 4:
            if (rows > 0) {
                Note("setval");
                data->SetData(Pick(rows), Pick(Fields), Variant(Pick(100)));
            }
            break;
        case 5:
            if (TKvGridColumn* c = AnyColumn()) {
                Note("sort");
                if (Chance(70))
                    Grid()->SortColumn(c);
                else
                    Grid()->UnsortColumn(c);
            }
            break;
        }
    }

    void InputStep()
    {
        static const Qt::Key keys[] = {Qt::Key_Up,   Qt::Key_Down,   Qt::Key_Left,  Qt::Key_Right,  Qt::Key_PageUp,
                                       Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End,  Qt::Key_Tab,   Qt::Key_F2,
                                       Qt::Key_Escape, Qt::Key_Return, Qt::Key_A,    Qt::Key_Space, Qt::Key_Delete};
        switch (Pick(8)) {
        case 0:
        case 1:
            Note("move");
            Move(AnyPoint());
            break;
        case 2:
            Note("press");
            Press(AnyPoint(), Chance(20) ? Qt::ShiftModifier : Qt::NoModifier);
            break;
        case 3:
            Note("release");
            Release(AnyPoint());
            break;
        case 4:
            Note("click");
            Click(AnyPoint(), Chance(15) ? Qt::ControlModifier : Qt::NoModifier);
            break;
        case 5:
            Note("dclick");
            DoubleClick(AnyPoint());
            break;
        case 6: {
            Note("key");
            const Qt::Key key = keys[Pick(static_cast<int>(std::size(keys)))];
            if (QWidget* target = QApplication::focusWidget())
                QTest::keyClick(target, key, Chance(25) ? Qt::ShiftModifier : Qt::NoModifier);
            break;
        }
        case 7:
            Note("scroll");
            Grid()->SetTopIndex(Pick(Grid()->GetItemCount() + 2));
            Grid()->SetLeftPos(Pick(200));
            break;
        }
    }

    void EditorStep()
    {
        switch (Pick(4)) {
        case 0:
            Note("show");
            Grid()->ShowEditor(Chance(50));
            break;
        case 1:
            Note("commit");
            if (Grid()->GetEditing())
                Grid()->CommitEditor(false);
            break;
        case 2:
            Note("cancel");
            if (Grid()->GetEditing())
                Grid()->CancelEditor(false);
            break;
        case 3:
            Note("append");
            Grid()->Append();
            break;
        }
    }

    void GridStep()
    {
        Note("newgrid");
        TKvGridInput::Reset();
        g.Grid.reset();
        g.Grid = MakeOwned<TKvGridViewImpl>(nullptr);
        SetUp();
        MakeGrid();
    }

    void RunStep()
    {
        const int kind = Pick(100);
        if (kind < 12)
            ColumnStep();
        else if (kind < 24)
            ProviderStep();
        else if (kind < 40)
            DataStep();
        else if (kind < 80)
            InputStep();
        else if (kind < 88)
            EditorStep();
        else if (kind < 99) {
            Note("paint");
            g.Paint();
        } else
            GridStep();
        if (TFakeTimer::Tick && Chance(30))
            TFakeTimer::Tick();
    }

    // ---- invariants -----------------------------------------------------------------------

    void Check()
    {
        TKvGridView* grid = Grid();
        const int count = grid->GetItemCount();
        const std::vector<TKvGridColumn*> columns = AllColumns();
        auto inTree = [&](TKvGridColumn* c) { return std::find(columns.begin(), columns.end(), c) != columns.end(); };
        const TKvGridCellIndex f = grid->GetFocusedIndex();
        ASSERT_TRUE(f.IsNull() || (f.ItemIndex >= -1 && f.ItemIndex < count && (!f.Column || inTree(f.Column))))
            << "focus " << f.ItemIndex;
        TKvGridSelectionManager* sel = grid->GetSelections();
        for (int i = 0; i < sel->GetCount(); ++i) {
            const TKvGridRange r = sel->GetItem(i)->GetBounds();
            if (r.R1 == 0 && r.R2 == count - 1)
                continue; // whole columns of the items, none when there are none
            ASSERT_LT(std::max(r.R1, r.R2), count) << "selection item " << i << " rows " << r.R1 << ".." << r.R2 << " kind " << typeid(*sel->GetItem(i)).name();
            ASSERT_TRUE(!r.C1 || inTree(r.C1));
            ASSERT_TRUE(!r.C2 || inTree(r.C2));
        }
        if (TKvGridSelectionTool* tool = Tool()) {
            if (auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(tool->GetHoveredCell())) {
                ASSERT_TRUE(!cell->GetColumn() || inTree(cell->GetColumn())) << "hovered view on a freed column";
            }
        }
        for (int item = 0; item < std::min(count, 50); ++item)
            for (bool fixed : {false, true})
                if (TKvGridRowElement* row = grid->GetRowView(item, fixed)) {
                    ASSERT_LT(row->GetIndex(), count);
                }
    }

    void Run(unsigned seed, int steps)
    {
        Begin(seed);
        for (Step = 0; Step < steps; ++Step) {
            try {
                RunStep();
            } catch (const std::exception& e) {
                ADD_FAILURE() << "seed " << seed << " step " << Step << " raised " << e.what() << ": " << Trail;
                return;
            }
            Check();
            if (::testing::Test::HasFatalFailure()) {
                ADD_FAILURE() << "seed " << seed << " step " << Step << ": " << Trail;
                return;
            }
        }
        g.Paint();
        Check();
        Grid()->SetItemSource(nullptr);
        Editable.reset();
        Grouped.reset();
        Filtered.reset();
        Plain.reset();
    }
};

} // namespace

TEST_F(GridStress, RandomStepsSeed1) { Run(1, 2000); }
TEST_F(GridStress, RandomStepsSeed2) { Run(2, 2000); }
TEST_F(GridStress, RandomStepsSeed3) { Run(3, 2000); }
TEST_F(GridStress, RandomStepsSeed4) { Run(4, 2000); }
