// Cell renderers: text with number format, prefix and postfix; measuring; the data-cell
// drawing (background, paddings, icon by location, text) and the cell buttons checked by pixel
// probes against the drawing context's own output; the repaint fan-out to the columns.
#include "CellRenderSupport.h"
#include "grid/KvGrids.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Streaming.h"
#include "TestSupport.h"

#include <QtCore/QRegularExpression>
#include <QtGui/QImage>
#include <cmath>
#include <functional>

using namespace kv;

namespace {

constexpr QRgb White = 0xFFFFFFFFu;
constexpr QRgb Red = 0xFFFF0000u;
constexpr QRgb Back = 0xFFC0D0F0u;

using TTestCell = kvtest::TKvGridCellMock;

// A column that counts its change notices.
class TCountingColumn : public TKvGridDataColumn
{
public:
    using TKvGridDataColumn::TKvGridDataColumn;
    int Repaints = 0;
    void Changed(bool all) override
    {
        if (!all)
            ++Repaints;
        TKvGridDataColumn::Changed(all);
    }
};

bool IsInk(QRgb c)
{
    return c != White && c != Back && c != Red;
}

struct TRendererFixture : ::testing::Test
{
    TOwned<TKvGridDataCellRenderer> Renderer = MakeOwned<TKvGridDataCellRenderer>(nullptr);
    TOwned<TCountingColumn> Column = MakeOwned<TCountingColumn>(nullptr);
    TKvGridViewStyles Styles{nullptr, "cell"};
    TOwned<TCustomImageList> Images = MakeOwned<TCustomImageList>(nullptr);
    TTestCell Cell;

    void SetUp() override
    {
        TBitmap icon(8, 8);
        icon.GetCanvas()->FillRect(TRect{0, 0, 8, 8}, clRed);
        icon.ReleaseCanvas();
        Images->Add(&icon);
        Column->SetImageList(Images.get());
        Cell.Index = TKvGridCellIndex(nullptr, 0, Column.get());
        Cell.Styles = &Styles;
        Cell.Text = "Hello";
        Styles.SetBackground(Styles.CreateBrush(TKvColor(Back)));
        Styles.SetPaddingLeft(3);
        Styles.SetPaddingTop(2);
        Styles.SetPaddingRight(4);
        Styles.SetPaddingBottom(2);
        Styles.SetIconOffset(2);
        Styles.SetIconPadding(5);
    }
    void TearDown() override { Column->SetImageList(nullptr); }

