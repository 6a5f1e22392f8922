#include "components/KvGrids.Data.FileSystem.h"

#include "platform/rtl/ClassRegistry.h"

namespace kv {

KV_PUBLISH(TKvFileListDataProvider, TComponent)
    .Property("Folder", &TKvFileListDataProvider::GetFolder, &TKvFileListDataProvider::SetFolder)
    .Property("Pattern", &TKvFileListDataProvider::GetPatternText, &TKvFileListDataProvider::SetPattern);

namespace {
[[maybe_unused]] const bool kRegistered = (RegisterClasses<TKvFileListDataProvider>(), true);
} // namespace

TKvFileListDataProvider::TKvFileListDataProvider(TComponent* AOwner) : TKvGridDataProvider(AOwner) {}

void TKvFileListDataProvider::SetFolder(const QString& Value)
{
    if (Value != FFolder)
        FFolder = Value;
}

void TKvFileListDataProvider::SetPattern(const QString& Value)
{
    if (Value != FPattern)
        FPattern = Value;
}

QString TKvFileListDataProvider::GetPattern() const
{
    const QString pattern = FPattern.trimmed();
    return pattern.isEmpty() ? QStringLiteral("*") : pattern;
}

} // namespace kv
