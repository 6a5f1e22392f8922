// Styles: the style property table, style bags with their lookup chain, view styles that
// follow a shared style object, style containers, style sheets and the built-in sheet.
#pragma once

#include "graphics/KvGrids.Common.Drawing.h"
#include "platform/graphics/Types.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Listeners.h"
#include "platform/rtl/Sets.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

enum TKvGridViewStyleEntry : std::uint8_t {
    STYLE_INVALID = 0,
    STYLE_ALL = 1,
    VISIBILITY_STYLE = 2,
    BACKGROUND_STYLE = 3,
    SELECTED_BACKGROUND = 4,
    BACKGROUND_IMAGE = 5,
    BORDER_LEFT = 6,
    BORDER_RIGHT = 7,
    BORDER_TOP = 8,
    BORDER_BOTTOM = 9,
    FONT_STYLE = 10,
    FOREGROUND_STYLE = 11,
    SELECTED_FOREGROUND = 12,
    DISABLED_FOREGROUND = 13,
    TEXT_ALIGNMENT = 14,
    LINE_ALIGNMENT = 15,
    NUMBER_FORMAT = 16,
    PREFIX_STYLE = 17,
    POSTFIX_STYLE = 18,
    PADDING_LEFT = 19,
    PADDING_RIGHT = 20,
    PADDING_TOP = 21,
    PADDING_BOTTOM = 22,
    ICON_INDEX = 23,
    ICON_LOCATION = 24,
    ICON_OFFSET = 25,
    ICON_PADDING = 26,
    CONTENT_FIT = 27,
    BUTTON_WIDTH = 28,
    SELECTION_DISPLAY = 29,
    SELECTION_MASK_BACKGROUND = 30,
    SELECTION_MASK_BORDER = 31,
    HOVERED_MASK_BACKGROUND = 32,
    HOVERED_MASK_BORDER = 33,
    FIGURE_BACKGROUND = 34,
    FIGURE_BORDER = 35,
    FIGURE_DISABLED_BACKGROUND = 36
};
using TKvGridViewStyleSet = TSet<TKvGridViewStyleEntry>;

enum TKvVisibility { Visible, Hidden, Collapsed };
enum TKvIconLocation { IconLeft, IconRight, IconTop, IconBottom, IconCenter };
enum TKvContentFit { FitNone, FitCenter, FitBoth, FitWidth, FitHeight, FitAuto };
enum TKvSelectionDisplay { SelectMask, SelectInversion };

// How a style property's value is typed.
enum TKvStyleValueKind { svkEnumeration, svkFill, svkStroke, svkFont, svkString, svkInteger };

// One row of the style property table.
struct TKvStylePropertyRecord
{
    QString Name;
    QString Caption;
    TKvGridViewStyleEntry Entry = STYLE_INVALID;
    TKvStyleValueKind Kind = svkInteger;
    // Value names of an enumeration, in ordinal order.
    QStringList EnumNames;
};

// The process-wide style property table.
class TKvStyleProperties
{
public:
    // Name to record (exact names); iteration is the hash's order.
    static const QHash<QString, const TKvStylePropertyRecord*>& Table();
    // The 34 records in table order.
    static const std::vector<const TKvStylePropertyRecord*>& List();
    // Exact, case-sensitive; nil when unknown.
    static const TKvStylePropertyRecord* Find(const QString& name);
    // Case-insensitive, as published properties are found; nil when unknown.
    static const TKvStylePropertyRecord* FindText(const QString& name);
    // The record of an entry; nil for entries without a property.
    static const TKvStylePropertyRecord* FromEntry(TKvGridViewStyleEntry entry);

    // Text conversions of the text access: an integer (0 for text that is none), and the
    // ordinal of the value whose full name equals the text in any letter case (-1 for none).
    static int TextToInteger(const QString& text);
    static int TextToOrdinal(const TKvStylePropertyRecord& record, const QString& text);
    // Why the property cannot hold the text, naming the property (and for a list-type
    // property the values it takes); empty when it can.
    static QString TextError(const TKvStylePropertyRecord& record, const QString& text);
};

class TKvGridStyleBag;
class TKvGridStyleObject;

class TKvGridViewStyleChangeListener : public TObject
{
public:
    virtual void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) = 0;
};

// A graphics object created by a style bag. Bags that take the object from another bag hold
// a share of it, so it lives while any bag still holds it.
using TKvSharedGraphic = std::shared_ptr<TKvGraphicsObject>;

class TKvGridStyleBag : public TPersistent
{
public:
    TKvGridStyleBag(TPersistent* owner, const QString& name);
    ~TKvGridStyleBag() override;

