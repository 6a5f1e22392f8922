#include "StyleTestSupport.h"
#include "TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace kv;
using kv::test::TRecordingStyleListener;

namespace {

using Entries = std::vector<TKvGridViewStyleEntry>;

QString Text(const TKvGridStyleBag* bag, const char* name) { return bag->GetValue(QString::fromLatin1(name)); }

TEST(StyleSheet, BuiltInSheetValues)
{
    TKvGridStyleSheet* sheet = TKvGridStyleSheet::Default();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(TKvGridStyleSheet::Default(), sheet);
    EXPECT_EQ(sheet->GetOwner(), nullptr);

    const TKvGridStyleBag* own = sheet->GetStyles();
    EXPECT_EQ(own->GetName(), QStringLiteral("default"));
    EXPECT_EQ(own->GetBackground(), TKvFill::White());
    EXPECT_TRUE(own->HasValue(BORDER_LEFT));
    EXPECT_EQ(own->GetBorderLeft(), nullptr);
    EXPECT_EQ(own->GetForeground(), TKvFill::Black());
    EXPECT_EQ(Text(own, "Font"), QStringLiteral("Tahoma,9"));
    EXPECT_TRUE(own->OwnsGraphic(own->GetFont()));
    EXPECT_EQ(own->GetPaddingLeft() + own->GetPaddingRight() + own->GetPaddingTop() + own->GetPaddingBottom(), 8);
    EXPECT_EQ(own->GetHoveredMaskBackground(), TKvFill::White());
    EXPECT_EQ(Text(own, "FigureBackground"), QStringLiteral("#ff008800"));
    EXPECT_TRUE(own->HasValue(FIGURE_BORDER));
    EXPECT_FALSE(own->HasValue(TEXT_ALIGNMENT));

    EXPECT_EQ(Text(sheet->GetPanel(), "Background"), QStringLiteral("#ffcccccc"));
    EXPECT_EQ(Text(sheet->GetPanel(), "BorderRight"), QStringLiteral("#ff777777,1"));
    EXPECT_NE(sheet->GetPanel()->GetBorderRight(), sheet->GetPanel()->GetBorderBottom());

    EXPECT_EQ(sheet->GetBody()->GetBackground(), TKvFill::White());
    EXPECT_EQ(Text(sheet->GetBody(), "BorderRight"), QStringLiteral("#ff999999,1"));
    EXPECT_EQ(sheet->GetBody()->GetBorderRight(), sheet->GetBody()->GetBorderBottom());

    EXPECT_EQ(sheet->GetBodyEmpty()->GetBackground(), TKvFill::LightGray());
    EXPECT_EQ(sheet->GetFixedCols()->GetBackground(), TKvFill::Fixed());
    EXPECT_EQ(sheet->GetFixedColsBar()->GetBackground(), TKvFill::LightGray());
    EXPECT_EQ(sheet->GetFixedRows()->GetBackground(), TKvFill::Fixed());
    EXPECT_EQ(sheet->GetFixedRowsBar()->GetBackground(), TKvFill::LightGray());
    for (TKvGridStyleBag* bag : {sheet->GetBodyEmpty(), sheet->GetFixedCols(), sheet->GetFixedColsBar(),
                                 sheet->GetFixedRows(), sheet->GetFixedRowsBar()}) {
        EXPECT_EQ(Text(bag, "BorderBottom"), QStringLiteral("#ff999999,1")) << bag->GetName().toStdString();
        EXPECT_EQ(bag->GetBorderRight(), bag->GetBorderBottom()) << bag->GetName().toStdString();
    }

    const TKvGridStyleBag* header = sheet->GetHeader();
    EXPECT_EQ(Text(header, "Background"), QStringLiteral("linear,#88ffffff,#88cccccc,90"));
    EXPECT_EQ(Text(header, "HoveredMaskBackground"), QStringLiteral("#88f0e68c"));
    EXPECT_EQ(header->GetBorderRight(), TKvStroke::Gray());
    EXPECT_EQ(header->GetBorderBottom(), TKvStroke::Gray());
    EXPECT_EQ(header->GetTextAlignment(), AlignNear);
    EXPECT_TRUE(header->HasValue(TEXT_ALIGNMENT));
    EXPECT_FALSE(header->HasValue(PADDING_TOP));
    EXPECT_EQ(Text(sheet->GetHeaderGroup(), "Background"), QStringLiteral("linear,#88dddddd,#88aaaaaa,90"));
    EXPECT_EQ(sheet->GetHeaderGroup()->GetTextAlignment(), AlignCenter);

    const TKvGridStyleBag* footer = sheet->GetFooter();
    EXPECT_EQ(Text(footer, "Background"), QStringLiteral("#ffeeeeee"));
    EXPECT_EQ(footer->GetBorderTop(), TKvStroke::Gray());
    EXPECT_TRUE(footer->HasValue(BORDER_BOTTOM));
    EXPECT_EQ(footer->GetBorderBottom(), nullptr);
    EXPECT_EQ(footer->GetTextAlignment(), AlignFar);

    EXPECT_EQ(sheet->GetRowGroupHeader()->GetBackground(), TKvFill::Gray());
    EXPECT_EQ(sheet->GetRowGroupHeader()->GetBorderRight(), TKvStroke::DimGray());
    EXPECT_EQ(sheet->GetRowGroupHeader()->GetForeground(), TKvFill::White());
    EXPECT_EQ(sheet->GetRowGroupFooter()->GetForeground(), TKvFill::Black());
    EXPECT_EQ(sheet->GetRowGroupFooter()->GetTextAlignment(), AlignFar);
    EXPECT_EQ(Text(sheet->GetIndicator(), "Background"), QStringLiteral("linear,#ffe5e5e5,#ffffffff,180"));
    EXPECT_EQ(sheet->GetIndicator()->GetTextAlignment(), AlignCenter);
    EXPECT_EQ(Text(sheet->GetCheckBar(), "Background"), QStringLiteral("#ffffffff"));
    EXPECT_FALSE(sheet->GetCheckBar()->HasValue(PADDING_LEFT));
    EXPECT_EQ(sheet->GetStatesBar()->GetPaddingLeft(), 2);
    EXPECT_TRUE(sheet->GetFooterGroup()->GetValues().Empty());

    const QStringList names{"panel",     "indicator",    "checkBar",  "statesBar",   "body",      "bodyEmpty",
                            "fixedCols", "fixedColsBar", "fixedRows", "fixedRowsBar", "header",    "footer",
                            "headerGroup", "footerGroup", "rowGroupHeader", "rowGroupFooter"};
    const auto regions = sheet->GetRegions();
    ASSERT_EQ(regions.size(), 16u);
    for (size_t i = 0; i < regions.size(); ++i) {
        EXPECT_EQ(regions[i]->GetName(), names[qsizetype(i)]);
        EXPECT_EQ(regions[i]->GetOwner(), sheet);
        EXPECT_EQ(sheet->FindBag(names[qsizetype(i)]), regions[i]);
    }
    EXPECT_EQ(sheet->FindBag(QStringLiteral("default")), sheet->GetStyles());
    EXPECT_EQ(sheet->FindBag(QStringLiteral("nothing")), nullptr);
}

TEST(StyleSheet, BuiltInSheetIsRebuiltAfterTheDrawingModuleRestarts)
{
    TKvGridStyleSheet::Default();
    TKvGridViewStyles body(nullptr, QStringLiteral("body"));
    body.SetDefault(TKvGridStyleSheet::Default()->GetBody());
    while (KvGraphicsStarted())
        KvGraphicsShutdown();
    // Its stock objects are gone: it is not handed out, nor copied into new sheets.
    EXPECT_EQ(TKvGridStyleSheet::DefaultIfExists(), nullptr);
    {
        TOwned<TKvGridStyleSheet> plainOwner = MakeOwned<TKvGridStyleSheet>(nullptr);
        TKvGridStyleSheet& plain = *plainOwner;
        EXPECT_TRUE(plain.GetBody()->GetValues().Empty());
        EXPECT_TRUE(plain.GetStyles()->GetValues().Empty());
    }
    TKvGridStyleSheet* sheet = TKvGridStyleSheet::Default();
    // The old sheet is gone, and the bags that leaned on it let go of it.
    EXPECT_EQ(body.GetDefault(), nullptr);
    EXPECT_EQ(sheet->GetBody()->GetBackground(), TKvFill::White());
    EXPECT_EQ(sheet->GetHeader()->GetBorderRight(), TKvStroke::Gray());
    EXPECT_EQ(TKvGridStyleSheet::Default(), sheet);
}

TEST(StyleSheet, NewSheetStartsWithTheStockLookAndChangesAlone)
{
    TKvGridStyleSheet* stock = TKvGridStyleSheet::Default();
    TOwned<TKvGridStyleSheet> sheetOwner = MakeOwned<TKvGridStyleSheet>(nullptr);
    TKvGridStyleSheet& sheet = *sheetOwner;
    EXPECT_EQ(sheet.GetBody()->GetBackground(), TKvFill::White());
    EXPECT_EQ(sheet.GetHeader()->GetBackground(), stock->GetHeader()->GetBackground());
    EXPECT_EQ(sheet.GetStyles()->GetFont(), stock->GetStyles()->GetFont());
    EXPECT_EQ(sheet.GetStyles()->GetValues(), stock->GetStyles()->GetValues());
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(sheet.GetRegions()[i]->GetValues(), stock->GetRegions()[i]->GetValues());

    sheet.GetBody()->SetValue(QStringLiteral("Background"), QStringLiteral("#ff101010"));
    sheet.GetHeader()->SetPaddingLeft(9);
    EXPECT_EQ(stock->GetBody()->GetBackground(), TKvFill::White());
    EXPECT_EQ(stock->GetHeader()->GetPaddingLeft(), 2);
}

TEST(StyleSheet, SheetListenersUpdatesAndRegionSetters)
{
    auto sheet = MakeOwned<TKvGridStyleSheet>(nullptr);
    TRecordingStyleListener listener;
    sheet->AddListener(nullptr);
    sheet->AddListener(&listener);
    // Every region bag and then the own bag tell it STYLE_ALL.
    ASSERT_EQ(listener.Events.size(), 17u);
    EXPECT_EQ(listener.Events.front().Bag, sheet->GetPanel());
    EXPECT_EQ(listener.Events.back().Bag, sheet->GetStyles());

    listener.Reset();
    sheet->BeginUpdate();
    sheet->GetFooter()->SetPaddingTop(1);
    sheet->GetStyles()->SetPaddingTop(1);
    sheet->GetFooter()->SetPaddingBottom(1);
    EXPECT_TRUE(listener.Events.empty());
    sheet->EndUpdate();
    EXPECT_EQ(listener.Events, (std::vector<TRecordingStyleListener::TEvent>{{sheet->GetFooter(), STYLE_ALL},
                                                                             {sheet->GetStyles(), STYLE_ALL}}));

    // Region setters copy; nil clears; the same bag does nothing.
    TKvGridStyleBag source(nullptr, QStringLiteral("source"));
    source.SetPrefix(QStringLiteral(">"));
    source.SetValue(QStringLiteral("Foreground"), QStringLiteral("#ff0000ff"));
    sheet->SetFooterGroup(&source);
    EXPECT_EQ(sheet->GetFooterGroup()->GetPrefix(), QStringLiteral(">"));
    EXPECT_EQ(sheet->GetFooterGroup()->GetForeground(), source.GetForeground());
    sheet->SetFooterGroup(sheet->GetFooterGroup());
    EXPECT_EQ(sheet->GetFooterGroup()->GetPrefix(), QStringLiteral(">"));
    listener.Reset();
    sheet->SetFooterGroup(nullptr);
    EXPECT_TRUE(sheet->GetFooterGroup()->GetValues().Empty());
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    sheet->SetStyles(&source);
    EXPECT_EQ(sheet->GetStyles()->GetPrefix(), QStringLiteral(">"));

    listener.Reset();
    sheet->RemoveListener(&listener);
    EXPECT_EQ(listener.Events.size(), 17u);
    sheet->GetBody()->SetPaddingTop(3);
    EXPECT_EQ(listener.Events.size(), 17u);

    // AutoLoad reads nothing: sheets have no file format of their own.
    sheet->SetAutoLoad(true);
    sheet->SetFileName(QStringLiteral("/nonexistent/file.sheet"));
    EXPECT_EQ(sheet->GetFileName(), QStringLiteral("/nonexistent/file.sheet"));
    EXPECT_EQ(sheet->GetBody()->GetPaddingTop(), 3);
}

TEST(ViewStyles, ReferenceIsFollowedAndDroppedWhenFreed)
{
    auto object = MakeOwned<TKvGridStyleObject>(nullptr);
    auto other = MakeOwned<TKvGridStyleObject>(nullptr);
    TKvGridViewStyles styles(nullptr, QStringLiteral("cells"));
    TRecordingStyleListener listener;
    styles.AddListener(&listener);

    listener.Reset();
    styles.SetReference(object.get());
    EXPECT_EQ(styles.GetReference(), object.get());
    // Joining the object's listeners makes the bag tell its own listeners STYLE_ALL.
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    listener.Reset();
    styles.SetReference(object.get());
    EXPECT_TRUE(listener.Events.empty());

    // Changes in the object pass on with the same entry.
    object->GetStyles()->SetIconIndex(3);
    EXPECT_EQ(listener.Entries(), (Entries{ICON_INDEX}));
    EXPECT_EQ(styles.GetIconIndex(), 3);

    // Moving to another object moves the listener.
    styles.SetReference(other.get());
    EXPECT_EQ(object->GetStyles()->ListenerCount(), 0);
    EXPECT_EQ(other->GetStyles()->ListenerCount(), 1);
    listener.Reset();
    object->GetStyles()->SetIconIndex(4);
    EXPECT_TRUE(listener.Events.empty());
    EXPECT_EQ(styles.GetIconIndex(), -1);

    // Freeing the referenced object leaves the reference nil and tells STYLE_ALL.
    other->GetStyles()->SetValue(QStringLiteral("Background"), QStringLiteral("#ff00aa00"));
    EXPECT_EQ(styles.GetValue(QStringLiteral("Background")), QStringLiteral("#ff00aa00"));
    listener.Reset();
    other.reset();
    EXPECT_EQ(styles.GetReference(), nullptr);
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    EXPECT_EQ(styles.GetBackground(), TKvFill::White());
    styles.RemoveListener(&listener);

    // Text access reaches the published reference too; it cannot be set from text.
    styles.SetReference(object.get());
    EXPECT_EQ(styles.GetValue(QStringLiteral("Reference")), QStringLiteral("TKvGridStyleObject"));
    KV_EXPECT_THROW_MSG(styles.SetValue(QStringLiteral("reference"), QStringLiteral("StyleObject1")), Exception,
                        "Unknown style value type [TKvGridStyleObject]: reference");
    EXPECT_EQ(styles.GetReference(), object.get());
    styles.SetReference(nullptr);
    EXPECT_EQ(styles.GetValue(QStringLiteral("Reference")), QString());

    // A view styles bag freed before its object unhooks itself.
    {
        TKvGridViewStyles shortLived(nullptr, QStringLiteral("short"));
        shortLived.SetReference(object.get());
        EXPECT_EQ(object->GetStyles()->ListenerCount(), 1);
    }
    EXPECT_EQ(object->GetStyles()->ListenerCount(), 0);
}

TEST(ViewStyles, ContainerTellsItsListenersWhenDestroyed)
{
    auto object = MakeOwned<TKvGridStyleObject>(nullptr);
    TRecordingStyleListener listener;
    object->AddListener(&listener);
    object->AddListener(&listener);
    EXPECT_EQ(listener.Entries(), (Entries{STYLE_ALL}));
    TKvGridStyleContainer* raw = object.get();
    object.reset();
    EXPECT_EQ(listener.Disposed, (std::vector<TKvGridStyleContainer*>{raw}));
}

TEST(ViewStyles, FreedSheetRelinksToTheBuiltInSheet)
{
    TKvGridStyleSheet* stock = TKvGridStyleSheet::Default();
    TKvGridViewStyles body(nullptr, QStringLiteral("body"));
    TKvGridViewStyles grid(nullptr, QStringLiteral("grid"));
    TKvGridViewStyles column(nullptr, QStringLiteral("column"));
    TRecordingStyleListener listener;
    body.AddListener(&listener);
    {
        auto sheet = MakeOwned<TKvGridStyleSheet>(nullptr);
        sheet->GetBody()->SetValue(QStringLiteral("Background"), QStringLiteral("#ff0a0b0c"));
        body.SetDefault(sheet->GetBody());
        grid.SetDefault(sheet->GetStyles());
        body.SetParent(&grid);
        column.SetParent(sheet->GetHeader());
        column.SetDefault(sheet->GetHeader());
        EXPECT_EQ(body.GetValue(QStringLiteral("Background")), QStringLiteral("#ff0a0b0c"));
        listener.Reset();
    }
    EXPECT_EQ(body.GetDefault(), stock->GetBody());
    EXPECT_EQ(grid.GetDefault(), stock->GetStyles());
    EXPECT_EQ(column.GetParent(), stock->GetHeader());
    EXPECT_EQ(column.GetDefault(), stock->GetHeader());
    EXPECT_EQ(body.GetBackground(), TKvFill::White());
    EXPECT_EQ(body.GetFont(), stock->GetStyles()->GetFont());
    EXPECT_FALSE(listener.Events.empty());
    EXPECT_EQ(listener.Events.back().Entry, STYLE_ALL);
    body.RemoveListener(&listener);

    // Only bags of a sheet are replaced: a style object's bag (also named "default") and a
    // loose bag named like a region leave nil behind.
    {
        auto object = MakeOwned<TKvGridStyleObject>(nullptr);
        TKvGridStyleBag loose(nullptr, QStringLiteral("body"));
        grid.SetDefault(object->GetStyles());
        body.SetDefault(&loose);
    }
    EXPECT_EQ(grid.GetDefault(), nullptr);
    EXPECT_EQ(body.GetDefault(), nullptr);
}

// Frees a view styles bag when told that a container goes.
class TDisposeFreesListener : public TKvGridStyleContainerListener
{
public:
    void StyleChanged(TKvGridStyleBag*, TKvGridViewStyleEntry) override {}
    void Dispose(TKvGridStyleContainer*) override
    {
        ++Disposed;
        Victim.reset();
    }
    std::unique_ptr<TKvGridViewStyles> Victim;
    int Disposed = 0;
};

TEST(ViewStyles, ContainerGoingToleratesListenersFreeingOthers)
{
    auto object = MakeOwned<TKvGridStyleObject>(nullptr);
    TDisposeFreesListener listener;
    object->AddListener(&listener);
    listener.Victim = std::make_unique<TKvGridViewStyles>(nullptr, QStringLiteral("victim"));
    listener.Victim->SetReference(object.get());
    TKvGridViewStyles survivor(nullptr, QStringLiteral("survivor"));
    survivor.SetReference(object.get());
    object.reset();
    EXPECT_EQ(listener.Disposed, 1);
    EXPECT_EQ(listener.Victim, nullptr);
    EXPECT_EQ(survivor.GetReference(), nullptr);
}

// Leaves the sheet when one of the watched bags hears STYLE_ALL.
class TLeavingSheetListener : public TKvGridViewStyleChangeListener
{
public:
    void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override
    {
        if (entry != STYLE_ALL || !Sheet || std::find(Watched.begin(), Watched.end(), bag) == Watched.end())
            return;
        Sheet->RemoveListener(this);
        Sheet->BeginUpdate();
        Sheet->EndUpdate();
        ++Left;
    }
    TKvGridStyleSheet* Sheet = nullptr;
    std::vector<TKvGridStyleBag*> Watched;
    int Left = 0;
};

TEST(StyleSheet, ListenersMayUseTheSheetWhileItIsFreed)
{
    TKvGridStyleSheet::Default();
    auto sheet = MakeOwned<TKvGridStyleSheet>(nullptr);
    TKvGridViewStyles header(nullptr, QStringLiteral("header"));
    TKvGridViewStyles grid(nullptr, QStringLiteral("grid"));
    header.SetDefault(sheet->GetHeader());
    grid.SetDefault(sheet->GetStyles());
    TLeavingSheetListener listener;
    header.AddListener(&listener);
    grid.AddListener(&listener);
    sheet->AddListener(&listener);
    listener.Sheet = sheet.get();
    listener.Watched = {&header, &grid};
    // Each bag is relinked as its sheet bag goes, and the listener walks a sheet whose bags
    // are partly gone.
    sheet.reset();
    EXPECT_EQ(listener.Left, 2);
    EXPECT_EQ(header.GetDefault(), TKvGridStyleSheet::Default()->GetHeader());
    EXPECT_EQ(grid.GetDefault(), TKvGridStyleSheet::Default()->GetStyles());
    listener.Sheet = nullptr;
    header.RemoveListener(&listener);
    grid.RemoveListener(&listener);
}

TEST(StylesAgent, TextAccessThroughTheAgent)
{
    TKvGridStylesAgent none(nullptr);
    EXPECT_EQ(none.GetValue(QStringLiteral("Background")), QString());
    none.SetValue(QStringLiteral("Background"), QStringLiteral("#ff000000"));
    EXPECT_FALSE(none.HasValue(QStringLiteral("Background")));
    EXPECT_FALSE(none.HasValue(BACKGROUND_STYLE));

    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    TKvGridStylesAgent agent(&bag);
    EXPECT_FALSE(agent.HasValue(QStringLiteral("Background")));
    agent.SetValue(QStringLiteral("Background"), QStringLiteral("#ff123456"));
    EXPECT_TRUE(agent.HasValue(QStringLiteral("Background")));
    EXPECT_TRUE(agent.HasValue(BACKGROUND_STYLE));
    EXPECT_EQ(agent.GetValue(QStringLiteral("Background")), QStringLiteral("#ff123456"));
    EXPECT_FALSE(agent.HasValue(QStringLiteral("background")));
    EXPECT_FALSE(agent.HasValue(QStringLiteral("Unknown")));
    bag.ResetValue(STYLE_ALL);
    EXPECT_TRUE(bag.HasValue(STYLE_ALL));
    EXPECT_TRUE(agent.HasValue(STYLE_ALL));
    // By name, STYLE_ALL is never a value.
    EXPECT_EQ(TKvGridStylesAgent::GetEntry(QStringLiteral("Visibility")), VISIBILITY_STYLE);
}

} // namespace
