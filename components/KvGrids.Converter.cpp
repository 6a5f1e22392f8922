#include "components/KvGrids.Converter.h"

#include "grid/KvGrids.View.h"
#include "platform/rtl/TypInfo.h"

namespace kv {

void TKvGridConverter::Convert(TKvGridView* Grid, bool AllItems)
{
    if (!Grid)
        throw Exception(QStringLiteral("grid is nil"));
    QString text;
    ConvertAll(Grid, AllItems, text);
    FOutput = std::move(text);
}

void TKvGridConverter::Convert(const TKvGridRange& Range)
{
    if (!Range.C1 || !Range.C2)
        throw Exception(QStringLiteral("Invalid grid range"));
    QString text;
    ConvertRange(Range, text);
    FOutput = std::move(text);
}

using TConverter = TKvGridConverter;
KV_PUBLISH(TKvGridConverter, TComponent)
    .Property("HeaderVisible", &TConverter::GetHeaderVisible, &TConverter::SetHeaderVisible).Default(true)
    .Property("FooterVisible", &TConverter::GetFooterVisible, &TConverter::SetFooterVisible).Default(true)
    .Property("GroupHeaderVisible", &TConverter::GetGroupHeaderVisible, &TConverter::SetGroupHeaderVisible).Default(true)
    .Property("GroupFooterVisible", &TConverter::GetGroupFooterVisible, &TConverter::SetGroupFooterVisible).Default(true);

} // namespace kv