    TPersistent* GetOwner() const override { return FOwner; }
    const QString& GetName() const { return FName; }
    TKvGridStyleBag* GetDefault() const { return FDefault; }
    TKvGridStyleBag* GetParent() const { return FParent; }
    TKvGridStyleObject* GetReference() const { return FReference; }
    TKvGridViewStyleSet GetValues() const { return FValues; }

    // Effective values: own value, the reference object's own value, the default bag's own
    // value, the parent's effective value, the class default. Texts are returned by reference
    // (valid until the holding bag changes), so that painting a cell copies nothing.
    TKvVisibility GetVisibility() const { auto b = FindHolder(VISIBILITY_STYLE); return b ? b->FVisibility : DefVisibility; }
    TKvFill* GetBackground() const { auto b = FindHolder(BACKGROUND_STYLE); return b ? b->FBackground : DefBackground(); }
    TKvFill* GetSelectedBackground() const { auto b = FindHolder(SELECTED_BACKGROUND); return b ? b->FSelectedBackground : DefSelectedBackground(); }
    TKvStroke* GetBorderLeft() const { auto b = FindHolder(BORDER_LEFT); return b ? b->FBorderLeft : DefBorderLeft(); }
    TKvStroke* GetBorderRight() const { auto b = FindHolder(BORDER_RIGHT); return b ? b->FBorderRight : DefBorderRight(); }
    TKvStroke* GetBorderTop() const { auto b = FindHolder(BORDER_TOP); return b ? b->FBorderTop : DefBorderTop(); }
    TKvStroke* GetBorderBottom() const { auto b = FindHolder(BORDER_BOTTOM); return b ? b->FBorderBottom : DefBorderBottom(); }
    TKvFont* GetFont() const { auto b = FindHolder(FONT_STYLE); return b ? b->FFont : DefFont(); }
    TKvFill* GetForeground() const { auto b = FindHolder(FOREGROUND_STYLE); return b ? b->FForeground : DefForeground(); }
    TKvFill* GetSelectedForeground() const { auto b = FindHolder(SELECTED_FOREGROUND); return b ? b->FSelectedForeground : DefSelectedForeground(); }
    TKvFill* GetDisabledForeground() const { auto b = FindHolder(DISABLED_FOREGROUND); return b ? b->FDisabledForeground : DefDisabledForeground(); }
    TKvAlignment GetTextAlignment() const { auto b = FindHolder(TEXT_ALIGNMENT); return b ? b->FTextAlignment : DefTextAlignment; }
    TKvAlignment GetLineAlignment() const { auto b = FindHolder(LINE_ALIGNMENT); return b ? b->FLineAlignment : DefLineAlignment; }
    const QString& GetNumberFormat() const { auto b = FindHolder(NUMBER_FORMAT); return b ? b->FNumberFormat : DefNumberFormat; }
    const QString& GetPrefix() const { auto b = FindHolder(PREFIX_STYLE); return b ? b->FPrefix : DefPrefix; }
    const QString& GetPostfix() const { auto b = FindHolder(POSTFIX_STYLE); return b ? b->FPostfix : DefPostfix; }
    int GetPaddingLeft() const { auto b = FindHolder(PADDING_LEFT); return b ? b->FPaddingLeft : DefPaddingLeft; }
    int GetPaddingRight() const { auto b = FindHolder(PADDING_RIGHT); return b ? b->FPaddingRight : DefPaddingRight; }
    int GetPaddingTop() const { auto b = FindHolder(PADDING_TOP); return b ? b->FPaddingTop : DefPaddingTop; }
    int GetPaddingBottom() const { auto b = FindHolder(PADDING_BOTTOM); return b ? b->FPaddingBottom : DefPaddingBottom; }
    int GetIconIndex() const { auto b = FindHolder(ICON_INDEX); return b ? b->FIconIndex : DefIconIndex; }
    TKvIconLocation GetIconLocation() const { auto b = FindHolder(ICON_LOCATION); return b ? b->FIconLocation : DefIconLocation; }
    int GetIconOffset() const { auto b = FindHolder(ICON_OFFSET); return b ? b->FIconOffset : DefIconOffset; }
    int GetIconPadding() const { auto b = FindHolder(ICON_PADDING); return b ? b->FIconPadding : defIconPadding; }
    TKvContentFit GetContentFit() const { auto b = FindHolder(CONTENT_FIT); return b ? b->FContentFit : DefContentFit; }
    int GetButtonWidth() const { auto b = FindHolder(BUTTON_WIDTH); return b ? b->FButtonWidth : DefButtonWidth; }
    TKvSelectionDisplay GetSelectionDisplay() const { auto b = FindHolder(SELECTION_DISPLAY); return b ? b->FSelectionDisplay : DefSelectionDisplay; }
    TKvFill* GetSelectionMaskBackground() const { auto b = FindHolder(SELECTION_MASK_BACKGROUND); return b ? b->FSelectionMaskBackground : DefSelectionMaskBackground(); }
    TKvStroke* GetSelectionMaskBorder() const { auto b = FindHolder(SELECTION_MASK_BORDER); return b ? b->FSelectionMaskBorder : DefSelectionMaskBorder(); }
    TKvFill* GetHoveredMaskBackground() const { auto b = FindHolder(HOVERED_MASK_BACKGROUND); return b ? b->FHoveredMaskBackground : DefHoveredMaskBackground(); }
    TKvStroke* GetHoveredMaskBorder() const { auto b = FindHolder(HOVERED_MASK_BORDER); return b ? b->FHoveredMaskBorder : DefHoveredMaskBorder(); }
    TKvFill* GetFigureBackground() const { auto b = FindHolder(FIGURE_BACKGROUND); return b ? b->FFigureBackground : DefFigureBackground(); }
    TKvStroke* GetFigureBorder() const { auto b = FindHolder(FIGURE_BORDER); return b ? b->FFigureBorder : DefFigureBorder(); }
    TKvFill* GetFigureDisabledBackground() const { auto b = FindHolder(FIGURE_DISABLED_BACKGROUND); return b ? b->FFigureDisabledBackground : DefFigureDisabledBackground(); }