    QImage Render() { return kvtest::PaintImage(120, 40, [&](TKvDrawingContext& c) { Renderer->Render(&Cell, &c, TRectF(0, 0, 120, 40)); }); }
    // The text alone, drawn by the context in the given content rectangle.
    QRect TextInk(const TRect& content)
    {
        return kvtest::InkBounds(kvtest::PaintImage(120, 40, [&](TKvDrawingContext& c) {
                          c.DrawText(Cell.Text, Styles.GetFont(), TKvFill::Black(), content, Styles.GetTextAlignment(),
                                     Styles.GetLineAlignment());
                      }),
                      IsInk);
    }
};

TEST_F(TRendererFixture, TextWithNumberFormatPrefixAndPostfix)
{
    Cell.Value = 1234.5;
    Cell.Text = "1234.5";
    EXPECT_EQ(Renderer->GetText(&Cell), "1234.5");
    Styles.SetNumberFormat("#,##0.00");
    EXPECT_EQ(Renderer->GetText(&Cell), FormatFloat("#,##0.00", 1234.5));
    EXPECT_EQ(Renderer->GetText(&Cell), "1,234.50");
    Styles.SetPrefix("$");
    Styles.SetPostfix(" USD");
    EXPECT_EQ(Renderer->GetText(&Cell), "$1,234.50 USD");
    // A value that is not a number shows its display text, still with prefix and postfix.
    Cell.Value = "word";
    Cell.Text = "word";
    EXPECT_EQ(Renderer->GetText(&Cell), "$word USD");
    Cell.Value = Variant();
    Cell.Text = "";
    EXPECT_EQ(Renderer->GetText(&Cell), "$ USD");
    Cell.Value = "12";
    EXPECT_EQ(Renderer->GetText(&Cell), "$12.00 USD");
    // A pattern full of printf directives is only text.
    Styles.SetNumberFormat("%s%n 0");
    EXPECT_EQ(Renderer->GetText(&Cell), "$%s%n 12 USD");

    // An unchanged cell gets the text it had, not a new string.
    Styles.SetNumberFormat("0.0");
    Cell.Value = 2.25;
    const QString first = Renderer->GetText(&Cell);
    const QString again = Renderer->GetText(&Cell);
    EXPECT_EQ(first.constData(), again.constData());
    Cell.Value = 3.5;
    EXPECT_EQ(Renderer->GetText(&Cell), "$3.5 USD");
    Styles.SetPrefix("");
    EXPECT_EQ(Renderer->GetText(&Cell), "3.5 USD");
}

TEST_F(TRendererFixture, MeasureIsTheTextWithHorizontalPaddings)
{
    const TSizeF text = TKvDrawingContext::MeasureText("Hello", Styles.GetFont());
    const TSize size = Renderer->Measure(&Cell, 5, 5);
    EXPECT_EQ(size.cx, int(std::ceil(text.cx)) + 3 + 4);
    EXPECT_EQ(size.cy, int(std::ceil(text.cy)));
    Styles.SetPrefix(">>");
    EXPECT_GT(Renderer->Measure(&Cell, 5, 5).cx, size.cx);
    // The base renderer answers the hint.
    TOwned<TKvGridDataGroupCellRenderer> group = MakeOwned<TKvGridDataGroupCellRenderer>(nullptr);
    EXPECT_EQ(group->Measure(&Cell, 7, 9), (TSize{7, 9}));
    try {
        kvtest::PaintImage(10, 10, [&](TKvDrawingContext& c) { Renderer->Render(nullptr, &c, TRectF(0, 0, 10, 10)); });
        ADD_FAILURE() << "a nil cell is drawn";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), "cell is nil");
        EXPECT_EQ(e.Module(), "KvGrids.Renderer");
    }
}

TEST_F(TRendererFixture, IconByLocationAndTextInTheRest)
{
    // Content rectangle (3, 2, 116, 38); icon 8 x 8, offset 2, padding 5.
    Styles.SetIconIndex(0);
    QImage image = Render();
    EXPECT_EQ(image.pixel(1, 1), Back);
    EXPECT_EQ(kvtest::InkBounds(image, [](QRgb c) { return c == Red; }), QRect(3 + 2, 2 + (36 - 8) / 2, 8, 8));
    EXPECT_EQ(kvtest::InkBounds(image, IsInk), TextInk(TRect{3 + 8 + 2 + 5, 2, 116, 38}));

    Styles.SetIconLocation(IconRight);
    Styles.SetTextAlignment(AlignFar);
    image = Render();
    EXPECT_EQ(kvtest::InkBounds(image, [](QRgb c) { return c == Red; }), QRect(116 - 8 - 2, 2 + (36 - 8) / 2, 8, 8));
    EXPECT_EQ(kvtest::InkBounds(image, IsInk), TextInk(TRect{3, 2, 116 - 8 - 2 - 5, 38}));

    Styles.SetIconLocation(IconTop);
    Styles.SetTextAlignment(AlignCenter);
    Styles.SetLineAlignment(AlignNear);
    image = Render();
    EXPECT_EQ(kvtest::InkBounds(image, [](QRgb c) { return c == Red; }), QRect(3 + (113 - 8) / 2, 2 + 2, 8, 8));
    EXPECT_EQ(kvtest::InkBounds(image, IsInk), TextInk(TRect{3, 2 + 8 + 2 + 5, 116, 38}));

    Styles.SetIconLocation(IconBottom);
    image = Render();
    EXPECT_EQ(kvtest::InkBounds(image, [](QRgb c) { return c == Red; }), QRect(3 + (113 - 8) / 2, 38 - 8 - 2, 8, 8));
    EXPECT_EQ(kvtest::InkBounds(image, IsInk), TextInk(TRect{3, 2, 116, 38 - 8 - 2 - 5}));

    // A centred icon leaves no room for text.
    Styles.SetIconLocation(IconCenter);
    image = Render();
    EXPECT_EQ(kvtest::InkBounds(image, [](QRgb c) { return c == Red; }), QRect(3 + (113 - 8) / 2, 2 + (36 - 8) / 2, 8, 8));
    EXPECT_TRUE(kvtest::InkBounds(image, IsInk).isEmpty());

    // An index past the list draws no icon and keeps the whole content rectangle.
    Styles.SetIconIndex(1);
    Styles.SetIconLocation(IconLeft);
    image = Render();
    EXPECT_TRUE(kvtest::InkBounds(image, [](QRgb c) { return c == Red; }).isEmpty());
    EXPECT_EQ(kvtest::InkBounds(image, IsInk), TextInk(TRect{3, 2, 116, 38}));
    EXPECT_FALSE(kvtest::InkBounds(image, IsInk).isEmpty());
}

