// Variant's storage, conversions, relations and operators (Variant.h tells the kinds).
//
// Sections: storage (copy and move by kind, arrays shared); text and numbers; conversions;
// arrays; identity and relation; operators.
//
// Call flow: the To... conversions read a value as another kind (a text through the number
// parsers, locale-free) and raise EVariantError where it does not read. VarRelate orders two
// values (numbers of any kind by value, texts by code units, Unordered across families);
// VarCompareTotal and VarKeyEqual/VarHash give the total order and the keys that sorting,
// grouping and lookups use. The arithmetic and logical operators take integers while exact,
// doubles otherwise, and raise on operands of no number.
#include "platform/rtl/Variant.h"
#include "platform/rtl/DateUtils.h"

#include <cmath>
#include <limits>
#include <ostream>

namespace kv {

using ArrayPtrT = std::shared_ptr<const TVariantArrayData>;

// --- storage ------------------------------------------------------------------------------

Variant Variant::Array(std::vector<Variant> items, int lowBound)
{
    auto data = std::make_shared<TVariantArrayData>();
    data->LowBound = lowBound;
    data->Items = std::move(items);
    Variant v;
    v.FKind = TVarKind::Array;
    new (&v.FS) ArrayPtrT(std::move(data));
    return v;
}

void Variant::DestroyArray() noexcept { reinterpret_cast<ArrayPtrT*>(&FS)->~ArrayPtrT(); }

void Variant::CopyFrom(const Variant& other)
{
    FKind = other.FKind;
    switch (FKind) {
    case TVarKind::String:
        new (&FS) QString(other.StringUnchecked());
        break;
    case TVarKind::Array:
        new (&FS) ArrayPtrT(other.ArrayPtr());
        break;
    default:
        FI = other.FI;
        break;
    }
}

void Variant::MoveArrayFrom(Variant& other) noexcept
{
    auto& from = *reinterpret_cast<ArrayPtrT*>(&other.FS);
    new (&FS) ArrayPtrT(std::move(from));
    from.~ArrayPtrT();
}

QString Variant::KindName(TVarKind kind)
{
    switch (kind) {
    case TVarKind::Empty: return QStringLiteral("Empty");
    case TVarKind::Null: return QStringLiteral("Null");
    case TVarKind::Boolean: return QStringLiteral("Boolean");
    case TVarKind::Integer: return QStringLiteral("Int64");
    case TVarKind::Double: return QStringLiteral("Double");
    case TVarKind::DateTime: return QStringLiteral("Date");
    case TVarKind::String: return QStringLiteral("String");
    case TVarKind::Array: return QStringLiteral("Array");
    }
    return QString();
}

QString Variant::KindName() const { return KindName(FKind); }

void Variant::KindMismatch(const char* wanted) const
{
    RaiseAssertion(QStringLiteral("Variant of type (%1) read as %2").arg(KindName(), QString::fromLatin1(wanted)),
                   __FILE__, __LINE__);
}

namespace {

[[noreturn]] void ConvertError(TVarKind from, const char* to)
{
    throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                            .arg(Variant::KindName(from), QString::fromLatin1(to)));
}

[[noreturn]] void OperationError(const Variant& a, const Variant& b, const char* op)
{
    throw EVariantError(QStringLiteral("Invalid variant operation (%1 %2 %3)")
                            .arg(a.KindName(), QString::fromLatin1(op), b.KindName()));
}

} // namespace

// --- text and numbers ---------------------------------------------------------------------

QString FloatToStr(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

namespace {
// Whether a trimmed text can start a number ("1", "-2", ".5", "inf", "nan"): other text is
// refused without running the conversion.
bool MayBeNumber(QStringView t)
{
    if (t.isEmpty())
        return false;
    const char16_t c = t.front().unicode();
    return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u'i' || c == u'I' || c == u'n'
           || c == u'N';
}
} // namespace

bool TryStrToInt64(const QString& text, std::int64_t& out)
{
    const QStringView t = QStringView(text).trimmed();
    if (!MayBeNumber(t))
        return false;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (ok)
        out = v;
    return ok;
}

bool TryStrToFloat(const QString& text, double& out)
{
    const QStringView t = QStringView(text).trimmed();
    if (!MayBeNumber(t))
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok); // always the C locale: '.' decimal point
    if (ok)
        out = v;
    return ok;
}