    // Store, mark assigned, notify the entry (also when the value is the same). A graphics
    // object that another bag created is shared, never copied.
    void SetVisibility(TKvVisibility value) { FVisibility = value; Assigned(VISIBILITY_STYLE); }
    void SetBackground(TKvFill* value) { SetGraphic(FBackground, value, BACKGROUND_STYLE); }
    void SetSelectedBackground(TKvFill* value) { SetGraphic(FSelectedBackground, value, SELECTED_BACKGROUND); }
    void SetBorderLeft(TKvStroke* value) { SetGraphic(FBorderLeft, value, BORDER_LEFT); }
    void SetBorderRight(TKvStroke* value) { SetGraphic(FBorderRight, value, BORDER_RIGHT); }
    void SetBorderTop(TKvStroke* value) { SetGraphic(FBorderTop, value, BORDER_TOP); }
    void SetBorderBottom(TKvStroke* value) { SetGraphic(FBorderBottom, value, BORDER_BOTTOM); }
    void SetFont(TKvFont* value) { SetGraphic(FFont, value, FONT_STYLE); }
    void SetForeground(TKvFill* value) { SetGraphic(FForeground, value, FOREGROUND_STYLE); }
    void SetSelectedForeground(TKvFill* value) { SetGraphic(FSelectedForeground, value, SELECTED_FOREGROUND); }
    void SetDisabledForeground(TKvFill* value) { SetGraphic(FDisabledForeground, value, DISABLED_FOREGROUND); }
    void SetTextAlignment(TKvAlignment value) { FTextAlignment = value; Assigned(TEXT_ALIGNMENT); }
    void SetLineAlignment(TKvAlignment value) { FLineAlignment = value; Assigned(LINE_ALIGNMENT); }
    void SetNumberFormat(const QString& value) { FNumberFormat = value; Assigned(NUMBER_FORMAT); }
    void SetPrefix(const QString& value) { FPrefix = value; Assigned(PREFIX_STYLE); }
    void SetPostfix(const QString& value) { FPostfix = value; Assigned(POSTFIX_STYLE); }
    void SetPaddingLeft(int value) { FPaddingLeft = value; Assigned(PADDING_LEFT); }
    void SetPaddingRight(int value) { FPaddingRight = value; Assigned(PADDING_RIGHT); }
    void SetPaddingTop(int value) { FPaddingTop = value; Assigned(PADDING_TOP); }
    void SetPaddingBottom(int value) { FPaddingBottom = value; Assigned(PADDING_BOTTOM); }
    void SetIconIndex(int value) { FIconIndex = value; Assigned(ICON_INDEX); }
    void SetIconLocation(TKvIconLocation value) { FIconLocation = value; Assigned(ICON_LOCATION); }
    void SetIconOffset(int value) { FIconOffset = value; Assigned(ICON_OFFSET); }
    void SetIconPadding(int value) { FIconPadding = value; Assigned(ICON_PADDING); }
    void SetContentFit(TKvContentFit value) { FContentFit = value; Assigned(CONTENT_FIT); }
    void SetButtonWidth(int value) { FButtonWidth = value; Assigned(BUTTON_WIDTH); }
    void SetSelectionDisplay(TKvSelectionDisplay value) { FSelectionDisplay = value; Assigned(SELECTION_DISPLAY); }
    void SetSelectionMaskBackground(TKvFill* value) { SetGraphic(FSelectionMaskBackground, value, SELECTION_MASK_BACKGROUND); }
    void SetSelectionMaskBorder(TKvStroke* value) { SetGraphic(FSelectionMaskBorder, value, SELECTION_MASK_BORDER); }
    void SetHoveredMaskBackground(TKvFill* value) { SetGraphic(FHoveredMaskBackground, value, HOVERED_MASK_BACKGROUND); }
    void SetHoveredMaskBorder(TKvStroke* value) { SetGraphic(FHoveredMaskBorder, value, HOVERED_MASK_BORDER); }
    void SetFigureBackground(TKvFill* value) { SetGraphic(FFigureBackground, value, FIGURE_BACKGROUND); }
    void SetFigureBorder(TKvStroke* value) { SetGraphic(FFigureBorder, value, FIGURE_BORDER); }
    void SetFigureDisabledBackground(TKvFill* value) { SetGraphic(FFigureDisabledBackground, value, FIGURE_DISABLED_BACKGROUND); }

