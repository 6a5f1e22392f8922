#include "StyleTestSupport.h"
#include "TestSupport.h"

#include "graphics/KvGrids.Styles.Dynamic.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {

using Pairs = std::vector<std::pair<QString, QString>>;

class TTestRuntime : public TKvExpressionRuntime
{
public:
    TTestRuntime()
    {
        AddIdent(1, QStringLiteral("value"));
        AddIdent(2, QStringLiteral("name"));
    }
    Variant EvaluateIdent(int key) override
    {
        ++Evaluations;
        return key == 1 ? Value : Name;
    }
    Variant Value;
    Variant Name;
    int Evaluations = 0;
};

// A component publishing a dynamic style collection, as columns and the grid body do.
class TDynamicThing : public TComponent
{
public:
    explicit TDynamicThing(TComponent* owner)
        : TComponent(owner), FDynamicStyles(std::make_unique<TKvGridDynamicStyleCollection>(this))
    {
    }
    TKvGridDynamicStyleCollection* GetDynamicStyles() const { return FDynamicStyles.get(); }
    void SetDynamicStyles(TKvGridDynamicStyleCollection*) {}

private:
    std::unique_ptr<TKvGridDynamicStyleCollection> FDynamicStyles;
};

KV_PUBLISH(TDynamicThing, TComponent)
    .Property("DynamicStyles", &TDynamicThing::GetDynamicStyles, &TDynamicThing::SetDynamicStyles);

TEST(DynamicStyle, StylesTextIsReadIntoPairs)
{
    TKvGridDynamicStyleCollection styles(nullptr);
    TKvGridDynamicStyle* item = styles.Add();
    EXPECT_TRUE(item->GetActive());
    EXPECT_FALSE(item->HasStyleMap());

    item->SetStyles(QStringLiteral("Foreground=#ffff0000; Font=Tahoma,9,bold"));
    EXPECT_EQ(item->GetStylePairs(), (Pairs{{"Foreground", "#ffff0000"}, {"Font", "Tahoma,9,bold"}}));

    item->SetStyles(QStringLiteral(" PaddingLeft = 3 ;Prefix;Postfix=a=b;"));
    // The value runs to the end of the part: nothing after a second '=' is lost.
    EXPECT_EQ(item->GetStylePairs(), (Pairs{{"PaddingLeft", "3"}, {"Prefix", ""}, {"Postfix", "a=b"}}));

    item->SetStyles(QString());
    EXPECT_TRUE(item->HasStyleMap());
    EXPECT_TRUE(item->GetStylePairs().empty());

    // A repeated name raises and keeps the previous state whole.
    item->SetStyles(QStringLiteral("IconIndex=1"));
    KV_EXPECT_THROW_MSG(item->SetStyles(QStringLiteral("Prefix=a;IconIndex=2;Prefix=b")), EListError,
                        "Duplicates not allowed");
    EXPECT_EQ(item->GetStyles(), QStringLiteral("IconIndex=1"));
    EXPECT_EQ(item->GetStylePairs(), (Pairs{{"IconIndex", "1"}}));
}

TEST(DynamicStyle, CriteriaThatDoesNotParseKeepsThePreviousOne)
{
    TKvGridDynamicStyleCollection styles(nullptr);
    TKvGridDynamicStyle* item = styles.Add(QStringLiteral("value > 100"), QStringLiteral("PaddingTop=4"));
    TKvExpressionTree* tree = item->GetExpressionTree();
    ASSERT_NE(tree, nullptr);
    EXPECT_THROW(item->SetCriteria(QStringLiteral("value > (")), TKvSyntaxError);
    EXPECT_EQ(item->GetCriteria(), QStringLiteral("value > 100"));
    EXPECT_EQ(item->GetExpressionTree(), tree);

    TTestRuntime runtime;
    runtime.Value = Variant(std::int64_t(150));
    TKvGridStyleBag bag(nullptr, QStringLiteral("cell"));
    item->Apply(&runtime, &bag);
    EXPECT_EQ(bag.GetPaddingTop(), 4);

    // Nothing is added by an Add whose criteria or styles do not parse.
    EXPECT_THROW(styles.Add(QStringLiteral("value >"), QStringLiteral("PaddingTop=1")), TKvSyntaxError);
    EXPECT_THROW(styles.Add(QStringLiteral("value > 1"), QStringLiteral("A=1;A=2")), EListError);
    EXPECT_EQ(styles.Count(), 1);
}