// --- conversions --------------------------------------------------------------------------

QString Variant::ToString() const&
{
    switch (FKind) {
    case TVarKind::Empty:
    case TVarKind::Null: return QString();
    case TVarKind::Boolean: return FB ? QStringLiteral("True") : QStringLiteral("False");
    case TVarKind::Integer: return QString::number(FI);
    case TVarKind::Double: return FloatToStr(FD);
    case TVarKind::DateTime: return DateTimeToStr(FD);
    case TVarKind::String: return StringUnchecked();
    case TVarKind::Array: ConvertError(FKind, "String");
    }
    return QString();
}

bool Variant::TryToDouble(double& out) const noexcept
{
    switch (FKind) {
    case TVarKind::Empty: out = 0; return true;
    case TVarKind::Boolean: out = FB ? 1 : 0; return true;
    case TVarKind::Integer: out = static_cast<double>(FI); return true;
    case TVarKind::Double:
    case TVarKind::DateTime: out = FD; return true;
    case TVarKind::String: return TryStrToFloat(StringUnchecked(), out);
    default: return false;
    }
}

double Variant::ToDouble() const
{
    double d = 0;
    if (FKind == TVarKind::Null)
        ConvertError(FKind, "Double");
    if (!TryToDouble(d))
        ConvertError(FKind, "Double");
    return d;
}

double Variant::ToDateTime() const
{
    if (FKind == TVarKind::String) {
        double d = 0;
        if (TryStrToDateTime(StringUnchecked(), d) || TryStrToFloat(StringUnchecked(), d))
            return d;
        ConvertError(FKind, "Date");
    }
    return ToDouble();
}

namespace {
std::int64_t RoundToInt64(double d, TVarKind from)
{
    if (!std::isfinite(d))
        ConvertError(from, "Int64");
    const double r = std::nearbyint(d); // round half to even under the default rounding mode
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        throw EVariantError(QStringLiteral("Overflow while converting variant of type (%1) into type (Int64)")
                                .arg(Variant::KindName(from)));
    return static_cast<std::int64_t>(r);
}
} // namespace

std::int64_t Variant::ToInt64() const
{
    switch (FKind) {
    case TVarKind::Empty: return 0;
    case TVarKind::Boolean: return FB ? 1 : 0;
    case TVarKind::Integer: return FI;
    case TVarKind::Double:
    case TVarKind::DateTime: return RoundToInt64(FD, FKind);
    case TVarKind::String: {
        std::int64_t i = 0;
        if (TryStrToInt64(StringUnchecked(), i))
            return i;
        double d = 0;
        if (TryStrToFloat(StringUnchecked(), d))
            return RoundToInt64(d, FKind);
        ConvertError(FKind, "Int64");
    }
    default: ConvertError(FKind, "Int64");
    }
}

int Variant::ToInt() const
{
    const std::int64_t v = ToInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw EVariantError(QStringLiteral("Overflow while converting variant of type (%1) into type (Integer)")
                                .arg(KindName()));
    return static_cast<int>(v);
}

bool Variant::TryToBoolean(bool& out) const noexcept
{
    switch (FKind) {
    case TVarKind::Empty: out = false; return true;
    case TVarKind::Boolean: out = FB; return true;
    case TVarKind::Integer: out = FI != 0; return true;
    case TVarKind::Double:
    case TVarKind::DateTime: out = FD != 0; return true;
    case TVarKind::String: {
        const QStringView t = QStringView(StringUnchecked()).trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
            out = true;
            return true;
        }
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
            out = false;
            return true;
        }
        bool ok = false;
        const double d = MayBeNumber(t) ? t.toDouble(&ok) : 0; // the C locale: '.' decimal point
        if (!ok)
            return false;
        out = d != 0;
        return true;
    }
    default: return false;
    }
}

bool Variant::ToBoolean() const
{
    bool b = false;
    if (!TryToBoolean(b))
        ConvertError(FKind, "Boolean");
    return b;
}

bool Variant::IsTrue() const noexcept
{
    bool b = false;
    return !IsClear() && TryToBoolean(b) && b;
}

// --- arrays -------------------------------------------------------------------------------

