// Sections: summary fields - link (callbacks forwarded to the provider) - provider (rows,
// writes through the dataset's edit cycle, summaries, link handlers).
// Call flow: the dataset tells its data source, which tells the provider's link; the link's
// callbacks reach LinkActiveChanged ... LinkUpdateData, which size the link's buffer to the
// record count, summarize and notify the provider's listeners.
#include "components/KvGrids.Data.BDE.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Trace.h"
#include "platform/rtl/TypInfo.h"

#include <cmath>
#include <limits>

namespace kv {

namespace {

// Enables the dataset's controls on every way out.
class TControlsDisabled
{
public:
    explicit TControlsDisabled(TDataSet* dataSet) : FDataSet(dataSet) { FDataSet->DisableControls(); }
    ~TControlsDisabled() { FDataSet->EnableControls(); }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TDataSet* FDataSet;
};

// An edit in progress elsewhere is posted first, as any move to another record would.
void FinishEdit(TDataSet* dataSet)
{
    if (dataSet->GetState() == dsEdit || dataSet->GetState() == dsInsert)
        dataSet->Post();
}

} // namespace

// --- summary fields -----------------------------------------------------------------------

namespace {
TKvBDEDataField::TFieldDialog gFieldDialog = nullptr;
} // namespace

void TKvBDEDataField::SetFieldDialog(TFieldDialog Dialog)
{
    gFieldDialog = Dialog;
}

void TKvBDEDataField::AfterConstruction()
{
    // Add(name) and Assign fill the name themselves; both run inside an update.
    const auto* fields = dynamic_cast<const TKvBDEDataFieldCollection*>(FNewIn);
    auto* provider = fields ? dynamic_cast<TKvBDEDataProvider*>(fields->GetOwner()) : nullptr;
    if (gFieldDialog && provider && provider->IsDesigning() && !provider->IsLoading() && fields->UpdateCount() == 0) {
        QString name;
        if (!gFieldDialog(provider, name))
            throw EAbort(QStringLiteral("Operation aborted"));
        fields->CheckUniqueName(name, this);
        FFieldName = name;
    }
    FNewIn = nullptr;
    TCollectionItem::AfterConstruction();
}

void TKvBDEDataField::SetFieldName(const QString& value)
{
    if (const auto* fields = dynamic_cast<const TKvBDEDataFieldCollection*>(GetCollection()))
        fields->CheckUniqueName(value, this);
    if (ChangeField(FFieldName, value))
        Changed(false);
}

void TKvBDEDataField::SetSummaryType(TKvBDEDataSummaryType value)
{
    if (ChangeField(FSummaryType, value))
        Changed(false);
}

QString TKvBDEDataField::GetDisplayName() const
{
    return FFieldName.isEmpty() ? TCollectionItem::GetDisplayName() : FFieldName;
}

void TKvBDEDataField::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TKvBDEDataField*>(source)) {
        FFieldName = other->FFieldName;
        FSummaryType = other->FSummaryType;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(source);
}

TKvBDEDataFieldCollection::TKvBDEDataFieldCollection(TKvBDEDataProvider* owner)
    : TOwnedCollection(owner, ClassInfo<TKvBDEDataField>()), FOwner(owner)
{
}

void TKvBDEDataFieldCollection::CheckUniqueName(const QString& name, const TCollectionItem* except) const
{
    if (FOwner && FOwner->IsLoading())
        return;
    CheckUniqueFieldName(name, *this, except,
                         [](const TCollectionItem* f) { return static_cast<const TKvBDEDataField*>(f)->GetFieldName(); });
}

TKvBDEDataField* TKvBDEDataFieldCollection::Add(const QString& name)
{
    CheckUniqueName(name, nullptr);
    BeginUpdate();
    TKvBDEDataField* item = nullptr;
    {
        TScopeExit endUpdate([&] { EndUpdate(); });
        item = Add();
        item->SetFieldName(name);
    }
    return item;
}

TKvBDEDataField* TKvBDEDataFieldCollection::Find(const QString& name) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (GetItem(i)->GetFieldName().compare(name, Qt::CaseInsensitive) == 0)
            return GetItem(i);
    return nullptr;
}

TKvBDEDataField* TKvBDEDataFieldCollection::Find(int index) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (const TField* field = GetItem(i)->GetField(); field && field->GetIndex() == index)
            return GetItem(i);
    return nullptr;
}

int TKvBDEDataFieldCollection::IndexOf(const TKvBDEDataField* item) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i) == item)
            return i;
    return -1;
}