TEST_F(TRendererFixture, CellButtons)
{
    TKvGridDefaultButtonRenderer button("default");
    EXPECT_EQ(button.Measure(Cell.Index, 50, 30), (TSize{TKvGridDefaultButtonRenderer::BUTTON_WIDTH + 3, 30}));
    const TRect r = TKvGridDefaultButtonRenderer::ButtonRect(TRectF(0, 0, 40, 30));
    EXPECT_EQ(r, (TRect{1, (30 - 17) / 2, 38, (30 - 17) / 2 + 17}));
    const QRect band(r.Left, r.Top, r.Width(), r.Height());
    auto draw = [&](TKvGridCellButtonRenderer& b, bool pressed) {
        return kvtest::PaintImage(40, 30, [&](TKvDrawingContext& c) { b.Render(&Cell, &c, TRectF(0, 0, 40, 30), false, pressed, false); });
    };
    auto ink = [](const QImage& image) { return kvtest::InkBounds(image, [](QRgb c) { return c != White; }); };

    EXPECT_TRUE(ink(draw(button, false)).isEmpty()); // ButtonNone
    Column->SetButton(ButtonAction);
    QImage image = draw(button, false);
    EXPECT_FALSE(ink(image).isEmpty());
    EXPECT_TRUE(band.contains(ink(image)));
    Column->SetButton(ButtonPopup);
    EXPECT_TRUE(band.contains(ink(draw(button, true))));

    TKvGridEditButtonRenderer edit("edit");
    // Combo: a black triangle in the button, one pixel further while pressed.
    const int x0 = r.Left + 1 + (r.Width() - 2 - 8) / 2;
    const int y0 = r.Top + 1 + (r.Height() - 2 - 5) / 2;
    image = draw(edit, false);
    EXPECT_EQ(image.pixel(x0 + 4, y0 + 2), 0xFF000000u);
    image = draw(edit, true);
    EXPECT_EQ(image.pixel(x0 + 5, y0 + 3), 0xFF000000u);
    EXPECT_TRUE(band.contains(ink(image)));
    // Calendar: a glyph without a button, moved by one pixel while pressed.
    edit.SetButton(ButtonCalendar);
    const QRgb blue = dynamic_cast<TKvSolidPen*>(TKvStroke::Blue())->GetColor();
    const QRgb dim = dynamic_cast<TKvSolidPen*>(TKvStroke::DimGray())->GetColor();
    image = draw(edit, false);
    EXPECT_EQ(image.pixel(r.Left + 2 + 6, r.Top + 2 + 6), blue);
    EXPECT_EQ(image.pixel(r.Left + 2 + 1, r.Top + 2), dim);
    EXPECT_EQ(ink(image), QRect(r.Left + 2, r.Top + 2, r.Width() - 3, r.Height() - 3));
    image = draw(edit, true);
    EXPECT_EQ(image.pixel(r.Left + 3 + 6, r.Top + 3 + 6), blue);
    edit.SetButton(ButtonEllipsis);
    EXPECT_TRUE(band.contains(ink(draw(edit, false))));

    // Only data columns get a button.
    Cell.Index = TKvGridCellIndex();
    EXPECT_TRUE(ink(draw(edit, false)).isEmpty());
    EXPECT_TRUE(ink(draw(button, false)).isEmpty());
}