int Variant::ArrayLowBound() const
{
    if (!IsArray())
        throw EVariantError(QStringLiteral("Variant is not an array"));
    return ArrayPtr()->LowBound;
}

int Variant::ArrayCount() const
{
    if (!IsArray())
        throw EVariantError(QStringLiteral("Variant is not an array"));
    return static_cast<int>(ArrayPtr()->Items.size());
}

int Variant::ArrayHighBound() const { return ArrayLowBound() + ArrayCount() - 1; }

const Variant& Variant::ArrayItem(int index) const
{
    const int low = ArrayLowBound();
    const auto& items = ArrayPtr()->Items;
    if (index < low || index - low >= static_cast<int>(items.size()))
        throw EVariantError(QStringLiteral("Variant array index out of bounds"));
    return items[static_cast<size_t>(index - low)];
}

// --- identity and relation ----------------------------------------------------------------

bool operator==(const Variant& a, const Variant& b) noexcept
{
    if (a.FKind != b.FKind)
        return false;
    switch (a.FKind) {
    case TVarKind::Empty:
    case TVarKind::Null: return true;
    case TVarKind::Boolean: return a.FB == b.FB;
    case TVarKind::Integer: return a.FI == b.FI;
    case TVarKind::Double:
    case TVarKind::DateTime: return a.FD == b.FD || (std::isnan(a.FD) && std::isnan(b.FD));
    case TVarKind::String: return a.StringUnchecked() == b.StringUnchecked();
    case TVarKind::Array: {
        const auto& x = *a.ArrayPtr();
        const auto& y = *b.ArrayPtr();
        return x.LowBound == y.LowBound && x.Items == y.Items;
    }
    }
    return false;
}

namespace {

TVarRelation FromInt(int c)
{
    return c < 0 ? TVarRelation::Less : c > 0 ? TVarRelation::Greater : TVarRelation::Equal;
}

TVarRelation CompareDoubles(double x, double y)
{
    const bool nx = std::isnan(x), ny = std::isnan(y);
    if (nx || ny)
        return nx && ny ? TVarRelation::Equal : nx ? TVarRelation::Greater : TVarRelation::Less;
    return x < y ? TVarRelation::Less : x > y ? TVarRelation::Greater : TVarRelation::Equal;
}

// A number kind read as (isInt, int, double).
struct Num
{
    bool isInt;
    std::int64_t i;
    double d;
};

bool ToNum(const Variant& v, Num& n)
{
    switch (v.Kind()) {
    case TVarKind::Empty: n = {true, 0, 0}; return true;
    case TVarKind::Boolean: n = {true, v.BoolUnchecked() ? 1 : 0, v.BoolUnchecked() ? 1.0 : 0.0}; return true;
    case TVarKind::Integer: n = {true, v.IntUnchecked(), static_cast<double>(v.IntUnchecked())}; return true;
    case TVarKind::Double:
    case TVarKind::DateTime: n = {false, 0, v.DoubleUnchecked()}; return true;
    case TVarKind::String: {
        std::int64_t i = 0;
        if (TryStrToInt64(v.StringUnchecked(), i)) {
            n = {true, i, static_cast<double>(i)};
            return true;
        }
        double d = 0;
        if (TryStrToFloat(v.StringUnchecked(), d)) {
            n = {false, 0, d};
            return true;
        }
        return false;
    }
    default: return false;
    }
}

TVarRelation CompareNums(const Num& x, const Num& y)
{
    if (x.isInt && y.isInt)
        return x.i < y.i ? TVarRelation::Less : x.i > y.i ? TVarRelation::Greater : TVarRelation::Equal;
    return CompareDoubles(x.d, y.d);
}

} // namespace

