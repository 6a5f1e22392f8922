// Variant: the value of every cell.
//
// Kinds: Empty (unassigned), Null, Boolean, Integer (64-bit), Double, DateTime (days since
// 1899-12-30 in a double), String and Array (read-only, shared, with a lower bound).
//
// Relation (VarRelate): Less, Equal, Greater or Unordered.
//  - Same kinds compare naturally; strings compare case-sensitively by code unit.
//  - Boolean (False 0, True 1), Integer, Double and DateTime compare as numbers.
//  - Text against a number is read as a number ('.' decimal point); text against a date-time
//    is read as a date-time ("2024-01-31", "2024-01-31 08:30:00") or else as a number; text
//    that does not read is Unordered.
//  - Null equals Null and is below every other value.
//  - Empty acts as 0 against numbers, as '' against text, and equals Empty.
//  - NaN equals NaN and is above every other number.
//  - Arrays compare item by item; an array against anything else is Unordered.
// Two faces of it:
//  - strict (VarCompare, the expression operators): Unordered raises EVariantError;
//  - total (VarCompareTotal, sorting, grouping, distinct values, CompareValue): never
//    throws, a strict weak order: families first, Null < numbers (Empty as 0, Boolean,
//    Integer, Double, DateTime) < String < Array, then values within the family (numbers
//    exactly, strings by code unit, arrays item by item in this order). Text never reads as
//    a number here, so '10' > 9 and '10' < '9' agree.
// Identity (operator==, SameValue): same kind and equal value; change detection uses it.
//
// Operators (VarAdd ...): Null propagates; Empty acts as 0 or ''. "+" joins two strings and
// adds numbers (text with a number reads the text as a number). "-" and "*" keep integers
// integers and promote to Double on overflow; "/" always gives a Double; "div", "mod", "shl",
// "shr" work on integers ("shr" is a logical shift); dividing by zero raises EDivByZero.
// DateTime plus or minus a number is a DateTime; DateTime minus DateTime is a Double.
// "and", "or", "xor", "not" are logical on booleans and bitwise on integers.
//
// Conversions: ToString gives '' for Empty and Null, "True"/"False", doubles in their shortest
// round-trip form with '.'. ToBoolean: numbers are true when non-zero; text "true"/"false"
// (any case) or numeric text convert, other text raises. ToDouble reads text with '.'.
// ToInt64 rounds doubles half to even. IsTrue is the predicate form: Null and Empty are false,
// and a value that does not convert is false.
#pragma once

#include "platform/rtl/SysUtils.h"

#include <QtCore/QString>
#include <QtCore/QMetaType>
#include <concepts>
#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

enum class TVarKind : std::uint8_t { Empty, Null, Boolean, Integer, Double, DateTime, String, Array };

class Variant;
struct TVariantArrayData;

enum class TVarRelation { Less, Equal, Greater, Unordered };

class Variant
{
public:
    Variant() noexcept : FKind(TVarKind::Empty) { FI = 0; }
    Variant(bool v) noexcept : FKind(TVarKind::Boolean) { FB = v; }
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    Variant(T v) noexcept : FKind(TVarKind::Integer)
    {
        FI = static_cast<std::int64_t>(v);
    }
    Variant(double v) noexcept : FKind(TVarKind::Double) { FD = v; }
    Variant(float v) noexcept : FKind(TVarKind::Double) { FD = v; }
    Variant(const QString& v) : FKind(TVarKind::String) { new (&FS) QString(v); }
    Variant(QString&& v) noexcept : FKind(TVarKind::String) { new (&FS) QString(std::move(v)); }
    Variant(const char* v) : FKind(TVarKind::String) { new (&FS) QString(QString::fromUtf8(v)); }
    Variant(QLatin1StringView v) : FKind(TVarKind::String) { new (&FS) QString(v); }

    static Variant Null() noexcept
    {
        Variant v;
        v.FKind = TVarKind::Null;
        return v;
    }
    static Variant Empty() noexcept { return Variant(); }
    static Variant DateTime(double days) noexcept
    {
        Variant v;
        v.FKind = TVarKind::DateTime;
        v.FD = days;
        return v;
    }
    // A read-only array whose first index is lowBound.
    static Variant Array(std::vector<Variant> items, int lowBound = 0);

