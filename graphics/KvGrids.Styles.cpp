// Styles: the style property table, style bags and view styles (containers, style sheets and
// the built-in sheet are in KvGrids.Styles.Sheets.cpp).
//
// Sections
//   shared graphics objects  the registry through which bags share the objects they made
//   the property table       the 34 style properties by name and entry; integer text
//   per-entry field access   TKvGridStyleBagAccess: own fields and class defaults by entry
//   the bag                  links, listeners, updates, assigned bits, owned graphics, Assign
//   typed access by entry    Get/SetOrdinal, Get/SetString, Get/SetGraphic
//   text access              GetValue/SetValue by property name, fills lists
//   streaming                the "...Property" strings, published properties
//   view styles              the reference to a shared style object
//   agent                    name-based access over the table
//
// Call flow. Painting code calls the typed getters (Get<Name>), which find the bag holding the
// entry (FindHolder, inline in the header: own bit, reference object, default bag, then up the
// parent chain) and return its field or the class default. Setters store, set the bit and call
// Changed, which notifies listeners or counts the change inside BeginUpdate/EndUpdate. Text
// access (style agent, dynamic styles, style archive, inspector) goes through the property
// table to the typed setters; form files go through DefineProperties for graphics values and
// the published properties for the rest, both written only when the bit is set.

#include "graphics/KvGrids.Styles.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/TypInfo.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace kv {

// --- shared graphics objects --------------------------------------------------------------

namespace {

// Objects made by bags, so that a bag handed one of them can take a share. Kept for the
// life of the process (objects may still be released during static destruction).
using TGraphicRegistry = std::unordered_map<const TKvGraphicsObject*, std::weak_ptr<TKvGraphicsObject>>;

TGraphicRegistry& Registry()
{
    static TGraphicRegistry* registry = new TGraphicRegistry;
    return *registry;
}

} // namespace

TKvSharedGraphic TKvGridStyleBag::MakeShared(std::unique_ptr<TKvGraphicsObject> object)
{
    if (!object)
        return {};
    TKvGraphicsObject* raw = object.release();
    TKvSharedGraphic shared(raw, [](TKvGraphicsObject* o) {
        Registry().erase(o);
        delete o;
    });
    Registry()[raw] = shared;
    return shared;
}

// --- the property table -------------------------------------------------------------------

namespace {

const QStringList& VisibilityNames()
{
    static const QStringList names{QStringLiteral("Visible"), QStringLiteral("Hidden"), QStringLiteral("Collapsed")};
    return names;
}
const QStringList& AlignmentNames()
{
    static const QStringList names{QStringLiteral("AlignNear"), QStringLiteral("AlignCenter"), QStringLiteral("AlignFar")};
    return names;
}
const QStringList& IconLocationNames()
{
    static const QStringList names{QStringLiteral("IconLeft"), QStringLiteral("IconRight"), QStringLiteral("IconTop"),
                                   QStringLiteral("IconBottom"), QStringLiteral("IconCenter")};
    return names;
}
const QStringList& ContentFitNames()
{
    static const QStringList names{QStringLiteral("FitNone"), QStringLiteral("FitCenter"), QStringLiteral("FitBoth"),
                                   QStringLiteral("FitWidth"), QStringLiteral("FitHeight"), QStringLiteral("FitAuto")};
    return names;
}
const QStringList& SelectionDisplayNames()
{
    static const QStringList names{QStringLiteral("SelectMask"), QStringLiteral("SelectInversion")};
    return names;
}

struct TStyleTable
{
    std::vector<std::unique_ptr<TKvStylePropertyRecord>> Owned;
    std::vector<const TKvStylePropertyRecord*> List;
    QHash<QString, const TKvStylePropertyRecord*> ByName;
    QHash<QString, const TKvStylePropertyRecord*> ByLowerName;
    std::array<const TKvStylePropertyRecord*, FIGURE_DISABLED_BACKGROUND + 1> ByEntry{};

    void Add(const char* name, const char* caption, TKvGridViewStyleEntry entry, TKvStyleValueKind kind,
             const QStringList& enumNames = {})
    {
        auto rec = std::make_unique<TKvStylePropertyRecord>();
        rec->Name = QString::fromLatin1(name);
        rec->Caption = QString::fromLatin1(caption);
        rec->Entry = entry;
        rec->Kind = kind;
        rec->EnumNames = enumNames;
        List.push_back(rec.get());
        ByName.insert(rec->Name, rec.get());
        ByLowerName.insert(rec->Name.toLower(), rec.get());
        ByEntry[entry] = rec.get();
        Owned.push_back(std::move(rec));
    }