TVarRelation VarRelate(const Variant& a, const Variant& b) noexcept
{
    const TVarKind ka = a.Kind(), kb = b.Kind();
    if (ka == TVarKind::Null || kb == TVarKind::Null)
        return ka == kb ? TVarRelation::Equal : ka == TVarKind::Null ? TVarRelation::Less : TVarRelation::Greater;
    if (ka == TVarKind::String && kb == TVarKind::String)
        return FromInt(a.StringUnchecked().compare(b.StringUnchecked(), Qt::CaseSensitive));
    if (ka == TVarKind::Array || kb == TVarKind::Array) {
        if (ka != kb)
            return TVarRelation::Unordered;
        const int n = std::min(a.ArrayCount(), b.ArrayCount());
        for (int i = 0; i < n; ++i) {
            const TVarRelation r =
                VarRelate(a.ArrayItem(a.ArrayLowBound() + i), b.ArrayItem(b.ArrayLowBound() + i));
            if (r != TVarRelation::Equal)
                return r;
        }
        return FromInt(a.ArrayCount() - b.ArrayCount());
    }
    // Empty against text acts as ''.
    if (ka == TVarKind::Empty && kb == TVarKind::String)
        return b.StringUnchecked().isEmpty() ? TVarRelation::Equal : TVarRelation::Less;
    if (kb == TVarKind::Empty && ka == TVarKind::String)
        return a.StringUnchecked().isEmpty() ? TVarRelation::Equal : TVarRelation::Greater;
    // Text against a date-time reads as a date-time when it is one ("2024-01-31").
    if (ka == TVarKind::DateTime && kb == TVarKind::String) {
        double d = 0;
        if (TryStrToDateTime(b.StringUnchecked(), d))
            return CompareDoubles(a.DoubleUnchecked(), d);
    } else if (kb == TVarKind::DateTime && ka == TVarKind::String) {
        double d = 0;
        if (TryStrToDateTime(a.StringUnchecked(), d))
            return CompareDoubles(d, b.DoubleUnchecked());
    }
    Num x{}, y{};
    if (!ToNum(a, x) || !ToNum(b, y))
        return TVarRelation::Unordered;
    return CompareNums(x, y);
}

int VarCompare(const Variant& a, const Variant& b)
{
    switch (VarRelate(a, b)) {
    case TVarRelation::Less: return -1;
    case TVarRelation::Equal: return 0;
    case TVarRelation::Greater: return 1;
    case TVarRelation::Unordered: break;
    }
    OperationError(a, b, "compare");
}

namespace {

// An integer against a double, exactly (no rounding of large integers); NaN is above all.
int CompareIntDouble(std::int64_t i, double d)
{
    if (std::isnan(d) || d >= 9223372036854775808.0)
        return -1;
    if (d < -9223372036854775808.0)
        return 1;
    const double floor = std::floor(d);
    const auto k = static_cast<std::int64_t>(floor);
    if (i != k)
        return i < k ? -1 : 1;
    return d > floor ? -1 : 0;
}

int Sign(TVarRelation r) { return r == TVarRelation::Less ? -1 : r == TVarRelation::Greater ? 1 : 0; }

} // namespace

int VarKeyFamily(TVarKind kind) noexcept
{
    switch (kind) {
    case TVarKind::Null: return 0;
    case TVarKind::String: return 2;
    case TVarKind::Array: return 3;
    default: return 1;
    }
}

