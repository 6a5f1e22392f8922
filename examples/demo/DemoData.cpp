#include "DemoData.h"

#include "model/KvGrids.Data.Simple.h"
#include "platform/rtl/DateUtils.h"

#include <array>
#include <cstdint>
#include <vector>

using namespace kv;

namespace demo {

namespace {

// A well-mixed 64-bit value per (row, salt): the same table on every run.
std::uint64_t Mix(std::uint64_t row, std::uint64_t salt)
{
    std::uint64_t z = row * 0x9E3779B97F4A7C15ull + salt * 0xBF58476D1CE4E5B9ull + 0x94D049BB133111EBull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int Pick(int row, int salt, int count) { return static_cast<int>(Mix(std::uint64_t(row), std::uint64_t(salt)) % std::uint64_t(count)); }

// Korean family and given names with their Latin spellings, index for index.
const std::array<const char*, 8> FamilyKo{"김", "이", "박", "최", "정", "강", "조", "윤"};
const std::array<const char*, 8> FamilyEn{"Kim", "Lee", "Park", "Choi", "Jung", "Kang", "Cho", "Yoon"};
const std::array<const char*, 10> GivenKo{"민준", "서연", "도윤", "지우", "하준", "서윤", "시우", "하은", "지호", "수아"};
const std::array<const char*, 10> GivenEn{"Minjun", "Seoyeon", "Doyun", "Jiwoo", "Hajun", "Seoyun", "Siwoo", "Haeun", "Jiho", "Sua"};
const std::array<const char*, 6> Regions{"서울", "부산", "인천", "대구", "광주", "제주"};
const std::array<const char*, 10> Cities{"Oslo", "Lima", "Pune", "Kobe", "Graz", "Turin", "Quito", "Dakar", "Perth", "Bergen"};

// One column of Rows values from make(row).
template <typename F>
void FillColumn(TKvSimpleDataProvider* table, int field, int rows, F make)
{
    for (int r = 0; r < rows; ++r)
        table->SetData(r, field, make(r));
}

// Shared strings, so that a million cells hold a few dozen texts.
std::vector<Variant> Texts(const QStringList& values)
{
    std::vector<Variant> out;
    for (const QString& v : values)
        out.emplace_back(v);
    return out;
}

} // namespace

const QStringList& FieldNames()
{
    static const QStringList names =
        QStringLiteral("No,Region,NameKo,NameEn,City,Ordered,Quantity,Price,Amount,Progress,Paid,Photo").split(QLatin1Char(','));
    return names;
}

QStringList PhotoKeys() { return {"p0", "p1", "p2", "p3", "p4", "p5"}; }

void FillTable(TKvSimpleDataProvider* Table, int Rows)
{
    // The rows first (no columns yet, so each is only counted), then every column at once.
    Table->BeginUpdate();
    for (int r = 0; r < Rows; ++r)
        Table->InsertRow(r, {});
    Table->InsertColumns(0, FieldCount, FieldNames().join(QLatin1Char(',')), QStringLiteral("n,s,s,s,s,d,n,n,n,n,b,s"));

    QStringList namesKo, namesEn;
    for (size_t f = 0; f < FamilyKo.size(); ++f)
        for (size_t g = 0; g < GivenKo.size(); ++g) {
            namesKo << QString::fromUtf8(FamilyKo[f]) + QString::fromUtf8(GivenKo[g]);
            namesEn << QStringLiteral("%1 %2").arg(QLatin1String(FamilyEn[f]), QLatin1String(GivenEn[g]));
        }
    QStringList regions, cities;
    for (const char* r : Regions)
        regions << QString::fromUtf8(r);
    for (const char* c : Cities)
        cities << QString::fromLatin1(c);
    const std::vector<Variant> ko = Texts(namesKo), en = Texts(namesEn), region = Texts(regions), city = Texts(cities),
                               photo = Texts(PhotoKeys());
    const double firstDay = EncodeDate(2025, 1, 1);
    const int regionCount = static_cast<int>(region.size());
    auto quantity = [](int r) { return 1 + Pick(r, 5, 120); };
    auto price = [](int r) { return 500 + Pick(r, 6, 400) * 25; };

    FillColumn(Table, FieldNo, Rows, [](int r) { return Variant(r + 1); });
    FillColumn(Table, FieldRegion, Rows, [&](int r) {
        return region[static_cast<size_t>(static_cast<long long>(r) * regionCount / Rows)];
    });
    FillColumn(Table, FieldNameKo, Rows, [&](int r) { return ko[size_t(Pick(r, 1, int(ko.size())))]; });
    FillColumn(Table, FieldNameEn, Rows, [&](int r) { return en[size_t(Pick(r, 1, int(en.size())))]; });
    FillColumn(Table, FieldCity, Rows, [&](int r) { return city[size_t(Pick(r, 3, int(city.size())))]; });
    FillColumn(Table, FieldOrdered, Rows, [&](int r) { return Variant::DateTime(firstDay + Pick(r, 4, 730)); });
    FillColumn(Table, FieldQuantity, Rows, [&](int r) { return Variant(quantity(r)); });
    FillColumn(Table, FieldPrice, Rows, [&](int r) { return Variant(price(r)); });
    FillColumn(Table, FieldAmount, Rows, [&](int r) { return Variant(static_cast<long long>(quantity(r)) * price(r)); });
    FillColumn(Table, FieldProgress, Rows, [](int r) { return Variant(Pick(r, 7, 101)); });
    FillColumn(Table, FieldPaid, Rows, [](int r) { return Variant(Pick(r, 8, 3) != 0); });
    FillColumn(Table, FieldPhoto, Rows, [&](int r) { return photo[size_t(Pick(r, 9, int(photo.size())))]; });
    Table->EndUpdate(false);
}

} // namespace demo
