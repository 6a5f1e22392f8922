#include "StyleTestSupport.h"
#include "TestSupport.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

#include <climits>

using namespace kv;
using kv::test::TExtendedStyleBag;
using kv::test::TRecordingStyleListener;
using kv::test::TTestShade;

KV_PUBLISH_ENUM(TTestShade, "tsLight", "tsDark", "plain");
KV_PUBLISH(TExtendedStyleBag, TKvGridStyleBag)
    .Property("Striped", &TExtendedStyleBag::GetStriped, &TExtendedStyleBag::SetStriped)
    .Property("Shade", &TExtendedStyleBag::GetShade, &TExtendedStyleBag::SetShade)
    .Property("Rows", &TExtendedStyleBag::GetRows, &TExtendedStyleBag::SetRows)
    .Property("Caption", &TExtendedStyleBag::GetCaption, &TExtendedStyleBag::SetCaption);

namespace {

using Entries = std::vector<TKvGridViewStyleEntry>;

TEST(StylePropertyTable, ThirtyFourPropertiesWithEntriesAndCaptions)
{
    const auto& list = TKvStyleProperties::List();
    ASSERT_EQ(list.size(), 34u);
    EXPECT_EQ(TKvStyleProperties::Table().size(), 34);
    EXPECT_EQ(TKvGridStyleBag::GetNames().size(), 34);
    EXPECT_EQ(TKvGridStyleBag::GetNames().first(), QStringLiteral("Visibility"));
    EXPECT_EQ(TKvGridStyleBag::GetNames().last(), QStringLiteral("FigureDisabledBackground"));

    // Entries run from VISIBILITY_STYLE to FIGURE_DISABLED_BACKGROUND, skipping only BACKGROUND_IMAGE.
    int expected = VISIBILITY_STYLE;
    for (const TKvStylePropertyRecord* rec : list) {
        if (expected == BACKGROUND_IMAGE)
            ++expected;
        EXPECT_EQ(int(rec->Entry), expected) << rec->Name.toStdString();
        EXPECT_EQ(TKvStyleProperties::FromEntry(rec->Entry), rec);
        EXPECT_EQ(TKvStyleProperties::Find(rec->Name), rec);
        ++expected;
    }
    EXPECT_EQ(TKvStyleProperties::FromEntry(BACKGROUND_IMAGE), nullptr);
    EXPECT_EQ(TKvStyleProperties::FromEntry(STYLE_ALL), nullptr);

    EXPECT_EQ(TKvGridStylesAgent::GetDescription(QStringLiteral("ContentFit")), QStringLiteral("Cpntent fit style"));
    EXPECT_EQ(TKvGridStylesAgent::GetDescription(QStringLiteral("Background")), QStringLiteral("Background fill"));
    EXPECT_EQ(TKvGridStylesAgent::GetDescription(QStringLiteral("IconOffset")), QStringLiteral("Icon offset to location"));
    EXPECT_EQ(TKvGridStylesAgent::GetDescription(QStringLiteral("FigureBorder")), QStringLiteral("Figure Border stroke"));
    EXPECT_EQ(TKvGridStylesAgent::GetDescription(QStringLiteral("Nope")), QString());
    EXPECT_EQ(TKvGridStylesAgent::GetEntry(QStringLiteral("Font")), FONT_STYLE);
    EXPECT_EQ(TKvGridStylesAgent::GetEntry(QStringLiteral("font")), STYLE_INVALID);
    EXPECT_EQ(TKvGridStylesAgent::GetEntry(QStringLiteral("Unknown")), STYLE_INVALID);

    QStringList agentNames = TKvGridStylesAgent::GetNames();
    QStringList tableNames = TKvGridStyleBag::GetNames();
    agentNames.sort();
    tableNames.sort();
    EXPECT_EQ(agentNames, tableNames);
}

TEST(StyleBag, NewBagAnswersTheClassDefaults)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("b"));
    EXPECT_TRUE(bag.GetValues().Empty());
    EXPECT_EQ(bag.GetVisibility(), Visible);
    EXPECT_EQ(bag.GetBackground(), TKvFill::White());
    EXPECT_EQ(bag.GetSelectedBackground(), TKvFill::DimGray());
    EXPECT_EQ(bag.GetBorderLeft(), nullptr);
    EXPECT_EQ(bag.GetBorderRight(), nullptr);
    EXPECT_EQ(bag.GetBorderTop(), nullptr);
    EXPECT_EQ(bag.GetBorderBottom(), nullptr);
    EXPECT_EQ(bag.GetFont(), TKvFont::Default10());
    EXPECT_EQ(bag.GetForeground(), TKvFill::Black());
    EXPECT_EQ(bag.GetSelectedForeground(), TKvFill::White());
    EXPECT_EQ(bag.GetDisabledForeground(), TKvFill::Gray());
    EXPECT_EQ(bag.GetTextAlignment(), AlignNear);
    EXPECT_EQ(bag.GetLineAlignment(), AlignCenter);
    EXPECT_EQ(bag.GetNumberFormat(), QString());
    EXPECT_EQ(bag.GetPrefix(), QString());
    EXPECT_EQ(bag.GetPostfix(), QString());
    EXPECT_EQ(bag.GetPaddingLeft() + bag.GetPaddingRight() + bag.GetPaddingTop() + bag.GetPaddingBottom(), 0);
    EXPECT_EQ(bag.GetIconIndex(), -1);
    EXPECT_EQ(bag.GetIconLocation(), IconLeft);
    EXPECT_EQ(bag.GetIconOffset(), 0);
    EXPECT_EQ(bag.GetIconPadding(), 2);
    EXPECT_EQ(bag.GetContentFit(), FitAuto);
    EXPECT_EQ(bag.GetButtonWidth(), 0);
    EXPECT_EQ(bag.GetSelectionDisplay(), SelectMask);
    EXPECT_EQ(bag.GetSelectionMaskBackground(), TKvFill::Blue());
    EXPECT_EQ(bag.GetSelectionMaskBorder(), TKvStroke::Blue());
    EXPECT_EQ(bag.GetHoveredMaskBackground(), TKvFill::Blue());
    EXPECT_EQ(bag.GetHoveredMaskBorder(), TKvStroke::Blue());
    EXPECT_EQ(bag.GetFigureBackground(), TKvFill::Black());
    EXPECT_EQ(bag.GetFigureBorder(), nullptr);
    EXPECT_EQ(bag.GetFigureDisabledBackground(), TKvFill::LightGray());
    EXPECT_EQ(bag.GetBorderLeftWidth(), 0);

    // A stored value that was never assigned does not answer: ResetValue makes it effective.
    bag.SetIconPadding(7);
    bag.ClearValue(ICON_PADDING);
    EXPECT_EQ(bag.GetIconPadding(), 2);
    bag.ResetValue(ICON_PADDING);
    EXPECT_EQ(bag.GetIconPadding(), 7);
}