int VarCompareTotal(const Variant& a, const Variant& b) noexcept
{
    const int fa = VarKeyFamily(a.Kind()), fb = VarKeyFamily(b.Kind());
    if (fa != fb)
        return fa < fb ? -1 : 1;
    switch (fa) {
    case 0: return 0;
    case 2: {
        const int c = a.StringUnchecked().compare(b.StringUnchecked(), Qt::CaseSensitive);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    case 3: {
        const int n = std::min(a.ArrayCount(), b.ArrayCount());
        for (int i = 0; i < n; ++i)
            if (const int c = VarCompareTotal(a.ArrayItem(a.ArrayLowBound() + i), b.ArrayItem(b.ArrayLowBound() + i)))
                return c;
        return a.ArrayCount() < b.ArrayCount() ? -1 : a.ArrayCount() > b.ArrayCount() ? 1 : 0;
    }
    default: break;
    }
    Num x{}, y{};
    ToNum(a, x);
    ToNum(b, y);
    if (x.isInt && y.isInt)
        return x.i < y.i ? -1 : x.i > y.i ? 1 : 0;
    if (x.isInt)
        return CompareIntDouble(x.i, y.d);
    if (y.isInt)
        return -CompareIntDouble(y.i, x.d);
    return Sign(CompareDoubles(x.d, y.d));
}

bool VarKeyEqual(const Variant& a, const Variant& b) noexcept
{
    return VarCompareTotal(a, b) == 0;
}

size_t VarHash(const Variant& v) noexcept
{
    switch (v.Kind()) {
    case TVarKind::Null: return 0x9e3779b9u;
    case TVarKind::String: return qHash(v.StringUnchecked());
    case TVarKind::Array: return 0x51ed27u + static_cast<size_t>(v.ArrayCount());
    default: {
        double d = 0;
        v.TryToDouble(d);
        if (std::isnan(d))
            return 0x7ff8u;
        if (d == 0)
            d = 0; // -0 and 0 hash alike
        return qHash(d);
    }
    }
}

// --- operators ----------------------------------------------------------------------------

namespace {

enum class Op { Add, Sub, Mul };

// Empty acts as 0 for numbers; text converts or raises.
Num NumOperand(const Variant& v, const Variant& a, const Variant& b, const char* op)
{
    Num n{};
    if (!ToNum(v, n))
        OperationError(a, b, op);
    return n;
}

Variant IntOrDouble(Op op, const Num& x, const Num& y)
{
    if (x.isInt && y.isInt) {
        std::int64_t r = 0;
        bool overflow = false;
        switch (op) {
        case Op::Add: overflow = __builtin_add_overflow(x.i, y.i, &r); break;
        case Op::Sub: overflow = __builtin_sub_overflow(x.i, y.i, &r); break;
        case Op::Mul: overflow = __builtin_mul_overflow(x.i, y.i, &r); break;
        }
        if (!overflow)
            return Variant(r);
    }
    switch (op) {
    case Op::Add: return Variant(x.d + y.d);
    case Op::Sub: return Variant(x.d - y.d);
    case Op::Mul: return Variant(x.d * y.d);
    }
    return Variant();
}

bool IsDate(const Variant& v) { return v.Kind() == TVarKind::DateTime; }

Variant Arith(Op op, const Variant& a, const Variant& b, const char* name)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    if (a.IsArray() || b.IsArray())
        OperationError(a, b, name);
    if (op == Op::Add && (a.IsString() || a.IsEmpty()) && (b.IsString() || b.IsEmpty()) &&
        !(a.IsEmpty() && b.IsEmpty()))
        return Variant(a.ToString() + b.ToString());
    const Num x = NumOperand(a, a, b, name);
    const Num y = NumOperand(b, a, b, name);
    Variant r = IntOrDouble(op, x, y);
    if (op != Op::Mul) {
        if (IsDate(a) && IsDate(b))
            return op == Op::Sub ? Variant(r.ToDouble()) : Variant::DateTime(r.ToDouble());
        if (IsDate(a) || (op == Op::Add && IsDate(b)))
            return Variant::DateTime(r.ToDouble());
    }
    return r;
}

std::int64_t IntOperand(const Variant& v, const Variant& a, const Variant& b, const char* op)
{
    if (v.IsArray())
        OperationError(a, b, op);
    try {
        return v.ToInt64();
    } catch (const EVariantError&) {
        OperationError(a, b, op);
    }
}

} // namespace

Variant VarAdd(const Variant& a, const Variant& b) { return Arith(Op::Add, a, b, "+"); }
Variant VarSub(const Variant& a, const Variant& b) { return Arith(Op::Sub, a, b, "-"); }
Variant VarMul(const Variant& a, const Variant& b) { return Arith(Op::Mul, a, b, "*"); }

Variant VarDiv(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    if (a.IsArray() || b.IsArray())
        OperationError(a, b, "/");
    const Num x = NumOperand(a, a, b, "/");
    const Num y = NumOperand(b, a, b, "/");
    if (y.d == 0)
        throw EDivByZero(QStringLiteral("Division by zero"));
    return Variant(x.d / y.d);
}

Variant VarIntDiv(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    const std::int64_t x = IntOperand(a, a, b, "div"), y = IntOperand(b, a, b, "div");
    if (y == 0)
        throw EDivByZero(QStringLiteral("Division by zero"));
    if (x == std::numeric_limits<std::int64_t>::min() && y == -1)
        return Variant(-static_cast<double>(x));
    return Variant(x / y);
}

