// Data-cell renderers: bar geometry, check drawing and toggling through an editable provider,
// image fitting by pixel probes, image keys, text and proxy drawing, repaint on change, and
// streaming of a column with a column-owned renderer.
#include "CellRenderSupport.h"
#include "GridTestSupport.h"
#include "TestSupport.h"
#include "model/ModelTestSupport.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

#include <cmath>
#include <vector>

using namespace kv;
using namespace kvtest;

namespace {

constexpr QRgb White = 0xFFFFFFFFu;
constexpr QRgb Back = 0xFFC0D0F0u;
constexpr QRgb Figure = 0xFF0000FFu;
constexpr QRgb Disabled = 0xFF00FF00u;
constexpr QRgb Picture = 0xFFFF0000u;

struct TCellFixture : ::testing::Test
{
    TKvGridViewStyles Styles{nullptr, "cell"};
    TKvGridCellMock Cell;

    void SetUp() override
    {
        Styles.SetBackground(Styles.CreateBrush(TKvColor(Back)));
        Styles.SetFigureBackground(Styles.CreateBrush(TKvColor(Figure)));
        Styles.SetFigureDisabledBackground(Styles.CreateBrush(TKvColor(Disabled)));
        Cell.Styles = &Styles;
    }

    QImage Render(TKvGridCellRenderer* renderer, const TRectF& rect, int width, int height)
    {
        return PaintImage(width, height, [&](TKvDrawingContext& c) { renderer->Render(&Cell, &c, rect); });
    }
};

// --- bar ------------------------------------------------------------------------------------

TEST_F(TCellFixture, BarLengthIsTheClampedShareOfTheRange)
{
    TOwned<TKvBarCellRenderer> bar = MakeOwned<TKvBarCellRenderer>(nullptr);
    EXPECT_EQ(bar->GetDisplayName(), "bar");
    struct TCase
    {
        double Minimum, Maximum;
        Variant Value;
        int PaddingLeft, PaddingRight;
        double Share; // < 0: no bar
    };
    const std::vector<TCase> cases{
        {0, 100, Variant(50), 0, 0, 0.5},
        {0, 100, Variant(QStringLiteral("75")), 0, 0, 0.75},
        {0, 100, Variant(250), 0, 0, 1.0},     // beyond the maximum: the whole cell, no further
        {0, 100, Variant(-30), 0, 0, -1},      // below the minimum: zero length
        {0, 100, Variant(QStringLiteral("abc")), 0, 0, -1},
        {0, 100, Variant::Null(), 0, 0, -1},
        {20, 70, Variant(45), 5, 15, 0.5},     // the minimum moves the scale
        {50, 50, Variant(50), 0, 0, -1},       // empty range: no bar
        {80, 10, Variant(50), 0, 0, -1},
    };
    const int w = 200;
    const int h = 24;
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Minimum << ".." << c.Maximum << " " << c.Value.ToString().toStdString());
        bar->SetMinimum(c.Minimum);
        bar->SetMaximum(c.Maximum);
        Styles.SetPaddingLeft(c.PaddingLeft);
        Styles.SetPaddingRight(c.PaddingRight);
        Cell.Value = c.Value;
        const QImage image = Render(bar.get(), TRectF(0, 0, w, h), w, h);
        EXPECT_EQ(image.pixel(w - 1, 0), Back);
        const QRect ink = ColorBounds(image, Figure);
        if (c.Share < 0) {
            EXPECT_TRUE(ink.isEmpty());
            continue;
        }
        const int inner = w - c.PaddingLeft - c.PaddingRight;
        EXPECT_EQ(ink, QRect(c.PaddingLeft, 4, int(std::lround(inner * c.Share)), h - 8));
    }

    // A cell lower than the bar's margins shows its background only; a moved cell moves the bar.
    bar->SetMinimum(0);
    bar->SetMaximum(100);
    Styles.SetPaddingLeft(0);
    Styles.SetPaddingRight(0);
    Cell.Value = 50;
    EXPECT_TRUE(ColorBounds(Render(bar.get(), TRectF(0, 0, w, 7), w, 7), Figure).isEmpty());
    EXPECT_EQ(ColorBounds(Render(bar.get(), TRectF(10, 20, 10 + w, 20 + h), 260, 60), Figure),
              QRect(10, 24, w / 2, h - 8));
}