TEST(StyleBag, LookupChainMatrix)
{
    // The chain of one cell bag: its own value, its reference's own value, its default's own
    // value, then its parent's whole chain (own, default, then the grandparent).
    TOwned<TKvGridStyleObject> referenceOwner = MakeOwned<TKvGridStyleObject>(nullptr);
    TKvGridStyleObject& reference = *referenceOwner;
    TKvGridStyleBag def(nullptr, QStringLiteral("default"));
    TKvGridStyleBag parentDefault(nullptr, QStringLiteral("parentDefault"));
    TKvGridStyleBag grand(nullptr, QStringLiteral("grand"));
    TKvGridViewStyles parent(nullptr, QStringLiteral("parent"));
    TKvGridViewStyles bag(nullptr, QStringLiteral("bag"));
    bag.SetReference(&reference);
    bag.SetDefault(&def);
    bag.SetParent(&parent);
    parent.SetDefault(&parentDefault);
    parent.SetParent(&grand);
    // The reference's and the default's own chains are never consulted.
    TKvGridStyleBag refParent(nullptr, QStringLiteral("refParent"));
    TKvGridStyleBag defParent(nullptr, QStringLiteral("defParent"));
    reference.GetStyles()->SetParent(&refParent);
    def.SetParent(&defParent);
    refParent.SetPaddingLeft(100);
    defParent.SetPaddingLeft(101);
    refParent.SetValue(QStringLiteral("Background"), QStringLiteral("#ff000064"));
    defParent.SetValue(QStringLiteral("Background"), QStringLiteral("#ff000065"));

    // In lookup order; the value each source assigns is its position plus one.
    const std::vector<TKvGridStyleBag*> sources{&bag, reference.GetStyles(), &def, &parent, &parentDefault, &grand};
    std::vector<TKvFill*> fills;
    for (TKvGridStyleBag* source : sources)
        fills.push_back(source->CreateBrush(TKvColor(0xFF000000u + std::uint32_t(fills.size() + 1))));

    for (unsigned mask = 0; mask < (1u << sources.size()); ++mask) {
        int expected = 0;
        for (size_t i = 0; i < sources.size(); ++i) {
            TKvGridStyleBag* source = sources[i];
            if (mask & (1u << i)) {
                source->SetPaddingLeft(int(i) + 1);
                source->SetBackground(fills[i]);
                if (!expected)
                    expected = int(i) + 1;
            } else {
                source->ClearValue(PADDING_LEFT);
                source->ClearValue(BACKGROUND_STYLE);
            }
        }
        SCOPED_TRACE(mask);
        EXPECT_EQ(bag.GetPaddingLeft(), expected);
        EXPECT_EQ(bag.GetValue(QStringLiteral("PaddingLeft")), QString::number(expected));
        EXPECT_EQ(bag.GetBackground(), expected ? fills[size_t(expected - 1)] : TKvFill::White());
        // Inherited means the parent chain only: the reference and the defaults do not count.
        const bool inherited = (mask & 1u) || (mask & (1u << 3)) || (mask & (1u << 5));
        EXPECT_EQ(bag.HasValue(PADDING_LEFT, true), inherited);
        EXPECT_EQ(bag.HasValue(PADDING_LEFT), bool(mask & 1u));
    }

    // Each property resolves on its own.
    def.SetTextAlignment(AlignFar);
    grand.SetNumberFormat(QStringLiteral("#,##0"));
    EXPECT_EQ(bag.GetTextAlignment(), AlignFar);
    EXPECT_EQ(bag.GetNumberFormat(), QStringLiteral("#,##0"));
    EXPECT_EQ(bag.GetLineAlignment(), AlignCenter);
    bag.SetReference(nullptr);
}