Variant VarMod(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    const std::int64_t x = IntOperand(a, a, b, "mod"), y = IntOperand(b, a, b, "mod");
    if (y == 0)
        throw EDivByZero(QStringLiteral("Division by zero"));
    if (y == -1)
        return Variant(std::int64_t(0));
    return Variant(x % y);
}

Variant VarShl(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    const auto x = static_cast<std::uint64_t>(IntOperand(a, a, b, "shl"));
    const auto n = static_cast<unsigned>(IntOperand(b, a, b, "shl")) & 63u;
    return Variant(static_cast<std::int64_t>(x << n));
}

Variant VarShr(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    const auto x = static_cast<std::uint64_t>(IntOperand(a, a, b, "shr"));
    const auto n = static_cast<unsigned>(IntOperand(b, a, b, "shr")) & 63u;
    return Variant(static_cast<std::int64_t>(x >> n));
}

namespace {

enum class Logic { And, Or, Xor };

Variant Logical(Logic op, const Variant& a, const Variant& b, const char* name)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    const bool boolA = a.IsBoolean() || a.IsString() || a.IsEmpty();
    const bool boolB = b.IsBoolean() || b.IsString() || b.IsEmpty();
    if ((a.IsBoolean() || b.IsBoolean()) && boolA && boolB) {
        bool x = false, y = false;
        try {
            x = a.ToBoolean();
            y = b.ToBoolean();
        } catch (const EVariantError&) {
            OperationError(a, b, name);
        }
        switch (op) {
        case Logic::And: return Variant(x && y);
        case Logic::Or: return Variant(x || y);
        case Logic::Xor: return Variant(x != y);
        }
    }
    const std::int64_t x = IntOperand(a, a, b, name), y = IntOperand(b, a, b, name);
    switch (op) {
    case Logic::And: return Variant(x & y);
    case Logic::Or: return Variant(x | y);
    case Logic::Xor: return Variant(x ^ y);
    }
    return Variant();
}

} // namespace

Variant VarAnd(const Variant& a, const Variant& b) { return Logical(Logic::And, a, b, "and"); }
Variant VarOr(const Variant& a, const Variant& b) { return Logical(Logic::Or, a, b, "or"); }
Variant VarXor(const Variant& a, const Variant& b) { return Logical(Logic::Xor, a, b, "xor"); }

Variant VarNot(const Variant& a)
{
    switch (a.Kind()) {
    case TVarKind::Null: return Variant::Null();
    case TVarKind::Boolean: return Variant(!a.BoolUnchecked());
    case TVarKind::String: {
        std::int64_t i = 0;
        if (TryStrToInt64(a.StringUnchecked(), i))
            return Variant(~i);
        try {
            return Variant(!a.ToBoolean());
        } catch (const EVariantError&) {
            OperationError(a, a, "not");
        }
    }
    case TVarKind::Array: OperationError(a, a, "not");
    default: return Variant(~IntOperand(a, a, a, "not"));
    }
}

Variant VarNeg(const Variant& a)
{
    switch (a.Kind()) {
    case TVarKind::Null: return Variant::Null();
    case TVarKind::Empty: return Variant(std::int64_t(0));
    case TVarKind::Boolean: return Variant(std::int64_t(a.BoolUnchecked() ? -1 : 0));
    case TVarKind::Integer:
        if (a.IntUnchecked() == std::numeric_limits<std::int64_t>::min())
            return Variant(-static_cast<double>(a.IntUnchecked()));
        return Variant(-a.IntUnchecked());
    case TVarKind::Double: return Variant(-a.DoubleUnchecked());
    case TVarKind::DateTime: return Variant::DateTime(-a.DoubleUnchecked());
    case TVarKind::String: {
        Num n{};
        if (!ToNum(a, n))
            OperationError(a, a, "-");
        return n.isInt ? VarNeg(Variant(n.i)) : Variant(-n.d);
    }
    case TVarKind::Array: OperationError(a, a, "-");
    }
    return Variant();
}

void PrintTo(const Variant& v, std::ostream* os)
{
    *os << v.KindName().toStdString();
    if (v.IsArray()) {
        *os << "[" << v.ArrayLowBound() << ".." << v.ArrayHighBound() << "]";
        return;
    }
    if (!v.IsClear())
        *os << "(" << v.ToString().toStdString() << ")";
}

} // namespace kv