// --- check ----------------------------------------------------------------------------------

TEST_F(TCellFixture, CheckMarkShowsForTrueValuesInACentredBox)
{
    TOwned<TKvCheckCellRenderer> check = MakeOwned<TKvCheckCellRenderer>(nullptr);
    EXPECT_EQ(check->GetDisplayName(), "check");
    const int w = 41;
    const int h = 23;
    // The box, grown by one pixel for the smoothed edges.
    const QRect box(int((w - TKvCheckCellRenderer::BOX_WIDTH) / 2.0) - 1, int((h - TKvCheckCellRenderer::BOX_HEIGHT) / 2.0) - 1,
                    TKvCheckCellRenderer::BOX_WIDTH + 3, TKvCheckCellRenderer::BOX_HEIGHT + 3);
    const auto blue = [](QRgb c) { return qBlue(c) > 128 && qRed(c) < 128 && qGreen(c) < 128; };
    const auto green = [](QRgb c) { return qGreen(c) > 128 && qRed(c) < 128 && qBlue(c) < 128; };
    struct TCase
    {
        Variant Value;
        bool Checked;
    };
    for (const TCase& c : {TCase{Variant(true), true}, TCase{Variant(1), true}, TCase{Variant(QStringLiteral("TRUE")), true},
                           TCase{Variant(false), false}, TCase{Variant(0), false}, TCase{Variant(QStringLiteral("yes")), false},
                           TCase{Variant::Null(), false}}) {
        SCOPED_TRACE(c.Value.ToString().toStdString());
        Cell.Value = c.Value;
        const QImage image = Render(check.get(), TRectF(0, 0, w, h), w, h);
        EXPECT_EQ(image.pixel(0, 0), White); // the background is not filled
        const QRect ink = InkBounds(image, [](QRgb p) { return p != White; });
        EXPECT_FALSE(ink.isEmpty());
        EXPECT_TRUE(box.contains(ink)) << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
        EXPECT_EQ(!InkBounds(image, blue).isEmpty(), c.Checked);
        EXPECT_EQ(!InkBounds(image, green).isEmpty(), !c.Checked);
    }

    // The click cursor while shown.
    EXPECT_EQ(check->GetCursor(), crHandPoint);
    check->SetClickCursor(crCross);
    EXPECT_EQ(check->GetCursor(), crCross);
    check->SetShowClickCursor(false);
    EXPECT_EQ(check->GetCursor(), crDefault);
}

// Records edit notifications as text.
class TEditLog : public TKvGridItemEditListener
{
public:
    QStringList Events;
    void UpdateStarted(int Index) override { Events << QStringLiteral("update %1").arg(Index); }
    void AppendStarted() override { Events << QStringLiteral("append"); }
    void InsertStarted(int Index) override { Events << QStringLiteral("insert %1").arg(Index); }
    void Edited(int Index, int Field) override { Events << QStringLiteral("edited %1,%2").arg(Index).arg(Field); }
    void Committed(int Index) override { Events << QStringLiteral("committed %1").arg(Index); }
    void Canceled() override { Events << QStringLiteral("canceled"); }
};