    TStyleTable()
    {
        Add("Visibility", "Visibility", VISIBILITY_STYLE, svkEnumeration, VisibilityNames());
        Add("Background", "Background fill", BACKGROUND_STYLE, svkFill);
        Add("SelectedBackground", "Selected background fill", SELECTED_BACKGROUND, svkFill);
        Add("BorderLeft", "Border left stroke", BORDER_LEFT, svkStroke);
        Add("BorderRight", "Border right stroke", BORDER_RIGHT, svkStroke);
        Add("BorderTop", "Border top stroke", BORDER_TOP, svkStroke);
        Add("BorderBottom", "Border bottom stroke", BORDER_BOTTOM, svkStroke);
        Add("Font", "Font", FONT_STYLE, svkFont);
        Add("Foreground", "Foreground fill", FOREGROUND_STYLE, svkFill);
        Add("SelectedForeground", "Selected foreground fill", SELECTED_FOREGROUND, svkFill);
        Add("DisabledForeground", "Disabled foreground fill", DISABLED_FOREGROUND, svkFill);
        Add("TextAlignment", "Text alignment", TEXT_ALIGNMENT, svkEnumeration, AlignmentNames());
        Add("LineAlignment", "Line alignment", LINE_ALIGNMENT, svkEnumeration, AlignmentNames());
        Add("NumberFormat", "Number format", NUMBER_FORMAT, svkString);
        Add("Prefix", "Prefix", PREFIX_STYLE, svkString);
        Add("Postfix", "Postfix", POSTFIX_STYLE, svkString);
        Add("PaddingLeft", "Padding left", PADDING_LEFT, svkInteger);
        Add("PaddingRight", "Padding right", PADDING_RIGHT, svkInteger);
        Add("PaddingTop", "Padding top", PADDING_TOP, svkInteger);
        Add("PaddingBottom", "Padding bottom", PADDING_BOTTOM, svkInteger);
        Add("IconIndex", "Icon index", ICON_INDEX, svkInteger);
        Add("IconLocation", "Icon location", ICON_LOCATION, svkEnumeration, IconLocationNames());
        Add("IconOffset", "Icon offset to location", ICON_OFFSET, svkInteger);
        Add("IconPadding", "Icon padding", ICON_PADDING, svkInteger);
        Add("ContentFit", "Cpntent fit style", CONTENT_FIT, svkEnumeration, ContentFitNames());
        Add("ButtonWidth", "Button width", BUTTON_WIDTH, svkInteger);
        Add("SelectionDisplay", "Selection display", SELECTION_DISPLAY, svkEnumeration, SelectionDisplayNames());
        Add("SelectionMaskBackground", "Selection mask background fill", SELECTION_MASK_BACKGROUND, svkFill);
        Add("SelectionMaskBorder", "Selection mask border stroke", SELECTION_MASK_BORDER, svkStroke);
        Add("HoveredMaskBackground", "Hovered mask background fill", HOVERED_MASK_BACKGROUND, svkFill);
        Add("HoveredMaskBorder", "Hovered mask border stroke", HOVERED_MASK_BORDER, svkStroke);
        Add("FigureBackground", "Figure Background fill", FIGURE_BACKGROUND, svkFill);
        Add("FigureBorder", "Figure Border stroke", FIGURE_BORDER, svkStroke);
        Add("FigureDisabledBackground", "Figure Disabled Background fill", FIGURE_DISABLED_BACKGROUND, svkFill);
    }
};

const TStyleTable& StyleTable()
{
    static const TStyleTable table;
    return table;
}

// Built when the module starts.
[[maybe_unused]] const TStyleTable& gStyleTableAtStart = StyleTable();

[[noreturn]] void RaiseNoProperty(const QString& name)
{
    throw Exception(QStringLiteral("Property is not exists: ") + name);
}

// The value's name with any leading run of lowercase letters removed (the whole name when
// it is all lowercase).
QString EnumText(const QString& name)
{
    int i = 0;
    while (i < name.size() && name[i].isLower())
        ++i;
    return i == name.size() ? name : name.mid(i);
}

// Integer text: optional sign, decimal or "$"/"0x" hexadecimal digits; anything else, and
// anything outside the range of int, gives 0.
int IntegerOrZero(const QString& text)
{
    QStringView s(text);
    while (!s.isEmpty() && s.front().isSpace())
        s = s.mid(1);
    bool negative = false;
    if (!s.isEmpty() && (s.front() == QLatin1Char('-') || s.front() == QLatin1Char('+'))) {
        negative = s.front() == QLatin1Char('-');
        s = s.mid(1);
    }
    int base = 10;
    if (s.startsWith(QLatin1Char('$'))) {
        base = 16;
        s = s.mid(1);
    } else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        s = s.mid(2);
    }
    // Digits only from here: no second sign, no space.
    if (s.isEmpty() || !(s.front().isDigit() || (base == 16 && isxdigit(s.front().toLatin1()))))
        return 0;
    bool ok = false;
    const qulonglong magnitude = s.toULongLong(&ok, base);
    const qulonglong limit = negative ? qulonglong(std::numeric_limits<int>::max()) + 1 : qulonglong(std::numeric_limits<int>::max());
    if (!ok || magnitude > limit)
        return 0;
    return negative ? int(-std::int64_t(magnitude)) : int(magnitude);
}

} // namespace

const QHash<QString, const TKvStylePropertyRecord*>& TKvStyleProperties::Table() { return StyleTable().ByName; }

const std::vector<const TKvStylePropertyRecord*>& TKvStyleProperties::List() { return StyleTable().List; }

const TKvStylePropertyRecord* TKvStyleProperties::Find(const QString& name)
{
    return StyleTable().ByName.value(name, nullptr);
}

const TKvStylePropertyRecord* TKvStyleProperties::FindText(const QString& name)
{
    return StyleTable().ByLowerName.value(name.toLower(), nullptr);
}

const TKvStylePropertyRecord* TKvStyleProperties::FromEntry(TKvGridViewStyleEntry entry)
{
    const auto& byEntry = StyleTable().ByEntry;
    return size_t(entry) < byEntry.size() ? byEntry[entry] : nullptr;
}

int TKvStyleProperties::TextToInteger(const QString& text) { return IntegerOrZero(text); }

