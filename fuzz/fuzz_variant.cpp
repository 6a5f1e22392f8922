// Variant conversions from text: every conversion either answers or raises the library's
// error; numbers and date-times that read write a text that reads back to the same value; the
// relation of text with other kinds is consistent both ways round.
#include "FuzzSupport.h"

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Variant.h"

#include <cmath>

using namespace kv;
using namespace kvfuzz;

namespace {

TVarRelation Reverse(TVarRelation r)
{
    switch (r) {
    case TVarRelation::Less: return TVarRelation::Greater;
    case TVarRelation::Greater: return TVarRelation::Less;
    default: return r;
    }
}

void Conversions(const QString& text)
{
    const Variant v(text);
    double d = 0;
    if (Refusable([&] { d = v.ToDouble(); }) && std::isfinite(d)) {
        double again = 0;
        Check(TryStrToFloat(FloatToStr(d), again) && again == d, "float text", text);
        Check(Variant(d).ToString() == FloatToStr(d), "float ToString", text);
    }
    double tried = 0;
    const bool tryOk = v.TryToDouble(tried);
    if (tryOk && std::isfinite(tried))
        Check(Refusable([&] { (void)v.ToDouble(); }), "TryToDouble without ToDouble", text);
    std::int64_t i = 0;
    if (Refusable([&] { i = v.ToInt64(); })) {
        std::int64_t again = 0;
        Check(TryStrToInt64(Variant(i).ToString(), again) && again == i, "integer text", text);
    }
    (void)Refusable([&] { (void)v.ToInt(); });
    (void)Refusable([&] { (void)v.ToBoolean(); });
    (void)v.IsTrue();
    TDateTime dt = 0;
    if (TryStrToDateTime(text, dt) && std::isfinite(dt)) {
        const QString written = DateTimeToStr(dt);
        TDateTime again = 0;
        // Values without a calendar date are written as their number.
        double number = 0;
        const bool asNumber = TryStrToFloat(written, number) && number == dt;
        Check(TryStrToDateTime(written, again) || asNumber, "date-time text does not read", written);
        if (!asNumber)
            Check(DateTimeToStr(again) == written, "date-time text", text + QStringLiteral(" -> ") + written);
    }
    (void)Refusable([&] { (void)v.ToDateTime(); });
}

void Relations(const QString& text)
{
    const Variant v(text);
    const Variant others[] = {Variant(), Variant::Null(), Variant(true), Variant(std::int64_t(10)),
                              Variant(-2.5), Variant(QStringLiteral("9")), Variant(QString())};
    for (const Variant& other : others) {
        Check(VarRelate(v, other) == Reverse(VarRelate(other, v)), "relation is not symmetric", text);
        Check(VarCompareTotal(v, other) == -VarCompareTotal(other, v), "total order is not antisymmetric", text);
        (void)Refusable([&] { (void)VarCompare(v, other); });
        for (auto op : {VarAdd, VarSub, VarMul, VarDiv, VarIntDiv, VarMod, VarShl, VarShr, VarAnd, VarOr, VarXor})
            (void)Refusable([&] { (void)op(v, other); (void)op(other, v); });
    }
    (void)Refusable([&] { (void)VarNot(v); });
    (void)Refusable([&] { (void)VarNeg(v); });
    Check(VarCompareTotal(v, v) == 0, "text is not equal to itself", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = Text(data, size);
    Conversions(text);
    Relations(text);
    return 0;
}