TEST(DynamicStyle, ApplyWhenTheCriteriaHolds)
{
    TKvGridDynamicStyleCollection styles(nullptr);
    TKvGridDynamicStyle* item = styles.Add(
        QStringLiteral("value > 100"),
        QStringLiteral("Foreground=#ffff0000; Font=Tahoma,9,bold; TextAlignment=alignfar; PaddingLeft=x; "
                       "Prefix=>>; ContentFit=nonsense"));
    TTestRuntime runtime;
    TKvGridStyleBag parent(nullptr, QStringLiteral("column"));
    TKvGridStyleBag cell(nullptr, QStringLiteral("cell"));
    cell.SetParent(&parent);
    parent.SetPaddingLeft(6);

    runtime.Value = Variant(std::int64_t(50));
    item->Apply(&runtime, &cell);
    EXPECT_TRUE(cell.GetValues().Empty());

    runtime.Value = Variant(std::int64_t(150));
    item->Apply(&runtime, &cell);
    EXPECT_EQ(cell.GetValue(QStringLiteral("Foreground")), QStringLiteral("#ffff0000"));
    EXPECT_EQ(cell.GetValue(QStringLiteral("Font")), QStringLiteral("Tahoma,9,bold"));
    EXPECT_EQ(cell.GetTextAlignment(), AlignFar);
    EXPECT_TRUE(cell.HasValue(PADDING_LEFT));
    EXPECT_EQ(cell.GetPaddingLeft(), 0);
    EXPECT_EQ(cell.GetPrefix(), QStringLiteral(">>"));
    EXPECT_FALSE(cell.HasValue(CONTENT_FIT));

    // Results that are neither true nor false count as false.
    TKvGridDynamicStyle* loose = styles.Add(QStringLiteral("value"), QStringLiteral("IconIndex=9"));
    for (const Variant& v : {Variant::Null(), Variant(), Variant(std::int64_t(1)), Variant(QStringLiteral("true"))}) {
        TKvGridStyleBag bag(nullptr, QStringLiteral("b"));
        runtime.Value = v;
        loose->Apply(&runtime, &bag);
        EXPECT_FALSE(bag.HasValue(ICON_INDEX));
    }
    runtime.Value = Variant(true);
    TKvGridStyleBag yes(nullptr, QStringLiteral("yes"));
    loose->Apply(&runtime, &yes);
    EXPECT_EQ(yes.GetIconIndex(), 9);

    // An empty criteria never holds; an item without styles never evaluates.
    TKvGridDynamicStyle* noCriteria = styles.Add(QString(), QStringLiteral("IconIndex=3"));
    TKvGridStyleBag none(nullptr, QStringLiteral("none"));
    noCriteria->Apply(&runtime, &none);
    EXPECT_FALSE(none.HasValue(ICON_INDEX));
    TKvGridDynamicStyle* noStyles = styles.Add(QStringLiteral("value"), QString());
    runtime.Evaluations = 0;
    noStyles->Apply(&runtime, &none);
    EXPECT_EQ(runtime.Evaluations, 0);
}

TEST(DynamicStyle, LaterItemsWinAndInactiveItemsAreSkipped)
{
    TKvGridDynamicStyleCollection styles(nullptr);
    styles.Add(QStringLiteral("value > 1"), QStringLiteral("Background=#ff000001; PaddingTop=1"));
    styles.Add(QStringLiteral("value > 2"), QStringLiteral("Background=#ff000002"));
    TKvGridDynamicStyle* third = styles.Add(QStringLiteral("name = 'x'"), QStringLiteral("PaddingTop=3"));
    TTestRuntime runtime;
    runtime.Value = Variant(std::int64_t(5));
    runtime.Name = Variant(QStringLiteral("x"));

    styles.Prepare();
    EXPECT_EQ(styles.GetActiveCount(), 3);
    TKvGridStyleBag bag(nullptr, QStringLiteral("cell"));
    styles.ApplyTo(&runtime, &bag);
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff000002"));
    EXPECT_EQ(bag.GetPaddingTop(), 3);

    third->SetActive(false);
    bag.ClearValues();
    runtime.Evaluations = 0;
    styles.ApplyTo(&runtime, &bag);
    EXPECT_EQ(runtime.Evaluations, 2); // the inactive item is never evaluated
    EXPECT_EQ(bag.GetPaddingTop(), 1);
    styles.Prepare();
    EXPECT_EQ(styles.GetActiveCount(), 2);
    for (int i = 0; i < styles.Count(); ++i)
        styles.GetItem(i)->SetActive(false);
    styles.Prepare();
    EXPECT_EQ(styles.GetActiveCount(), 0);
}