TEST(StyleBag, NilIsAnAssignedValue)
{
    TKvGridStyleBag parent(nullptr, QStringLiteral("parent"));
    TKvGridStyleBag child(nullptr, QStringLiteral("child"));
    child.SetParent(&parent);
    TKvFill* fill = parent.CreateBrush(0xFF102030u);
    parent.SetBackground(fill);
    EXPECT_EQ(child.GetBackground(), fill);
    child.SetBackground(nullptr);
    EXPECT_EQ(child.GetBackground(), nullptr);
    EXPECT_TRUE(child.HasValue(BACKGROUND_STYLE));
    child.ClearValue(BACKGROUND_STYLE);
    EXPECT_EQ(child.GetBackground(), fill);
}

TEST(StyleBag, ParentCyclesAreRefused)
{
    TKvGridStyleBag a(nullptr, QStringLiteral("a"));
    TKvGridStyleBag b(nullptr, QStringLiteral("b"));
    TKvGridStyleBag c(nullptr, QStringLiteral("c"));
    b.SetParent(&a);
    c.SetParent(&b);
    EXPECT_THROW(a.SetParent(&c), EArgumentException);
    EXPECT_THROW(a.SetParent(&a), EArgumentException);
    EXPECT_EQ(a.GetParent(), nullptr);
    // The lookup still ends.
    EXPECT_EQ(c.GetPaddingTop(), 0);
}

TEST(StyleBag, NotificationRules)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    TRecordingStyleListener listener;
    bag.AddListener(&listener);
    EXPECT_EQ(listener.Events, (std::vector<TRecordingStyleListener::TEvent>{{&bag, STYLE_ALL}}));
    bag.AddListener(&listener);
    bag.AddListener(nullptr);
    EXPECT_EQ(listener.Events.size(), 1u);
    EXPECT_EQ(bag.ListenerCount(), 1);

    listener.Reset();
    bag.SetPaddingTop(3);
    bag.SetPaddingTop(3); // the same value notifies again
    bag.SetFont(nullptr);
    EXPECT_EQ(listener.Entries(), (Entries{PADDING_TOP, PADDING_TOP, FONT_STYLE}));

    // Clearing what is not set sends nothing; clearing what is set sends STYLE_ALL.
    listener.Reset();
    bag.ClearValue(PADDING_LEFT);
    bag.ResetValue(PADDING_TOP);
    EXPECT_TRUE(listener.Events.empty());
    bag.ClearValue(PADDING_TOP);
    bag.ResetValue(PADDING_TOP);
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL, STYLE_ALL}));

    // An update: nothing until the end, then one STYLE_ALL; the update mark does not nest.
    listener.Reset();
    bag.BeginUpdate();
    bag.BeginUpdate();
    bag.SetPaddingLeft(1);
    bag.SetPrefix(QStringLiteral("x"));
    EXPECT_TRUE(bag.IsUpdating());
    EXPECT_TRUE(listener.Events.empty());
    bag.EndUpdate();
    EXPECT_FALSE(bag.IsUpdating());
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    bag.EndUpdate();
    EXPECT_EQ(listener.Events.size(), 1u);

    // An update without changes sends nothing; listeners added or removed inside it hear nothing.
    listener.Reset();
    TRecordingStyleListener late;
    bag.BeginUpdate();
    bag.AddListener(&late);
    bag.EndUpdate();
    EXPECT_TRUE(listener.Events.empty());
    EXPECT_TRUE(late.Events.empty());

    // Clear notifies only when something was assigned, and drops the graphics values.
    listener.Reset();
    bag.Clear();
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    EXPECT_EQ(late.Entries(), (Entries{STYLE_ALL}));
    bag.Clear();
    EXPECT_EQ(listener.Events.size(), 1u);
    // ClearValues is silent.
    bag.SetPaddingLeft(1);
    listener.Reset();
    bag.ClearValues();
    EXPECT_TRUE(listener.Events.empty());
    EXPECT_FALSE(bag.HasValue(PADDING_LEFT));

    // Removing tells the listener STYLE_ALL as it leaves; removing again does nothing.
    listener.Reset();
    bag.RemoveListener(&listener);
    bag.RemoveListener(&listener);
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    bag.SetPaddingLeft(2);
    EXPECT_EQ(listener.Events.size(), 1u);
    bag.RemoveListener(&late);
}