TEST(CheckCellClick, TogglesTheValueThroughTheEditableProvider)
{
    TOwned<TKvSimpleDataProvider> data = MakeTable("Name,Done", "s,b", {{"a", true}, {"b", false}});
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(data.get());
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(items.get());
    TEditLog log;
    editable->AddEditListener(&log);
    TOwned<TKvGridView> grid = MakeOwned<TKvGridView>(nullptr);
    grid->SetItemSource(editable.get());
    TKvGridDataColumn* column = grid->AddDataColumn();
    column->SetFieldName("Done");
    if (column->GetDataIndex() < 0)
        column->SetDataIndex(data->GetFieldIndex("Done"));
    TOwned<TKvCheckCellRenderer> check = MakeOwned<TKvCheckCellRenderer>(nullptr);
    column->SetRenderer(check.get());
    const TRectF rect(10, 20, 40, 40);

    // Outside the rectangle nothing happens.
    EXPECT_FALSE(check->Click(rect, 40, 30, TKvGridCellIndex(grid.get(), 1, column)));
    EXPECT_FALSE(check->Click(rect, 20, 19, TKvGridCellIndex(grid.get(), 1, column)));
    EXPECT_TRUE(log.Events.isEmpty());

    // Inside: the item is opened and its value negated, then committed to the data.
    EXPECT_TRUE(check->Click(rect, 10, 20, TKvGridCellIndex(grid.get(), 1, column)));
    EXPECT_EQ(log.Events, QStringList({"update 1", "edited 1,1"}));
    EXPECT_EQ(editable->GetData(1, 1), Variant(true));
    editable->Commit();
    EXPECT_EQ(data->GetData(1, 1), Variant(true));
    log.Events.clear();
    EXPECT_TRUE(check->Click(rect, 39, 39, TKvGridCellIndex(grid.get(), 0, column)));
    editable->Commit();
    EXPECT_EQ(data->GetData(0, 1), Variant(false));

    // A read-only grid, a row past the end and a grid without an editable provider refuse.
    log.Events.clear();
    grid->GetEditOptions()->SetReadOnly(true);
    EXPECT_FALSE(check->Click(rect, 20, 30, TKvGridCellIndex(grid.get(), 0, column)));
    grid->GetEditOptions()->SetReadOnly(false);
    EXPECT_FALSE(check->Click(rect, 20, 30, TKvGridCellIndex(grid.get(), 2, column)));
    EXPECT_TRUE(log.Events.isEmpty());
    EXPECT_EQ(data->GetData(0, 1), Variant(false));
    grid->SetItemSource(items.get());
    EXPECT_FALSE(check->Click(rect, 20, 30, TKvGridCellIndex(grid.get(), 0, column)));
    EXPECT_FALSE(check->Click(rect, 20, 30, TKvGridCellIndex()));
    editable->RemoveEditListener(&log);
}

// --- image ----------------------------------------------------------------------------------

// Delivers a picture of the size that the key names ("WxH"), filled with one colour.
TOwned<TKvSimpleImageLoader> MakeSizeLoader(int* loads = nullptr)
{
    TOwned<TKvSimpleImageLoader> loader = MakeOwned<TKvSimpleImageLoader>(nullptr);
    loader->OnLoadBitmap = [loads](TObject*, const QString&, const QString& key, TBitmap* bitmap) {
        if (loads)
            ++*loads;
        const QStringList sides = key.split(QLatin1Char('x'));
        if (sides.size() != 2)
            return false;
        const int w = sides[0].toInt();
        const int h = sides[1].toInt();
        bitmap->SetSize(w, h);
        if (!bitmap->Empty())
            bitmap->GetCanvas()->FillRect(TRect{0, 0, w, h}, clRed);
        return true;
    };
    return loader;
}

// Where a w x h picture goes in r by the fit rule (sides rounded half to even).
QRect Expected(TKvContentFit fit, const QRect& r, int w, int h)
{
    const auto round = [](double v) { return int(std::nearbyint(v)); };
    QRect placed;
    switch (fit) {
    case FitNone:
        placed = QRect(r.x(), r.y(), w, h);
        break;
    case FitCenter:
        placed = QRect(r.x() + (r.width() - w) / 2, r.y() + (r.height() - h) / 2, w, h);
        break;
    case FitBoth:
        placed = r;
        break;
    case FitWidth: {
        const int nh = round(h * double(r.width()) / w);
        placed = QRect(r.x(), r.y() + (r.height() - nh) / 2, r.width(), nh);
        break;
    }
    case FitHeight: {
        const int nw = round(w * double(r.height()) / h);
        placed = QRect(r.x() + (r.width() - nw) / 2, r.y(), nw, r.height());
        break;
    }
    case FitAuto: {
        const double s = std::min(double(r.width()) / w, double(r.height()) / h);
        const int nw = round(w * s);
        const int nh = round(h * s);
        if (double(r.width()) / nw > double(r.height()) / nh)
            placed = QRect(r.x() + (r.width() - nw) / 2, r.y(), nw, nh);
        else
            placed = QRect(r.x(), r.y() + (r.height() - nh) / 2, nw, nh);
        break;
    }
    }
    return placed & r; // drawn inside the content rectangle only
}

