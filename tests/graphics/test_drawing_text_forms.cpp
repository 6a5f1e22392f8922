// Colours, strokes, fills and fonts: values, stock objects and their text forms.
#include "graphics/KvGrids.Common.Drawing.h"

#include "TestSupport.h"

#include <QtCore/QLocale>
#include <QtGui/QFontMetricsF>
#include <QtGui/QImage>
#include <clocale>
#include <limits>
#include <string>

using namespace kv;

namespace {

// A locale whose decimal separator is a comma, for the process and for Qt.
class TGermanLocale
{
public:
    TGermanLocale() : FSavedQt(QLocale())
    {
        const char* current = std::setlocale(LC_ALL, nullptr);
        FSavedC = current ? current : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
            if (std::setlocale(LC_ALL, name))
                break;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~TGermanLocale()
    {
        std::setlocale(LC_ALL, FSavedC.c_str());
        QLocale::setDefault(FSavedQt);
    }

private:
    QLocale FSavedQt;
    std::string FSavedC;
};

TKvSolidPen* AsPen(const std::unique_ptr<TKvStroke>& s) { return dynamic_cast<TKvSolidPen*>(s.get()); }

} // namespace

TEST(KvColor, ValuesAndBytes)
{
    EXPECT_EQ(TKvColor::Create(0x12345678u).Value, 0x12345678u);
    EXPECT_EQ(TKvColor::Create(TKvColor(0x11223344u), 0x80).Value, 0x80223344u);
    EXPECT_EQ(TKvColor::Create(1, 2, 3).Value, 0xFF010203u);
    EXPECT_EQ(TKvColor::Create(4, 1, 2, 3).Value, 0x04010203u);
    EXPECT_EQ(TKvColor::MakeARGB(0xAA, 0xBB, 0xCC, 0xDD).Value, 0xAABBCCDDu);
    // The platform colour is blue-green-red.
    EXPECT_EQ(TKvColor::CreateFromColor(TColor(0x00332211)).Value, 0xFF112233u);
    EXPECT_EQ(TKvColor::CreateFromColor(TColor(0x00332211), 0x40).Value, 0x40112233u);
    EXPECT_EQ(TKvColor::CreateFromColorRef(0x00332211u).Value, 0xFF112233u);
    TKvColor c(0x7F112233u);
    EXPECT_EQ(c.GetColorRef(), 0x00332211u);
    EXPECT_EQ(c.GetAlpha(), 0x7F);
    EXPECT_EQ(c.GetRed(), 0x11);
    EXPECT_EQ(c.GetGreen(), 0x22);
    EXPECT_EQ(c.GetBlue(), 0x33);
    c.SetAlpha(1);
    c.SetRed(2);
    c.SetGreen(3);
    c.SetBlue(4);
    EXPECT_EQ(c.Value, 0x01020304u);
    c.SetColorRef(0x00030201u);
    EXPECT_EQ(c.Value, 0xFF010203u);
    c.Initialize();
    EXPECT_EQ(c.Value, 0xFF000000u);
    c.Initialize(9, 8, 7);
    EXPECT_EQ(c.Value, 0xFF090807u);
    c.Initialize(1, 9, 8, 7);
    EXPECT_EQ(c.Value, 0x01090807u);
    c.InitializeFromColorRef(0x00010203u);
    EXPECT_EQ(c.Value, 0xFF030201u);
    const std::uint32_t raw = TKvColor(0xDEADBEEFu);
    EXPECT_EQ(raw, 0xDEADBEEFu);
}

TEST(KvColor, TextForms)
{
    EXPECT_EQ(TKvColor(QStringLiteral("#abc")).Value, 0xFF000ABCu);
    EXPECT_EQ(TKvColor(QStringLiteral("#336699")).Value, 0xFF336699u);
    EXPECT_EQ(TKvColor(QStringLiteral("#12345678")).Value, 0x12345678u);
    EXPECT_EQ(TKvColor(QStringLiteral("$FFaa00")).Value, 0xFFFFAA00u);
    EXPECT_EQ(TKvColor(QString()).Value, 0u);
    EXPECT_EQ(TKvColor(QStringLiteral("255")).Value, 0x000000FFu); // decimal, transparent
    EXPECT_EQ(TKvColor(QStringLiteral("-1")).Value, 0xFFFFFFFFu);
    EXPECT_EQ(TKvColor(0xFF000000u).ToString(), QStringLiteral("#ff000000"));
    EXPECT_EQ(QString(TKvColor(0x0000000Au)), QStringLiteral("#0000000a"));
    KV_EXPECT_THROW_MSG(TKvColor(QStringLiteral("red")), EConvertError, "'red' is not a valid integer value");
    KV_EXPECT_THROW_MSG(TKvColor(QStringLiteral("#12345678a")), EConvertError,
                        "'#12345678a' is not a valid integer value");
    KV_EXPECT_THROW_MSG(TKvColor(QStringLiteral("#xyz")), EConvertError, "'#xyz' is not a valid integer value");
    KV_EXPECT_THROW_MSG(TKvColor(QStringLiteral("4294967296")), EConvertError,
                        "'4294967296' is not a valid integer value");
    for (std::uint32_t v : {0u, 0xFF000000u, 0x00ABCDEFu, 0x12345678u, 0xFFFFFFFFu})
        EXPECT_EQ(TKvColor(TKvColor(v).ToString()).Value, v);
}

TEST(KvStroke, TextFormsReadAndWrite)
{
    EXPECT_EQ(TKvStroke::CreateFrom(QString()), nullptr);
    auto blue = TKvStroke::CreateFrom(QStringLiteral("#ff0000ff"));
    ASSERT_TRUE(AsPen(blue));
    EXPECT_EQ(AsPen(blue)->GetColor().Value, 0xFF0000FFu);
    EXPECT_FLOAT_EQ(blue->GetWidth(), 1.0f);
    EXPECT_EQ(AsPen(blue)->GetDash(), DashStyleSolid);
    auto dashDot = TKvStroke::CreateFrom(QStringLiteral("#ff0000ff,2,DashDot"));
    EXPECT_FLOAT_EQ(dashDot->GetWidth(), 2.0f);
    EXPECT_EQ(AsPen(dashDot)->GetDash(), DashStyleDashDot);
    // The dash word is not trimmed: a blank before it reads as solid.
    EXPECT_EQ(AsPen(TKvStroke::CreateFrom(QStringLiteral("#ff0000ff,2, dash")))->GetDash(), DashStyleSolid);
    EXPECT_EQ(AsPen(TKvStroke::CreateFrom(QStringLiteral("#ff0000ff,2,dot,ignored")))->GetDash(), DashStyleDot);
    EXPECT_EQ(AsPen(TKvStroke::CreateFrom(QStringLiteral("#ff0000ff,2,wavy")))->GetDash(), DashStyleSolid);
    EXPECT_EQ(AsPen(TKvStroke::CreateFrom(QStringLiteral(" #ff0000ff , 3 ")))->GetWidth(), 3.0f);
    // A fractional width reads back.
    auto half = TKvStroke::CreateFrom(QStringLiteral("#ff000000,1.5"));
    EXPECT_FLOAT_EQ(half->GetWidth(), 1.5f);
    KV_EXPECT_THROW_MSG(TKvStroke::CreateFrom(QStringLiteral("#ff000000,wide")), EConvertError,
                        "'wide' is not a valid floating point value");
    KV_EXPECT_THROW_MSG(TKvStroke::CreateFrom(QStringLiteral("#ff000000,")), EConvertError,
                        "'' is not a valid floating point value");
    KV_EXPECT_THROW_MSG(TKvStroke::CreateFrom(QStringLiteral("#ff000000,inf")), EConvertError,
                        "'inf' is not a valid floating point value");
    KV_EXPECT_THROW_MSG(TKvStroke::CreateFrom(QStringLiteral("#ff000000,-2")), EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");

    EXPECT_EQ(TKvStroke::CreateSolid(0xFF000000u, 1, DashStyleSolid)->ToString(), QStringLiteral("#ff000000,1"));
    EXPECT_EQ(TKvStroke::CreateSolid(0xFF0000FFu, 2, DashStyleDash)->ToString(), QStringLiteral("#ff0000ff,2,dash"));
    EXPECT_EQ(TKvStroke::CreateSolid(0x80102030u, 1.5f, DashStyleDashDotDot)->ToString(),
              QStringLiteral("#80102030,1.5,dashdotdot"));
    EXPECT_FLOAT_EQ(TKvStroke::CreateFrom(QStringLiteral("#ff000000,+2.5e0"))->GetWidth(), 2.5f);
    EXPECT_FLOAT_EQ(TKvStroke::CreateFrom(QStringLiteral("#ff000000,.5"))->GetWidth(), 0.5f);
    KV_EXPECT_THROW_MSG(TKvStroke::CreateFrom(QStringLiteral("#ff000000,2.5x")), EConvertError,
                        "'2.5x' is not a valid floating point value");
    KV_EXPECT_THROW_MSG(TKvStroke::CreateFrom(QStringLiteral("#ff000000,+-2")), EConvertError,
                        "'+-2' is not a valid floating point value");
    KV_EXPECT_THROW_MSG(TKvStroke::CreateFrom(QStringLiteral("#ff000000,1e39")), EConvertError,
                        "'1e39' is not a valid floating point value");
    // Every pen reads back from its own text, the widest and the thinnest too.
    for (float width : {1.0f, 2.0f, 1.5f, 0.25f, 0.1f, 12.75f, std::numeric_limits<float>::max(),
                        std::numeric_limits<float>::denorm_min()})
        for (TKvDashStyle dash : {DashStyleSolid, DashStyleDash, DashStyleDot, DashStyleDashDot, DashStyleDashDotDot}) {
            auto pen = TKvStroke::CreateSolid(0xC0123456u, width, dash);
            auto back = TKvStroke::CreateFrom(pen->ToString());
            EXPECT_FLOAT_EQ(back->GetWidth(), width) << pen->ToString().toStdString();
            EXPECT_EQ(AsPen(back)->GetDash(), dash);
            EXPECT_EQ(AsPen(back)->GetColor().Value, 0xC0123456u);
            EXPECT_EQ(back->ToString(), pen->ToString());
        }
}

TEST(KvFill, TextFormsReadAndWrite)
{
    EXPECT_EQ(TKvFill::CreateFrom(QString()), nullptr);
    auto solid = TKvFill::CreateFrom(QStringLiteral("#ffcc0000"));
    ASSERT_TRUE(dynamic_cast<TKvSolidBrush*>(solid.get()));
    EXPECT_EQ(static_cast<TKvSolidBrush*>(solid.get())->GetColor().Value, 0xFFCC0000u);
    auto linear = TKvFill::CreateFrom(QStringLiteral("linear,#ffffffff,#ffcccccc,90"));
    auto* g = dynamic_cast<TKvLinearGradientBrush*>(linear.get());
    ASSERT_TRUE(g);
    EXPECT_EQ(g->GetColor1().Value, 0xFFFFFFFFu);
    EXPECT_EQ(g->GetColor2().Value, 0xFFCCCCCCu);
    EXPECT_FLOAT_EQ(g->GetAngle(), 90.0f);
    auto word = TKvFill::CreateFrom(QStringLiteral("linear"));
    g = dynamic_cast<TKvLinearGradientBrush*>(word.get());
    ASSERT_TRUE(g);
    EXPECT_EQ(g->GetColor1().Value, 0u);
    EXPECT_EQ(g->GetColor2().Value, 0u);
    auto two = TKvFill::CreateFrom(QStringLiteral("linear,#ff112233"));
    g = static_cast<TKvLinearGradientBrush*>(two.get());
    EXPECT_EQ(g->GetColor1().Value, 0xFF112233u);
    EXPECT_EQ(g->GetColor2().Value, 0xFF112233u);
    EXPECT_FLOAT_EQ(g->GetAngle(), 0.0f);
    auto three = TKvFill::CreateFrom(QStringLiteral("linear,#ff112233,#ff445566"));
    g = static_cast<TKvLinearGradientBrush*>(three.get());
    EXPECT_EQ(g->GetColor2().Value, 0xFF445566u);
    EXPECT_FLOAT_EQ(g->GetAngle(), 0.0f);
    EXPECT_EQ(TKvFill::CreateFrom(QStringLiteral("radial,#ff000000")), nullptr);
    KV_EXPECT_THROW_MSG(TKvFill::CreateFrom(QStringLiteral("Linear,#ff000000")), EConvertError,
                        "'Linear,#ff000000' is not a valid integer value");
    KV_EXPECT_THROW_MSG(TKvFill::CreateFrom(QStringLiteral("linear,#ff000000,#ffffffff,steep")), EConvertError,
                        "'steep' is not a valid floating point value");

    EXPECT_EQ(TKvFill::CreateSolid(0xFF00FF00u)->ToString(), QStringLiteral("#ff00ff00"));
    EXPECT_EQ(TKvFill::CreateLinear(0xFFFFFFFFu, 0xFFCCCCCCu, 90)->ToString(),
              QStringLiteral("linear,#ffffffff,#ffcccccc,90"));
    auto angled = TKvFill::CreateLinear(0xFF000000u, 0xFFFFFFFFu, 22.5f);
    EXPECT_EQ(angled->ToString(), QStringLiteral("linear,#ff000000,#ffffffff,22.5"));
    auto back = TKvFill::CreateFrom(angled->ToString());
    EXPECT_FLOAT_EQ(static_cast<TKvLinearGradientBrush*>(back.get())->GetAngle(), 22.5f);
    for (float angle : {-std::numeric_limits<float>::max(), 1.0f / 3, -45.125f}) {
        auto text = TKvFill::CreateLinear(0xFF000000u, 0xFFFFFFFFu, angle)->ToString();
        EXPECT_EQ(static_cast<TKvLinearGradientBrush*>(TKvFill::CreateFrom(text).get())->GetAngle(), angle)
            << text.toStdString();
    }
}

TEST(KvFont, TextFormsReadAndWrite)
{
    EXPECT_EQ(TKvFont::CreateFrom(QString()), nullptr);
    auto tahoma = TKvFont::CreateFrom(QStringLiteral("Tahoma"));
    EXPECT_EQ(tahoma->GetFamilyName(), QStringLiteral("Tahoma"));
    EXPECT_FLOAT_EQ(tahoma->GetSize(), 8.0f);
    EXPECT_TRUE(tahoma->GetStyle().Empty());
    auto styled = TKvFont::CreateFrom(QStringLiteral("Tahoma,9,Bold,underline"));
    EXPECT_FLOAT_EQ(styled->GetSize(), 9.0f);
    EXPECT_EQ(styled->GetStyle(), (TKvFontStyle{FontBold, FontUnderline}));
    EXPECT_EQ(TKvFont::CreateFrom(QStringLiteral("Tahoma, 9 ,shadow, ITALIC ,strikeout"))->GetStyle(),
              (TKvFontStyle{FontItalic, FontStrikeout}));
    EXPECT_EQ(TKvFont(QStringLiteral("Arial"), 10, {FontBold, FontItalic}).ToString(),
              QStringLiteral("Arial,10,bold,italic"));
    EXPECT_EQ(TKvFont(QStringLiteral("Tahoma"), 9, {}).ToString(), QStringLiteral("Tahoma,9"));
    EXPECT_EQ(TKvFont(QStringLiteral("Tahoma"), 9.5f, {FontUnderline, FontStrikeout}).ToString(),
              QStringLiteral("Tahoma,9.5,underline,strikeout"));
    KV_EXPECT_THROW_MSG(TKvFont::CreateFrom(QStringLiteral("Tahoma,big")), EConvertError,
                        "'big' is not a valid floating point value");
    KV_EXPECT_THROW_MSG(TKvFont::CreateFrom(QStringLiteral("Tahoma,0")), EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");
    KV_EXPECT_THROW_MSG(TKvFont::CreateFrom(QStringLiteral("Tahoma,1e9")), EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");
    KV_EXPECT_THROW_MSG(TKvFont(QStringLiteral("   "), 9, {}), EGdipError,
                        "(KvGraphics Error: 14) The specified font family cannot be found");
    // A blank family in the text form takes the generic sans-serif family.
    auto generic = TKvFont::CreateFrom(QStringLiteral(" ,11"));
    EXPECT_EQ(generic->GetFamilyName(), TKvFont::Default11()->GetFamilyName());

    // Family names are kept whole, however long.
    const QString longName = QStringLiteral("Noto Sans CJK KR Demi Light Condensed Extra");
    ASSERT_GT(longName.length(), 32);
    auto wide = TKvFont::CreateFrom(longName + QStringLiteral(",12,bold"));
    EXPECT_EQ(wide->GetFamilyName(), longName);
    EXPECT_EQ(wide->ToString(), longName + QStringLiteral(",12,bold"));
    const QString korean = QStringLiteral("\ub098\ub214\uace0\ub515");
    EXPECT_EQ(TKvFont::CreateFrom(korean + QStringLiteral(",10"))->GetFamilyName(), korean);
}

TEST(KvFont, PlatformFontsBothWays)
{
    TFont platform;
    platform.SetName(QStringLiteral("DejaVu Serif"));
    platform.SetSize(12);
    platform.SetStyle({fsBold, fsStrikeOut});
    auto font = TKvFont::CreateFrom(&platform);
    EXPECT_EQ(font->GetFamilyName(), QStringLiteral("DejaVu Serif"));
    EXPECT_FLOAT_EQ(font->GetSize(), 12.0f);
    EXPECT_EQ(font->GetStyle(), (TKvFontStyle{FontBold, FontStrikeout}));

    TKvFont half(QStringLiteral("DejaVu Sans"), 9.5f, {FontItalic, FontUnderline});
    int changes = 0;
    TFont target;
    target.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(half.ToFont(&target), &target);
    EXPECT_GT(changes, 0);
    EXPECT_EQ(target.GetName(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(target.GetSize(), 10); // rounded to whole points
    EXPECT_EQ(target.GetStyle(), (TFontStyles{fsItalic, fsUnderline}));
    std::unique_ptr<TFont> created(half.ToFont(nullptr));
    ASSERT_TRUE(created);
    EXPECT_EQ(created->GetName(), QStringLiteral("DejaVu Sans"));
}

TEST(TextForms, NumbersIgnoreADecimalCommaLocale)
{
    TGermanLocale german;
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    auto pen = TKvStroke::CreateSolid(0xFF000000u, 1.5f, DashStyleDot);
    EXPECT_EQ(pen->ToString(), QStringLiteral("#ff000000,1.5,dot"));
    EXPECT_FLOAT_EQ(TKvStroke::CreateFrom(QStringLiteral("#ff000000,2.25,dash"))->GetWidth(), 2.25f);
    EXPECT_EQ(TKvFill::CreateLinear(0xFF000000u, 0xFFFFFFFFu, 45.5f)->ToString(),
              QStringLiteral("linear,#ff000000,#ffffffff,45.5"));
    auto fill = TKvFill::CreateFrom(QStringLiteral("linear,#ff000000,#ffffffff,12.5"));
    EXPECT_FLOAT_EQ(static_cast<TKvLinearGradientBrush*>(fill.get())->GetAngle(), 12.5f);
    TKvFont font(QStringLiteral("Tahoma"), 8.25f, {FontBold});
    EXPECT_EQ(font.ToString(), QStringLiteral("Tahoma,8.25,bold"));
    auto back = TKvFont::CreateFrom(font.ToString());
    EXPECT_FLOAT_EQ(back->GetSize(), 8.25f);
    EXPECT_EQ(back->GetStyle(), TKvFontStyle{FontBold});
}

TEST(StockObjects, ValuesAndScratchObjects)
{
    const std::pair<TKvStroke*, std::uint32_t> pens[] = {{TKvStroke::Black(), 0xFF000000u},
                                                         {TKvStroke::Gray(), 0xFF808080u},
                                                         {TKvStroke::DimGray(), 0xFF696969u},
                                                         {TKvStroke::LightGray(), 0xFFD3D3D3u},
                                                         {TKvStroke::Blue(), 0xFF0000FFu}};
    for (const auto& [stroke, color] : pens) {
        auto* pen = dynamic_cast<TKvSolidPen*>(stroke);
        ASSERT_TRUE(pen);
        EXPECT_EQ(pen->GetColor().Value, color);
        EXPECT_FLOAT_EQ(pen->GetWidth(), 1.0f);
        EXPECT_EQ(pen->GetDash(), DashStyleSolid);
    }
    const std::pair<TKvFill*, std::uint32_t> fills[] = {
        {TKvFill::Black(), 0xFF000000u},  {TKvFill::Gray(), 0xFF808080u}, {TKvFill::DimGray(), 0xFF696969u},
        {TKvFill::LightGray(), 0xFFD3D3D3u}, {TKvFill::Yellow(), 0xFFFFFF00u}, {TKvFill::Blue(), 0xFF0000FFu},
        {TKvFill::White(), 0xFFFFFFFFu},  {TKvFill::Fixed(), 0xFFF0F0F0u}};
    for (const auto& [fill, color] : fills)
        EXPECT_EQ(dynamic_cast<TKvSolidBrush*>(fill)->GetColor().Value, color);
    const TKvFont* fonts[] = {TKvFont::Default8(), TKvFont::Default9(), TKvFont::Default10(), TKvFont::Default11()};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(fonts[i]->GetSize(), float(8 + i));
        EXPECT_TRUE(fonts[i]->GetStyle().Empty());
        EXPECT_EQ(fonts[i]->GetFamilyName(), fonts[0]->GetFamilyName());
    }
    EXPECT_FALSE(fonts[0]->GetFamilyName().isEmpty());

    TKvSolidPen* temp = TKvSolidPen::Temp(0xFF00FF00u, 3, DashStyleDash);
    EXPECT_EQ(temp->GetColor().Value, 0xFF00FF00u);
    EXPECT_FLOAT_EQ(temp->GetWidth(), 3.0f);
    EXPECT_EQ(temp->GetDash(), DashStyleDash);
    EXPECT_EQ(TKvSolidPen::Temp(0xFF000000u, 1, DashStyleSolid), temp); // one scratch pen
    EXPECT_EQ(temp->ToString(), QStringLiteral("#ff000000,1"));
    TKvSolidBrush* brush = TKvSolidBrush::Temp(0xFF123456u);
    EXPECT_EQ(brush->GetColor().Value, 0xFF123456u);
    EXPECT_EQ(TKvSolidBrush::Temp(0xFF654321u), brush);
    EXPECT_EQ(brush->GetColor().Value, 0xFF654321u);
    TKvLinearGradientBrush* gradient = TKvLinearGradientBrush::Temp(0xFF000000u, 0xFFFFFFFFu, 30);
    EXPECT_EQ(gradient->ToString(), QStringLiteral("linear,#ff000000,#ffffffff,30"));
    EXPECT_EQ(TKvLinearGradientBrush::Temp(0, 0, 0), gradient);
}

TEST(KvFont, HeightIsTheLineSpacingMeasuredOnce)
{
    TKvFont font(QStringLiteral("DejaVu Sans"), 10, {});
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    QFont qf(QStringLiteral("DejaVu Sans"));
    qf.setPointSizeF(10);
    const float expected = float(QFontMetricsF(qf, &device).lineSpacing());
    EXPECT_FLOAT_EQ(font.GetHeight(), expected);
    EXPECT_FLOAT_EQ(font.GetHeight(), expected);
    TKvFont bigger(QStringLiteral("DejaVu Sans"), 20, {});
    EXPECT_GT(bigger.GetHeight(), font.GetHeight() * 1.8f);
}