// A listener that leaves the bag while being told.
class TLeavingListener : public TKvGridViewStyleChangeListener
{
public:
    void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override
    {
        ++Count;
        if (entry != STYLE_ALL)
            bag->RemoveListener(this);
    }
    int Count = 0;
};

TEST(StyleBag, ListenerMayLeaveDuringNotification)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    TLeavingListener leaving;
    TRecordingStyleListener after;
    bag.AddListener(&leaving);
    bag.AddListener(&after);
    after.Reset();
    bag.SetIconIndex(4);
    EXPECT_EQ(after.Entries(), (Entries{ICON_INDEX}));
    EXPECT_EQ(bag.ListenerCount(), 1);
    bag.RemoveListener(&after);
}

struct TTextCase
{
    const char* Name;
    const char* Text;
    const char* Expected;
};

TEST(StyleBag, TextAccessOfAllProperties)
{
    const std::vector<TTextCase> cases{
        {"Visibility", "hidden", "Hidden"},
        {"Background", "#ff112233", "#ff112233"},
        {"SelectedBackground", "linear,#ff000000,#ffffffff,90", "linear,#ff000000,#ffffffff,90"},
        {"BorderLeft", "#ff010203,2", "#ff010203,2"},
        {"BorderRight", "#ff010203,1.5,dash", "#ff010203,1.5,dash"},
        {"BorderTop", "#ff0000ff,1,dot", "#ff0000ff,1,dot"},
        {"BorderBottom", "#ff00ff00,3", "#ff00ff00,3"},
        {"Font", "Tahoma,9,bold", "Tahoma,9,bold"},
        {"Foreground", "#ffff0000", "#ffff0000"},
        {"SelectedForeground", "#ff00ff00", "#ff00ff00"},
        {"DisabledForeground", "#ff808080", "#ff808080"},
        {"TextAlignment", "alignfar", "AlignFar"},
        {"LineAlignment", "ALIGNNEAR", "AlignNear"},
        {"NumberFormat", "#,##0.00", "#,##0.00"},
        {"Prefix", "$ ", "$ "},
        {"Postfix", " kg", " kg"},
        {"PaddingLeft", "4", "4"},
        {"PaddingRight", "-3", "-3"},
        {"PaddingTop", "$10", "16"},
        {"PaddingBottom", "seven", "0"},
        {"IconIndex", "12", "12"},
        {"IconLocation", "IconCenter", "IconCenter"},
        {"IconOffset", "5", "5"},
        {"IconPadding", "", "0"},
        {"ContentFit", "fitwidth", "FitWidth"},
        {"ButtonWidth", "18", "18"},
        {"SelectionDisplay", "SelectInversion", "SelectInversion"},
        {"SelectionMaskBackground", "#80000080", "#80000080"},
        {"SelectionMaskBorder", "#ff000080,1", "#ff000080,1"},
        {"HoveredMaskBackground", "#88f0e68c", "#88f0e68c"},
        {"HoveredMaskBorder", "#ff123456,2,dashdot", "#ff123456,2,dashdot"},
        {"FigureBackground", "#ff008800", "#ff008800"},
        {"FigureBorder", "#ff000000,1", "#ff000000,1"},
        {"FigureDisabledBackground", "#ffd3d3d3", "#ffd3d3d3"},
    };
    ASSERT_EQ(cases.size(), 34u);
    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    TRecordingStyleListener listener;
    bag.AddListener(&listener);
    for (const TTextCase& c : cases) {
        const QString name = QString::fromLatin1(c.Name);
        const TKvStylePropertyRecord* rec = TKvStyleProperties::Find(name);
        ASSERT_NE(rec, nullptr) << c.Name;
        listener.Reset();
        bag.SetValue(name, QString::fromUtf8(c.Text));
        EXPECT_EQ(bag.GetValue(name), QString::fromUtf8(c.Expected)) << c.Name;
        EXPECT_TRUE(bag.HasValue(rec->Entry)) << c.Name;
        EXPECT_EQ(listener.Entries(), (Entries{rec->Entry})) << c.Name;
        // Names are found in any letter case.
        EXPECT_EQ(bag.GetValue(name.toLower()), QString::fromUtf8(c.Expected)) << c.Name;
    }
    EXPECT_EQ(bag.GetFont()->GetStyle(), TKvFontStyle{FontBold});
    EXPECT_EQ(bag.GetBorderRightWidth(), 2);
    EXPECT_EQ(bag.GetBorderBottomWidth(), 3);
    bag.RemoveListener(&listener);
}