void TKvBDEDataFieldCollection::Update(TCollectionItem* item)
{
    FOwner->FieldsChanged();
}

// --- link ---------------------------------------------------------------------------------

void TKvBDEDataProvider::TKvDataLink::ActiveChanged()
{
    FProvider->LinkActiveChanged();
}

void TKvBDEDataProvider::TKvDataLink::DataSetChanged()
{
    FProvider->LinkDataSetChanged();
}

void TKvBDEDataProvider::TKvDataLink::DataSetScrolled(int distance)
{
    FProvider->LinkDataSetScrolled(distance);
}

void TKvBDEDataProvider::TKvDataLink::EditingChanged()
{
    FProvider->LinkEditingChanged();
}

void TKvBDEDataProvider::TKvDataLink::FocusControl(TField* field)
{
    FProvider->LinkFocusControl(field);
}

void TKvBDEDataProvider::TKvDataLink::LayoutChanged()
{
    FProvider->LinkLayoutChanged();
}

void TKvBDEDataProvider::TKvDataLink::RecordChanged(TField* field)
{
    FProvider->LinkRecordChanged(field);
}

void TKvBDEDataProvider::TKvDataLink::UpdateData()
{
    FInUpdate = true;
    FProvider->LinkUpdateData();
    FInUpdate = false;
}

// --- provider -----------------------------------------------------------------------------

TKvBDEDataProvider::TKvBDEDataProvider(TComponent* AOwner)
    : TKvGridDataProvider(AOwner), FDataLink(MakeOwned<TKvDataLink>(this)),
      FFields(MakeOwned<TKvBDEDataFieldCollection>(this))
{
}

TKvBDEDataProvider::~TKvBDEDataProvider() = default;

void TKvBDEDataProvider::BeforeDestruction()
{
    TKvGridDataProvider::BeforeDestruction();
    SetDataSource(nullptr);
}

void TKvBDEDataProvider::SetDataSource(TDataSource* value)
{
    TDataSource* old = FDataLink->GetDataSource();
    if (value == old)
        return;
    // The data source lets go of its links itself when it is freed.
    FDataLink->SetDataSource(value);
}

void TKvBDEDataProvider::Loaded()
{
    TKvGridDataProvider::Loaded();
    ResetBindings();
    Summarize();
    DoReset();
}

int TKvBDEDataProvider::GetRowCount() const
{
    return FDataLink->GetActive() ? FDataLink->GetRecordCount() : 0;
}

int TKvBDEDataProvider::GetFieldCount() const
{
    const TDataSet* set = GetDataSet();
    return set ? set->GetFields().Count() : 0;
}

QStringList TKvBDEDataProvider::GetFieldNames() const
{
    QStringList names;
    if (const TDataSet* set = GetDataSet())
        for (int i = 0; i < set->GetFields().Count(); ++i)
            names.append(set->GetFields()[i]->GetFieldName());
    return names;
}

QString TKvBDEDataProvider::GetFieldName(int Field) const
{
    const TDataSet* set = GetDataSet();
    if (!set || Field < 0 || Field >= set->GetFields().Count())
        return QString();
    return set->GetFields()[Field]->GetFieldName();
}

int TKvBDEDataProvider::GetFieldIndex(const QString& Name) const
{
    const TDataSet* set = GetDataSet();
    const TField* field = set ? set->FindField(Name) : nullptr;
    return field ? field->GetIndex() : -1;
}