    // The effective stroke's width rounded; 0 without a stroke.
    int GetBorderLeftWidth() const { return StrokeWidth(GetBorderLeft()); }
    int GetBorderTopWidth() const { return StrokeWidth(GetBorderTop()); }
    int GetBorderRightWidth() const { return StrokeWidth(GetBorderRight()); }
    int GetBorderBottomWidth() const { return StrokeWidth(GetBorderBottom()); }

    // The rectangle with the effective paddings taken off each side.
    TRect ApplyPaddings(const TRect& rect) const;
    TRectF ApplyPaddings(const TRectF& rect) const;

    // Nil and duplicates are ignored; outside an update the listener hears STYLE_ALL at once
    // (and again as it leaves).
    void AddListener(TKvGridViewStyleChangeListener* listener);
    void RemoveListener(TKvGridViewStyleChangeListener* listener);
    int ListenerCount() const { return FListeners.Count(); }

    // The update mark is a flag: nested BeginUpdate calls do not nest. EndUpdate tells every
    // listener STYLE_ALL once when something changed meanwhile.
    void BeginUpdate();
    void EndUpdate();
    bool IsUpdating() const { return FUpdateLock > 0; }
    // Tells the listeners, or counts the change inside an update.
    void Changed(TKvGridViewStyleEntry entry);

    // Not linked: the bag is consulted without its chain. Linking a bag into its own chain
    // raises EArgumentException.
    void SetDefault(TKvGridStyleBag* bag);
    void SetParent(TKvGridStyleBag* bag);
    // True when bag is this one or in its parent chain.
    bool InParentChain(const TKvGridStyleBag* bag) const;

    bool HasValue(TKvGridViewStyleEntry entry, bool inherited = false) const;
    // Clears the assigned bit; the stored value comes back with ResetValue.
    void ClearValue(TKvGridViewStyleEntry entry);
    void ResetValue(TKvGridViewStyleEntry entry);
    // Clears every bit and the graphics values, silently.
    void ClearValues();
    // Clears every bit (notifying STYLE_ALL when any was set) and the graphics values.
    void Clear();
    // Every fill, stroke and font field becomes nil and the bag lets go of what it created.
    void ClearGraphicValues();

    // Parse a text form into a new object that the bag owns (nil for empty text). Raise
    // EConvertError for text the parser cannot read.
    TKvStroke* CreateStroke(const QString& text);
    TKvFill* CreateFill(const QString& text);
    TKvFont* CreateFont(const QString& text);
    TKvStroke* CreatePen(TKvColor color, float width, TKvDashStyle dash);
    TKvFill* CreateBrush(TKvColor color);
    TKvFill* CreateLinearBrush(TKvColor color1, TKvColor color2, float angle);
    TKvFont* CreateFont(const QString& family, float size, TKvFontStyle style);
    // Lets go of every created object that no graphics field refers to any more.
    void RepackGraphicEntities();
    int GraphicItemCount() const { return static_cast<int>(FGraphicItems.size()); }
    // True when the bag holds (a share of) the object.
    bool OwnsGraphic(const TKvGraphicsObject* object) const;

    // Text access by property name (case-insensitive). Raise Exception "Property is not
    // exists: " + name for an unknown name.
    QString GetValue(const QString& name) const;
    void SetValue(const QString& name, const QString& text);
    // The property names in table order.
    static QStringList GetNames();

    // Form files: each graphics property as a string named after it with "Property"
    // appended ("BackgroundProperty"), written when assigned and read into an object that the
    // bag owns. The other properties are published and stored when assigned.
    void DefineProperties(TFiler& filer) override;

    static QString FillsToStr(const std::vector<TKvFill*>& fills);
    // The caller owns the fills.
    static std::vector<std::unique_ptr<TKvFill>> StrToFills(const QString& text);