TEST(StyleBag, TextAccessFailuresLeaveTheValue)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    bag.SetTextAlignment(AlignCenter);
    // A list-type style refuses a name that is none of its values, naming the style and them.
    KV_EXPECT_THROW_MSG(bag.SetValue(QStringLiteral("TextAlignment"), QStringLiteral("right")), EConvertError,
                        "\"right\" is not a value of the style TextAlignment: use one of AlignNear, AlignCenter, "
                        "AlignFar");
    EXPECT_EQ(bag.GetTextAlignment(), AlignCenter);
    EXPECT_EQ(bag.GetValue(QStringLiteral("TextAlignment")), QStringLiteral("AlignCenter"));
    // Empty text changes nothing and is no error.
    bag.SetValue(QStringLiteral("TextAlignment"), QString());
    EXPECT_EQ(bag.GetTextAlignment(), AlignCenter);

    // An unknown value never changes the value.
    TKvGridStyleBag fresh(nullptr, QStringLiteral("fresh"));
    EXPECT_THROW(fresh.SetValue(QStringLiteral("ContentFit"), QStringLiteral("Auto")), EConvertError);
    EXPECT_FALSE(fresh.HasValue(CONTENT_FIT));

    KV_EXPECT_THROW_MSG(bag.SetValue(QStringLiteral("Colour"), QStringLiteral("1")), Exception,
                        "Property is not exists: Colour");
    KV_EXPECT_THROW_MSG(bag.GetValue(QStringLiteral("Colour")), Exception, "Property is not exists: Colour");

    // Text a graphics parser cannot read keeps the old object.
    bag.SetValue(QStringLiteral("Background"), QStringLiteral("#ff000001"));
    TKvFill* before = bag.GetBackground();
    EXPECT_THROW(bag.SetValue(QStringLiteral("Background"), QStringLiteral("not a colour")), EConvertError);
    EXPECT_EQ(bag.GetBackground(), before);
    EXPECT_EQ(bag.GetValue(QStringLiteral("Background")), QStringLiteral("#ff000001"));

    // "radial" reads as nil and is assigned; empty text gives nil too.
    bag.SetValue(QStringLiteral("SelectedBackground"), QStringLiteral("radial,#ff000000"));
    EXPECT_TRUE(bag.HasValue(SELECTED_BACKGROUND));
    EXPECT_EQ(bag.GetSelectedBackground(), nullptr);
    EXPECT_EQ(bag.GetValue(QStringLiteral("SelectedBackground")), QString());
    bag.SetValue(QStringLiteral("Font"), QString());
    EXPECT_EQ(bag.GetFont(), nullptr);
    EXPECT_TRUE(bag.HasValue(FONT_STYLE));
}

