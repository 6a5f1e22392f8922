#include "TestSupport.h"

#include "grid/KvGrids.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {

// Columns owned by a form, under a root group that has no grid.
struct TTree
{
    TOwned<TComponent> Form{Create<TComponent>(nullptr)};
    TOwned<TKvGridRootColumn> Root{Create<TKvGridRootColumn>(nullptr)};

    TKvGridDataColumn* Data(TKvGridColumnGroup* group, const QString& field = QString(), int width = 100)
    {
        auto* column = Create<TKvGridDataColumn>(Form.get());
        column->SetFieldName(field);
        column->SetWidth(width);
        (group ? group : Root.get())->GetColumns()->Add(column);
        return column;
    }
    TKvGridColumnGroup* Group(TKvGridColumnGroup* group, TKvGridColumnsOrientation orientation)
    {
        auto* column = Create<TKvGridColumnGroup>(Form.get());
        column->SetOrientation(orientation);
        (group ? group : Root.get())->GetColumns()->Add(column);
        return column;
    }
    void Reset() { Root->ResetDataRoots(); }
};

std::vector<int> Widths(const TKvGridColumnGroup* group)
{
    std::vector<int> out;
    for (int i = 0; i < group->Count(); ++i)
        out.push_back(group->GetItem(i)->GetGroupWidth());
    return out;
}

std::vector<int> Offsets(const TKvGridColumnGroup* group)
{
    std::vector<int> out;
    for (int i = 0; i < group->Count(); ++i)
        out.push_back(group->GetItem(i)->GetGroupOffset());
    return out;
}

} // namespace

TEST(GridColumns, GroupWidthsShareByBaseAndNeverDivideByZero)
{
    TTree t;
    auto* h = t.Group(nullptr, ColumnsHorizontal);
    for (int i = 0; i < 3; ++i)
        t.Data(h);
    h->SetGroupWidth(200);
    h->ResetColumnWidths();
    EXPECT_EQ(Widths(h), (std::vector<int>{66, 66, 68}));
    EXPECT_EQ(Offsets(h), (std::vector<int>{0, 66, 132}));

    // Bases that sum to 0 share equally; a negative base counts as 0.
    for (int i = 0; i < 3; ++i)
        h->GetItem(i)->SetGroupWidth(0);
    h->SetGroupWidth(90);
    h->ResetColumnWidths();
    EXPECT_EQ(Widths(h), (std::vector<int>{30, 30, 30}));
    h->GetItem(0)->SetGroupWidth(-1);
    h->GetItem(0)->SetWidth(-50);
    h->GetItem(1)->SetGroupWidth(100);
    h->GetItem(2)->SetGroupWidth(100);
    h->SetGroupWidth(100);
    h->ResetColumnWidths();
    EXPECT_EQ(Widths(h), (std::vector<int>{0, 50, 50}));

    // Very wide columns: the products do not overflow and the children fill the group.
    h->GetItem(0)->SetGroupWidth(2000000000);
    h->GetItem(1)->SetGroupWidth(2000000000);
    h->GetItem(2)->SetGroupWidth(2000000000);
    h->SetGroupWidth(2100000000);
    h->ResetColumnWidths();
    EXPECT_EQ(Widths(h), (std::vector<int>{700000000, 700000000, 700000000}));

    // A vertical group gives every child its whole width, nested groups follow.
    auto* v = t.Group(nullptr, ColumnsVertical);
    t.Data(v);
    auto* inner = t.Group(v, ColumnsHorizontal);
    t.Data(inner, QString(), 50);
    t.Data(inner, QString(), 150);
    v->SetGroupWidth(120);
    v->ResetColumnWidths();
    EXPECT_EQ(Widths(v), (std::vector<int>{120, 120}));
    EXPECT_EQ(Offsets(v), (std::vector<int>{0, 0}));
    EXPECT_EQ(Widths(inner), (std::vector<int>{30, 90}));
}