TEST(DynamicStyle, ApplyingReusesObjectsThatOutliveTheItem)
{
    TKvGridDynamicStyleCollection styles(nullptr);
    TKvGridDynamicStyle* item = styles.Add(QStringLiteral("value"), QStringLiteral("Foreground=#ff00ff00;BorderTop=#ff000000,2"));
    TTestRuntime runtime;
    runtime.Value = Variant(true);
    TKvGridViewStyles cell(nullptr, QStringLiteral("runtime"));

    item->Apply(&runtime, &cell);
    TKvFill* first = cell.GetForeground();
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 3; ++i) {
        cell.ClearValues();
        item->Apply(&runtime, &cell);
        EXPECT_EQ(cell.GetForeground(), first); // parsed once, never per cell
    }
    item->Apply(&runtime, &cell);
    EXPECT_EQ(cell.GraphicItemCount(), 2);

    // The item's objects stay valid in the bag after the item changes or goes.
    item->SetStyles(QStringLiteral("Foreground=#ff0000ff"));
    EXPECT_EQ(cell.GetValue(QStringLiteral("Foreground")), QStringLiteral("#ff00ff00"));
    styles.Clear();
    EXPECT_EQ(cell.GetValue(QStringLiteral("BorderTop")), QStringLiteral("#ff000000,2"));
}

TEST(DynamicStyle, BadNamesAndValuesRaiseWhenApplied)
{
    TKvGridDynamicStyleCollection styles(nullptr);
    TKvGridDynamicStyle* unknown = styles.Add(QStringLiteral("value"), QStringLiteral("PaddingTop=5;Colour=red"));
    TKvGridDynamicStyle* badValue = styles.Add(QStringLiteral("value"), QStringLiteral("Foreground=#zz"));
    TTestRuntime runtime;
    runtime.Value = Variant(true);
    TKvGridStyleBag bag(nullptr, QStringLiteral("cell"));
    KV_EXPECT_THROW_MSG(unknown->Apply(&runtime, &bag), Exception, "Property is not exists: Colour");
    EXPECT_EQ(bag.GetPaddingTop(), 5);
    EXPECT_THROW(badValue->Apply(&runtime, &bag), EConvertError);
    EXPECT_FALSE(bag.HasValue(FOREGROUND_STYLE));
    // Names outside the style table go through the bag's text access.
    TKvGridDynamicStyle* extended = styles.Add(QStringLiteral("value"), QStringLiteral("Rows=7;Shade=tsDark;PaddingTop=2"));
    kv::test::TExtendedStyleBag ext(nullptr, QStringLiteral("ext"));
    extended->Apply(&runtime, &ext);
    EXPECT_EQ(ext.GetRows(), 7);
    EXPECT_EQ(ext.GetShade(), kv::test::tsDark);
    EXPECT_EQ(ext.GetPaddingTop(), 2);
    TKvGridDynamicStyle* reference = styles.Add(QStringLiteral("value"), QStringLiteral("Reference=StyleObject1"));
    TKvGridViewStyles view(nullptr, QStringLiteral("view"));
    KV_EXPECT_THROW_MSG(reference->Apply(&runtime, &view), Exception,
                        "Unknown style value type [TKvGridStyleObject]: Reference");
    KV_EXPECT_THROW_MSG(extended->Apply(&runtime, &bag), Exception, "Property is not exists: Rows");
    // Evaluation errors of the criteria come out of Apply too.
    TKvGridDynamicStyle* badCriteria = styles.Add(QStringLiteral("nosuch > 1"), QStringLiteral("PaddingTop=1"));
    EXPECT_ANY_THROW(badCriteria->Apply(&runtime, &bag));
}

TEST(DynamicStyle, CollectionChangesRebuildCriteriaTrees)
{
    TKvGridDynamicStyleCollection styles(nullptr);
    TKvGridDynamicStyle* first = styles.Add(QStringLiteral("value > 1"), QStringLiteral("PaddingTop=1"));
    TKvExpressionTree* before = first->GetExpressionTree();
    styles.Add(QStringLiteral("value > 2"), QStringLiteral("PaddingTop=2"));
    EXPECT_NE(first->GetExpressionTree(), before);
    EXPECT_EQ(styles.GetNamePath(), QStringLiteral("DynamicStyle"));

    TKvGridDynamicStyleCollection copy(nullptr);
    copy.Assign(&styles);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.GetItem(1)->GetCriteria(), QStringLiteral("value > 2"));
    EXPECT_EQ(copy.GetItem(1)->GetStylePairs(), (Pairs{{"PaddingTop", "2"}}));
}