TEST(StyleBag, TextAccessOfPublishedPropertiesOutsideTheTable)
{
    TExtendedStyleBag bag(nullptr, QStringLiteral("bag"));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Striped")), QStringLiteral("false"));
    for (const char* yes : {"1", "t", "TRUE", "y", "Yes"}) {
        bag.SetStriped(false);
        bag.SetValue(QStringLiteral("Striped"), QString::fromLatin1(yes));
        EXPECT_TRUE(bag.GetStriped()) << yes;
        EXPECT_EQ(bag.GetValue(QStringLiteral("striped")), QStringLiteral("true"));
    }
    for (const char* no : {"0", "false", "no", "on", ""}) {
        bag.SetStriped(true);
        bag.SetValue(QStringLiteral("Striped"), QString::fromLatin1(no));
        EXPECT_FALSE(bag.GetStriped()) << no;
    }

    // Enumerations: the leading lowercase run is dropped when reading; setting needs the full
    // name in any case; an unknown name keeps the value.
    EXPECT_EQ(bag.GetValue(QStringLiteral("Shade")), QStringLiteral("Light"));
    bag.SetValue(QStringLiteral("Shade"), QStringLiteral("TSDARK"));
    EXPECT_EQ(bag.GetShade(), kv::test::tsDark);
    EXPECT_EQ(bag.GetValue(QStringLiteral("Shade")), QStringLiteral("Dark"));
    bag.SetValue(QStringLiteral("Shade"), QStringLiteral("Light"));
    EXPECT_EQ(bag.GetShade(), kv::test::tsDark);
    bag.SetValue(QStringLiteral("Shade"), QStringLiteral("plain"));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Shade")), QStringLiteral("plain"));

    bag.SetValue(QStringLiteral("Rows"), QStringLiteral("12"));
    EXPECT_EQ(bag.GetRows(), 12);
    bag.SetValue(QStringLiteral("Rows"), QStringLiteral("twelve"));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Rows")), QStringLiteral("0"));
    bag.SetValue(QStringLiteral("Caption"), QStringLiteral(" a;b=c "));
    EXPECT_EQ(bag.GetValue(QStringLiteral("Caption")), QStringLiteral(" a;b=c "));
    // The style values are no business of these properties.
    EXPECT_TRUE(bag.GetValues().Empty());
}

TEST(StyleBag, OwnedGraphicsAreRepackedAndCleared)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    TKvFill* kept = bag.CreateFill(QStringLiteral("#ff0000ff"));
    bag.CreateFill(QStringLiteral("#ff00ff00")); // never assigned
    TKvStroke* pen = bag.CreatePen(0xFF000000u, 1.0f, DashStyleSolid);
    EXPECT_EQ(bag.CreateFill(QString()), nullptr);
    EXPECT_EQ(bag.GraphicItemCount(), 3);
    bag.SetBackground(kept);
    bag.SetBorderLeft(pen);
    bag.SetBorderTop(pen);
    bag.RepackGraphicEntities();
    EXPECT_EQ(bag.GraphicItemCount(), 2);
    EXPECT_TRUE(bag.OwnsGraphic(kept));
    EXPECT_TRUE(bag.OwnsGraphic(pen));
    // Stock objects are never taken over.
    bag.SetForeground(TKvFill::Black());
    EXPECT_FALSE(bag.OwnsGraphic(TKvFill::Black()));

    bag.ClearGraphicValues();
    EXPECT_EQ(bag.GraphicItemCount(), 0);
    EXPECT_TRUE(bag.HasValue(BACKGROUND_STYLE));
    EXPECT_EQ(bag.GetBackground(), nullptr);
    EXPECT_EQ(bag.GetForeground(), nullptr);
    EXPECT_EQ(bag.GetBorderLeft(), nullptr);
}

TEST(StyleBag, AssignedGraphicsOutliveTheSource)
{
    TKvGridStyleBag dest(nullptr, QStringLiteral("dest"));
    TRecordingStyleListener listener;
    dest.AddListener(&listener);
    {
        TKvGridStyleBag source(nullptr, QStringLiteral("source"));
        source.SetValue(QStringLiteral("Background"), QStringLiteral("linear,#ff000000,#ffffffff,45"));
        source.SetValue(QStringLiteral("Font"), QStringLiteral("Serif,11,italic"));
        source.SetValue(QStringLiteral("BorderTop"), QStringLiteral("#ff222222,2"));
        source.SetPaddingLeft(6);
        source.SetFigureBorder(TKvStroke::Gray());
        listener.Reset();
        dest.Assign(&source);
        // One STYLE_ALL for the whole copy.
        EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
        // The objects are shared, not copied.
        EXPECT_EQ(dest.GetBackground(), source.GetBackground());
        EXPECT_EQ(dest.GetFigureBorder(), TKvStroke::Gray());
        // The source letting go of its objects does not free them under the target.
        source.ClearGraphicValues();
        source.RepackGraphicEntities();
    }
    ASSERT_NE(dest.GetBackground(), nullptr);
    EXPECT_EQ(dest.GetValue(QStringLiteral("Background")), QStringLiteral("linear,#ff000000,#ffffffff,45"));
    EXPECT_EQ(dest.GetValue(QStringLiteral("Font")), QStringLiteral("Serif,11,italic"));
    EXPECT_EQ(dest.GetValue(QStringLiteral("BorderTop")), QStringLiteral("#ff222222,2"));
    EXPECT_EQ(dest.GetPaddingLeft(), 6);
    EXPECT_FALSE(dest.HasValue(PADDING_RIGHT));
    EXPECT_EQ(dest.GraphicItemCount(), 3);

    // Handing another bag's object to a setter shares it as well.
    TKvGridStyleBag other(nullptr, QStringLiteral("other"));
    other.SetForeground(dest.GetBackground());
    dest.ClearGraphicValues();
    ASSERT_NE(other.GetForeground(), nullptr);
    EXPECT_EQ(other.GetValue(QStringLiteral("Foreground")), QStringLiteral("linear,#ff000000,#ffffffff,45"));
    dest.RemoveListener(&listener);

    // Assigning to something that is not a bag raises the platform's error.
    TOwned<TKvGridStyleObject> notABagOwner = MakeOwned<TKvGridStyleObject>(nullptr);
    TKvGridStyleObject& notABag = *notABagOwner;
    EXPECT_THROW(notABag.Assign(&other), EConvertError);
}