TEST_F(TRendererFixture, ChangedRepaintsEveryColumnUsingTheRenderer)
{
    TOwned<TCountingColumn> other = MakeOwned<TCountingColumn>(nullptr);
    Column->SetRenderer(Renderer.get());
    other->SetRenderer(Renderer.get());
    Renderer->AddColumn(Column.get()); // listed once
    Renderer->AddColumn(nullptr);
    EXPECT_EQ(Renderer->GetColumnCount(), 2);
    Column->Repaints = other->Repaints = 0;
    Renderer->Changed();
    EXPECT_EQ(Column->Repaints, 1);
    EXPECT_EQ(other->Repaints, 1);

    // A freed column leaves the list; a detached one too.
    other.reset();
    EXPECT_EQ(Renderer->GetColumnCount(), 1);
    Column->SetRenderer(nullptr);
    EXPECT_EQ(Renderer->GetColumnCount(), 0);
    Column->Repaints = 0;
    Renderer->Changed();
    EXPECT_EQ(Column->Repaints, 0);

    // A freed renderer leaves its columns.
    Column->SetRenderer(Renderer.get());
    Renderer.reset();
    EXPECT_EQ(Column->GetRenderer(), nullptr);
}

} // namespace

namespace {

TEST(GridRendererFanOut, ARendererChangeRefreshesEveryGridShowingItsColumns)
{
    TOwned<TKvGridView> first = MakeOwned<TKvGridView>(nullptr);
    TOwned<TKvGridView> second = MakeOwned<TKvGridView>(nullptr);
    TOwned<TKvGridDataCellRenderer> renderer = MakeOwned<TKvGridDataCellRenderer>(nullptr);
    first->GetColumns()->Add()->SetRenderer(renderer.get());
    first->GetColumns()->Add()->SetRenderer(renderer.get());
    second->GetColumns()->Add()->SetRenderer(renderer.get());
    ASSERT_EQ(renderer->GetColumnCount(), 3);
    const int before = TKvGridView::GetRefreshCount();
    renderer->Changed();
    EXPECT_EQ(TKvGridView::GetRefreshCount() - before, 3);
    // Columns freed with their grid leave the renderer.
    second.reset();
    EXPECT_EQ(renderer->GetColumnCount(), 2);
    renderer.reset();
    EXPECT_EQ(first->GetRootGroup()->Count(), 2);
}

} // namespace