    // Typed access by entry, used by text access and dynamic styles.
    int GetOrdinal(TKvGridViewStyleEntry entry) const;
    void SetOrdinal(TKvGridViewStyleEntry entry, int value);
    const QString& GetString(TKvGridViewStyleEntry entry) const;
    void SetString(TKvGridViewStyleEntry entry, const QString& value);
    TKvGraphicsObject* GetGraphic(TKvGridViewStyleEntry entry) const;
    // The object must be of the property's graphics class (checked).
    void SetGraphic(TKvGridViewStyleEntry entry, TKvGraphicsObject* value);
    // Stores an object and takes a share of it.
    void SetGraphic(TKvGridViewStyleEntry entry, const TKvSharedGraphic& value);

    // Adopts a new graphics object as one that bags may share.
    static TKvSharedGraphic MakeShared(std::unique_ptr<TKvGraphicsObject> object);

    // Class defaults: the value used when no bag of the chain assigns one.
    static inline TKvVisibility DefVisibility = Visible;
    static inline TKvAlignment DefTextAlignment = AlignNear;
    static inline TKvAlignment DefLineAlignment = AlignCenter;
    static inline QString DefNumberFormat;
    static inline QString DefPrefix;
    static inline QString DefPostfix;
    static inline int DefPaddingLeft = 0;
    static inline int DefPaddingRight = 0;
    static inline int DefPaddingTop = 0;
    static inline int DefPaddingBottom = 0;
    static inline int DefIconIndex = -1;
    static inline TKvIconLocation DefIconLocation = IconLeft;
    static inline int DefIconOffset = 0;
    static inline int defIconPadding = 2;
    static inline TKvContentFit DefContentFit = FitAuto;
    static inline int DefButtonWidth = 0;
    static inline TKvSelectionDisplay DefSelectionDisplay = SelectMask;
    // The graphics class defaults are the drawing module's stock objects, read when needed
    // so that they follow the module's start-up.
    static TKvFill* DefBackground() { return TKvFill::White(); }
    static TKvFill* DefSelectedBackground() { return TKvFill::DimGray(); }
    static TKvStroke* DefBorderLeft() { return nullptr; }
    static TKvStroke* DefBorderRight() { return nullptr; }
    static TKvStroke* DefBorderTop() { return nullptr; }
    static TKvStroke* DefBorderBottom() { return nullptr; }
    static TKvFont* DefFont() { return TKvFont::Default10(); }
    static TKvFill* DefForeground() { return TKvFill::Black(); }
    static TKvFill* DefSelectedForeground() { return TKvFill::White(); }
    static TKvFill* DefDisabledForeground() { return TKvFill::Gray(); }
    static TKvFill* DefSelectionMaskBackground() { return TKvFill::Blue(); }
    static TKvStroke* DefSelectionMaskBorder() { return TKvStroke::Blue(); }
    static TKvFill* DefHoveredMaskBackground() { return TKvFill::Blue(); }
    static TKvStroke* DefHoveredMaskBorder() { return TKvStroke::Blue(); }
    static TKvFill* DefFigureBackground() { return TKvFill::Black(); }
    static TKvStroke* DefFigureBorder() { return nullptr; }
    static TKvFill* DefFigureDisabledBackground() { return TKvFill::LightGray(); }

protected:
    // Copies the assigned values into another bag inside one update.
    void AssignTo(TPersistent* dest) const override;
    // A bag that this one uses as default or parent is being freed: the link is dropped
    // and the listeners hear STYLE_ALL.
    virtual void LinkFreed(TKvGridStyleBag* bag);
    void SetReferenceField(TKvGridStyleObject* reference) { FReference = reference; }

private:
    friend class TKvGridStyleBagAccess;

    // The bag whose own field answers the entry; nil for the class default.
    const TKvGridStyleBag* FindHolder(TKvGridViewStyleEntry entry) const;
    void Assigned(TKvGridViewStyleEntry entry)
    {
        FValues.Include(entry);
        Changed(entry);
    }
    template <typename T>
    void SetGraphic(T*& field, T* value, TKvGridViewStyleEntry entry)
    {
        ShareIfBagMade(value);
        field = value;
        Assigned(entry);
    }
    void ShareIfBagMade(TKvGraphicsObject* object);
    void HoldShare(const TKvSharedGraphic& object);
    TKvGraphicsObject* Adopt(std::unique_ptr<TKvGraphicsObject> object);
    void Link(TKvGridStyleBag*& field, TKvGridStyleBag* bag);
    static int StrokeWidth(const TKvStroke* stroke);