TEST_F(TCellFixture, ImageFitsThePictureIntoTheContentRectangle)
{
    TOwned<TKvSimpleImageLoader> loader = MakeSizeLoader();
    TOwned<TKvImageCellRenderer> image = MakeOwned<TKvImageCellRenderer>(nullptr);
    EXPECT_EQ(image->GetDisplayName(), "image");
    image->SetLoader(loader.get());
    Styles.SetPaddingLeft(3);
    Styles.SetPaddingTop(2);
    Styles.SetPaddingRight(4);
    Styles.SetPaddingBottom(5);
    const TRectF rect(0.4f, 0.6f, 61.4f, 40.6f);
    const QRect content(int(std::lround(rect.Left + 3)), int(std::lround(rect.Top + 2)),
                        int(std::lround(rect.Right - 4)) - int(std::lround(rect.Left + 3)),
                        int(std::lround(rect.Bottom - 5)) - int(std::lround(rect.Top + 2)));
    struct TCase
    {
        TKvContentFit Fit;
        int W, H;
    };
    // Sizes chosen so that scaled sides fall on halves (rounded to even) and centring offsets
    // are odd (halves truncated).
    const int cw = content.width();
    const int ch = content.height();
    const std::vector<TCase> cases{
        {FitNone, 20, 10},  {FitNone, 3 * cw, 3 * ch}, {FitCenter, 21, 11},       {FitBoth, 7, 5},
        {FitWidth, 2 * cw, 13}, {FitHeight, 9, 2 * ch}, {FitAuto, 20, 2 * ch + 9}, {FitAuto, 2 * cw, 2 * ch / 3 + 1},
        {FitAuto, cw / 2, ch / 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "fit " << int(c.Fit) << " " << c.W << "x" << c.H);
        Styles.SetContentFit(c.Fit);
        Cell.Value = QStringLiteral("%1x%2").arg(c.W).arg(c.H);
        const QImage out = Render(image.get(), rect, 70, 50);
        EXPECT_EQ(ColorBounds(out, Picture), Expected(c.Fit, content, c.W, c.H));
        EXPECT_EQ(out.pixel(int(rect.Left) + 1, int(rect.Bottom) - 2), Back);
    }

    // An empty picture, an unknown key, no handler and no loader leave the background alone.
    for (const QString& key : {QStringLiteral("0x9"), QStringLiteral("none")}) {
        Cell.Value = key;
        EXPECT_TRUE(ColorBounds(Render(image.get(), rect, 70, 50), Picture).isEmpty());
    }
    Cell.Value = QStringLiteral("9x9");
    loader->OnLoadBitmap = nullptr;
    loader->ClearCache();
    EXPECT_TRUE(ColorBounds(Render(image.get(), rect, 70, 50), Picture).isEmpty());
    image->SetLoader(nullptr);
    const QImage plain = Render(image.get(), rect, 70, 50);
    EXPECT_EQ(plain.pixel(30, 20), Back);
}

// A loader that keeps the callback and delivers later, as an asynchronous one would.
class TLateLoader : public TKvImageLoader
{
public:
    explicit TLateLoader(TComponent* owner) : TKvImageLoader(owner) {}
    IntfPtr<TKvImageLoadProc> Pending;
    void Load(const QString&, const QString&, TBitmap*, const IntfPtr<TKvImageLoadProc>& callback) override
    {
        Pending = callback;
    }
};

