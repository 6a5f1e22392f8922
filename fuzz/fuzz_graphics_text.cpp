// Text forms of colours, strokes, fills and fonts: whatever parses writes a text that parses
// again to the same text.
#include "FuzzSupport.h"

#include "graphics/KvGrids.Common.Drawing.h"

using namespace kv;
using namespace kvfuzz;

namespace {

// Parses text; when it parses, its written form parses to the same written form.
template <typename Parse>
void RoundTrip(const char* what, const QString& text, Parse parse)
{
    QString written;
    if (!Refusable([&] { written = parse(text); }))
        return;
    QString again;
    const bool ok = Refusable([&] { again = parse(written); });
    Check(ok, what, QStringLiteral("written form does not parse: [%1] from [%2]").arg(written, text));
    Check(again == written, what, QStringLiteral("[%1] -> [%2] -> [%3]").arg(text, written, again));
}

QString ColourText(const QString& text) { return TKvColor(text).ToString(); }

QString StrokeText(const QString& text)
{
    const auto stroke = TKvStroke::CreateFrom(text);
    return stroke ? stroke->ToString() : QString();
}

QString FillText(const QString& text)
{
    const auto fill = TKvFill::CreateFrom(text);
    return fill ? fill->ToString() : QString();
}

QString FontText(const QString& text)
{
    const auto font = TKvFont::CreateFrom(text);
    return font ? font->ToString() : QString();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = Text(data, size);
    RoundTrip("colour", text, ColourText);
    RoundTrip("stroke", text, StrokeText);
    RoundTrip("fill", text, FillText);
    RoundTrip("font", text, FontText);
    // A colour's value survives its text form.
    TKvColor colour;
    if (Refusable([&] { colour = TKvColor(text); }))
        Check(TKvColor(colour.ToString()).Value == colour.Value, "colour value", text);
    return 0;
}