    Variant(const Variant& other)
    {
        if (other.FKind < TVarKind::String) { // no shared payload: a plain copy
            FKind = other.FKind;
            FI = other.FI;
        } else if (other.FKind == TVarKind::String) {
            FKind = TVarKind::String;
            new (&FS) QString(other.StringUnchecked());
        } else {
            CopyFrom(other);
        }
    }
    Variant(Variant&& other) noexcept { MoveFrom(std::move(other)); }
    Variant& operator=(const Variant& other)
    {
        if (this == &other)
            return *this;
        // Read other first: it may live inside this value (an item of its array).
        if (other.FKind < TVarKind::String) {
            const TVarKind kind = other.FKind;
            const std::int64_t bits = other.FI;
            Destroy();
            FKind = kind;
            FI = bits;
        } else {
            Variant copy(other);
            Destroy();
            MoveFrom(std::move(copy));
        }
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept
    {
        if (this != &other) {
            Destroy();
            MoveFrom(std::move(other));
        }
        return *this;
    }
    ~Variant()
    {
        if (FKind == TVarKind::String)
            Str().~QString();
        else if (FKind == TVarKind::Array) [[unlikely]]
            DestroyArray();
    }

    TVarKind Kind() const noexcept { return FKind; }
    bool IsEmpty() const noexcept { return FKind == TVarKind::Empty; }
    bool IsNull() const noexcept { return FKind == TVarKind::Null; }
    // Empty or Null.
    bool IsClear() const noexcept { return FKind <= TVarKind::Null; }
    bool IsBoolean() const noexcept { return FKind == TVarKind::Boolean; }
    bool IsInteger() const noexcept { return FKind == TVarKind::Integer; }
    bool IsDouble() const noexcept { return FKind == TVarKind::Double; }
    bool IsDateTime() const noexcept { return FKind == TVarKind::DateTime; }
    bool IsString() const noexcept { return FKind == TVarKind::String; }
    bool IsArray() const noexcept { return FKind == TVarKind::Array; }
    // Boolean, Integer, Double or DateTime.
    bool IsNumeric() const noexcept { return FKind >= TVarKind::Boolean && FKind <= TVarKind::DateTime; }

    // The stored value of the matching kind, no conversion: AsBool for Boolean, AsInt for
    // Integer, AsDouble for Double and DateTime, AsString for String. Another kind raises
    // EAssertionFailed ("Variant of type (Int64) read as String").
    bool AsBool() const
    {
        CheckKind(FKind == TVarKind::Boolean, "Boolean");
        return FB;
    }
    std::int64_t AsInt() const
    {
        CheckKind(FKind == TVarKind::Integer, "Int64");
        return FI;
    }
    double AsDouble() const
    {
        CheckKind(FKind == TVarKind::Double || FKind == TVarKind::DateTime, "Double");
        return FD;
    }
    const QString& AsString() const
    {
        CheckKind(FKind == TVarKind::String, "String");
        return StringUnchecked();
    }
    // The same without the check, for loops that have tested the kind already.
    bool BoolUnchecked() const noexcept { return FB; }
    std::int64_t IntUnchecked() const noexcept { return FI; }
    double DoubleUnchecked() const noexcept { return FD; }
    const QString& StringUnchecked() const noexcept { return *reinterpret_cast<const QString*>(&FS); }

    // Conversions (see the header comment); a value that does not convert raises EVariantError.
    QString ToString() const&;
    // A temporary's text is handed over rather than copied.
    QString ToString() &&
    {
        if (FKind == TVarKind::String)
            return std::move(Str());
        return static_cast<const Variant&>(*this).ToString();
    }
    bool ToBoolean() const;
    std::int64_t ToInt64() const;
    int ToInt() const;
    double ToDouble() const;
    double ToDateTime() const;
    // Predicate contexts: Null, Empty and values that do not convert are false.
    bool IsTrue() const noexcept;
    // ToBoolean without raising: false when the value does not convert.
    bool TryToBoolean(bool& out) const noexcept;
    // Reads the value as a number when it is numeric or numeric text.
    bool TryToDouble(double& out) const noexcept;

    // Arrays.
    int ArrayLowBound() const;
    int ArrayHighBound() const;
    int ArrayCount() const;
    const Variant& ArrayItem(int index) const;

    QString KindName() const;
    static QString KindName(TVarKind kind);

    friend bool operator==(const Variant& a, const Variant& b) noexcept;

private:
    void CheckKind(bool matches, const char* wanted) const
    {
        if (!matches) [[unlikely]]
            KindMismatch(wanted);
    }
    [[noreturn]] void KindMismatch(const char* wanted) const;
    QString& Str() noexcept { return *reinterpret_cast<QString*>(&FS); }
    void Destroy() noexcept
    {
        if (FKind == TVarKind::String)
            Str().~QString();
        else if (FKind == TVarKind::Array) [[unlikely]]
            DestroyArray();
        FKind = TVarKind::Empty;
    }
    void DestroyArray() noexcept;
    void CopyFrom(const Variant& other);
    // Takes other's value and leaves other Empty.
    void MoveFrom(Variant&& other) noexcept
    {
        FKind = other.FKind;
        if (FKind == TVarKind::String) {
            new (&FS) QString(std::move(other.Str()));
            other.Str().~QString();
        } else if (FKind == TVarKind::Array) [[unlikely]] {
            MoveArrayFrom(other);
        } else {
            FI = other.FI;
        }
        other.FKind = TVarKind::Empty;
    }
    void MoveArrayFrom(Variant& other) noexcept;
    const std::shared_ptr<const TVariantArrayData>& ArrayPtr() const
    {
        return *reinterpret_cast<const std::shared_ptr<const TVariantArrayData>*>(&FS);
    }

    union {
        bool FB;
        std::int64_t FI;
        double FD;
        alignas(QString) unsigned char FS[sizeof(QString) > sizeof(std::shared_ptr<int>) ? sizeof(QString)
                                                                                         : sizeof(std::shared_ptr<int>)];
    };
    TVarKind FKind;
};

struct TVariantArrayData
{
    int LowBound = 0;
    std::vector<Variant> Items;
};

// Same kind and equal value (NaN equals NaN).
inline bool SameValue(const Variant& a, const Variant& b) noexcept { return a == b; }

TVarRelation VarRelate(const Variant& a, const Variant& b) noexcept;
// -1, 0 or 1; raises EVariantError for values that cannot be ordered.
int VarCompare(const Variant& a, const Variant& b);
// -1, 0 or 1; never throws (the total order of the header comment).
int VarCompareTotal(const Variant& a, const Variant& b) noexcept;
// The family rank of the total order: 0 Null, 1 numbers and Empty, 2 String, 3 Array.
int VarKeyFamily(TVarKind kind) noexcept;
inline bool VarEquals(const Variant& a, const Variant& b) noexcept { return VarRelate(a, b) == TVarRelation::Equal; }
// Key equality for hashing (grouping, distinct values): VarCompareTotal finds them equal.
// VarHash agrees with it.
bool VarKeyEqual(const Variant& a, const Variant& b) noexcept;
size_t VarHash(const Variant& v) noexcept;
struct TVariantKeyHash
{
    size_t operator()(const Variant& v) const noexcept { return VarHash(v); }
};
struct TVariantKeyEqual
{
    bool operator()(const Variant& a, const Variant& b) const noexcept { return VarKeyEqual(a, b); }
};

Variant VarAdd(const Variant& a, const Variant& b);
Variant VarSub(const Variant& a, const Variant& b);
Variant VarMul(const Variant& a, const Variant& b);
Variant VarDiv(const Variant& a, const Variant& b);
Variant VarIntDiv(const Variant& a, const Variant& b);
Variant VarMod(const Variant& a, const Variant& b);
Variant VarShl(const Variant& a, const Variant& b);
Variant VarShr(const Variant& a, const Variant& b);
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);
Variant VarNeg(const Variant& a);

// Text of doubles: shortest round-trip form with '.'.
QString FloatToStr(double value);
// Reads a number written with '.'; false when the text is not a number.
bool TryStrToFloat(const QString& text, double& out);
bool TryStrToInt64(const QString& text, std::int64_t& out);

// For test output.
void PrintTo(const Variant& v, std::ostream* os);

using TVariantArray = std::vector<Variant>;

} // namespace kv

Q_DECLARE_METATYPE(kv::Variant)