TEST(GridColumns, ResizeKeepsAncestorsConsistent)
{
    TTree t;
    auto* h = t.Group(nullptr, ColumnsHorizontal);
    auto* only = t.Data(h);
    h->SetGroupWidth(h->GetWidth());
    h->ResetColumnWidths();
    TKvGridColumnGroup::SetWidth(only, 10);
    EXPECT_EQ(h->GetWidth(), 110);
    EXPECT_EQ(only->GetGroupWidth(), 110);

    // Top-level H [A, V(vertical)[X, Y]]: widening X widens Y, V and H.
    TTree n;
    auto* top = n.Group(nullptr, ColumnsHorizontal);
    top->SetWidth(200);
    auto* a = n.Data(top);
    auto* v = n.Group(top, ColumnsVertical);
    auto* x = n.Data(v);
    auto* y = n.Data(v);
    top->SetGroupWidth(200);
    top->ResetColumnWidths();
    ASSERT_EQ(v->GetGroupWidth(), 100);
    TKvGridColumnGroup::SetWidth(x, 15);
    EXPECT_EQ(y->GetGroupWidth(), 115);
    EXPECT_EQ(v->GetGroupWidth(), 115);
    EXPECT_EQ(v->GetGroupOffset(), a->GetGroupWidth());
    EXPECT_EQ(top->GetWidth(), 215);
    EXPECT_EQ(top->GetGroupWidth(), 215);
    EXPECT_EQ(x->GetOffset(), 100);

    // A top-level data column just changes its width; a width never goes below 0.
    auto* plain = n.Data(nullptr);
    TKvGridColumnGroup::SetWidth(plain, -500);
    EXPECT_EQ(plain->GetWidth(), 0);
}

TEST(GridColumns, LevelsAndHorizontalCount)
{
    TTree t;
    auto* g = t.Group(nullptr, ColumnsHorizontal);
    t.Data(g);
    t.Data(g);
    auto* child = t.Group(g, ColumnsHorizontal);
    for (int i = 0; i < 3; ++i)
        t.Data(child);
    t.Reset();
    EXPECT_EQ(g->CalcHorz(), 5);
    EXPECT_EQ(g->CalcHeaderLevels(), 3); // own, child group, its columns
    EXPECT_EQ(g->CalcDataLevels(), 1);
    g->SetOrientation(ColumnsVertical);
    EXPECT_EQ(g->CalcHorz(), 3);
    EXPECT_EQ(g->CalcDataLevels(), 3); // two plain rows + the child's one
    EXPECT_EQ(g->CalcHeaderLevels(), 1 + 1 + 1 + 2);
    g->SetHideChildHeaders(true);
    EXPECT_EQ(g->CalcHeaderLevels(), 1);
    g->GetGroupHeader()->SetVisible(false);
    EXPECT_EQ(g->CalcHeaderLevels(), 0);
    auto* empty = t.Group(nullptr, ColumnsHorizontal);
    t.Reset();
    EXPECT_EQ(empty->CalcHorz(), 1);
    EXPECT_EQ(empty->CalcDataLevels(), 0);
    EXPECT_EQ(empty->CalcHeaderLevels(), 1);
}

TEST(GridColumns, NavigationOverNestedVerticalGroups)
{
    // A | V(vertical)[X, H[P, Q]] | B
    TTree t;
    auto* a = t.Data(nullptr, "a");
    auto* v = t.Group(nullptr, ColumnsVertical);
    auto* x = t.Data(v, "x");
    auto* h = t.Group(v, ColumnsHorizontal);
    auto* p = t.Data(h, "p");
    auto* q = t.Data(h, "q");
    auto* b = t.Data(nullptr, "b");
    t.Reset();

    EXPECT_EQ(x->GetDataRoot(), v);
    EXPECT_EQ(q->GetDataRoot(), v);
    EXPECT_EQ(b->GetDataRoot(), b);
    const auto at = [](TKvGridColumn* c) { return TKvGridCellIndex(nullptr, 3, c); };
    EXPECT_EQ(at(x).LowerColumn().Column, p);
    EXPECT_EQ(at(q).UpperColumn().Column, x);
    EXPECT_EQ(at(x).UpperColumn().Column, nullptr);
    EXPECT_EQ(at(p).LowerColumn().Column, nullptr);
    EXPECT_EQ(at(x).RightColumn().Column, b);
    EXPECT_EQ(at(p).RightColumn().Column, q);
    EXPECT_EQ(at(q).RightColumn().Column, b);
    EXPECT_EQ(at(p).LeftColumn().Column, a);
    EXPECT_EQ(at(a).RightColumn().Column, x);
    EXPECT_EQ(at(b).LeftColumn().Column, q);
    EXPECT_EQ(at(x).NextColumn().Column, p);
    EXPECT_EQ(at(p).PrevColumn().Column, x);
    EXPECT_EQ(at(b).RightColumn().Column, b);
    EXPECT_EQ(at(a).LeftColumn().Column, a);
    EXPECT_EQ(at(a).RightColumn().ItemIndex, 3);
    EXPECT_EQ(at(p).FirstColumn().Column, a);
    EXPECT_EQ(at(p).LastColumn().Column, b);
    EXPECT_TRUE(at(x).IsTop());
    EXPECT_FALSE(at(x).IsBottom());
    EXPECT_FALSE(at(q).IsTop());
    EXPECT_TRUE(at(q).IsBottom());
    EXPECT_TRUE(at(a).IsTop() && at(a).IsBottom());

    // Hidden columns are skipped; a hidden last child does not keep its sibling off the bottom.
    q->SetVisible(false);
    a->SetVisible(false);
    t.Reset();
    EXPECT_EQ(at(p).RightColumn().Column, b);
    EXPECT_EQ(at(x).LeftColumn().Column, x);
    EXPECT_EQ(at(x).FirstColumn().Column, x);
    auto* z = t.Data(v, "z");
    z->SetVisible(false);
    t.Reset();
    EXPECT_TRUE(at(p).IsBottom());
    EXPECT_EQ(v->Count(), 3);
    EXPECT_EQ(z->GetDisplayIndex(), -1);
    EXPECT_THROW(v->CheckVisible(z), EAssertionFailed);
}