TEST(DynamicStyle, RoundTripThroughAFormFile)
{
    RegisterClasses<TDynamicThing>();
    auto thing = MakeOwned<TDynamicThing>(nullptr);
    thing->SetName(QStringLiteral("Column1"));
    thing->GetDynamicStyles()->Add(QStringLiteral("value > 100"), QStringLiteral("Foreground=#ffff0000; Font=Tahoma,9,bold"));
    thing->GetDynamicStyles()->Add(QStringLiteral("name = 'it''s'"), QStringLiteral("Prefix=*"))->SetActive(false);
    const QString text = WriteComponentText(thing.get());
    EXPECT_TRUE(text.contains(QStringLiteral("Active = False")));
    EXPECT_EQ(text.count(QStringLiteral("Active =")), 1);

    TOwned<TComponent> read(ReadComponentText(text));
    auto* copy = dynamic_cast<TDynamicThing*>(read.get());
    ASSERT_NE(copy, nullptr);
    TKvGridDynamicStyleCollection* styles = copy->GetDynamicStyles();
    ASSERT_EQ(styles->Count(), 2);
    EXPECT_TRUE(styles->GetItem(0)->GetActive());
    EXPECT_FALSE(styles->GetItem(1)->GetActive());
    EXPECT_EQ(styles->GetItem(1)->GetCriteria(), QStringLiteral("name = 'it''s'"));
    EXPECT_EQ(styles->GetItem(0)->GetStylePairs(), (Pairs{{"Foreground", "#ffff0000"}, {"Font", "Tahoma,9,bold"}}));

    TTestRuntime runtime;
    runtime.Value = Variant(std::int64_t(101));
    runtime.Name = Variant(QStringLiteral("it's"));
    TKvGridStyleBag bag(nullptr, QStringLiteral("cell"));
    styles->ApplyTo(&runtime, &bag);
    EXPECT_EQ(bag.GetValue(QStringLiteral("Foreground")), QStringLiteral("#ffff0000"));
    EXPECT_FALSE(bag.HasValue(PREFIX_STYLE));
    EXPECT_EQ(WriteComponentText(copy), text);

    // A criteria in the file that does not parse fails the read.
    QString bad = text;
    bad.replace(QStringLiteral("'value > 100'"), QStringLiteral("'value > '"));
    EXPECT_THROW(ReadComponentText(bad), EReadError);
}

} // namespace

// The painting form fails where Apply raises, without raising, and leaves the bag as Apply
// leaves it.
TEST(DynamicStyle, TryApplyAnswersWhereApplyRaises)
{
    TKvGridDynamicStyleCollection styles(nullptr);
    const std::vector<std::pair<QString, QString>> cases = {
        {"value", "PaddingTop=5;Colour=red;PaddingLeft=3"},
        {"value", "PaddingTop=4;Foreground=#zz"},
        {"value > 1", "PaddingTop=1"}, // text against a number: no order
        {"(value = value) or (value > 1)", "PaddingTop=1"},
        {"value", "PaddingTop=2;Prefix=>>"},
    };
    TTestRuntime runtime;
    for (const Variant& value : {Variant(true), Variant("abc")}) {
        runtime.Value = value;
        for (const auto& [criteria, text] : cases) {
            TKvGridDynamicStyle* item = styles.Add(criteria, text);
            TKvGridStyleBag raised(nullptr, QStringLiteral("a")), answered(nullptr, QStringLiteral("b"));
            bool threw = false;
            try {
                item->Apply(&runtime, &raised);
            } catch (const Exception&) {
                threw = true;
            }
            EXPECT_EQ(item->TryApply(&runtime, &answered), !threw) << criteria.toStdString();
            for (const QString& name : TKvGridStyleBag::GetNames())
                EXPECT_EQ(raised.GetValue(name), answered.GetValue(name)) << name.toStdString();
        }
    }
    TKvGridStyleBag bag(nullptr, QStringLiteral("c"));
    runtime.Value = Variant(true);
    EXPECT_FALSE(styles.TryApplyTo(&runtime, &bag));
}
