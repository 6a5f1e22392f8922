// A column of cell values kept by kind: whole numbers in as few bits as they need, doubles and
// date-times in 8, booleans in 1, texts as numbers into a table of the distinct texts; a
// column whose values mix kinds (or hold Empty or Null among others) keeps variants.
// Reading a cell gives back the variant that was stored, kind and value.
#pragma once

#include "platform/rtl/Variant.h"

#include <QtCore/QHash>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

namespace kv {

// Unsigned keys in the total variant order of numbers of one kind: doubles (NaN above all,
// -0 with 0) and whole numbers.
inline std::uint64_t DoubleOrderKey(double d)
{
    if (std::isnan(d))
        return std::numeric_limits<std::uint64_t>::max();
    if (d == 0)
        d = 0; // -0 sorts with 0
    const auto b = std::bit_cast<std::uint64_t>(d);
    return (b >> 63) ? ~b : b | (std::uint64_t(1) << 63);
}

inline std::uint64_t IntOrderKey(std::int64_t i) { return static_cast<std::uint64_t>(i) ^ (std::uint64_t(1) << 63); }

// A growable array of bytes that grows in place where the system can (realloc), so large
// columns neither copy nor hold two copies while they grow.
class TKvByteArray
{
public:
    TKvByteArray() = default;
    TKvByteArray(const TKvByteArray&) = delete;
    TKvByteArray& operator=(const TKvByteArray&) = delete;
    TKvByteArray(TKvByteArray&& Other) noexcept;
    TKvByteArray& operator=(TKvByteArray&& Other) noexcept;
    ~TKvByteArray();

    unsigned char* Data() { return FData; }
    const unsigned char* Data() const { return FData; }
    size_t Size() const { return FSize; }
    // Count bytes of room at At, the later bytes moved up (their content is left as it was).
    void InsertGap(size_t At, size_t Count)
    {
        Reserve(FSize + Count);
        if (At < FSize)
            std::memmove(FData + At + Count, FData + At, FSize - At);
        FSize += Count;
    }
    void Erase(size_t At, size_t Count);
    // New bytes are zero.
    void Resize(size_t Count)
    {
        if (Count > FSize && Count - FSize <= 8) {
            // A few bytes more (a value appended): one word of zeros within the room.
            Reserve(FSize + 8);
            const std::uint64_t zero = 0;
            std::memcpy(FData + FSize, &zero, 8);
        } else {
            Reserve(Count);
            if (Count > FSize)
                std::memset(FData + FSize, 0, Count - FSize);
        }
        FSize = Count;
    }
    // Removes the elements of Width bytes at Rows (ascending, distinct, in range).
    void EraseElements(const std::vector<int>& Rows, size_t Width);
    void Clear();

private:
    void Reserve(size_t Count)
    {
        if (Count > FCapacity) [[unlikely]]
            Grow(Count);
    }
    void Grow(size_t Count);
    unsigned char* FData = nullptr;
    size_t FSize = 0;
    size_t FCapacity = 0;
};

// Signed whole numbers packed in the fewest bits (1 to 56, else 64) that every value fits.
class TKvPackedInts
{
public:
    size_t Size() const { return FCount; }
    // Up to 56 bits a value lies within the 8 bytes from its first byte.
    std::int64_t Get(size_t Index) const
    {
        if (FBits == 64) {
            std::int64_t value;
            std::memcpy(&value, FBytes.Data() + Index * 8, 8);
            return value;
        }
        const size_t bit = Index * static_cast<size_t>(FBits);
        std::uint64_t word;
        std::memcpy(&word, FBytes.Data() + bit / 8, 8);
        const int unused = 64 - FBits;
        return static_cast<std::int64_t>((word >> (bit % 8)) << unused) >> unused;
    }
    // Calls Each(i, value) for the value at each of Rows (each below Size), the width read once.
    template <typename F>
    void ForRows(std::span<const int> Rows, F&& Each) const
    {
        const unsigned char* data = FBytes.Data();
        if (FBits == 64) {
            for (size_t i = 0; i < Rows.size(); ++i) {
                std::int64_t value;
                std::memcpy(&value, data + static_cast<size_t>(Rows[i]) * 8, 8);
                Each(i, value);
            }
            return;
        }
        const auto bits = static_cast<size_t>(FBits);
        const int unused = 64 - FBits;
        for (size_t i = 0; i < Rows.size(); ++i) {
            const size_t bit = static_cast<size_t>(Rows[i]) * bits;
            std::uint64_t word;
            std::memcpy(&word, data + bit / 8, 8);
            Each(i, static_cast<std::int64_t>((word >> (bit % 8)) << unused) >> unused);
        }
    }
    void Set(size_t Index, std::int64_t Value);
    void Insert(size_t Index, std::int64_t Value);
    void Append(std::int64_t Value)
    {
        if (const int bits = BitsOf(Value); bits > FBits) [[unlikely]]
            Widen(bits);
        FBytes.Resize(BytesFor(FCount + 1));
        Store(FCount++, Value);
    }
    void Erase(size_t Index);
    // Rows: ascending, distinct, each below Size.
    void EraseRows(const std::vector<int>& Rows);
    void Clear();

private:
    static int BitsOf(std::int64_t Value)
    {
        // The magnitude's bits and a sign bit.
        const auto magnitude = static_cast<std::uint64_t>(Value < 0 ? ~Value : Value);
        const int bits = magnitude == 0 ? 1 : 65 - __builtin_clzll(magnitude);
        return bits > 56 ? 64 : bits;
    }
    // Bytes for Count values and the slack that lets every value be read as 8 bytes.
    size_t BytesFor(size_t Count) const { return (Count * static_cast<size_t>(FBits) + 7) / 8 + 8; }
    void Widen(int Bits);
    void Store(size_t Index, std::int64_t Value)
    {
        if (FBits == 64) {
            std::memcpy(FBytes.Data() + Index * 8, &Value, 8);
            return;
        }
        const size_t bit = Index * static_cast<size_t>(FBits);
        const int shift = static_cast<int>(bit % 8);
        const std::uint64_t mask = ((std::uint64_t(1) << FBits) - 1) << shift;
        std::uint64_t word;
        std::memcpy(&word, FBytes.Data() + bit / 8, 8);
        word = (word & ~mask) | ((static_cast<std::uint64_t>(Value) << shift) & mask);
        std::memcpy(FBytes.Data() + bit / 8, &word, 8);
    }