TEST(GridColumns, VisibleColumnAtPointAndDataRoots)
{
    TTree t;
    auto* a = t.Data(nullptr);
    auto* v = t.Group(nullptr, ColumnsVertical);
    auto* x = t.Data(v);
    auto* h = t.Group(v, ColumnsHorizontal);
    auto* p = t.Data(h);
    auto* q = t.Data(h);
    auto* hidden = t.Data(h);
    hidden->SetVisible(false);
    t.Reset();
    v->SetLayoutRect(TRect{100, 0, 300, 40});
    x->SetLayoutRect(TRect{0, 0, 200, 20});
    h->SetLayoutRect(TRect{0, 20, 200, 40});
    p->SetLayoutRect(TRect{0, 0, 120, 20});
    q->SetLayoutRect(TRect{120, 0, 200, 20});
    hidden->SetLayoutRect(TRect{0, 0, 200, 20}); // stale: must not shadow q
    EXPECT_EQ(v->GetVisibleColumnAt(10, 5), x);
    EXPECT_EQ(v->GetVisibleColumnAt(130, 25), q);
    EXPECT_EQ(v->GetVisibleColumnAt(10, 25), p);
    EXPECT_EQ(v->GetVisibleColumnAt(10, 45), v);

    std::vector<TKvGridColumn*> roots;
    t.Root->GetDataRoots(roots);
    EXPECT_EQ(roots, (std::vector<TKvGridColumn*>{a, v}));
    EXPECT_LT(a->GetLayoutPosition(), p->GetLayoutPosition());
    EXPECT_EQ(p->GetLayoutPosition(), x->GetLayoutPosition());
    EXPECT_EQ(hidden->GetLayoutPosition(), -1);
}

TEST(GridColumns, TreeEditsAreGuarded)
{
    TTree t;
    auto* g1 = t.Group(nullptr, ColumnsHorizontal);
    auto* g2 = t.Group(nullptr, ColumnsHorizontal);
    auto* c = t.Data(g1, "c");
    // Insert takes the column out of its old group; cycles and duplicates are refused.
    g2->GetColumns()->Insert(0, c);
    EXPECT_EQ(g1->Count(), 0);
    EXPECT_EQ(c->GetGroup(), g2);
    g2->GetColumns()->Insert(0, c);
    EXPECT_EQ(g2->Count(), 1);
    g2->GetColumns()->Insert(0, t.Root.get());
    g1->GetColumns()->Add(g2);
    g2->GetColumns()->Add(g1);
    EXPECT_EQ(g2->Count(), 1);
    EXPECT_EQ(g2->GetGroup(), g1);
    EXPECT_EQ(c->GetRoot(), g1);
    EXPECT_THROW(g2->GetColumns()->Delete(5), EArgumentOutOfRangeException);

    // Fresh ancestor lists, root excluded.
    const auto first = TKvGridColumnGroup::GetAncestors(c);
    const auto second = TKvGridColumnGroup::GetAncestors(g2);
    EXPECT_EQ(first, (std::vector<TKvGridColumnGroup*>{g2, g1}));
    EXPECT_EQ(second, (std::vector<TKvGridColumnGroup*>{g1}));

    // A freed group lets go of its children; a detached column neither moves nor breaks.
    g2->Free();
    EXPECT_EQ(c->GetParentGroup(), nullptr);
    EXPECT_EQ(g1->Count(), 0);
    EXPECT_FALSE(c->Move(3));
    EXPECT_EQ(c->GetDistance(), -1 * 1000000 - 1 * 10000 - 1);
    auto* d = t.Data(nullptr, "d");
    auto* e = t.Data(nullptr, "e");
    EXPECT_TRUE(e->Move(-7));
    EXPECT_EQ(t.Root->GetItem(0), e);
    EXPECT_EQ(t.Root->GetItem(2), d);
    EXPECT_FALSE(e->Move(0));
    d->Free();
    EXPECT_EQ(t.Root->Count(), 2);
}