TEST(StyleBag, FreedParentOrDefaultIsUnlinkedAtOnce)
{
    TKvGridStyleBag child(nullptr, QStringLiteral("child"));
    TRecordingStyleListener listener;
    child.AddListener(&listener);
    auto parent = std::make_unique<TKvGridStyleBag>(nullptr, QStringLiteral("parent"));
    auto def = std::make_unique<TKvGridStyleBag>(nullptr, QStringLiteral("nosuchregion"));
    child.SetParent(parent.get());
    child.SetDefault(def.get());
    parent->SetPaddingLeft(4);
    def->SetValue(QStringLiteral("Background"), QStringLiteral("#ff445566"));
    EXPECT_EQ(child.GetPaddingLeft(), 4);

    listener.Reset();
    parent.reset();
    EXPECT_EQ(child.GetParent(), nullptr);
    EXPECT_EQ(child.GetPaddingLeft(), 0);
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    def.reset();
    EXPECT_EQ(child.GetDefault(), nullptr);
    EXPECT_EQ(child.GetBackground(), TKvFill::White());

    // A bag linked twice to the same bag hears one notice; a freed child unhooks itself.
    auto both = std::make_unique<TKvGridStyleBag>(nullptr, QStringLiteral("both"));
    child.SetParent(both.get());
    child.SetDefault(both.get());
    {
        TKvGridStyleBag grandchild(nullptr, QStringLiteral("grandchild"));
        grandchild.SetParent(both.get());
    }
    listener.Reset();
    both.reset();
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    EXPECT_EQ(child.GetParent(), nullptr);
    EXPECT_EQ(child.GetDefault(), nullptr);
    child.RemoveListener(&listener);
}

// The first bag told STYLE_ALL frees all the others.
class TFreeingListener : public TKvGridViewStyleChangeListener
{
public:
    void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override
    {
        if (entry != STYLE_ALL || !Armed)
            return;
        for (auto& other : Bags)
            if (other.get() != bag)
                other.reset();
    }
    std::vector<std::unique_ptr<TKvGridStyleBag>> Bags;
    bool Armed = false;
};

TEST(StyleBag, FreedBagToleratesListenersFreeingOtherDependents)
{
    auto parent = std::make_unique<TKvGridStyleBag>(nullptr, QStringLiteral("parent"));
    parent->SetPaddingLeft(5);
    TFreeingListener listener;
    for (int i = 0; i < 4; ++i) {
        auto bag = std::make_unique<TKvGridStyleBag>(nullptr, QStringLiteral("dependent"));
        if (i % 2)
            bag->SetDefault(parent.get());
        else
            bag->SetParent(parent.get());
        EXPECT_EQ(bag->GetPaddingLeft(), 5);
        listener.Bags.push_back(std::move(bag));
    }
    for (auto& bag : listener.Bags)
        bag->AddListener(&listener);
    listener.Armed = true;

    parent.reset();
    std::vector<TKvGridStyleBag*> left;
    for (auto& bag : listener.Bags)
        if (bag)
            left.push_back(bag.get());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->GetParent(), nullptr);
    EXPECT_EQ(left[0]->GetDefault(), nullptr);
    EXPECT_EQ(left[0]->GetPaddingLeft(), 0);
}

