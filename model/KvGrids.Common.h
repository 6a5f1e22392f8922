// Shared helpers: the debug trace, a string-keyed value bag and an array helper.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Trace.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QHash>
#include <initializer_list>

namespace kv {

// Extra information on the mouse press that a closing drop-down re-sends.
constexpr quintptr CLOSEUP_MESSAGE = 0x12345678;

// A bag of named variants.
class TKvDataObject : public TObject
{
public:
    TKvDataObject() = default;
    static TKvDataObject* CreateFromInifile(const QString& fileName, const QString& section);

    // Raises EKeyNotFound for an unknown name.
    Variant GetValue(const QString& name) const;
    void SetValue(const QString& name, const Variant& value);
    bool TryGetValue(const QString& name, Variant& value) const;
    bool Contains(const QString& name) const { return FValues.contains(name); }
    int Count() const { return static_cast<int>(FValues.size()); }

    QString GetString(const QString& name) const { return GetValue(name).ToString(); }
    void SetString(const QString& name, const QString& value) { SetValue(name, value); }
    bool GetBoolean(const QString& name) const { return GetValue(name).ToBoolean(); }
    void SetBoolean(const QString& name, bool value) { SetValue(name, value); }
    std::int64_t GetInteger(const QString& name) const { return GetValue(name).ToInt64(); }
    void SetInteger(const QString& name, std::int64_t value) { SetValue(name, value); }
    double GetDouble(const QString& name) const { return GetValue(name).ToDouble(); }
    void SetDouble(const QString& name, double value) { SetValue(name, value); }
    // Stored as a date-time, read back as days.
    double GetDateTime(const QString& name) const { return GetValue(name).ToDateTime(); }
    void SetDateTime(const QString& name, double value) { SetValue(name, Variant::DateTime(value)); }
    // The reference is kept as a full-width integer.
    TObject* GetObject(const QString& name) const;
    void SetObject(const QString& name, TObject* value);
    TVariantArray GetArary(const QString& name) const;
    void SetArray(const QString& name, const TVariantArray& values);

    void Clear() { FValues.clear(); }
    void Assign(const TKvDataObject* other);
    // Raises Exception "Ini file is not exists at " + fileName when the file is missing.
    void LoadFromInifile(const QString& fileName, const QString& section);
    // Stores each "name=value" line; lines without "=" are skipped.
    void LoadFromStrings(const QStringList& lines);

private:
    QHash<QString, Variant> FValues;
};

class TKvArrayUtils
{
public:
    static TVariantArray ToArray(std::initializer_list<Variant> values) { return TVariantArray(values); }
};

} // namespace kv