TEST(GridColumns, DataColumnLookupIsHashedAndFollowsChanges)
{
    TTree t;
    auto* g = t.Group(nullptr, ColumnsHorizontal);
    auto* first = t.Data(g, "Amount");
    auto* second = t.Data(nullptr, "amount");
    EXPECT_EQ(t.Root->GetDataColumn("AMOUNT"), first);
    EXPECT_EQ(g->GetDataColumn("amount"), first);
    EXPECT_EQ(t.Root->GetColumns()->GetDataColumn("amount"), first);
    g->GetColumns()->Remove(first);
    EXPECT_EQ(t.Root->GetDataColumn("amount"), second);
    EXPECT_EQ(g->GetDataColumn("amount"), nullptr);
    second->SetFieldName("Total");
    EXPECT_EQ(t.Root->GetDataColumn("amount"), nullptr);
    EXPECT_EQ(t.Root->GetDataColumn("total"), second);
    second->SetDataIndex(4);
    EXPECT_EQ(t.Root->GetDataColumn(4), second);
    EXPECT_EQ(g->GetDataColumn(4), nullptr);
    second->Free();
    EXPECT_EQ(t.Root->GetDataColumn(4), nullptr);
}

TEST(GridColumns, ValidationsFootersFiltersAndLookups)
{
    TTree t;
    auto* c = t.Data(nullptr, "qty");
    TKvGridValidationCollection* validations = c->GetValidations();
    TKvExpressionRuntime runtime;
    auto* named = validations->Add("positive", "1 > 2", "");
    KV_EXPECT_THROW_MSG(named->Validate(&runtime), Exception, "Validation failed on positive");
    named->SetName("");
    KV_EXPECT_THROW_MSG(named->Validate(&runtime), Exception, "Validation failed on 1 > 2");
    named->SetDescription("never");
    KV_EXPECT_THROW_MSG(named->Validate(&runtime), Exception, "Validation failed on never");
    named->SetMessage("Too small");
    KV_EXPECT_THROW_MSG(c->ValidateInsertRow(&runtime), Exception, "Too small");
    named->SetMode(ValidationModeInsert);
    EXPECT_NO_THROW(c->ValidateUpdateRow(&runtime));
    named->SetActive(false);
    EXPECT_NO_THROW(c->ValidateInsertRow(&runtime));

    // Criteria that does not parse raises and keeps text and tree together.
    EXPECT_ANY_THROW(named->SetCriteria("1 > > 2"));
    EXPECT_EQ(named->GetCriteria(), "1 > 2");
    ASSERT_NE(named->GetExprTree(), nullptr);
    const int count = validations->Count();
    EXPECT_ANY_THROW(validations->Add("bad", "(", "m"));
    EXPECT_EQ(validations->Count(), count);
    named->SetCriteria("");
    EXPECT_EQ(named->GetExprTree(), nullptr);

    TKvGridColumnFooter* footer = c->GetFooter();
    footer->SetExpression("1 + 2");
    EXPECT_EQ(footer->Evaluate(&runtime).ToInt(), 3);
    EXPECT_ANY_THROW(footer->SetExpression("1 +"));
    EXPECT_EQ(footer->GetExpression(), "1 + 2");
    EXPECT_EQ(footer->Evaluate(&runtime).ToInt(), 3);
    EXPECT_TRUE(footer->EvaluateGroup(&runtime).IsEmpty());

    TKvGridColumnFilterCollection* filters = c->GetFilters();
    filters->Add()->SetName("f");
    auto* later = filters->Add();
    later->SetName("f");
    EXPECT_EQ(filters->Find("f"), later);
    EXPECT_EQ(filters->Find("F"), nullptr);

    c->SetLookupValues({"1", "2", "3"});
    c->SetLookupLabels({"one", "two"});
    Variant label;
    EXPECT_TRUE(c->GetLookupValue(Variant(2), label));
    EXPECT_EQ(label.ToString(), "two");
    EXPECT_FALSE(c->GetLookupValue(Variant(3), label));
    EXPECT_EQ(label.ToInt(), 3);
    EXPECT_EQ(c->GetSourceValue("TWO").ToString(), "2");
    EXPECT_EQ(c->GetSourceValue("3").ToString(), "3");
    EXPECT_TRUE(c->GetSourceValue("four").IsEmpty());
    EXPECT_EQ(c->GetDisplayName(), "qty");
    EXPECT_EQ(c->GetHeader()->GetDisplayName(), "qty");
}