    TPersistent* FOwner;
    QString FName;
    TKvGridStyleBag* FDefault = nullptr;
    TKvGridStyleBag* FParent = nullptr;
    TKvGridStyleObject* FReference = nullptr;
    TListenerList<TKvGridViewStyleChangeListener> FListeners;
    TKvGridViewStyleSet FValues;
    std::vector<TKvSharedGraphic> FGraphicItems;
    int FUpdateLock = 0;
    // Bags that use this one as default or parent.
    std::vector<TKvGridStyleBag*> FDependents;

    TKvVisibility FVisibility = Visible;
    TKvFill* FBackground = nullptr;
    TKvFill* FSelectedBackground = nullptr;
    TKvStroke* FBorderLeft = nullptr;
    TKvStroke* FBorderRight = nullptr;
    TKvStroke* FBorderTop = nullptr;
    TKvStroke* FBorderBottom = nullptr;
    TKvFont* FFont = nullptr;
    TKvFill* FForeground = nullptr;
    TKvFill* FSelectedForeground = nullptr;
    TKvFill* FDisabledForeground = nullptr;
    TKvAlignment FTextAlignment;
    TKvAlignment FLineAlignment;
    QString FNumberFormat;
    QString FPrefix;
    QString FPostfix;
    int FPaddingLeft;
    int FPaddingRight;
    int FPaddingTop;
    int FPaddingBottom;
    int FIconIndex;
    TKvIconLocation FIconLocation;
    int FIconOffset;
    int FIconPadding;
    TKvContentFit FContentFit;
    int FButtonWidth;
    TKvSelectionDisplay FSelectionDisplay = SelectMask;
    TKvFill* FSelectionMaskBackground = nullptr;
    TKvStroke* FSelectionMaskBorder = nullptr;
    TKvFill* FHoveredMaskBackground = nullptr;
    TKvStroke* FHoveredMaskBorder = nullptr;
    TKvFill* FFigureBackground = nullptr;
    TKvStroke* FFigureBorder = nullptr;
    TKvFill* FFigureDisabledBackground = nullptr;
};

class TKvGridStyleContainer;

class TKvGridStyleContainerListener : public TKvGridViewStyleChangeListener
{
public:
    // The container that this listener listens to is being destroyed.
    virtual void Dispose(TKvGridStyleContainer* container) = 0;
};

// The style set that grid areas, columns, headers and footers hold: a bag that may follow a
// shared style object.
class TKvGridViewStyles : public TKvGridStyleBag
{
public:
    TKvGridViewStyles(TPersistent* owner, const QString& name);
    ~TKvGridViewStyles() override;

    // Follows another style object (nil: none); the listener moves with it.
    void SetReference(TKvGridStyleObject* styleObject);
    // A change in the referenced object, passed on with the same entry.
    void ReferenceChanged(TKvGridViewStyleEntry entry);
    // The referenced container is being destroyed: the reference becomes nil.
    void ReferenceDisposed(TKvGridStyleContainer* container);

protected:
    // A freed default or parent bag of a style sheet is replaced by the built-in sheet's bag of
    // the same name; other freed links become nil.
    void LinkFreed(TKvGridStyleBag* bag) override;

private:
    class TRefListener : public TKvGridStyleContainerListener
    {
    public:
        explicit TRefListener(TKvGridViewStyles* owner) : FOwner(owner) {}
        void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override
        {
            if (FOwner)
                FOwner->ReferenceChanged(entry);
        }
        void Dispose(TKvGridStyleContainer* container) override
        {
            if (FOwner)
                FOwner->ReferenceDisposed(container);
        }
        void Detach() { FOwner = nullptr; }

    private:
        TKvGridViewStyles* FOwner;
    };

    std::unique_ptr<TRefListener> FRefListener;
};

// Name-based text access to one bag (not owned, may be nil) over the style property table.
class TKvGridStylesAgent : public TObject
{
public:
    explicit TKvGridStylesAgent(TKvGridStyleBag* styles) : FStyles(styles) {}

    TKvGridStyleBag* GetStyles() const { return FStyles; }
    void SetStyles(TKvGridStyleBag* styles) { FStyles = styles; }

    // Empty, and nothing set, without a bag.
    QString GetValue(const QString& name) const;
    void SetValue(const QString& name, const QString& text);
    // STYLE_INVALID for an unknown name (exact, case-sensitive).
    static TKvGridViewStyleEntry GetEntry(const QString& name);
    // The caption; empty for an unknown name.
    static QString GetDescription(const QString& name);
    // Every name of the table, in the table's hash order.
    static QStringList GetNames();
    // The bag's own bit; false without a bag, for an unknown name and for STYLE_ALL.
    bool HasValue(TKvGridViewStyleEntry entry) const;
    bool HasValue(const QString& name) const;

private:
    TKvGridStyleBag* FStyles;
};