namespace {

// A renderer made for one column and streamed inside it.
class TTestInternalRenderer : public TKvGridDataCellRenderer
{
public:
    using TKvGridDataCellRenderer::TKvGridDataCellRenderer;
    bool IsInternal() const override { return true; }
    TKvGridColumn* GetParentColumn() const override { return FColumns.empty() ? nullptr : FColumns.front(); }
};

using kvtest::TRendererForm;

KV_PUBLISH(TTestInternalRenderer, TKvGridDataCellRenderer);
KV_PUBLISH(TRendererForm, TComponent);

TEST(GridRendererStreaming, AnInternalRendererBecomesTheRendererOfItsColumn)
{
    RegisterClasses<TRendererForm, TKvGridView, TKvGridDataColumn, TTestInternalRenderer>();
    const QString text = QStringLiteral("object Form1: TRendererForm\n"
                                        "  object Grid1: TKvGridView\n"
                                        "    object Col1: TKvGridDataColumn\n"
                                        "      object R1: TTestInternalRenderer\n"
                                        "      end\n"
                                        "    end\n"
                                        "  end\n"
                                        "end\n");
    TOwned<TComponent> form(ReadComponentText(text));
    auto* column = dynamic_cast<TKvGridDataColumn*>(form->FindComponent("Col1"));
    auto* renderer = dynamic_cast<TTestInternalRenderer*>(form->FindComponent("R1"));
    ASSERT_NE(column, nullptr);
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(column->GetRenderer(), renderer);
    EXPECT_EQ(renderer->GetParentComponent(), column);
    EXPECT_TRUE(renderer->HasParent());

    // Written back inside its column, and read again the same way.
    const QString written = WriteComponentText(form.get());
    // Nested one level below the column.
    EXPECT_TRUE(written.contains(QRegularExpression("\\n    object Col1: TKvGridDataColumn\\n(      .*\\n)*"
                                                    "      object R1: TTestInternalRenderer\\n")))
        << written.toStdString();
    TOwned<TComponent> again(ReadComponentText(written));
    EXPECT_EQ(dynamic_cast<TKvGridDataColumn*>(again->FindComponent("Col1"))->GetRenderer(), again->FindComponent("R1"));

    // Anywhere else it is a clear read error.
    const QString misplaced = QStringLiteral("object Form1: TRendererForm\n"
                                             "  object R1: TTestInternalRenderer\n"
                                             "  end\n"
                                             "end\n");
    try {
        TOwned<TComponent> bad(ReadComponentText(misplaced));
        ADD_FAILURE() << "a renderer outside a column was read";
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.Message().contains("Renderer R1 is not inside a data column")) << e.Message().toStdString();
    }
}

} // namespace

namespace {

class TTestAreaRenderer : public TKvGridRenderer
{
public:
    TTestAreaRenderer(const QString& name, bool* freed) : TKvGridRenderer(name), FFreed(freed) {}
    ~TTestAreaRenderer() override { *FFreed = true; }
    int Draws = 0;

protected:
    TSize DoMeasure(TKvGridView* grid, int hintWidth, int hintHeight) override { return TSize{hintWidth * 2, hintHeight}; }
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override { ++Draws; }

private:
    bool* FFreed;
};

class TTestRowRenderer : public TKvGridItemRenderer
{
public:
    using TKvGridItemRenderer::TKvGridItemRenderer;
    TKvGridViewStyles* Seen = nullptr;

protected:
    TSize DoMeasure(TKvGridItem* item, TKvGridViewStyles* styles, int hintWidth, int hintHeight) override
    {
        Seen = styles;
        return TSize{hintWidth, hintHeight + 1};
    }
    void DoDraw(TKvGridItem*, TKvGridViewStyles*, TKvDrawingContext*, const TRectF&) override {}
};

TEST(GridRendererInterfaces, CountedAndDispatchedToTheirBases)
{
    bool freed = false;
    {
        IntfPtr<TTestAreaRenderer> area = MakeIntf<TTestAreaRenderer>(QStringLiteral("body"), &freed);
        IntfPtr<IKvGridRenderer> shared(area);
        EXPECT_EQ(area->ToString(), "body");
        EXPECT_EQ(shared->Measure(nullptr, 3, 4), (TSize{6, 4}));
        shared->Render(nullptr, nullptr, TRectF());
        EXPECT_EQ(area->Draws, 1);
        area = nullptr;
        EXPECT_FALSE(freed); // still held through the interface
    }
    EXPECT_TRUE(freed);

    IntfPtr<TTestRowRenderer> row = MakeIntf<TTestRowRenderer>(QStringLiteral("row"));
    TKvGridViewStyles styles(nullptr, "rows");
    IntfPtr<IKvGridItemRenderer> item(row);
    EXPECT_EQ(item->Measure(nullptr, &styles, 10, 20), (TSize{10, 21}));
    EXPECT_EQ(row->Seen, &styles);
}

} // namespace