TEST_F(TCellFixture, ImageDeliveredAfterThePaintIsNotDrawn)
{
    TOwned<TLateLoader> loader = MakeOwned<TLateLoader>(nullptr);
    TOwned<TKvImageCellRenderer> image = MakeOwned<TKvImageCellRenderer>(nullptr);
    image->SetLoader(loader.get());
    Styles.SetContentFit(FitBoth);
    TBitmap target(40, 30);
    {
        TKvDrawingContext context(target.GetCanvas());
        image->Render(&Cell, &context, TRectF(0, 0, 40, 30));
        ASSERT_TRUE(loader->Pending);
        TBitmap late(8, 8);
        late.GetCanvas()->FillRect(TRect{0, 0, 8, 8}, clRed);
        loader->Pending->Invoke("", "", &late, false);
    }
    target.ReleaseCanvas();
    EXPECT_TRUE(ColorBounds(target.GetImage(), Picture).isEmpty());

    // A freed loader leaves the renderer.
    loader.reset();
    EXPECT_EQ(image->GetLoader(), nullptr);
}

TEST_F(TCellFixture, ImageKeyComesFromTheKeyFieldWhenItResolves)
{
    TOwned<TKvSimpleDataProvider> data = MakeTable("Name,Photo", "s,s", {{"anna", "a.png"}, {"bo", Variant::Null()}});
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(data.get());
    TOwned<TKvGridDataColumn> column = MakeOwned<TKvGridDataColumn>(nullptr);
    column->SetDataIndex(0);
    Cell.Index = TKvGridCellIndex(nullptr, 0, column.get());
    Cell.Item = items->GetItem(0);
    Cell.Value = QStringLiteral("shown");

    TOwned<TKvImageCellRenderer> image = MakeOwned<TKvImageCellRenderer>(nullptr);
    EXPECT_EQ(image->GetKey(&Cell), "shown");
    image->SetKeyField("PHOTO");
    EXPECT_EQ(image->GetKey(&Cell), "a.png");
    image->SetKeyField("Missing"); // falls back to the column's own field
    EXPECT_EQ(image->GetKey(&Cell), "anna");
    image->SetKeyField("Photo");
    Cell.Item = items->GetItem(1);
    EXPECT_EQ(image->GetKey(&Cell), "");

    // The loader is asked for that key in the renderer's group.
    TOwned<TKvSimpleImageLoader> loader = MakeOwned<TKvSimpleImageLoader>(nullptr);
    QStringList asked;
    loader->OnLoadBitmap = [&](TObject*, const QString& group, const QString& key, TBitmap*) {
        asked << group + "/" + key;
        return false;
    };
    image->SetLoader(loader.get());
    image->SetGroup("faces");
    Cell.Item = items->GetItem(0);
    Render(image.get(), TRectF(0, 0, 20, 20), 20, 20);
    EXPECT_EQ(asked, QStringList{"faces/a.png"});
}

// --- text, proxy, rating, pie ---------------------------------------------------------------

TEST_F(TCellFixture, TextAndProxyDrawAsTheDataCellRendererRatingAndPieDrawNothing)
{
    Cell.Text = QStringLiteral("Hello 안녕");
    Styles.SetPaddingLeft(2);
    TOwned<TKvGridDataCellRenderer> plain = MakeOwned<TKvGridDataCellRenderer>(nullptr);
    TOwned<TKvTextCellRenderer> text = MakeOwned<TKvTextCellRenderer>(nullptr);
    TOwned<TKvProxyCellRenderer> proxy = MakeOwned<TKvProxyCellRenderer>(nullptr);
    TOwned<TKvBarCellRenderer> bar = MakeOwned<TKvBarCellRenderer>(nullptr);
    proxy->SetRenderer(bar.get());
    EXPECT_EQ(text->GetDisplayName(), "default");
    EXPECT_EQ(proxy->GetDisplayName(), "custom");
    const TRectF rect(0, 0, 90, 24);
    const QImage expected = Render(plain.get(), rect, 90, 24);
    EXPECT_FALSE(InkBounds(expected, [](QRgb c) { return c != Back; }).isEmpty());
    EXPECT_EQ(Render(text.get(), rect, 90, 24), expected);
    EXPECT_EQ(Render(proxy.get(), rect, 90, 24), expected);
    bar.reset();
    EXPECT_EQ(proxy->GetRenderer(), nullptr);

    TOwned<TKvRatingCellRenderer> rating = MakeOwned<TKvRatingCellRenderer>(nullptr);
    TOwned<TKvPieCellRenderer> pie = MakeOwned<TKvPieCellRenderer>(nullptr);
    for (TKvGridCellRenderer* r : std::initializer_list<TKvGridCellRenderer*>{rating.get(), pie.get()})
        EXPECT_TRUE(InkBounds(Render(r, rect, 90, 24), [](QRgb c) { return c != White; }).isEmpty());
}