// A component holding a style bag named "default".
class TKvGridStyleContainer : public TComponent
{
protected:
    friend class TCreateAccess;
    explicit TKvGridStyleContainer(TComponent* owner);

public:
    ~TKvGridStyleContainer() override;

    TKvGridStyleBag* GetStyles() const { return FStyles.get(); }
    // Copies the bag's assigned values (nil clears).
    void SetStyles(TKvGridStyleBag* bag) { AssignStyles(FStyles.get(), bag); }

    // To the bag (which tells the listener STYLE_ALL) and to the container's own list.
    virtual void AddListener(TKvGridViewStyleChangeListener* listener);
    virtual void RemoveListener(TKvGridViewStyleChangeListener* listener);
    virtual void BeginUpdate();
    virtual void EndUpdate();

    // The target takes the source's assigned values; a nil source clears the target.
    static void AssignStyles(TKvGridStyleBag* target, TKvGridStyleBag* source);

protected:
    // Tells every container listener Dispose(this), then frees the listener list and the bag;
    // done once.
    void ReleaseStyles();

private:
    TListenerList<TKvGridViewStyleChangeListener> FListeners;
    std::unique_ptr<TKvGridStyleBag> FStyles;
};

// A named style set that many grids and columns may reference.
class TKvGridStyleObject : public TKvGridStyleContainer
{
public:
    using TKvGridStyleContainer::TKvGridStyleContainer;
};

// A default set and 16 region sets; one built-in sheet gives every grid its stock look.
class TKvGridStyleSheet : public TKvGridStyleContainer
{
protected:
    friend class TCreateAccess;
    explicit TKvGridStyleSheet(TComponent* owner);

public:
    // A new sheet starts with the built-in sheet's values when that sheet exists.
    ~TKvGridStyleSheet() override;

    TKvGridStyleBag* GetPanel() const { return FPanel.get(); }
    TKvGridStyleBag* GetIndicator() const { return FIndicator.get(); }
    TKvGridStyleBag* GetCheckBar() const { return FCheckBar.get(); }
    TKvGridStyleBag* GetStatesBar() const { return FStatesBar.get(); }
    TKvGridStyleBag* GetBody() const { return FBody.get(); }
    TKvGridStyleBag* GetBodyEmpty() const { return FBodyEmpty.get(); }
    TKvGridStyleBag* GetFixedCols() const { return FFixedCols.get(); }
    TKvGridStyleBag* GetFixedColsBar() const { return FFixedColsBar.get(); }
    TKvGridStyleBag* GetFixedRows() const { return FFixedRows.get(); }
    TKvGridStyleBag* GetFixedRowsBar() const { return FFixedRowsBar.get(); }
    TKvGridStyleBag* GetHeader() const { return FHeader.get(); }
    TKvGridStyleBag* GetFooter() const { return FFooter.get(); }
    TKvGridStyleBag* GetHeaderGroup() const { return FHeaderGroup.get(); }
    TKvGridStyleBag* GetFooterGroup() const { return FFooterGroup.get(); }
    TKvGridStyleBag* GetRowGroupHeader() const { return FRowGroupHeader.get(); }
    TKvGridStyleBag* GetRowGroupFooter() const { return FRowGroupFooter.get(); }

    void SetPanel(TKvGridStyleBag* bag) { AssignStyles(FPanel.get(), bag); }
    void SetIndicator(TKvGridStyleBag* bag) { AssignStyles(FIndicator.get(), bag); }
    void SetCheckBar(TKvGridStyleBag* bag) { AssignStyles(FCheckBar.get(), bag); }
    void SetStatesBar(TKvGridStyleBag* bag) { AssignStyles(FStatesBar.get(), bag); }
    void SetBody(TKvGridStyleBag* bag) { AssignStyles(FBody.get(), bag); }
    void SetBodyEmpty(TKvGridStyleBag* bag) { AssignStyles(FBodyEmpty.get(), bag); }
    void SetFixedCols(TKvGridStyleBag* bag) { AssignStyles(FFixedCols.get(), bag); }
    void SetFixedColsBar(TKvGridStyleBag* bag) { AssignStyles(FFixedColsBar.get(), bag); }
    void SetFixedRows(TKvGridStyleBag* bag) { AssignStyles(FFixedRows.get(), bag); }
    void SetFixedRowsBar(TKvGridStyleBag* bag) { AssignStyles(FFixedRowsBar.get(), bag); }
    void SetHeader(TKvGridStyleBag* bag) { AssignStyles(FHeader.get(), bag); }
    void SetFooter(TKvGridStyleBag* bag) { AssignStyles(FFooter.get(), bag); }
    void SetHeaderGroup(TKvGridStyleBag* bag) { AssignStyles(FHeaderGroup.get(), bag); }
    void SetFooterGroup(TKvGridStyleBag* bag) { AssignStyles(FFooterGroup.get(), bag); }
    void SetRowGroupHeader(TKvGridStyleBag* bag) { AssignStyles(FRowGroupHeader.get(), bag); }
    void SetRowGroupFooter(TKvGridStyleBag* bag) { AssignStyles(FRowGroupFooter.get(), bag); }

