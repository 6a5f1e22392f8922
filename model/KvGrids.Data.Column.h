// A column of cell values kept by kind: whole numbers in as few bits as they need, doubles and
// date-times in 8, booleans in 1, texts as numbers into a table of the distinct texts; a
// column whose values mix kinds (or hold Empty or Null among others) keeps variants.
// Reading a cell gives back the variant that was stored, kind and value.
#pragma once

#include "platform/rtl/Variant.h"

#include <QtCore/QHash>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv {

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
    void InsertGap(size_t At, size_t Count);
    void Erase(size_t At, size_t Count);
    // New bytes are zero.
    void Resize(size_t Count);
    // Removes the elements of Width bytes at Rows (ascending, distinct, in range).
    void EraseElements(const std::vector<int>& Rows, size_t Width);
    void Clear();

private:
    void Reserve(size_t Count);
    unsigned char* FData = nullptr;
    size_t FSize = 0;
    size_t FCapacity = 0;
};

// Signed whole numbers packed in the fewest bits (1 to 56, else 64) that every value fits.
class TKvPackedInts
{
public:
    size_t Size() const { return FCount; }
    std::int64_t Get(size_t Index) const;
    void Set(size_t Index, std::int64_t Value);
    void Insert(size_t Index, std::int64_t Value);
    void Erase(size_t Index);
    // Rows: ascending, distinct, each below Size.
    void EraseRows(const std::vector<int>& Rows);
    void Clear();

private:
    static int BitsOf(std::int64_t Value);
    // Bytes for Count values and the slack that lets every value be read as 8 bytes.
    size_t BytesFor(size_t Count) const { return (Count * static_cast<size_t>(FBits) + 7) / 8 + 8; }
    void Widen(int Bits);
    void Store(size_t Index, std::int64_t Value);

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
    void Insert(size_t Row, const Variant& Value);
    void Erase(size_t Row);
    // Rows: ascending, distinct, each below Size.
    void EraseRows(const std::vector<int>& Rows);
    void Clear();
    // The cells as one variant array while the column keeps variants, else nil.
    const Variant* Values() const { return FMode == ModeVariants ? FVariants.data() : nullptr; }

private:
    bool Fits(const Variant& Value) const;
    // The mode a column of no rows takes for its first value.
    static TMode ModeFor(const Variant& Value);
    void ToVariants();
    std::int64_t TextIndex(const QString& Text);
    void Put(size_t Row, const Variant& Value, bool Insert);

    TMode FMode = ModeEmpty;
    size_t FSize = 0;
    TKvPackedInts FInts;
    TKvByteArray FDoubles;
    std::vector<QString> FTexts;
    QHash<QString, int> FTextIndex;
    std::vector<Variant> FVariants;
};

} // namespace kv