// --- repaint on change ----------------------------------------------------------------------

TEST(CellRendererChanges, SettersThatChangeTheDrawingRepaintTheColumns)
{
    TOwned<TKvGridView> grid = MakeOwned<TKvGridView>(nullptr);
    TOwned<TKvBarCellRenderer> bar = MakeOwned<TKvBarCellRenderer>(nullptr);
    TOwned<TKvImageCellRenderer> image = MakeOwned<TKvImageCellRenderer>(nullptr);
    TOwned<TKvProxyCellRenderer> proxy = MakeOwned<TKvProxyCellRenderer>(nullptr);
    grid->AddDataColumn()->SetRenderer(bar.get());
    grid->AddDataColumn()->SetRenderer(image.get());
    grid->AddDataColumn()->SetRenderer(proxy.get());
    TOwned<TKvSimpleImageLoader> loader = MakeOwned<TKvSimpleImageLoader>(nullptr);
    const auto refreshes = [](const std::function<void()>& change) {
        const int before = TKvGridView::GetRefreshCount();
        change();
        return TKvGridView::GetRefreshCount() - before;
    };
    EXPECT_EQ(refreshes([&] { bar->SetMaximum(250); }), 1);
    EXPECT_EQ(refreshes([&] { bar->SetMaximum(250); }), 0);
    EXPECT_EQ(refreshes([&] { bar->SetMinimum(5); }), 1);
    EXPECT_EQ(refreshes([&] { image->SetLoader(loader.get()); }), 1);
    EXPECT_EQ(refreshes([&] { image->SetGroup("g"); }), 1);
    EXPECT_EQ(refreshes([&] { image->SetGroup("g"); }), 0);
    EXPECT_EQ(refreshes([&] { image->SetKeyField("k"); }), 1);
    EXPECT_EQ(refreshes([&] { proxy->SetRenderer(bar.get()); }), 1);
    EXPECT_EQ(refreshes([&] { loader.reset(); }), 1);
    EXPECT_EQ(image->GetLoader(), nullptr);
}

TEST(CellRendererChanges, APaintedGridShowsBarsInTheirCellsAndRedrawsThemOnChange)
{
    TShownGrid g;
    g.Data->InsertColumns(0, 1, "N", "n");
    const std::vector<int> values{25, 50, 100, 150};
    for (int v : values)
        g.Data->InsertRow(g.Data->GetRowCount(), {v});
    g.Grid->SetDataProvider(g.Data.get());
    TKvGridDataColumn* column = g.Grid->AddDataColumn();
    column->SetFieldName("N");
    column->SetWidth(160);
    g.Grid->ResetColumnIndicies();
    auto red = TKvFill::CreateSolid(0xFFFF0000u);
    column->GetStyles()->SetFigureBackground(red.get());
    TOwned<TKvBarCellRenderer> bar = MakeOwned<TKvBarCellRenderer>(nullptr);
    column->SetRenderer(bar.get());
    g.Show(300, 200);

    // The red run through the middle of each cell: its length per row.
    const auto runs = [&] {
        std::vector<int> lengths;
        for (int row = 0; row < int(values.size()); ++row) {
            const TRect cell = g.Layout()->DataCellRect(TKvGridCellIndex(g.Grid.get(), row, column));
            int first = -1, last = -1;
            for (int x = 0; x < g.Image().width(); ++x)
                if (g.Rgb(x, (cell.Top + cell.Bottom) / 2) == 0xFF0000u) {
                    first = first < 0 ? x : first;
                    last = x;
                }
            EXPECT_TRUE(first < 0 || (first >= cell.Left && last < cell.Right)) << "row " << row;
            lengths.push_back(first < 0 ? 0 : last - first + 1);
        }
        return lengths;
    };
    std::vector<int> before = runs();
    ASSERT_GT(before[2], 0);
    EXPECT_NEAR(before[0] * 4, before[2], 4);
    EXPECT_NEAR(before[1] * 2, before[2], 2);
    EXPECT_EQ(before[3], before[2]); // clamped at the maximum

    bar->SetMaximum(200);
    g.Paint();
    std::vector<int> after = runs();
    EXPECT_NEAR(after[2] * 2, before[2], 2);
    EXPECT_NEAR(after[3] * 4, before[2] * 3, 4);
}

