#include "design/KvGrids.Data.Styles.h"

#include "platform/design/DesignDialogs.h"
#include "platform/rtl/SysUtils.h"

namespace kv {

namespace {

// A colour of a fill or stroke text: a colour name, #RRGGBB or #AARRGGBB becomes the bag's
// "#aarrggbb"; other text the bag reads as a colour stays; anything else is refused with a
// message that names a colour.
QString ColourPart(const QString& part, const QString& property)
{
    std::uint32_t argb = 0;
    if (ColorFromText(part, argb))
        return TKvColor(argb).ToString();
    try {
        (void)TKvColor(part.trimmed());
        return part;
    } catch (const EConvertError&) {
        throw EConvertError(
            QStringLiteral("'%1' is not a valid colour for %2: type a colour name, #RRGGBB or #AARRGGBB")
                .arg(part.trimmed(), property));
    }
}

// The text the bag is given for a property: colour names written out; text that the property's
// kind cannot hold is refused here, as the bag itself would read it as something else (an
// integer as 0, a colour as a number).
QString StyleText(const QString& property, const QString& text)
{
    const TKvStylePropertyRecord* rec = TKvStyleProperties::FindText(property);
    if (!rec)
        return text;
    switch (rec->Kind) {
    case svkInteger: {
        bool ok = false;
        text.trimmed().toInt(&ok);
        if (!ok)
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value for %2").arg(text, property));
        return text.trimmed();
    }
    case svkFill: {
        if (text.trimmed().isEmpty())
            return text;
        QStringList parts = text.split(QLatin1Char(','));
        const QString kind = parts[0].trimmed();
        if (kind == QLatin1String("radial"))
            return text;
        if (kind != QLatin1String("linear"))
            return ColourPart(text, property);
        for (qsizetype i = 1; i < std::min<qsizetype>(parts.size(), 3); ++i)
            parts[i] = ColourPart(parts[i], property);
        return parts.join(QLatin1Char(','));
    }
    case svkStroke: {
        if (text.trimmed().isEmpty())
            return text;
        QStringList parts = text.split(QLatin1Char(','));
        parts[0] = ColourPart(parts[0], property);
        return parts.join(QLatin1Char(','));
    }
    default:
        return text;
    }
}

const QStringList& FieldNames()
{
    static const QStringList names{QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("IsSet"),
                                   QStringLiteral("Description"), QStringLiteral("Index")};
    return names;
}
} // namespace

TKvGridStylesDataProvider::TKvGridStylesDataProvider(TComponent* AOwner)
    : TKvGridDataProvider(AOwner), FStyles(std::make_unique<TKvGridStylesAgent>(nullptr))
{
}

TKvGridStylesDataProvider::~TKvGridStylesDataProvider() = default;

void TKvGridStylesDataProvider::SetStyles(TKvGridStyleBag* Styles)
{
    if (Styles == FStyles->GetStyles())
        return;
    FValues.clear();
    FStyles->SetStyles(nullptr);
    if (Styles) {
        FStyles->SetStyles(Styles);
        for (const QString& name : TKvGridStylesAgent::GetNames()) {
            TPropertyRec rec;
            rec.Entry = TKvGridStylesAgent::GetEntry(name);
            rec.Name = name;
            rec.Description = TKvGridStylesAgent::GetDescription(name);
            rec.Value = FStyles->GetValue(name);
            FValues.push_back(std::move(rec));
        }
    }
    DoReset();
}

const TKvGridStylesDataProvider::TPropertyRec& TKvGridStylesDataProvider::GetRecord(int Row) const
{
    if (Row < 0 || Row >= GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is out of range.").arg(Row));
    return FValues[static_cast<size_t>(Row)];
}

TKvGridStylesDataProvider::TPropertyRec& TKvGridStylesDataProvider::Record(int Row)
{
    return const_cast<TPropertyRec&>(GetRecord(Row));
}

void TKvGridStylesDataProvider::ReloadValue(int Row)
{
    TPropertyRec& rec = Record(Row);
    rec.Value = FStyles->GetValue(rec.Name);
}

QStringList TKvGridStylesDataProvider::GetFieldNames() const { return FieldNames(); }

QString TKvGridStylesDataProvider::GetFieldName(int Field) const
{
    if (Field < 0 || Field >= FieldNames().size())
        throw EArgumentOutOfRangeException(QStringLiteral("Field %1 is out of range.").arg(Field));
    return FieldNames()[Field];
}

int TKvGridStylesDataProvider::GetFieldIndex(const QString& Name) const
{
    for (int i = 0; i < FieldNames().size(); ++i)
        if (FieldNames()[i].compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Variant TKvGridStylesDataProvider::GetData(int Row, int Field) const
{
    const TPropertyRec& rec = GetRecord(Row);
    switch (Field) {
    case FieldName:
        return Variant(rec.Name);
    case FieldValue:
        return Variant(FStyles->GetValue(rec.Name));
    case FieldIsSet:
        return Variant(FStyles->HasValue(rec.Entry));
    case FieldDescription:
        return Variant(rec.Description);
    case FieldIndex:
        return Variant(static_cast<int>(rec.Entry));
    default:
        throw EArgumentOutOfRangeException(QStringLiteral("Field %1 is out of range.").arg(Field));
    }
}

TKvGridDataRow TKvGridStylesDataProvider::GetRow(int Row) const
{
    TKvGridDataRow row;
    for (int field = 0; field < GetFieldCount(); ++field)
        row.push_back(GetData(Row, field));
    return row;
}

bool TKvGridStylesDataProvider::WriteValue(int Row, const Variant& Value)
{
    TPropertyRec& rec = Record(Row);
    const QString text = StyleText(rec.Name, Value.ToString());
    // The bag's own text, not the cache: the bag may have changed since.
    if (text == FStyles->GetValue(rec.Name))
        return false;
    FStyles->SetValue(rec.Name, text);
    rec.Value = FStyles->GetValue(rec.Name);
    return true;
}

void TKvGridStylesDataProvider::SetData(int Row, int Field, const Variant& Value)
{
    if (Field != FieldValue)
        throw Exception(QStringLiteral("Can not update value: %1").arg(Field));
    if (WriteValue(Row, Value))
        DoValueChanged(Row, Field);
}

void TKvGridStylesDataProvider::UpdateRow(int Row, const TKvGridDataRow& Values)
{
    if (Values.size() > static_cast<size_t>(FieldValue) && WriteValue(Row, Values[FieldValue]))
        DoValueChanged(Row, FieldValue);
    DoRowUpdated(Row);
}

void TKvGridStylesDataProvider::InsertRow(int, const TKvGridDataRow&) { throw Exception(QStringLiteral("Can not insert rows")); }
void TKvGridStylesDataProvider::RemoveRow(int) { throw Exception(QStringLiteral("Can not remove rows")); }
void TKvGridStylesDataProvider::RemoveRows(const TKvIntegerArray&) { throw Exception(QStringLiteral("Can not remove rows")); }

} // namespace kv