void TKvBDEDataProvider::CheckRow(int Row) const
{
    if (Row < 0 || Row >= GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
}

Variant TKvBDEDataProvider::GetData(int Row, int Field) const
{
    if (!FDataLink->GetActive())
        return Variant();
    CheckRow(Row);
    if (Field < 0 || Field >= GetFieldCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Column %1 is invalid index.").arg(Field));
    const int saved = FDataLink->GetActiveRecord();
    FDataLink->SetActiveRecord(Row);
    Variant value = GetDataSet()->GetFields()[Field]->GetValue();
    FDataLink->SetActiveRecord(saved);
    return value;
}

void TKvBDEDataProvider::StoreValue(TField* Field, const Variant& Value)
{
    if (!Value.IsString() || !Value.AsString().isEmpty()) {
        Field->SetValue(Value);
        return;
    }
    // A cleared cell: an empty text that the field holds already stays as it is.
    const Variant current = Field->GetValue();
    if (current.IsString() && current.AsString().isEmpty())
        return;
    if (Field->GetRequired())
        throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(Field->GetFieldName()));
    Field->SetValue(Variant::Null());
}

void TKvBDEDataProvider::WriteRow(bool inserting, int Row, const TKvGridDataRow& Values)
{
    TDataSet* set = GetDataSet();
    FinishEdit(set);
    TControlsDisabled disabled(set);
    {
        TScopeExit cancel([&] { set->Cancel(); });
        if (inserting && Row == GetRowCount()) {
            set->Append();
        } else {
            FDataLink->SetActiveRecord(Row);
            if (inserting)
                set->Insert();
            else
                set->Edit();
        }
        const int count = std::min(static_cast<int>(Values.size()), set->GetFields().Count());
        for (int i = 0; i < count; ++i)
            StoreValue(set->GetFields()[i], Values[static_cast<size_t>(i)]);
        set->Post();
        cancel.Dismiss();
    }
}

void TKvBDEDataProvider::UpdateRow(int Row, const TKvGridDataRow& Values)
{
    if (!FDataLink->GetActive())
        return;
    CheckRow(Row);
    WriteRow(false, Row, Values);
}

void TKvBDEDataProvider::InsertRow(int Row, const TKvGridDataRow& Values)
{
    if (!FDataLink->GetActive())
        return;
    if (Row < 0 || Row > GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
    WriteRow(true, Row, Values);
}

void TKvBDEDataProvider::RemoveRow(int Row)
{
    if (!FDataLink->GetActive())
        return;
    CheckRow(Row);
    TDataSet* set = GetDataSet();
    FinishEdit(set);
    TControlsDisabled disabled(set);
    FDataLink->SetActiveRecord(Row);
    set->Delete();
}

void TKvBDEDataProvider::RemoveRows(const TKvIntegerArray& Rows)
{
    if (!FDataLink->GetActive())
        return;
    for (int row : Rows)
        CheckRow(row);
    TDataSet* set = GetDataSet();
    FinishEdit(set);
    TControlsDisabled disabled(set);
    std::vector<TBookmark> bookmarks;
    bookmarks.reserve(Rows.size());
    for (int row : Rows) {
        FDataLink->SetActiveRecord(row);
        bookmarks.push_back(set->GetBookmark());
    }
    for (TBookmark bookmark : bookmarks) {
        // A row listed twice is gone the second time.
        if (!set->BookmarkValid(bookmark))
            continue;
        set->GotoBookmark(bookmark);
        set->Delete();
    }
}

const TKvBDEDataField* TKvBDEDataProvider::SummaryOf(int Field) const
{
    return FFields->Find(Field);
}

Variant TKvBDEDataProvider::GetSum(int Field) const
{
    const TKvBDEDataField* f = SummaryOf(Field);
    return Variant(f ? static_cast<double>(f->FSum) : 0.0);
}

Variant TKvBDEDataProvider::GetMax(int Field) const
{
    const TKvBDEDataField* f = SummaryOf(Field);
    return Variant(f && GetRowCount() > 0 ? static_cast<double>(f->FMax) : 0.0);
}

Variant TKvBDEDataProvider::GetMin(int Field) const
{
    const TKvBDEDataField* f = SummaryOf(Field);
    return Variant(f && GetRowCount() > 0 ? static_cast<double>(f->FMin) : 0.0);
}

Variant TKvBDEDataProvider::GetMean(int Field) const
{
    const TKvBDEDataField* f = SummaryOf(Field);
    return Variant(f ? static_cast<double>(f->FMean) : 0.0);
}

Variant TKvBDEDataProvider::GetVar(int Field) const
{
    const TKvBDEDataField* f = SummaryOf(Field);
    const int count = GetRowCount();
    return Variant(f && count > 0 ? static_cast<double>(f->FVar / count) : 0.0);
}

Variant TKvBDEDataProvider::GetStdev(int Field) const
{
    return Variant(std::sqrt(GetVar(Field).ToDouble()));
}

void TKvBDEDataProvider::ResetBindings()
{
    const TDataSet* set = FDataLink->GetActive() ? GetDataSet() : nullptr;
    for (int i = 0; i < FFields->Count(); ++i) {
        TKvBDEDataField* item = FFields->GetItem(i);
        item->FField = set ? set->FindField(item->FFieldName) : nullptr;
    }
}

void TKvBDEDataProvider::Summarize()
{
    if (FCalculating || IsDestroying() || IsDesigning() || !FDataLink->GetActive() || FFields->Count() == 0)
        return;
    FSumFlds.clear();
    for (int i = 0; i < FFields->Count(); ++i) {
        TKvBDEDataField* item = FFields->GetItem(i);
        if (item->FField && item->FSummaryType != SummaryNone && dynamic_cast<TNumericField*>(item->FField))
            FSumFlds.push_back(item);
    }
    if (FSumFlds.empty())
        return;
    TDataSet* set = GetDataSet();
    FCalculating = true;
    struct TRunEnd
    {
        TKvBDEDataProvider* Provider;
        ~TRunEnd()
        {
            Provider->FSumFlds.clear();
            Provider->FCalculating = false;
        }
    } runEnd{this};
    TControlsDisabled disabled(set);
    for (TKvBDEDataField* item : FSumFlds) {
        item->FSum = 0;
        item->FVar = 0;
        item->FMean = 0;
        item->FMin = std::numeric_limits<long double>::max();
        item->FMax = std::numeric_limits<long double>::lowest();
    }
    const int count = GetRowCount();
    const int saved = count > 0 ? FDataLink->GetActiveRecord() : 0;
    for (int row = 0; row < count; ++row) {
        FDataLink->SetActiveRecord(row);
        for (TKvBDEDataField* item : FSumFlds) {
            const long double v = item->FField->GetAsFloat();
            item->FSum += v;
            item->FMax = std::max(item->FMax, v);
            item->FMin = std::min(item->FMin, v);
        }
    }
    // Over no records the mean and variance are 0.
    if (count > 0) {
        for (TKvBDEDataField* item : FSumFlds)
            item->FMean = item->FSum / count;
        for (int row = 0; row < count; ++row) {
            FDataLink->SetActiveRecord(row);
            for (TKvBDEDataField* item : FSumFlds)
                if (item->FSummaryType == SummaryAll) {
                    const long double d = item->FField->GetAsFloat() - item->FMean;
                    item->FVar += d * d;
                }
        }
        FDataLink->SetActiveRecord(saved);
    }
}

void TKvBDEDataProvider::FieldsChanged()
{
    if (IsLoading() || IsDestroying())
        return;
    ResetBindings();
    Summarize();
    DoReset();
}

void TKvBDEDataProvider::LinkActiveChanged()
{
    if (IsDestroying())
        return;
    if (FDataLink->GetActive())
        FDataLink->SetBufferCount(GetDataSet()->GetRecordCount());
    ResetBindings();
    Summarize();
    DoReset();
    trace(this, "DataLink.ActiveChanged");
}

void TKvBDEDataProvider::LinkDataSetChanged()
{
    if (IsDestroying())
        return;
    if (FDataLink->GetActive())
        FDataLink->SetBufferCount(GetDataSet()->GetRecordCount());
    Summarize();
    DoRefresh();
    trace(this, "DataLink.DataSetChanged");
}

void TKvBDEDataProvider::LinkDataSetScrolled(int Distance)
{
    trace(this, "DataLink.DataSetScrolled");
}

void TKvBDEDataProvider::LinkEditingChanged()
{
    trace(this, "DataLink.EditingChanged");
}

void TKvBDEDataProvider::LinkFocusControl(TField* Field)
{
    trace(this, "DataLink.EditingChanged");
}

void TKvBDEDataProvider::LinkLayoutChanged()
{
    if (IsDestroying())
        return;
    ResetBindings();
    Summarize();
    DoReset();
    trace(this, "DataLink.LayoutChanged");
}

void TKvBDEDataProvider::LinkRecordChanged(TField* Field)
{
    trace(this, "DataLink.RecordChanged");
}

void TKvBDEDataProvider::LinkUpdateData()
{
    trace(this, "DataLink.UpdateData");
}

KV_PUBLISH_ENUM(TKvBDEDataSummaryType, "SummaryNone", "SummaryTotal", "SummaryAll");

KV_PUBLISH(TKvBDEDataField, TCollectionItem)
    .Property("FieldName", &TKvBDEDataField::GetFieldName, &TKvBDEDataField::SetFieldName)
    .Property("SummaryType", &TKvBDEDataField::GetSummaryType, &TKvBDEDataField::SetSummaryType).Default(SummaryNone);

KV_PUBLISH(TKvBDEDataFieldCollection, TOwnedCollection);

KV_PUBLISH(TKvBDEDataProvider, TComponent)
    .Property("DataSource", &TKvBDEDataProvider::GetDataSource, &TKvBDEDataProvider::SetDataSource)
    .Property("Fields", &TKvBDEDataProvider::GetFields, &TKvBDEDataProvider::SetFields);

} // namespace kv
