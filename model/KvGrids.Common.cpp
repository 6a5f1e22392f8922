#include "model/KvGrids.Common.h"

#include "platform/rtl/IniFiles.h"

#include <QtCore/QFileInfo>

namespace kv {

TKvDataObject* TKvDataObject::CreateFromInifile(const QString& fileName, const QString& section)
{
    auto bag = std::make_unique<TKvDataObject>();
    bag->LoadFromInifile(fileName, section);
    return bag.release();
}

Variant TKvDataObject::GetValue(const QString& name) const
{
    const auto it = FValues.constFind(name);
    if (it == FValues.cend())
        throw EKeyNotFound(QStringLiteral("Item not found: %1").arg(name));
    return *it;
}

void TKvDataObject::SetValue(const QString& name, const Variant& value)
{
    FValues.insert(name, value);
}

bool TKvDataObject::TryGetValue(const QString& name, Variant& value) const
{
    const auto it = FValues.constFind(name);
    if (it == FValues.cend())
        return false;
    value = *it;
    return true;
}

TObject* TKvDataObject::GetObject(const QString& name) const
{
    return reinterpret_cast<TObject*>(static_cast<quintptr>(GetValue(name).ToInt64()));
}

void TKvDataObject::SetObject(const QString& name, TObject* value)
{
    SetValue(name, static_cast<std::int64_t>(reinterpret_cast<quintptr>(value)));
}

TVariantArray TKvDataObject::GetArary(const QString& name) const
{
    const Variant v = GetValue(name);
    TVariantArray out;
    if (!v.IsArray())
        return out;
    for (int i = v.ArrayLowBound(); i <= v.ArrayHighBound(); ++i)
        out.push_back(v.ArrayItem(i));
    return out;
}

void TKvDataObject::SetArray(const QString& name, const TVariantArray& values)
{
    SetValue(name, Variant::Array(values));
}

void TKvDataObject::Assign(const TKvDataObject* other)
{
    if (other == this)
        return;
    Clear();
    if (other)
        FValues = other->FValues;
}

void TKvDataObject::LoadFromInifile(const QString& fileName, const QString& section)
{
    if (!QFileInfo::exists(fileName))
        throw Exception(QStringLiteral("Ini file is not exists at ") + fileName);
    const TIniFile ini(QFileInfo(fileName).absoluteFilePath());
    for (const QString& key : ini.ReadSection(section))
        SetString(key, ini.ReadString(section, key));
}

void TKvDataObject::LoadFromStrings(const QStringList& lines)
{
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            SetString(line.left(eq).trimmed(), line.mid(eq + 1));
    }
}

} // namespace kv