int TKvStyleProperties::TextToOrdinal(const TKvStylePropertyRecord& record, const QString& text)
{
    for (int i = 0; i < record.EnumNames.size(); ++i)
        if (record.EnumNames[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TKvStyleProperties::TextError(const TKvStylePropertyRecord& record, const QString& text)
{
    switch (record.Kind) {
    case svkEnumeration:
        if (TextToOrdinal(record, text) >= 0)
            return QString();
        return QStringLiteral("\"%1\" is not a value of the style %2: use one of %3")
            .arg(text, record.Name, record.EnumNames.join(QStringLiteral(", ")));
    case svkInteger: {
        bool ok = false;
        text.trimmed().toInt(&ok);
        if (ok || (TextToInteger(text) != 0))
            return QString();
        return QStringLiteral("\"%1\" is not an integer value of the style %2").arg(text, record.Name);
    }
    case svkString:
        return QString();
    case svkFill:
    case svkStroke:
    case svkFont:
        try {
            if (record.Kind == svkFill)
                (void)TKvFill::CreateFrom(text);
            else if (record.Kind == svkStroke)
                (void)TKvStroke::CreateFrom(text);
            else
                (void)TKvFont::CreateFrom(text);
        } catch (const Exception& e) {
            return QStringLiteral("\"%1\" is not a value of the style %2: %3").arg(text, record.Name, e.Message());
        }
        return QString();
    }
    return QString();
}

// --- per-entry field access ---------------------------------------------------------------

// Own fields and class defaults by entry.
class TKvGridStyleBagAccess
{
public:
    static int OwnOrdinal(const TKvGridStyleBag& b, TKvGridViewStyleEntry e)
    {
        switch (e) {
        case VISIBILITY_STYLE: return b.FVisibility;
        case TEXT_ALIGNMENT: return b.FTextAlignment;
        case LINE_ALIGNMENT: return b.FLineAlignment;
        case PADDING_LEFT: return b.FPaddingLeft;
        case PADDING_RIGHT: return b.FPaddingRight;
        case PADDING_TOP: return b.FPaddingTop;
        case PADDING_BOTTOM: return b.FPaddingBottom;
        case ICON_INDEX: return b.FIconIndex;
        case ICON_LOCATION: return b.FIconLocation;
        case ICON_OFFSET: return b.FIconOffset;
        case ICON_PADDING: return b.FIconPadding;
        case CONTENT_FIT: return b.FContentFit;
        case BUTTON_WIDTH: return b.FButtonWidth;
        case SELECTION_DISPLAY: return b.FSelectionDisplay;
        default: return 0;
        }
    }

    static int DefOrdinal(TKvGridViewStyleEntry e)
    {
        using B = TKvGridStyleBag;
        switch (e) {
        case VISIBILITY_STYLE: return B::DefVisibility;
        case TEXT_ALIGNMENT: return B::DefTextAlignment;
        case LINE_ALIGNMENT: return B::DefLineAlignment;
        case PADDING_LEFT: return B::DefPaddingLeft;
        case PADDING_RIGHT: return B::DefPaddingRight;
        case PADDING_TOP: return B::DefPaddingTop;
        case PADDING_BOTTOM: return B::DefPaddingBottom;
        case ICON_INDEX: return B::DefIconIndex;
        case ICON_LOCATION: return B::DefIconLocation;
        case ICON_OFFSET: return B::DefIconOffset;
        case ICON_PADDING: return B::defIconPadding;
        case CONTENT_FIT: return B::DefContentFit;
        case BUTTON_WIDTH: return B::DefButtonWidth;
        case SELECTION_DISPLAY: return B::DefSelectionDisplay;
        default: return 0;
        }
    }

    static const QString& OwnString(const TKvGridStyleBag& b, TKvGridViewStyleEntry e)
    {
        switch (e) {
        case NUMBER_FORMAT: return b.FNumberFormat;
        case PREFIX_STYLE: return b.FPrefix;
        default: return b.FPostfix;
        }
    }

    static const QString& DefString(TKvGridViewStyleEntry e)
    {
        switch (e) {
        case NUMBER_FORMAT: return TKvGridStyleBag::DefNumberFormat;
        case PREFIX_STYLE: return TKvGridStyleBag::DefPrefix;
        default: return TKvGridStyleBag::DefPostfix;
        }
    }

    static TKvGraphicsObject* OwnGraphic(const TKvGridStyleBag& b, TKvGridViewStyleEntry e)
    {
        switch (e) {
        case BACKGROUND_STYLE: return b.FBackground;
        case SELECTED_BACKGROUND: return b.FSelectedBackground;
        case BORDER_LEFT: return b.FBorderLeft;
        case BORDER_RIGHT: return b.FBorderRight;
        case BORDER_TOP: return b.FBorderTop;
        case BORDER_BOTTOM: return b.FBorderBottom;
        case FONT_STYLE: return b.FFont;
        case FOREGROUND_STYLE: return b.FForeground;
        case SELECTED_FOREGROUND: return b.FSelectedForeground;
        case DISABLED_FOREGROUND: return b.FDisabledForeground;
        case SELECTION_MASK_BACKGROUND: return b.FSelectionMaskBackground;
        case SELECTION_MASK_BORDER: return b.FSelectionMaskBorder;
        case HOVERED_MASK_BACKGROUND: return b.FHoveredMaskBackground;
        case HOVERED_MASK_BORDER: return b.FHoveredMaskBorder;
        case FIGURE_BACKGROUND: return b.FFigureBackground;
        case FIGURE_BORDER: return b.FFigureBorder;
        case FIGURE_DISABLED_BACKGROUND: return b.FFigureDisabledBackground;
        default: return nullptr;
        }
    }

    static TKvGraphicsObject* DefGraphic(TKvGridViewStyleEntry e)
    {
        using B = TKvGridStyleBag;
        switch (e) {
        case BACKGROUND_STYLE: return B::DefBackground();
        case SELECTED_BACKGROUND: return B::DefSelectedBackground();
        case BORDER_LEFT: return B::DefBorderLeft();
        case BORDER_RIGHT: return B::DefBorderRight();
        case BORDER_TOP: return B::DefBorderTop();
        case BORDER_BOTTOM: return B::DefBorderBottom();
        case FONT_STYLE: return B::DefFont();
        case FOREGROUND_STYLE: return B::DefForeground();
        case SELECTED_FOREGROUND: return B::DefSelectedForeground();
        case DISABLED_FOREGROUND: return B::DefDisabledForeground();
        case SELECTION_MASK_BACKGROUND: return B::DefSelectionMaskBackground();
        case SELECTION_MASK_BORDER: return B::DefSelectionMaskBorder();
        case HOVERED_MASK_BACKGROUND: return B::DefHoveredMaskBackground();
        case HOVERED_MASK_BORDER: return B::DefHoveredMaskBorder();
        case FIGURE_BACKGROUND: return B::DefFigureBackground();
        case FIGURE_BORDER: return B::DefFigureBorder();
        case FIGURE_DISABLED_BACKGROUND: return B::DefFigureDisabledBackground();
        default: return nullptr;
        }
    }

    // Stores a graphics value through the property's setter; the object's class is checked.
    static void SetGraphic(TKvGridStyleBag& b, TKvGridViewStyleEntry e, TKvGraphicsObject* value)
    {
        const TKvStylePropertyRecord* rec = TKvStyleProperties::FromEntry(e);
        if (!rec || (rec->Kind != svkFill && rec->Kind != svkStroke && rec->Kind != svkFont))
            throw EArgumentOutOfRangeException(QStringLiteral("Not a graphics style entry: %1").arg(int(e)));
        TKvFill* fill = nullptr;
        TKvStroke* stroke = nullptr;
        TKvFont* font = nullptr;
        if (value) {
            bool fits = false;
            switch (rec->Kind) {
            case svkFill: fits = (fill = dynamic_cast<TKvFill*>(value)) != nullptr; break;
            case svkStroke: fits = (stroke = dynamic_cast<TKvStroke*>(value)) != nullptr; break;
            default: fits = (font = dynamic_cast<TKvFont*>(value)) != nullptr; break;
            }
            if (!fits)
                throw EConvertError(QStringLiteral("Invalid %1 value: %2").arg(rec->Name, value->ClassName()));
        }
        switch (e) {
        case BACKGROUND_STYLE: b.SetBackground(fill); break;
        case SELECTED_BACKGROUND: b.SetSelectedBackground(fill); break;
        case BORDER_LEFT: b.SetBorderLeft(stroke); break;
        case BORDER_RIGHT: b.SetBorderRight(stroke); break;
        case BORDER_TOP: b.SetBorderTop(stroke); break;
        case BORDER_BOTTOM: b.SetBorderBottom(stroke); break;
        case FONT_STYLE: b.SetFont(font); break;
        case FOREGROUND_STYLE: b.SetForeground(fill); break;
        case SELECTED_FOREGROUND: b.SetSelectedForeground(fill); break;
        case DISABLED_FOREGROUND: b.SetDisabledForeground(fill); break;
        case SELECTION_MASK_BACKGROUND: b.SetSelectionMaskBackground(fill); break;
        case SELECTION_MASK_BORDER: b.SetSelectionMaskBorder(stroke); break;
        case HOVERED_MASK_BACKGROUND: b.SetHoveredMaskBackground(fill); break;
        case HOVERED_MASK_BORDER: b.SetHoveredMaskBorder(stroke); break;
        case FIGURE_BACKGROUND: b.SetFigureBackground(fill); break;
        case FIGURE_BORDER: b.SetFigureBorder(stroke); break;
        default: b.SetFigureDisabledBackground(fill); break;
        }
    }

    static void NilGraphics(TKvGridStyleBag& b)
    {
        b.FBackground = b.FSelectedBackground = b.FForeground = b.FSelectedForeground = b.FDisabledForeground = nullptr;
        b.FSelectionMaskBackground = b.FHoveredMaskBackground = b.FFigureBackground = nullptr;
        b.FFigureDisabledBackground = nullptr;
        b.FBorderLeft = b.FBorderRight = b.FBorderTop = b.FBorderBottom = nullptr;
        b.FSelectionMaskBorder = b.FHoveredMaskBorder = b.FFigureBorder = nullptr;
        b.FFont = nullptr;
    }

    static bool RefersTo(const TKvGridStyleBag& b, const TKvGraphicsObject* object)
    {
        for (const TKvStylePropertyRecord* rec : TKvStyleProperties::List())
            if (OwnGraphic(b, rec->Entry) == object && object)
                return true;
        return false;
    }

    // Copies the own value of the entry into dest through dest's setter.
    static void CopyOwn(const TKvGridStyleBag& src, TKvGridStyleBag& dest, const TKvStylePropertyRecord& rec)
    {
        switch (rec.Kind) {
        case svkEnumeration:
        case svkInteger: dest.SetOrdinal(rec.Entry, OwnOrdinal(src, rec.Entry)); break;
        case svkString: dest.SetString(rec.Entry, OwnString(src, rec.Entry)); break;
        default: dest.SetGraphic(rec.Entry, OwnGraphic(src, rec.Entry)); break;
        }
    }
};

using Access = TKvGridStyleBagAccess;

// --- the bag ------------------------------------------------------------------------------

TKvGridStyleBag::TKvGridStyleBag(TPersistent* owner, const QString& name)
    : FOwner(owner)
    , FName(name)
    , FTextAlignment(DefTextAlignment)
    , FLineAlignment(DefLineAlignment)
    , FPaddingLeft(DefPaddingLeft)
    , FPaddingRight(DefPaddingRight)
    , FPaddingTop(DefPaddingTop)
    , FPaddingBottom(DefPaddingBottom)
    , FIconIndex(DefIconIndex)
    , FIconLocation(DefIconLocation)
    , FIconOffset(DefIconOffset)
    , FIconPadding(defIconPadding)
    , FContentFit(DefContentFit)
    , FButtonWidth(DefButtonWidth)
{
    ClearValues();
}

TKvGridStyleBag::~TKvGridStyleBag()
{
    Link(FDefault, nullptr);
    Link(FParent, nullptr);
    // Bags that lean on this one let go of it now, not at their next lookup. Their listeners
    // may free or link other bags meanwhile, so the live list is read one bag at a time.
    while (!FDependents.empty()) {
        TKvGridStyleBag* bag = FDependents.back();
        FDependents.erase(std::remove(FDependents.begin(), FDependents.end(), bag), FDependents.end());
        bag->LinkFreed(this);
    }
    Access::NilGraphics(*this);
    FGraphicItems.clear();
}

void TKvGridStyleBag::LinkFreed(TKvGridStyleBag* bag)
{
    bool changed = false;
    if (FDefault == bag) {
        FDefault = nullptr;
        changed = true;
    }
    if (FParent == bag) {
        FParent = nullptr;
        changed = true;
    }
    if (changed)
        Changed(STYLE_ALL);
}

void TKvGridStyleBag::Link(TKvGridStyleBag*& field, TKvGridStyleBag* bag)
{
    if (field == bag)
        return;
    if (field) {
        auto& deps = field->FDependents;
        const auto it = std::find(deps.begin(), deps.end(), this);
        if (it != deps.end())
            deps.erase(it);
    }
    field = bag;
    if (bag)
        bag->FDependents.push_back(this);
}

void TKvGridStyleBag::SetDefault(TKvGridStyleBag* bag) { Link(FDefault, bag); }

void TKvGridStyleBag::SetParent(TKvGridStyleBag* bag)
{
    if (bag == FParent)
        return;
    if (bag && bag->InParentChain(this))
        throw EArgumentException(QStringLiteral("Style bag \"%1\" cannot be its own parent").arg(FName));
    Link(FParent, bag);
}

bool TKvGridStyleBag::InParentChain(const TKvGridStyleBag* bag) const
{
    for (const TKvGridStyleBag* b = this; b; b = b->FParent)
        if (b == bag)
            return true;
    return false;
}

int TKvGridStyleBag::StrokeWidth(const TKvStroke* stroke)
{
    if (!stroke)
        return 0;
    // Widths are finite, but a float may lie far outside int.
    const double width = std::round(double(stroke->GetWidth()));
    return int(std::clamp(width, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

TRect TKvGridStyleBag::ApplyPaddings(const TRect& rect) const
{
    // In 64 bits and clamped: any padding is stored, also one that would overflow.
    const auto clamp = [](std::int64_t v) {
        return int(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    return TRect{clamp(std::int64_t(rect.Left) + GetPaddingLeft()), clamp(std::int64_t(rect.Top) + GetPaddingTop()),
                 clamp(std::int64_t(rect.Right) - GetPaddingRight()), clamp(std::int64_t(rect.Bottom) - GetPaddingBottom())};
}

TRectF TKvGridStyleBag::ApplyPaddings(const TRectF& rect) const
{
    return TRectF(rect.Left + float(GetPaddingLeft()), rect.Top + float(GetPaddingTop()),
                  rect.Right - float(GetPaddingRight()), rect.Bottom - float(GetPaddingBottom()));
}

void TKvGridStyleBag::AddListener(TKvGridViewStyleChangeListener* listener)
{
    if (!FListeners.Add(listener))
        return;
    if (FUpdateLock < 1)
        listener->StyleChanged(this, STYLE_ALL);
}

void TKvGridStyleBag::RemoveListener(TKvGridViewStyleChangeListener* listener)
{
    if (!FListeners.Remove(listener))
        return;
    if (FUpdateLock < 1)
        listener->StyleChanged(this, STYLE_ALL);
}

void TKvGridStyleBag::BeginUpdate()
{
    if (FUpdateLock < 1)
        FUpdateLock = 1;
}

void TKvGridStyleBag::EndUpdate()
{
    if (FUpdateLock > 1) {
        FUpdateLock = 0;
        FListeners.Notify([this](TKvGridViewStyleChangeListener* l) { l->StyleChanged(this, STYLE_ALL); });
    }
    FUpdateLock = 0;
}

void TKvGridStyleBag::Changed(TKvGridViewStyleEntry entry)
{
    if (FUpdateLock > 0) {
        ++FUpdateLock;
        return;
    }
    FListeners.Notify([this, entry](TKvGridViewStyleChangeListener* l) { l->StyleChanged(this, entry); });
}

bool TKvGridStyleBag::HasValue(TKvGridViewStyleEntry entry, bool inherited) const
{
    if (FValues.Contains(entry))
        return true;
    return inherited && FParent && FParent->HasValue(entry, true);
}

void TKvGridStyleBag::ClearValue(TKvGridViewStyleEntry entry)
{
    if (!FValues.Contains(entry))
        return;
    FValues.Exclude(entry);
    Changed(STYLE_ALL);
}

void TKvGridStyleBag::ResetValue(TKvGridViewStyleEntry entry)
{
    if (FValues.Contains(entry))
        return;
    FValues.Include(entry);
    Changed(STYLE_ALL);
}

void TKvGridStyleBag::ClearValues()
{
    FValues = TKvGridViewStyleSet();
    ClearGraphicValues();
}

void TKvGridStyleBag::Clear()
{
    if (!(FValues - TKvGridViewStyleSet{STYLE_INVALID, STYLE_ALL}).Empty()) {
        FValues = TKvGridViewStyleSet();
        Changed(STYLE_ALL);
    }
    ClearGraphicValues();
}

void TKvGridStyleBag::ClearGraphicValues()
{
    Access::NilGraphics(*this);
    FGraphicItems.clear();
}

bool TKvGridStyleBag::OwnsGraphic(const TKvGraphicsObject* object) const
{
    return object && std::any_of(FGraphicItems.begin(), FGraphicItems.end(),
                                 [object](const TKvSharedGraphic& item) { return item.get() == object; });
}

void TKvGridStyleBag::HoldShare(const TKvSharedGraphic& object)
{
    if (object && !OwnsGraphic(object.get()))
        FGraphicItems.push_back(object);
}

void TKvGridStyleBag::ShareIfBagMade(TKvGraphicsObject* object)
{
    if (!object || OwnsGraphic(object))
        return;
    const auto it = Registry().find(object);
    if (it == Registry().end())
        return;
    if (TKvSharedGraphic shared = it->second.lock())
        FGraphicItems.push_back(std::move(shared));
}

TKvGraphicsObject* TKvGridStyleBag::Adopt(std::unique_ptr<TKvGraphicsObject> object)
{
    if (!object)
        return nullptr;
    TKvSharedGraphic shared = MakeShared(std::move(object));
    FGraphicItems.push_back(shared);
    return shared.get();
}

TKvStroke* TKvGridStyleBag::CreateStroke(const QString& text)
{
    return static_cast<TKvStroke*>(Adopt(TKvStroke::CreateFrom(text)));
}

TKvFill* TKvGridStyleBag::CreateFill(const QString& text)
{
    return static_cast<TKvFill*>(Adopt(TKvFill::CreateFrom(text)));
}

TKvFont* TKvGridStyleBag::CreateFont(const QString& text)
{
    return static_cast<TKvFont*>(Adopt(TKvFont::CreateFrom(text)));
}

TKvStroke* TKvGridStyleBag::CreatePen(TKvColor color, float width, TKvDashStyle dash)
{
    return static_cast<TKvStroke*>(Adopt(TKvStroke::CreateSolid(color, width, dash)));
}

TKvFill* TKvGridStyleBag::CreateBrush(TKvColor color)
{
    return static_cast<TKvFill*>(Adopt(TKvFill::CreateSolid(color)));
}

TKvFill* TKvGridStyleBag::CreateLinearBrush(TKvColor color1, TKvColor color2, float angle)
{
    return static_cast<TKvFill*>(Adopt(TKvFill::CreateLinear(color1, color2, angle)));
}

TKvFont* TKvGridStyleBag::CreateFont(const QString& family, float size, TKvFontStyle style)
{
    return static_cast<TKvFont*>(Adopt(std::make_unique<TKvFont>(family, size, style)));
}

void TKvGridStyleBag::RepackGraphicEntities()
{
    for (size_t i = FGraphicItems.size(); i-- > 0;)
        if (!Access::RefersTo(*this, FGraphicItems[i].get()))
            FGraphicItems.erase(FGraphicItems.begin() + std::ptrdiff_t(i));
}

void TKvGridStyleBag::AssignTo(TPersistent* dest) const
{
    auto* bag = dynamic_cast<TKvGridStyleBag*>(dest);
    if (!bag) {
        TPersistent::AssignTo(dest);
        return;
    }
    if (bag == this)
        return;
    bag->BeginUpdate();
    {
        TScopeExit endUpdate([&] { bag->EndUpdate(); });
        for (const TKvStylePropertyRecord* rec : TKvStyleProperties::List())
            if (FValues.Contains(rec->Entry))
                Access::CopyOwn(*this, *bag, *rec);
    }
}

// --- typed access by entry ----------------------------------------------------------------

int TKvGridStyleBag::GetOrdinal(TKvGridViewStyleEntry entry) const
{
    const TKvGridStyleBag* holder = FindHolder(entry);
    return holder ? Access::OwnOrdinal(*holder, entry) : Access::DefOrdinal(entry);
}

void TKvGridStyleBag::SetOrdinal(TKvGridViewStyleEntry entry, int value)
{
    const TKvStylePropertyRecord* rec = TKvStyleProperties::FromEntry(entry);
    if (!rec || (rec->Kind != svkEnumeration && rec->Kind != svkInteger))
        throw EArgumentOutOfRangeException(QStringLiteral("Not an ordinal style entry: %1").arg(int(entry)));
    if (rec->Kind == svkEnumeration && (value < 0 || value >= rec->EnumNames.size()))
        throw EArgumentOutOfRangeException(QStringLiteral("Invalid %1 value: %2").arg(rec->Name).arg(value));
    switch (entry) {
    case VISIBILITY_STYLE: SetVisibility(TKvVisibility(value)); break;
    case TEXT_ALIGNMENT: SetTextAlignment(TKvAlignment(value)); break;
    case LINE_ALIGNMENT: SetLineAlignment(TKvAlignment(value)); break;
    case PADDING_LEFT: SetPaddingLeft(value); break;
    case PADDING_RIGHT: SetPaddingRight(value); break;
    case PADDING_TOP: SetPaddingTop(value); break;
    case PADDING_BOTTOM: SetPaddingBottom(value); break;
    case ICON_INDEX: SetIconIndex(value); break;
    case ICON_LOCATION: SetIconLocation(TKvIconLocation(value)); break;
    case ICON_OFFSET: SetIconOffset(value); break;
    case ICON_PADDING: SetIconPadding(value); break;
    case CONTENT_FIT: SetContentFit(TKvContentFit(value)); break;
    case BUTTON_WIDTH: SetButtonWidth(value); break;
    default: SetSelectionDisplay(TKvSelectionDisplay(value)); break;
    }
}

const QString& TKvGridStyleBag::GetString(TKvGridViewStyleEntry entry) const
{
    const TKvGridStyleBag* holder = FindHolder(entry);
    return holder ? Access::OwnString(*holder, entry) : Access::DefString(entry);
}

void TKvGridStyleBag::SetString(TKvGridViewStyleEntry entry, const QString& value)
{
    switch (entry) {
    case NUMBER_FORMAT: SetNumberFormat(value); break;
    case PREFIX_STYLE: SetPrefix(value); break;
    case POSTFIX_STYLE: SetPostfix(value); break;
    default: throw EArgumentOutOfRangeException(QStringLiteral("Not a text style entry: %1").arg(int(entry)));
    }
}

TKvGraphicsObject* TKvGridStyleBag::GetGraphic(TKvGridViewStyleEntry entry) const
{
    const TKvGridStyleBag* holder = FindHolder(entry);
    return holder ? Access::OwnGraphic(*holder, entry) : Access::DefGraphic(entry);
}

void TKvGridStyleBag::SetGraphic(TKvGridViewStyleEntry entry, TKvGraphicsObject* value)
{
    Access::SetGraphic(*this, entry, value);
}

void TKvGridStyleBag::SetGraphic(TKvGridViewStyleEntry entry, const TKvSharedGraphic& value)
{
    HoldShare(value);
    Access::SetGraphic(*this, entry, value.get());
}

// --- text access --------------------------------------------------------------------------

namespace {

// Text access to published properties outside the style table (those of descendants).
QString GetOtherValue(const TObject* object, const QString& name)
{
    const TPropInfo* prop = FindPropInfo(object, name);
    if (!prop || prop->Indexed || !prop->Readable)
        RaiseNoProperty(name);
    if (prop->IsObjectKind()) {
        const TObject* value = GetObjectProp(object, *prop);
        return value ? value->ClassName() : QString();
    }
    const Variant raw = GetRawValue(object, *prop);
    switch (prop->Kind) {
    case pkBoolean: return raw.ToBoolean() ? QStringLiteral("true") : QStringLiteral("false");
    case pkEnumeration: return EnumText(prop->EnumType->NameOf(raw.ToInt()));
    default: return raw.ToString();
    }
}

void SetOtherValue(TObject* object, const QString& name, const QString& text)
{
    const TPropInfo* prop = FindPropInfo(object, name);
    if (!prop || prop->Indexed || !prop->Writable)
        RaiseNoProperty(name);
    switch (prop->Kind) {
    case pkObject:
    case pkComponent:
    case pkCollection:
        throw Exception(QStringLiteral("Unknown style value type [%1]: %2")
                            .arg(prop->ClassType ? prop->ClassType->Name() : QString(), name));
    case pkBoolean: {
        const QString lower = text.toLower();
        const bool value = lower == QLatin1String("1") || lower == QLatin1String("t") || lower == QLatin1String("true")
                           || lower == QLatin1String("y") || lower == QLatin1String("yes");
        SetRawValue(object, *prop, Variant(value));
        return;
    }
    case pkEnumeration: {
        const int ordinal = prop->EnumType->ValueOf(text);
        if (ordinal >= 0)
            SetRawValue(object, *prop, Variant(std::int64_t(ordinal)));
        return;
    }
    case pkInteger: SetRawValue(object, *prop, Variant(std::int64_t(IntegerOrZero(text)))); return;
    default: SetPropValue(object, *prop, Variant(text)); return;
    }
}

} // namespace

QString TKvGridStyleBag::GetValue(const QString& name) const
{
    const TKvStylePropertyRecord* rec = TKvStyleProperties::FindText(name);
    if (!rec)
        return GetOtherValue(this, name);
    switch (rec->Kind) {
    case svkEnumeration: return EnumText(rec->EnumNames.value(GetOrdinal(rec->Entry)));
    case svkInteger: return QString::number(GetOrdinal(rec->Entry));
    case svkString: return GetString(rec->Entry);
    case svkFill: {
        const auto* fill = static_cast<TKvFill*>(GetGraphic(rec->Entry));
        return fill ? fill->ToString() : QString();
    }
    case svkStroke: {
        const auto* stroke = static_cast<TKvStroke*>(GetGraphic(rec->Entry));
        return stroke ? stroke->ToString() : QString();
    }
    case svkFont: {
        const auto* font = static_cast<TKvFont*>(GetGraphic(rec->Entry));
        return font ? font->ToString() : QString();
    }
    }
    return QString();
}

void TKvGridStyleBag::SetValue(const QString& name, const QString& text)
{
    const TKvStylePropertyRecord* rec = TKvStyleProperties::FindText(name);
    if (!rec) {
        SetOtherValue(this, name, text);
        return;
    }
    switch (rec->Kind) {
    case svkFill: SetGraphic(rec->Entry, CreateFill(text)); break;
    case svkStroke: SetGraphic(rec->Entry, CreateStroke(text)); break;
    case svkFont: SetGraphic(rec->Entry, CreateFont(text)); break;
    case svkEnumeration: {
        // Empty text changes nothing; any other name must be one of the values.
        if (text.trimmed().isEmpty())
            break;
        const int ordinal = TKvStyleProperties::TextToOrdinal(*rec, text);
        if (ordinal < 0)
            throw EConvertError(TKvStyleProperties::TextError(*rec, text));
        SetOrdinal(rec->Entry, ordinal);
        break;
    }
    case svkInteger: SetOrdinal(rec->Entry, IntegerOrZero(text)); break;
    case svkString: SetString(rec->Entry, text); break;
    }
}

QStringList TKvGridStyleBag::GetNames()
{
    QStringList names;
    for (const TKvStylePropertyRecord* rec : TKvStyleProperties::List())
        names << rec->Name;
    return names;
}

QString TKvGridStyleBag::FillsToStr(const std::vector<TKvFill*>& fills)
{
    QStringList parts;
    for (const TKvFill* fill : fills)
        parts << (fill ? fill->ToString() : QString());
    return parts.join(QLatin1Char(';'));
}

std::vector<std::unique_ptr<TKvFill>> TKvGridStyleBag::StrToFills(const QString& text)
{
    std::vector<std::unique_ptr<TKvFill>> fills;
    if (text.isEmpty())
        return fills;
    for (const QString& part : text.split(QLatin1Char(';')))
        fills.push_back(TKvFill::CreateFrom(part));
    return fills;
}

// --- streaming ----------------------------------------------------------------------------

void TKvGridStyleBag::DefineProperties(TFiler& filer)
{
    TPersistent::DefineProperties(filer);
    for (const TKvStylePropertyRecord* rec : TKvStyleProperties::List()) {
        if (rec->Kind != svkFill && rec->Kind != svkStroke && rec->Kind != svkFont)
            continue;
        const TKvGridViewStyleEntry entry = rec->Entry;
        const TKvStyleValueKind kind = rec->Kind;
        filer.DefineProperty(
            rec->Name + QStringLiteral("Property"),
            [this, entry, kind](TReader& reader) {
                const QString text = reader.ReadString();
                switch (kind) {
                case svkFill: SetGraphic(entry, CreateFill(text)); break;
                case svkStroke: SetGraphic(entry, CreateStroke(text)); break;
                default: SetGraphic(entry, CreateFont(text)); break;
                }
            },
            [this, entry, kind](TWriter& writer) {
                const TKvGraphicsObject* object = Access::OwnGraphic(*this, entry);
                QString text;
                if (object) {
                    switch (kind) {
                    case svkFill: text = static_cast<const TKvFill*>(object)->ToString(); break;
                    case svkStroke: text = static_cast<const TKvStroke*>(object)->ToString(); break;
                    default: text = static_cast<const TKvFont*>(object)->ToString(); break;
                    }
                }
                writer.WriteString(text);
            },
            FValues.Contains(entry));
    }
}

namespace {

using B = TKvGridStyleBag;

// The stored rule of a published style property: its bit.
template <TKvGridViewStyleEntry E>
bool IsAssigned(const B& bag)
{
    return bag.HasValue(E);
}

} // namespace

KV_PUBLISH_ENUM(TKvVisibility, "Visible", "Hidden", "Collapsed");
KV_PUBLISH_ENUM(TKvAlignment, "AlignNear", "AlignCenter", "AlignFar");
KV_PUBLISH_ENUM(TKvIconLocation, "IconLeft", "IconRight", "IconTop", "IconBottom", "IconCenter");
KV_PUBLISH_ENUM(TKvContentFit, "FitNone", "FitCenter", "FitBoth", "FitWidth", "FitHeight", "FitAuto");
KV_PUBLISH_ENUM(TKvSelectionDisplay, "SelectMask", "SelectInversion");

KV_PUBLISH(TKvGridStyleBag, TPersistent)
    .Property("Visibility", &B::GetVisibility, &B::SetVisibility).Stored(&IsAssigned<VISIBILITY_STYLE>).NoDefault()
    .Property("Background", &B::GetBackground, &B::SetBackground).Stored(false)
    .Property("SelectedBackground", &B::GetSelectedBackground, &B::SetSelectedBackground).Stored(false)
    .Property("BorderLeft", &B::GetBorderLeft, &B::SetBorderLeft).Stored(false)
    .Property("BorderRight", &B::GetBorderRight, &B::SetBorderRight).Stored(false)
    .Property("BorderTop", &B::GetBorderTop, &B::SetBorderTop).Stored(false)
    .Property("BorderBottom", &B::GetBorderBottom, &B::SetBorderBottom).Stored(false)
    .Property("Font", &B::GetFont, &B::SetFont).Stored(false)
    .Property("Foreground", &B::GetForeground, &B::SetForeground).Stored(false)
    .Property("SelectedForeground", &B::GetSelectedForeground, &B::SetSelectedForeground).Stored(false)
    .Property("DisabledForeground", &B::GetDisabledForeground, &B::SetDisabledForeground).Stored(false)
    .Property("TextAlignment", &B::GetTextAlignment, &B::SetTextAlignment).Stored(&IsAssigned<TEXT_ALIGNMENT>).NoDefault()
    .Property("LineAlignment", &B::GetLineAlignment, &B::SetLineAlignment).Stored(&IsAssigned<LINE_ALIGNMENT>).NoDefault()
    .Property("NumberFormat", &B::GetNumberFormat, &B::SetNumberFormat).Stored(&IsAssigned<NUMBER_FORMAT>).NoDefault()
    .Property("Prefix", &B::GetPrefix, &B::SetPrefix).Stored(&IsAssigned<PREFIX_STYLE>).NoDefault()
    .Property("Postfix", &B::GetPostfix, &B::SetPostfix).Stored(&IsAssigned<POSTFIX_STYLE>).NoDefault()
    .Property("PaddingLeft", &B::GetPaddingLeft, &B::SetPaddingLeft).Stored(&IsAssigned<PADDING_LEFT>).NoDefault()
    .Property("PaddingRight", &B::GetPaddingRight, &B::SetPaddingRight).Stored(&IsAssigned<PADDING_RIGHT>).NoDefault()
    .Property("PaddingTop", &B::GetPaddingTop, &B::SetPaddingTop).Stored(&IsAssigned<PADDING_TOP>).NoDefault()
    .Property("PaddingBottom", &B::GetPaddingBottom, &B::SetPaddingBottom).Stored(&IsAssigned<PADDING_BOTTOM>).NoDefault()
    .Property("IconIndex", &B::GetIconIndex, &B::SetIconIndex).Stored(&IsAssigned<ICON_INDEX>).NoDefault()
    .Property("IconLocation", &B::GetIconLocation, &B::SetIconLocation).Stored(&IsAssigned<ICON_LOCATION>).NoDefault()
    .Property("IconOffset", &B::GetIconOffset, &B::SetIconOffset).Stored(&IsAssigned<ICON_OFFSET>).NoDefault()
    .Property("IconPadding", &B::GetIconPadding, &B::SetIconPadding).Stored(&IsAssigned<ICON_PADDING>).NoDefault()
    .Property("ContentFit", &B::GetContentFit, &B::SetContentFit).Stored(&IsAssigned<CONTENT_FIT>).NoDefault()
    .Property("ButtonWidth", &B::GetButtonWidth, &B::SetButtonWidth).Stored(&IsAssigned<BUTTON_WIDTH>).NoDefault()
    .Property("SelectionDisplay", &B::GetSelectionDisplay, &B::SetSelectionDisplay).Stored(&IsAssigned<SELECTION_DISPLAY>).NoDefault()
    .Property("SelectionMaskBackground", &B::GetSelectionMaskBackground, &B::SetSelectionMaskBackground).Stored(false)
    .Property("SelectionMaskBorder", &B::GetSelectionMaskBorder, &B::SetSelectionMaskBorder).Stored(false)
    .Property("HoveredMaskBackground", &B::GetHoveredMaskBackground, &B::SetHoveredMaskBackground).Stored(false)
    .Property("HoveredMaskBorder", &B::GetHoveredMaskBorder, &B::SetHoveredMaskBorder).Stored(false)
    .Property("FigureBackground", &B::GetFigureBackground, &B::SetFigureBackground).Stored(false)
    .Property("FigureBorder", &B::GetFigureBorder, &B::SetFigureBorder).Stored(false)
    .Property("FigureDisabledBackground", &B::GetFigureDisabledBackground, &B::SetFigureDisabledBackground).Stored(false);

KV_PUBLISH(TKvGridViewStyles, TKvGridStyleBag)
    .Property("Reference", &TKvGridViewStyles::GetReference, &TKvGridViewStyles::SetReference);

// --- view styles --------------------------------------------------------------------------

TKvGridViewStyles::TKvGridViewStyles(TPersistent* owner, const QString& name)
    : TKvGridStyleBag(owner, name), FRefListener(std::make_unique<TRefListener>(this))
{
}

TKvGridViewStyles::~TKvGridViewStyles()
{
    if (TKvGridStyleObject* reference = GetReference()) {
        // Nothing more is passed on from a bag that is going away.
        FRefListener->Detach();
        SetReferenceField(nullptr);
        reference->RemoveListener(FRefListener.get());
    }
}

void TKvGridViewStyles::SetReference(TKvGridStyleObject* styleObject)
{
    if (styleObject == GetReference())
        return;
    if (TKvGridStyleObject* old = GetReference())
        old->RemoveListener(FRefListener.get());
    SetReferenceField(styleObject);
    if (styleObject)
        styleObject->AddListener(FRefListener.get());
}

void TKvGridViewStyles::ReferenceChanged(TKvGridViewStyleEntry entry) { Changed(entry); }

void TKvGridViewStyles::ReferenceDisposed(TKvGridStyleContainer* container)
{
    if (!container || container != GetReference())
        return;
    SetReferenceField(nullptr);
    Changed(STYLE_ALL);
}

void TKvGridViewStyles::LinkFreed(TKvGridStyleBag* bag)
{
    TKvGridStyleSheet* stockSheet = TKvGridStyleSheet::DefaultIfExists();
    const auto* sheet = dynamic_cast<const TKvGridStyleSheet*>(bag->GetOwner());
    TKvGridStyleBag* stock = sheet && stockSheet && sheet != stockSheet ? stockSheet->FindBag(bag->GetName()) : nullptr;
    if (!stock) {
        TKvGridStyleBag::LinkFreed(bag);
        return;
    }
    if (GetDefault() == bag)
        SetDefault(stock);
    if (GetParent() == bag)
        SetParent(stock->InParentChain(this) ? nullptr : stock);
    Changed(STYLE_ALL);
}

// --- agent --------------------------------------------------------------------------------

QString TKvGridStylesAgent::GetValue(const QString& name) const { return FStyles ? FStyles->GetValue(name) : QString(); }

void TKvGridStylesAgent::SetValue(const QString& name, const QString& text)
{
    if (FStyles)
        FStyles->SetValue(name, text);
}

TKvGridViewStyleEntry TKvGridStylesAgent::GetEntry(const QString& name)
{
    const TKvStylePropertyRecord* rec = TKvStyleProperties::Find(name);
    return rec ? rec->Entry : STYLE_INVALID;
}

QString TKvGridStylesAgent::GetDescription(const QString& name)
{
    const TKvStylePropertyRecord* rec = TKvStyleProperties::Find(name);
    return rec ? rec->Caption : QString();
}

QStringList TKvGridStylesAgent::GetNames()
{
    QStringList names;
    const auto& table = TKvStyleProperties::Table();
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        names << it.key();
    return names;
}

bool TKvGridStylesAgent::HasValue(TKvGridViewStyleEntry entry) const { return FStyles && FStyles->HasValue(entry); }

bool TKvGridStylesAgent::HasValue(const QString& name) const
{
    if (!FStyles)
        return false;
    const TKvGridViewStyleEntry entry = GetEntry(name);
    if (entry == STYLE_INVALID || entry == STYLE_ALL)
        return false;
    return FStyles->HasValue(entry);
}

} // namespace kv