TEST(StyleBag, PaddingsAndFills)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    bag.SetPaddingLeft(1);
    bag.SetPaddingTop(2);
    bag.SetPaddingRight(3);
    bag.SetPaddingBottom(4);
    EXPECT_EQ(bag.ApplyPaddings(TRect{10, 20, 110, 220}), (TRect{11, 22, 107, 216}));
    EXPECT_EQ(bag.ApplyPaddings(TRectF(0.5f, 0.5f, 10.5f, 10.5f)), TRectF(1.5f, 2.5f, 7.5f, 6.5f));

    EXPECT_EQ(TKvGridStyleBag::FillsToStr({}), QString());
    auto fills = TKvGridStyleBag::StrToFills(QStringLiteral("#ff000001;linear,#ff000000,#ff0000ff,30;radial"));
    ASSERT_EQ(fills.size(), 3u);
    EXPECT_EQ(fills[2], nullptr);
    EXPECT_EQ(TKvGridStyleBag::FillsToStr({fills[0].get(), fills[1].get()}),
              QStringLiteral("#ff000001;linear,#ff000000,#ff0000ff,30"));
    EXPECT_TRUE(TKvGridStyleBag::StrToFills(QString()).empty());
    EXPECT_THROW(TKvGridStyleBag::StrToFills(QStringLiteral("#ff000001;junk")), EConvertError);
}

TEST(StyleBag, IntegerTextsAndPaddingsNeverOverflow)
{
    struct Case
    {
        const char* Text;
        int Value;
    };
    const Case cases[] = {{"-$-8000000000000000", 0}, {"-$8000000000000000", 0}, {"$-1", 0},
                          {"- 5", 0},                 {"+-5", 0},                {"0x-10", 0},
                          {"-2147483648", INT_MIN},   {"2147483647", INT_MAX},   {"2147483648", 0},
                          {"-2147483649", 0},         {"-$80000000", INT_MIN},   {"$80000000", 0},
                          {" +0x1f", 31},             {"99999999999999999999", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(TKvStyleProperties::TextToInteger(QString::fromLatin1(c.Text)), c.Value) << c.Text;

    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    bag.SetValue(QStringLiteral("PaddingLeft"), QStringLiteral("-2147483648"));
    bag.SetPaddingRight(INT_MIN);
    bag.SetPaddingTop(INT_MAX);
    bag.SetPaddingBottom(INT_MIN);
    EXPECT_EQ(bag.ApplyPaddings(TRect{10, -10, 20, 10}), (TRect{INT_MIN + 10, INT_MAX - 10, INT_MAX, INT_MAX}));
    // Border widths: a float far outside int is clamped, not converted blindly.
    bag.SetValue(QStringLiteral("BorderLeft"), QStringLiteral("#ff000000,3e38"));
    bag.SetValue(QStringLiteral("BorderRight"), QStringLiteral("#ff000000,2.5"));
    EXPECT_EQ(bag.GetBorderLeftWidth(), INT_MAX);
    EXPECT_EQ(bag.GetBorderRightWidth(), 3);
}

TEST(StyleBag, TextsAreReadWithoutCopies)
{
    static_assert(std::is_same_v<decltype(std::declval<const TKvGridStyleBag&>().GetPrefix()), const QString&>);
    TKvGridStyleBag parent(nullptr, QStringLiteral("parent"));
    TKvGridStyleBag child(nullptr, QStringLiteral("child"));
    child.SetParent(&parent);
    parent.SetPostfix(QStringLiteral(" kg"));
    // The child answers with the holder's own text, and with the class default when none holds it.
    EXPECT_EQ(&child.GetPostfix(), &parent.GetPostfix());
    EXPECT_EQ(&child.GetString(POSTFIX_STYLE), &parent.GetPostfix());
    EXPECT_EQ(&child.GetNumberFormat(), &TKvGridStyleBag::DefNumberFormat);
}

TEST(StyleBag, TypedAccessChecksTheEntry)
{
    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    EXPECT_THROW(bag.SetOrdinal(BACKGROUND_STYLE, 1), EArgumentOutOfRangeException);
    EXPECT_THROW(bag.SetOrdinal(CONTENT_FIT, 6), EArgumentOutOfRangeException);
    EXPECT_THROW(bag.SetString(PADDING_LEFT, QStringLiteral("x")), EArgumentOutOfRangeException);
    EXPECT_THROW(bag.SetGraphic(FONT_STYLE, static_cast<TKvGraphicsObject*>(TKvFill::Black())), EConvertError);
    EXPECT_FALSE(bag.HasValue(FONT_STYLE));
    bag.SetGraphic(BORDER_TOP, static_cast<TKvGraphicsObject*>(TKvStroke::Black()));
    EXPECT_EQ(bag.GetBorderTop(), TKvStroke::Black());
    bag.SetOrdinal(CONTENT_FIT, FitHeight);
    EXPECT_EQ(bag.GetContentFit(), FitHeight);
}

} // namespace