    TKvByteArray FBytes;
    size_t FCount = 0;
    int FBits = 1;
};

class TKvValueColumn
{
public:
    enum TMode : std::uint8_t { ModeEmpty, ModeInts, ModeDoubles, ModeDates, ModeBools, ModeTexts, ModeVariants };

    TKvValueColumn() = default;
    // Count empty cells.
    explicit TKvValueColumn(size_t Count) : FSize(Count) {}

    size_t Size() const { return FSize; }
    TMode Mode() const { return FMode; }
    Variant Get(size_t Row) const;
    void Set(size_t Row, const Variant& Value);
    // Appending a value of the column's kind goes without shifting or a change of mode.
    void Insert(size_t Row, const Variant& Value)
    {
        if (Row != FSize || !Append(Value))
            Put(Row, Value, true);
    }
    void Erase(size_t Row);
    // Rows: ascending, distinct, each below Size.
    void EraseRows(const std::vector<int>& Rows);
    void Clear();
    // The cells as one variant array while the column keeps variants, else nil.
    const Variant* Values() const { return FMode == ModeVariants ? FVariants.data() : nullptr; }
    // The cells of Rows (each below Size) into Cells.
    void Gather(std::span<const int> Rows, Variant* Cells) const;
    // Keys of the cells of Rows (each below Size) from 0 up to Max, ordered as the total
    // variant order of the cells and equal exactly where the cells are; false while the
    // column keeps variants or its table of texts is much larger than Rows.
    bool OrderKeys(std::span<const int> Rows, std::uint64_t* Keys, std::uint64_t& Max) const;
    // The numbers of a ModeInts column and of a ModeDoubles one.
    const TKvPackedInts& Ints() const { return FInts; }
    double DoubleAt(size_t Row) const
    {
        double value;
        std::memcpy(&value, FDoubles.Data() + Row * sizeof(double), sizeof(double));
        return value;
    }

private:
    bool Fits(const Variant& Value) const { return FMode == ModeVariants || ModeFor(Value) == FMode; }
    // The mode a column of no rows takes for its first value.
    static TMode ModeFor(const Variant& Value)
    {
        switch (Value.Kind()) {
        case TVarKind::Empty: return ModeEmpty;
        case TVarKind::Integer: return ModeInts;
        case TVarKind::Double: return ModeDoubles;
        case TVarKind::DateTime: return ModeDates;
        case TVarKind::Boolean: return ModeBools;
        // A null text stays apart from the empty one it equals in the table.
        case TVarKind::String: return Value.StringUnchecked().isNull() ? ModeVariants : ModeTexts;
        default: return ModeVariants;
        }
    }
    void ToVariants();
    std::int64_t TextIndex(const QString& Text);
    void Put(size_t Row, const Variant& Value, bool Insert);
    // False, with nothing done, unless the column has rows and Value fits its mode.
    bool Append(const Variant& Value)
    {
        if (FSize == 0)
            return false;
        switch (FMode) {
        case ModeInts:
            if (!Value.IsInteger())
                return false;
            FInts.Append(Value.IntUnchecked());
            break;
        case ModeDoubles:
        case ModeDates: {
            if (Value.Kind() != (FMode == ModeDoubles ? TVarKind::Double : TVarKind::DateTime))
                return false;
            const double value = Value.DoubleUnchecked();
            FDoubles.InsertGap(FSize * sizeof(double), sizeof(double));
            std::memcpy(FDoubles.Data() + FSize * sizeof(double), &value, sizeof(double));
            break;
        }
        case ModeTexts:
            if (Value.Kind() != TVarKind::String || Value.StringUnchecked().isNull())
                return false;
            FInts.Append(TextIndex(Value.StringUnchecked()));
            break;
        default: return false;
        }
        ++FSize;
        if (FMode == ModeTexts && FSize >= kTextTableRows && FTexts.size() > FSize / 2) [[unlikely]]
            ToVariants();
        return true;
    }
    // A text column of at least this many rows with more distinct texts than half its rows keeps
    // variants (a table of texts costs more than variants when most are distinct; in the first
    // rows most are, whatever the column holds later).
    static constexpr size_t kTextTableRows = 65536;

    TMode FMode = ModeEmpty;
    size_t FSize = 0;
    TKvPackedInts FInts;
    TKvByteArray FDoubles;
    // The distinct texts in order of first appearance, found by hash in FTextSlots: open
    // addressing, at most half full, each slot the text's characters (held by FTexts), its
    // length, hash and number + 1 (0: free).
    struct TTextSlot
    {
        const QChar* Chars = nullptr;
        qsizetype Size = 0;
        std::uint32_t Hash = 0;
        std::uint32_t Number = 0;
    };
    void GrowTextSlots();
    std::vector<QString> FTexts;
    std::vector<TTextSlot> FTextSlots;
    std::vector<Variant> FVariants;
};

} // namespace kv
