// The demo: rows in an in-memory table, sorted by two fields through the default item provider.
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/DateUtils.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTextStream>

using namespace kv;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    TOwned<TKvSimpleDataProvider> table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    table->InsertColumns(0, 4, QStringLiteral("City,Product,Units,Shipped"), QStringLiteral("s,s,n,d"));
    const char* cities[] = {"Oslo", "Lima", "Pune", "Kobe", "Graz"};
    const char* products[] = {"Anchor", "Bolt", "Clamp", "Dowel"};
    for (int i = 0; i < 40; ++i)
        table->InsertRow(i, {cities[(i * 7) % 5], products[(i * 3) % 4], (i * 37) % 90 + 10,
                             Variant::DateTime(EncodeDate(2026, 1 + i % 12, 1 + (i * 5) % 28))});

    // Providers are made with MakeOwned (or Create) and freed through their owner.
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(table.get());
    items->OrderBy({0, 2}, {SortAscending, SortDescending});

    out << QStringLiteral("%1 rows, sorted by City ascending, then Units descending:\n").arg(items->GetItemCount());
    out << QStringLiteral("%1 %2 %3 %4\n").arg(QStringLiteral("City"), -6).arg(QStringLiteral("Product"), -8)
               .arg(QStringLiteral("Units"), 5).arg(QStringLiteral("Shipped"), 11);
    for (int i = 0; i < 12; ++i) {
        const TKvGridItem* item = items->GetItem(i);
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(item->GetData(0).ToString(), -6)
                   .arg(item->GetData(1).ToString(), -8)
                   .arg(item->GetData(2).ToString(), 5)
                   .arg(item->GetData(3).ToString(), 11);
    }
    out << QStringLiteral("Distinct cities: ");
    QStringList cityNames;
    for (const Variant& v : items->GetFieldDomain(0))
        cityNames << v.ToString();
    out << cityNames.join(QStringLiteral(", ")) << '\n';
    items->SetDataSource(nullptr);
    return 0;
}
