// Style containers, style objects, style sheets and the built-in sheet.
#include "graphics/KvGrids.Styles.h"

#include "platform/rtl/TypInfo.h"

#include <QtCore/QCoreApplication>

namespace kv {

// --- container ----------------------------------------------------------------------------

TKvGridStyleContainer::TKvGridStyleContainer(TComponent* owner)
    : TComponent(owner), FStyles(std::make_unique<TKvGridStyleBag>(this, QStringLiteral("default")))
{
}

TKvGridStyleContainer::~TKvGridStyleContainer() { ReleaseStyles(); }

void TKvGridStyleContainer::ReleaseStyles()
{
    if (!FStyles)
        return;
    // A listener told may remove (and free) others: the walk skips those.
    FListeners.Notify([this](TKvGridViewStyleChangeListener* listener) {
        if (auto* containerListener = dynamic_cast<TKvGridStyleContainerListener*>(listener))
            containerListener->Dispose(this);
    });
    FListeners.Clear();
    FStyles.reset();
}

void TKvGridStyleContainer::AssignStyles(TKvGridStyleBag* target, TKvGridStyleBag* source)
{
    if (!target || target == source)
        return;
    if (!source)
        target->Clear();
    else
        target->Assign(source);
}

void TKvGridStyleContainer::AddListener(TKvGridViewStyleChangeListener* listener)
{
    if (!listener || !FStyles)
        return;
    FStyles->AddListener(listener);
    FListeners.Add(listener);
}

void TKvGridStyleContainer::RemoveListener(TKvGridViewStyleChangeListener* listener)
{
    if (!listener || !FStyles)
        return;
    FStyles->RemoveListener(listener);
    FListeners.Remove(listener);
}

// The bag is gone only while the container is being destroyed.
void TKvGridStyleContainer::BeginUpdate()
{
    if (FStyles)
        FStyles->BeginUpdate();
}

void TKvGridStyleContainer::EndUpdate()
{
    if (FStyles)
        FStyles->EndUpdate();
}

// --- sheet --------------------------------------------------------------------------------

TKvGridStyleSheet::TKvGridStyleSheet(TComponent* owner) : TKvGridStyleContainer(owner)
{
    static const char* const names[] = {"panel",     "indicator",    "checkBar",  "statesBar",    "body",
                                        "bodyEmpty", "fixedCols",    "fixedColsBar", "fixedRows", "fixedRowsBar",
                                        "header",    "footer",       "headerGroup", "footerGroup", "rowGroupHeader",
                                        "rowGroupFooter"};
    const auto fields = RegionFields(*this);
    for (size_t i = 0; i < fields.size(); ++i)
        *fields[i] = std::make_unique<TKvGridStyleBag>(this, QString::fromLatin1(names[i]));
    if (const TKvGridStyleSheet* stock = DefaultIfExists()) {
        // A new sheet starts with the stock look, sharing its graphics objects.
        GetStyles()->Assign(stock->GetStyles());
        const auto stockFields = RegionFields(*stock);
        for (size_t i = 0; i < fields.size(); ++i)
            (*fields[i])->Assign(stockFields[i]->get());
    }
}

TKvGridStyleSheet::~TKvGridStyleSheet()
{
    if (FDefault == this)
        FDefault = nullptr;
    for (std::unique_ptr<TKvGridStyleBag>* region : RegionFields(*this))
        region->reset();
    // The own bag goes while this is still a sheet, so that bags leaning on it can tell.
    ReleaseStyles();
}

std::vector<TKvGridStyleBag*> TKvGridStyleSheet::GetRegions() const
{
    std::vector<TKvGridStyleBag*> regions;
    regions.reserve(16);
    for (const std::unique_ptr<TKvGridStyleBag>* region : RegionFields(*this))
        regions.push_back(region->get());
    return regions;
}

TKvGridStyleBag* TKvGridStyleSheet::FindBag(const QString& name) const
{
    if (name == QLatin1String("default"))
        return GetStyles();
    TKvGridStyleBag* found = nullptr;
    ForEachRegion([&](TKvGridStyleBag* bag) {
        if (!found && bag->GetName() == name)
            found = bag;
    });
    return found;
}

void TKvGridStyleSheet::SetFileName(const QString& name)
{
    if (name == FFileName)
        return;
    FFileName = name;
    if (FAutoLoad)
        Load();
}

void TKvGridStyleSheet::AddListener(TKvGridViewStyleChangeListener* listener)
{
    if (!listener)
        return;
    ForEachRegion([listener](TKvGridStyleBag* bag) { bag->AddListener(listener); });
    TKvGridStyleContainer::AddListener(listener);
}

void TKvGridStyleSheet::RemoveListener(TKvGridViewStyleChangeListener* listener)
{
    if (!listener)
        return;
    ForEachRegion([listener](TKvGridStyleBag* bag) { bag->RemoveListener(listener); });
    TKvGridStyleContainer::RemoveListener(listener);
}

void TKvGridStyleSheet::BeginUpdate()
{
    TKvGridStyleContainer::BeginUpdate();
    ForEachRegion([](TKvGridStyleBag* bag) { bag->BeginUpdate(); });
}

void TKvGridStyleSheet::EndUpdate()
{
    ForEachRegion([](TKvGridStyleBag* bag) { bag->EndUpdate(); });
    TKvGridStyleContainer::EndUpdate();
}

// --- published properties ---------------------------------------------------------------

KV_PUBLISH(TKvGridStyleContainer, TComponent)
    .Property("Styles", &TKvGridStyleContainer::GetStyles, &TKvGridStyleContainer::SetStyles);

KV_PUBLISH(TKvGridStyleObject, TKvGridStyleContainer);

namespace {
using S = TKvGridStyleSheet;
}

KV_PUBLISH(TKvGridStyleSheet, TKvGridStyleContainer)
    .Property("FileName", &S::GetFileName, &S::SetFileName)
    .Property("AutoLoad", &S::GetAutoLoad, &S::SetAutoLoad).Default(false)
    .Property("Panel", &S::GetPanel, &S::SetPanel)
    .Property("Indicator", &S::GetIndicator, &S::SetIndicator)
    .Property("CheckBar", &S::GetCheckBar, &S::SetCheckBar)
    .Property("StatesBar", &S::GetStatesBar, &S::SetStatesBar)
    .Property("Body", &S::GetBody, &S::SetBody)
    .Property("BodyEmpty", &S::GetBodyEmpty, &S::SetBodyEmpty)
    .Property("FixedCols", &S::GetFixedCols, &S::SetFixedCols)
    .Property("FixedColsBar", &S::GetFixedColsBar, &S::SetFixedColsBar)
    .Property("FixedRows", &S::GetFixedRows, &S::SetFixedRows)
    .Property("FixedRowsBar", &S::GetFixedRowsBar, &S::SetFixedRowsBar)
    .Property("Header", &S::GetHeader, &S::SetHeader)
    .Property("Footer", &S::GetFooter, &S::SetFooter)
    .Property("HeaderGroup", &S::GetHeaderGroup, &S::SetHeaderGroup)
    .Property("RowGroupHeader", &S::GetRowGroupHeader, &S::SetRowGroupHeader)
    .Property("RowGroupFooter", &S::GetRowGroupFooter, &S::SetRowGroupFooter);

// --- built-in sheet -----------------------------------------------------------------------

namespace {

void FreeDefaultAtExit() { TKvGridStyleSheet::FreeDefault(); }

} // namespace

TKvGridStyleSheet* TKvGridStyleSheet::DefaultIfExists()
{
    return FDefault && KvGraphicsStarted() && FDefaultStockMark == TKvFill::White() ? FDefault : nullptr;
}

TKvGridStyleSheet* TKvGridStyleSheet::Default()
{
    if (TKvGridStyleSheet* sheet = DefaultIfExists())
        return sheet;
    // Built on stock objects that are gone.
    FreeDefault();
    TOwned<TKvGridStyleSheet> sheet(Create<TKvGridStyleSheet>(nullptr));
    BuildDefault(sheet.get());
    FDefault = sheet.release();
    FDefaultStockMark = TKvFill::White();
    // Registered (again) after the graphics module's own shut-down routine, so that it runs
    // before it.
    if (QCoreApplication::instance()) {
        qRemovePostRoutine(FreeDefaultAtExit);
        qAddPostRoutine(FreeDefaultAtExit);
    }
    return FDefault;
}

void TKvGridStyleSheet::FreeDefault()
{
    TKvGridStyleSheet* sheet = FDefault;
    FDefault = nullptr;
    FreeObject(sheet);
}

namespace {

void Aligned(TKvGridStyleBag* bag, TKvAlignment text)
{
    bag->SetTextAlignment(text);
    bag->SetLineAlignment(AlignCenter);
}

void PaddedSides(TKvGridStyleBag* bag)
{
    bag->SetPaddingLeft(2);
    bag->SetPaddingRight(2);
}

// The sheet's own styles, the grouping panel, the body and the fixed areas.
void DefaultBodyStyles(TKvGridStyleSheet* sheet)
{
    const float w = 1.0f;
    const TKvDashStyle solid = DashStyleSolid;

    TKvGridStyleBag* own = sheet->GetStyles();
    own->SetBackground(TKvFill::White());
    own->SetBorderLeft(nullptr);
    own->SetBorderTop(nullptr);
    own->SetBorderRight(nullptr);
    own->SetBorderBottom(nullptr);
    own->SetForeground(TKvFill::Black());
    own->SetFont(own->CreateFont(QStringLiteral("Tahoma"), 9.0f, TKvFontStyle()));
    own->SetPaddingLeft(2);
    own->SetPaddingRight(2);
    own->SetPaddingTop(2);
    own->SetPaddingBottom(2);
    own->SetHoveredMaskBackground(TKvFill::White());
    own->SetFigureBackground(own->CreateBrush(0xFF008800u));
    own->SetFigureBorder(nullptr);

    TKvGridStyleBag* panel = sheet->GetPanel();
    panel->SetBackground(panel->CreateBrush(0xFFCCCCCCu));
    panel->SetBorderRight(panel->CreatePen(0xFF777777u, w, solid));
    panel->SetBorderBottom(panel->CreatePen(0xFF777777u, w, solid));

    TKvGridStyleBag* body = sheet->GetBody();
    body->SetBackground(TKvFill::White());
    body->SetBorderRight(body->CreatePen(0xFF999999u, w, solid));
    body->SetBorderBottom(body->GetBorderRight());

    // One pen for both borders.
    auto grayBorders = [&](TKvGridStyleBag* bag, TKvFill* background) {
        bag->SetBackground(background);
        TKvStroke* pen = bag->CreatePen(0xFF999999u, w, solid);
        bag->SetBorderRight(pen);
        bag->SetBorderBottom(pen);
    };
    grayBorders(sheet->GetBodyEmpty(), TKvFill::LightGray());
    grayBorders(sheet->GetFixedCols(), TKvFill::Fixed());
    grayBorders(sheet->GetFixedColsBar(), TKvFill::LightGray());
    grayBorders(sheet->GetFixedRows(), TKvFill::Fixed());
    grayBorders(sheet->GetFixedRowsBar(), TKvFill::LightGray());
}

// The column headers, the footer and the row groups' header and footer rows.
void DefaultHeaderStyles(TKvGridStyleSheet* sheet)
{
    TKvGridStyleBag* header = sheet->GetHeader();
    header->SetBackground(header->CreateLinearBrush(0x88FFFFFFu, 0x88CCCCCCu, 90.0f));
    header->SetHoveredMaskBackground(header->CreateBrush(0x88F0E68Cu));
    header->SetBorderRight(TKvStroke::Gray());
    header->SetBorderBottom(TKvStroke::Gray());
    PaddedSides(header);
    Aligned(header, AlignNear);

    TKvGridStyleBag* headerGroup = sheet->GetHeaderGroup();
    headerGroup->SetBackground(headerGroup->CreateLinearBrush(0x88DDDDDDu, 0x88AAAAAAu, 90.0f));
    headerGroup->SetHoveredMaskBackground(headerGroup->CreateBrush(0x88F0E68Cu));
    headerGroup->SetBorderRight(TKvStroke::Gray());
    headerGroup->SetBorderBottom(TKvStroke::Gray());
    PaddedSides(headerGroup);
    Aligned(headerGroup, AlignCenter);

    TKvGridStyleBag* footer = sheet->GetFooter();
    footer->SetBackground(footer->CreateBrush(0xFFEEEEEEu));
    footer->SetBorderRight(TKvStroke::Gray());
    footer->SetBorderTop(TKvStroke::Gray());
    footer->SetBorderLeft(nullptr);
    footer->SetBorderBottom(nullptr);
    PaddedSides(footer);
    Aligned(footer, AlignFar);

    TKvGridStyleBag* rowGroupHeader = sheet->GetRowGroupHeader();
    rowGroupHeader->SetBackground(TKvFill::Gray());
    rowGroupHeader->SetBorderRight(TKvStroke::DimGray());
    rowGroupHeader->SetBorderBottom(TKvStroke::DimGray());
    rowGroupHeader->SetForeground(TKvFill::White());
    Aligned(rowGroupHeader, AlignNear);

    TKvGridStyleBag* rowGroupFooter = sheet->GetRowGroupFooter();
    rowGroupFooter->SetBackground(rowGroupFooter->CreateBrush(0xFFEEEEEEu));
    rowGroupFooter->SetBorderRight(TKvStroke::DimGray());
    rowGroupFooter->SetBorderBottom(TKvStroke::DimGray());
    rowGroupFooter->SetForeground(TKvFill::Black());
    Aligned(rowGroupFooter, AlignFar);
}

// The bars left of the rows: indicator, check bar, states bar.
void DefaultBarStyles(TKvGridStyleSheet* sheet)
{
    TKvGridStyleBag* indicator = sheet->GetIndicator();
    indicator->SetBackground(indicator->CreateLinearBrush(0xFFE5E5E5u, 0xFFFFFFFFu, 180.0f));
    indicator->SetBorderRight(TKvStroke::Gray());
    indicator->SetBorderBottom(TKvStroke::Gray());
    PaddedSides(indicator);
    Aligned(indicator, AlignCenter);

    TKvGridStyleBag* checkBar = sheet->GetCheckBar();
    checkBar->SetBackground(checkBar->CreateBrush(0xFFFFFFFFu));
    checkBar->SetBorderRight(TKvStroke::Gray());
    checkBar->SetBorderBottom(TKvStroke::Gray());

    TKvGridStyleBag* statesBar = sheet->GetStatesBar();
    statesBar->SetBackground(statesBar->CreateBrush(0xFFFFFFFFu));
    statesBar->SetBorderRight(TKvStroke::Gray());
    statesBar->SetBorderBottom(TKvStroke::Gray());
    PaddedSides(statesBar);
    Aligned(statesBar, AlignCenter);
}

} // namespace

void TKvGridStyleSheet::BuildDefault(TKvGridStyleSheet* sheet)
{
    DefaultBodyStyles(sheet);
    DefaultHeaderStyles(sheet);
    DefaultBarStyles(sheet);
}

} // namespace kv