    // The 16 region bags in table order (nil for those already freed while the sheet is
    // being destroyed).
    std::vector<TKvGridStyleBag*> GetRegions() const;
    // The own bag for "default", else the region bag of that name; nil when none.
    TKvGridStyleBag* FindBag(const QString& name) const;

    const QString& GetFileName() const { return FFileName; }
    // Loads when changed and AutoLoad is set.
    void SetFileName(const QString& name);
    bool GetAutoLoad() const { return FAutoLoad; }
    void SetAutoLoad(bool value) { FAutoLoad = value; }
    // Reserved: sheets have no file format of their own.
    void Load() {}

    void AddListener(TKvGridViewStyleChangeListener* listener) override;
    void RemoveListener(TKvGridViewStyleChangeListener* listener) override;
    void BeginUpdate() override;
    void EndUpdate() override;

    // The built-in sheet, made on first use and freed when the application object goes away.
    static TKvGridStyleSheet* Default();
    // The built-in sheet when it exists and its stock objects are alive; never makes it.
    static TKvGridStyleSheet* DefaultIfExists();
    // Frees the built-in sheet (a later Default() makes a new one).
    static void FreeDefault();

private:
    static void BuildDefault(TKvGridStyleSheet* sheet);
    // The region fields in table order.
    template <typename Sheet>
    static auto RegionFields(Sheet& s)
    {
        return std::array{&s.FPanel,      &s.FIndicator,    &s.FCheckBar,     &s.FStatesBar,
                          &s.FBody,       &s.FBodyEmpty,    &s.FFixedCols,    &s.FFixedColsBar,
                          &s.FFixedRows,  &s.FFixedRowsBar, &s.FHeader,       &s.FFooter,
                          &s.FHeaderGroup, &s.FFooterGroup, &s.FRowGroupHeader, &s.FRowGroupFooter};
    }
    // Calls f for each region bag that exists, in table order.
    template <typename F>
    void ForEachRegion(F&& f) const
    {
        for (const std::unique_ptr<TKvGridStyleBag>* region : RegionFields(*this))
            if (*region)
                f(region->get());
    }

    QString FFileName;
    bool FAutoLoad = false;
    std::unique_ptr<TKvGridStyleBag> FPanel;
    std::unique_ptr<TKvGridStyleBag> FIndicator;
    std::unique_ptr<TKvGridStyleBag> FCheckBar;
    std::unique_ptr<TKvGridStyleBag> FStatesBar;
    std::unique_ptr<TKvGridStyleBag> FBody;
    std::unique_ptr<TKvGridStyleBag> FBodyEmpty;
    std::unique_ptr<TKvGridStyleBag> FFixedCols;
    std::unique_ptr<TKvGridStyleBag> FFixedColsBar;
    std::unique_ptr<TKvGridStyleBag> FFixedRows;
    std::unique_ptr<TKvGridStyleBag> FFixedRowsBar;
    std::unique_ptr<TKvGridStyleBag> FHeader;
    std::unique_ptr<TKvGridStyleBag> FFooter;
    std::unique_ptr<TKvGridStyleBag> FHeaderGroup;
    std::unique_ptr<TKvGridStyleBag> FFooterGroup;
    std::unique_ptr<TKvGridStyleBag> FRowGroupHeader;
    std::unique_ptr<TKvGridStyleBag> FRowGroupFooter;

    static inline TKvGridStyleSheet* FDefault = nullptr;
    // A stock object at the time the built-in sheet was built: when the drawing module was
    // shut down (and maybe started again) since, the sheet refers to freed stock objects.
    static inline const TKvFill* FDefaultStockMark = nullptr;
};

// --- lookup --------------------------------------------------------------------------------

inline const TKvGridStyleBag* TKvGridStyleBag::FindHolder(TKvGridViewStyleEntry entry) const
{
    const std::uint64_t bit = std::uint64_t(1) << entry;
    for (const TKvGridStyleBag* bag = this; bag; bag = bag->FParent) {
        if (bag->FValues.Bits() & bit)
            return bag;
        if (bag->FReference) {
            const TKvGridStyleBag* ref = bag->FReference->GetStyles();
            if (ref->FValues.Bits() & bit)
                return ref;
        }
        if (bag->FDefault && (bag->FDefault->FValues.Bits() & bit))
            return bag->FDefault;
    }
    return nullptr;
}

} // namespace kv