// --- streaming and registration -------------------------------------------------------------


TEST(CellRendererStreaming, AColumnOwnedRendererRoundTripsInsideItsColumn)
{
    TOwned<TRendererForm> form = MakeOwned<TRendererForm>(nullptr);
    form->SetName("Form1");
    auto* grid = Create<TKvGridView>(form.get());
    grid->SetName("Grid1");
    // The grid registers the renderer classes that form files name.
    for (const char* name : {"TKvBarCellRenderer", "TKvCheckCellRenderer", "TKvImageCellRenderer", "TKvInternalBarCellRenderer",
                             "TKvInternalCheckCellRenderer", "TKvInternalImageCellRenderer", "TKvProxyCellRenderer"})
        EXPECT_NE(GetClass(name), nullptr) << name;
    RegisterClasses<TRendererForm, TKvGridView, TKvSimpleImageLoader>();

    auto* loader = Create<TKvSimpleImageLoader>(form.get());
    loader->SetName("Loader1");
    loader->SetCacheSize(12);
    auto* amount = grid->AddDataColumn();
    amount->SetName("Amount");
    auto* bar = Create<TKvInternalBarCellRenderer>(form.get());
    bar->SetName("Bar1");
    bar->SetInternalColumn(amount);
    bar->SetMinimum(10);
    bar->SetMaximum(250.5);
    amount->SetRenderer(bar);
    auto* photo = grid->AddDataColumn();
    photo->SetName("Photo");
    auto* image = Create<TKvInternalImageCellRenderer>(form.get());
    image->SetName("Image1");
    image->SetInternalColumn(photo);
    image->SetLoader(loader);
    image->SetGroup("faces");
    image->SetKeyField("File");
    photo->SetRenderer(image);
    EXPECT_EQ(bar->GetParentComponent(), amount);

    const QString text = WriteComponentText(form.get());
    TOwned<TRendererForm> copy = MakeOwned<TRendererForm>(nullptr);
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);

    auto* amount2 = dynamic_cast<TKvGridDataColumn*>(copy->FindComponent("Amount"));
    auto* bar2 = dynamic_cast<TKvInternalBarCellRenderer*>(copy->FindComponent("Bar1"));
    auto* image2 = dynamic_cast<TKvInternalImageCellRenderer*>(copy->FindComponent("Image1"));
    ASSERT_TRUE(amount2 && bar2 && image2) << text.toStdString();
    EXPECT_EQ(amount2->GetRenderer(), bar2);
    EXPECT_EQ(bar2->GetParentColumn(), amount2);
    EXPECT_EQ(bar2->GetMinimum(), 10);
    EXPECT_EQ(bar2->GetMaximum(), 250.5);
    EXPECT_EQ(image2->GetParentColumn(), copy->FindComponent("Photo"));
    EXPECT_EQ(image2->GetLoader(), copy->FindComponent("Loader1"));
    EXPECT_EQ(image2->GetGroup(), "faces");
    EXPECT_EQ(image2->GetKeyField(), "File");
    EXPECT_EQ(dynamic_cast<TKvSimpleImageLoader*>(copy->FindComponent("Loader1"))->GetCacheSize(), 12);

    // A freed column leaves its renderer without a parent column.
    FreeObject(amount2);
    EXPECT_EQ(bar2->GetParentColumn(), nullptr);
}

} // namespace
