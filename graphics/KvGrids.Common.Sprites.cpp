// The sprite tree and its host control.
//
// Sections
//   helpers            ChangeValue, RoundToEven, Intersects
//   TKvSprite          geometry, state flags, invalidation, hit testing, drawing of one sprite
//                      and its children (DrawElement)
//   TKvSpriteElement   the child list: add, remove, order, find by name, class or point
//   TKvRootSprite      the host's top element
//   TKvSpriteDragger   a drag of one sprite from press to drop or cancel
//   TKvSpriteControl   ownership of sprites, scale and scroll, invalidation, painting through
//                      the paint buffer, scroll bars, mouse input and dragging
//
// Call flow
//   A sprite that changes calls Invalidate -> host InvalidateElement -> InvalidateRect (device
//   pixels of its update bounds). The window's paint comes to WMPaint, which paints each dirty
//   part straight into the window's raster image when the paint goes there, else into the
//   paint buffer and copies it to the window (PaintInto -> WM_PAINT -> Paint); a scroll moves
//   the pixels first and paints only what was uncovered. Paint makes a drawing context over
//   the canvas, lays out the elements, draws the background, then
//   FRoot->DrawElement: each sprite saves the context state, applies its translation,
//   rotation and clip, draws itself (Draw -> DoLayoutChildren, DoDraw) and then its visible
//   children that meet the dirty rectangle.
//   Mouse input: MouseDown/Move/Up -> DoMouseDown/Move/Up find the sprite under the point
//   (FindElementAt), track the hovered sprite and drive a TKvSpriteDragger for draggable ones.

#include "graphics/KvGrids.Common.Sprites.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/PaintBuffer.h"
#include "platform/ui/PaintSupport.h"
#include "platform/ui/UiTypes.h"

#include <algorithm>
#include <cmath>

namespace kv {

// --- helpers -------------------------------------------------------------------------------

int RoundToEven(double value)
{
    return static_cast<int>(std::nearbyint(value)); // the default rounding mode: ties to even
}

namespace {

bool Intersects(const TRectF& a, const TRectF& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

bool Meets(const TRectF& bounds, const TRectF& dirty, const std::vector<TRectF>* parts)
{
    if (!Intersects(bounds, dirty))
        return false;
    if (!parts)
        return true;
    for (const TRectF& part : *parts)
        if (Intersects(bounds, part))
            return true;
    return false;
}

} // namespace

// --- TKvSprite ----------------------------------------------------------------------------

TKvSprite::TKvSprite(TKvSpriteControl* control, const QString& name) : FOwnerControl(control), FName(name) {}

void TKvSprite::AfterConstruction()
{
    TObject::AfterConstruction();
    if (FOwnerControl)
        FOwnerControl->AddOwnedSprite(this);
    Initialize();
}

TKvSprite::~TKvSprite()
{
    // The host of the tree forgets the sprite too, also when it does not own it.
    TKvSpriteControl* container = GetContainer();
    if (FParent)
        FParent->Remove(this);
    // Children keep living (the host owns them) but lose their parent.
    for (TKvSprite* child : FChildren)
        child->FParent = nullptr;
    FChildren.clear();
    if (FOwnerControl)
        FOwnerControl->ForgetSprite(this);
    if (container && container != FOwnerControl)
        container->ForgetSprite(this);
}

TKvSpriteControl* TKvSprite::GetContainer() const
{
    return FParent ? FParent->GetContainer() : nullptr;
}

void TKvSprite::ChangeGeometry(float x, float y, float width, float height)
{
    if (x == FX && y == FY && width == FWidth && height == FHeight)
        return;
    Invalidate();
    FX = x;
    FY = y;
    FWidth = width;
    FHeight = height;
    Invalidate();
}

void TKvSprite::SetLeft(float value)
{
    ChangeGeometry(value, FY, FWidth, FHeight);
}

void TKvSprite::SetTop(float value)
{
    ChangeGeometry(FX, value, FWidth, FHeight);
}

void TKvSprite::SetWidth(float value)
{
    ChangeGeometry(FX, FY, value, FHeight);
}

void TKvSprite::SetHeight(float value)
{
    ChangeGeometry(FX, FY, FWidth, value);
}

void TKvSprite::SetLocation(float x, float y)
{
    ChangeGeometry(x, y, FWidth, FHeight);
}

void TKvSprite::SetSize(float width, float height)
{
    ChangeGeometry(FX, FY, width, height);
}

void TKvSprite::SetBounds(float x, float y, float width, float height)
{
    ChangeGeometry(x, y, width, height);
}

void TKvSprite::SetBounds(const TRectF& rect)
{
    ChangeGeometry(rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TKvSprite::SetBounds(const TRect& rect)
{
    ChangeGeometry(static_cast<float>(rect.Left), static_cast<float>(rect.Top), static_cast<float>(rect.Width()),
                   static_cast<float>(rect.Height()));
}

void TKvSprite::SetRotation(float value)
{
    if (value == FRotation)
        return;
    Invalidate();
    FRotation = value;
    Invalidate();
}

void TKvSprite::SetAlpha(float value)
{
    if (ChangeField(FAlpha, value))
        Invalidate();
}

void TKvSprite::SetVisible(bool value)
{
    if (ChangeField(FVisible, value))
        Invalidate();
}

void TKvSprite::SetUpdateInflation(int value)
{
    if (ChangeField(FUpdateInflation, value))
        Invalidate();
}

void TKvSprite::SetHovered(bool value)
{
    if (ChangeField(FHovered, value))
        HoveredChanged();
}

void TKvSprite::SetDragging(bool value)
{
    if (ChangeField(FDragging, value))
        DraggingChanged();
}

TRectF TKvSprite::GetBounds() const
{
    return TRectF(FX, FY, FX + FWidth, FY + FHeight);
}

TRectF TKvSprite::BoundsByContainer() const
{
    TRectF r = GetBounds();
    for (const TKvSprite* p = FParent; p; p = p->FParent)
        r.Offset(p->FX, p->FY);
    return r;
}

TRectF TKvSprite::SpriteToContainer(const TRectF& rect) const
{
    TRectF r = rect;
    for (const TKvSprite* s = this; s; s = s->FParent)
        r.Offset(s->FX, s->FY);
    return r;
}

TPointF TKvSprite::SpriteToContainer(const TPointF& point) const
{
    TPointF p = point;
    for (const TKvSprite* s = this; s; s = s->FParent) {
        p.X += s->FX;
        p.Y += s->FY;
    }
    return p;
}

TPoint TKvSprite::SpriteToContainer(const TPoint& point) const
{
    TPoint p = point;
    for (const TKvSprite* s = this; s; s = s->FParent) {
        p.X += RoundToEven(s->FX);
        p.Y += RoundToEven(s->FY);
    }
    return p;
}

TRectF TKvSprite::ContainerToSprite(const TRectF& rect) const
{
    TRectF r = rect;
    for (const TKvSprite* s = this; s; s = s->FParent)
        r.Offset(-s->FX, -s->FY);
    return r;
}

TPointF TKvSprite::ContainerToSprite(const TPointF& point) const
{
    TPointF p = point;
    for (const TKvSprite* s = this; s; s = s->FParent) {
        p.X -= s->FX;
        p.Y -= s->FY;
    }
    return p;
}

TPoint TKvSprite::ContainerToSprite(const TPoint& point) const
{
    TPoint p = point;
    for (const TKvSprite* s = this; s; s = s->FParent) {
        p.X -= RoundToEven(s->FX);
        p.Y -= RoundToEven(s->FY);
    }
    return p;
}

TRect TKvSprite::UpdateBounds() const
{
    const TRectF b = BoundsByContainer();
    const int n = FUpdateInflation;
    return TRect{RoundToEven(b.Left) - n, RoundToEven(b.Top) - n, RoundToEven(b.Right) + n, RoundToEven(b.Bottom) + n};
}

void TKvSprite::Invalidate()
{
    TKvSpriteControl* container = GetContainer();
    if (container && container->HandleAllocated())
        container->InvalidateElement(this);
}

bool TKvSprite::HitTest(float x, float y) const
{
    if (IsLayer())
        return false;
    return x >= 0 && x < FWidth && y >= 0 && y < FHeight;
}

void TKvSprite::Reset()
{
    FHovered = false;
}

void TKvSprite::Activate()
{
    if (FActivated)
        return;
    DoActivated();
    FActivated = true;
    for (size_t i = 0; i < FChildren.size(); ++i)
        FChildren[i]->Activate();
}

void TKvSprite::Deactivate()
{
    if (!FActivated)
        return;
    for (size_t i = 0; i < FChildren.size(); ++i)
        FChildren[i]->Deactivate();
    DoDeactivated();
    FActivated = false;
}

void TKvSprite::Draw(TKvDrawingContext* context)
{
    DoLayoutChildren();
    DoDraw(context);
}

// A bounded sprite draws nothing outside its clip rectangle: it meets what is drawn only where
// that rectangle does. Unknown (true) under a rotation.
bool TKvSprite::ClipMeets(const TRectF& dirty, const std::vector<TRectF>* parts) const
{
    if (!IsBounded())
        return true;
    TRectF clip = GetClipRect();
    if (clip.IsEmpty())
        return true;
    for (const TKvSprite* s = this; s; s = s->FParent) {
        if (s->FRotation != 0)
            return true;
        clip.Offset(s->FX, s->FY);
    }
    return Meets(clip, dirty, parts);
}

void TKvSprite::DrawElement(TKvDrawingContext* context, const TRectF& dirty, const std::vector<TRectF>* parts)
{
    const TKvDrawingState state(context);
    if (FSmoothing == SmoothingFalse)
        context->SetSmoothing(false);
    else if (FSmoothing == SmoothingTrue)
        context->SetSmoothing(true);
    if (FX != 0 || FY != 0)
        context->Translate(FX, FY);
    if (FRotation != 0)
        context->Rotate(FRotation, 0, 0);
    if (IsBounded()) {
        const TRectF clip = GetClipRect();
        if (!clip.IsEmpty())
            context->SetClip(static_cast<double>(clip.Left), clip.Top, clip.Width(), clip.Height());
    }
    if (FWidth != 0 && FHeight != 0)
        Draw(context);
    // By index: a child's drawing may not change the list, but an index never dangles.
    for (size_t i = 0; i < FChildren.size(); ++i) {
        TKvSprite* child = FChildren[i];
        if (!child->FVisible)
            continue;
        if (!child->IsLayer() && !(Meets(TRectF(child->UpdateBounds()), dirty, parts) && child->ClipMeets(dirty, parts)))
            continue;
        child->DrawElement(context, dirty, parts);
    }
}

// --- TKvSpriteElement ---------------------------------------------------------------------

TKvSpriteElement::~TKvSpriteElement() = default;

TKvSprite* TKvSpriteElement::GetChild(int index) const
{
    if (!FHasChildList)
        throw Exception(QStringLiteral("Element has no child."));
    if (index < 0 || index >= GetChildCount())
        RaiseListIndexError(index, GetChildCount());
    return FChildren[static_cast<size_t>(index)];
}

bool TKvSpriteElement::Contains(const TKvSprite* sprite) const
{
    return sprite && std::find(FChildren.begin(), FChildren.end(), sprite) != FChildren.end();
}

TKvSprite* TKvSpriteElement::Add(TKvSprite* child)
{
    if (!child)
        throw EArgumentNilException(QStringLiteral("child is nil in TKvSpriteElement.Add()"));
    for (const TKvSprite* s = this; s; s = s->GetParent())
        if (s == child)
            throw EArgumentException(QStringLiteral("child is the element or one of its ancestors in TKvSpriteElement.Add()"));
    FHasChildList = true;
    if (child->FParent == this) // already a child: the parent link says so without a search
        return nullptr;
    if (child->FParent)
        child->FParent->Remove(child);
    FChildren.push_back(child);
    child->FParent = this;
    if (GetActivated())
        child->Activate();
    if (GetContainer()) {
        Invalidate();
        child->Invalidate();
    }
    return child;
}

void TKvSpriteElement::Remove(TKvSprite* child)
{
    if (!Contains(child))
        return;
    TKvSpriteControl* container = GetContainer();
    TRect area;
    if (container)
        area = container->GetInvalidateRect(child);
    child->Deactivate();
    ResetChild(child);
    child->FParent = nullptr;
    FChildren.erase(std::find(FChildren.begin(), FChildren.end(), child));
    if (container) {
        container->InvalidateElementRect(area);
        Invalidate();
    }
}

void TKvSpriteElement::RemoveAt(int index)
{
    if (index < 0 || index >= GetChildCount())
        throw EArgumentOutOfRangeException(QStringLiteral("index is invalid"));
    Remove(FChildren[static_cast<size_t>(index)]);
}

void TKvSpriteElement::Clear()
{
    // Where the children were is repainted too: they need not lie inside this element.
    TKvSpriteControl* container = GetContainer();
    const bool mark = container && !container->IgnoresInvalidation();
    TRect area;
    std::vector<TKvSprite*> children;
    children.swap(FChildren);
    for (TKvSprite* child : children) {
        if (mark)
            area = UnionRect(area, container->GetInvalidateRect(child));
        child->Deactivate();
        ResetChild(child);
        child->FParent = nullptr;
    }
    if (mark)
        container->InvalidateElementRect(area);
    Invalidate();
}

void TKvSpriteElement::ResetChild(TKvSprite* child)
{
    child->Reset();
    for (TKvSprite* grandChild : child->FChildren)
        ResetChild(grandChild);
}

void TKvSpriteElement::BringToBack(TKvSprite* child)
{
    const auto it = std::find(FChildren.begin(), FChildren.end(), child);
    if (it == FChildren.end() || it == FChildren.begin())
        return;
    TKvSprite* other = FChildren.front();
    std::iter_swap(it, FChildren.begin());
    child->Invalidate();
    other->Invalidate();
    Invalidate();
}

void TKvSpriteElement::BringToFront(TKvSprite* child)
{
    const auto it = std::find(FChildren.begin(), FChildren.end(), child);
    if (it == FChildren.end() || it == FChildren.end() - 1)
        return;
    TKvSprite* other = FChildren.back();
    std::iter_swap(it, FChildren.end() - 1);
    child->Invalidate();
    other->Invalidate();
    Invalidate();
}

TKvSprite* TKvSpriteElement::FindChild(const QString& name) const
{
    for (TKvSprite* child : FChildren)
        if (child->GetName() == name)
            return child;
    return nullptr;
}

TKvSprite* TKvSpriteElement::FindChild(float x, float y)
{
    return HitChild(x, y, &TKvSpriteElement::FindChild, false);
}

TKvSprite* TKvSpriteElement::FindClickable(float x, float y)
{
    return HitChild(x, y, &TKvSpriteElement::FindClickable, true);
}

TKvSprite* TKvSpriteElement::HitChild(float x, float y,
                                      TKvSprite* (TKvSpriteElement::*Find)(float, float),
                                      bool MouseOnly)
{
    for (size_t i = FChildren.size(); i-- > 0;) {
        TKvSprite* child = FChildren[i];
        if (!child->GetVisible())
            continue;
        const float px = x - child->GetLeft();
        const float py = y - child->GetTop();
        if (auto* element = dynamic_cast<TKvSpriteElement*>(child))
            if (TKvSprite* found = (element->*Find)(px, py))
                return found;
        if ((!MouseOnly || child->GetMouseEnabled()) && child->HitTest(px, py))
            return child;
    }
    return nullptr;
}

// --- TKvRootSprite ------------------------------------------------------------------------

TKvRootSprite::TKvRootSprite(TKvSpriteControl* container)
    : TKvSpriteElement(nullptr, QStringLiteral("Root")), FContainer(container)
{
}

// --- TKvSpriteDragger ---------------------------------------------------------------------

TKvSpriteDragger::TKvSpriteDragger(TKvSpriteControl* host, TKvSprite* source, int x, int y)
    : FHost(host), FSource(source), FStartX(x), FStartY(y), FCurrentX(x), FCurrentY(y)
{
}

TKvSpriteDragger::~TKvSpriteDragger()
{
    Cancel();
}

void TKvSpriteDragger::Detach()
{
    FSource = nullptr;
    FActive = false;
}

void TKvSpriteDragger::Start(int x, int y)
{
    if (FActive || !FSource)
        return;
    if (std::abs(x - FStartX) < Threshold && std::abs(y - FStartY) < Threshold)
        return;
    FActive = true;
    FCurrentX = x;
    FCurrentY = y;
    FOriginX = FSource->GetLeft();
    FOriginY = FSource->GetTop();
    FSource->SetLocation(FOriginX + OffsetX(), FOriginY + OffsetY());
}

void TKvSpriteDragger::Drag(int x, int y)
{
    FCurrentX = x;
    FCurrentY = y;
    if (!FActive || !FSource)
        return;
    FSource->SetDragging(true);
    FHost->ElementDragging(FSource, FOriginX + OffsetX(), FOriginY + OffsetY());
}

void TKvSpriteDragger::Drop(int x, int y)
{
    if (!FActive || !FSource)
        return;
    FCurrentX = x;
    FCurrentY = y;
    const float nx = FOriginX + OffsetX();
    const float ny = FOriginY + OffsetY();
    FSource->SetDragging(false);
    FActive = false;
    FHost->ElementDragCompleted(FSource, nx, ny);
}

void TKvSpriteDragger::Cancel()
{
    if (!FActive || !FSource)
        return;
    FSource->SetLocation(FOriginX, FOriginY);
    FSource->SetDragging(false);
    FActive = false;
    FHost->ElementDragCanceled(FSource);
}

// --- TKvSpriteControl ---------------------------------------------------------------------

TKvSpriteControl::TKvSpriteControl(TComponent* owner)
    : TCustomControl(owner), FBuffer(std::make_unique<TPaintBuffer>())
{
}

void TKvSpriteControl::AfterConstruction()
{
    TCustomControl::AfterConstruction();
    FRoot = Create<TKvRootSprite>(this);
    FSmoothing = true;
    FScaleX = 1.0f;
    FScaleY = 1.0f;
    FInitializing = true;
    {
        TScopeExit restore([&] { FInitializing = false; });
        Initialize();
    }
    CreateElements();
    TControlStyle style = GetControlStyle();
    style.Include(csOpaque);
    style.Exclude(csParentColor);
    style.Exclude(csParentFont);
    SetControlStyle(style);
}

void TKvSpriteControl::BeforeDestruction()
{
    if (!IsDestroying())
        Destroying(); // from here on invalidation is ignored
    // A drag in progress is cancelled, then Dispose runs while the descendant is whole.
    FDragger.reset();
    if (!FDisposed) {
        FDisposed = true;
        FDisposing = true;
        try {
            Dispose();
        } catch (...) {
            FDisposing = false;
            TCustomControl::BeforeDestruction();
            throw;
        }
        FDisposing = false;
    }
    TCustomControl::BeforeDestruction();
}

TKvSpriteControl::~TKvSpriteControl()
{
    if (FDragger) {
        FDragger->Detach();
        FDragger.reset();
    }
    FHovered = nullptr;
    FSelected = nullptr;
    FFreeingSprites = true;
    std::vector<TKvSprite*> owned;
    owned.swap(FOwnedSprites);
    for (TKvSprite* sprite : owned)
        sprite->Free();
    FRoot->Free();
    FRoot = nullptr;
    FBuffer.reset();
}

void TKvSpriteControl::Initialize()
{
    FVScrollStep = 4;
    FHScrollStep = 4;
    FFocusable = true;
}

bool TKvSpriteControl::Owns(const TKvSprite* sprite) const
{
    const size_t i = sprite->FOwnedIndex;
    return i < FOwnedSprites.size() && FOwnedSprites[i] == sprite;
}

void TKvSpriteControl::AddOwnedSprite(TKvSprite* sprite)
{
    if (!sprite || Owns(sprite))
        return;
    // Owned by another host: the ownership moves, so that only one frees it.
    if (sprite->FOwnerControl && sprite->FOwnerControl != this)
        sprite->FOwnerControl->ReleaseOwned(sprite);
    sprite->FOwnerControl = this;
    sprite->FOwnedIndex = FOwnedSprites.size();
    FOwnedSprites.push_back(sprite);
}

void TKvSpriteControl::ReleaseOwned(TKvSprite* sprite)
{
    if (FFreeingSprites || !Owns(sprite))
        return;
    // The last entry takes the freed place.
    TKvSprite* last = FOwnedSprites.back();
    FOwnedSprites[sprite->FOwnedIndex] = last;
    last->FOwnedIndex = sprite->FOwnedIndex;
    FOwnedSprites.pop_back();
}

void TKvSpriteControl::ForgetSprite(TKvSprite* sprite)
{
    if (FHovered == sprite)
        FHovered = nullptr;
    if (FSelected == sprite)
        FSelected = nullptr;
    if (FDragger && FDragger->GetSource() == sprite) {
        FDragger->Detach();
        FDragger.reset();
    }
    ReleaseOwned(sprite);
}

TKvSprite* TKvSpriteControl::FindElement(float x, float y)
{
    return FRoot->FindChild(x, y);
}

TKvSprite* TKvSpriteControl::FindClickableElement(float x, float y)
{
    return FRoot->FindClickable(x, y);
}

TPointF TKvSpriteControl::DeviceToWorld(float x, float y) const
{
    return TPointF{x / FScaleX + static_cast<float>(FScrollX), y / FScaleY + static_cast<float>(FScrollY)};
}

TKvSprite* TKvSpriteControl::FindElementAt(int x, int y)
{
    const TPointF p = DeviceToWorld(static_cast<float>(x), static_cast<float>(y));
    return FindElement(p.X, p.Y);
}

TKvSprite* TKvSpriteControl::FindClickableElementAt(int x, int y)
{
    const TPointF p = DeviceToWorld(static_cast<float>(x), static_cast<float>(y));
    return FindClickableElement(p.X, p.Y);
}

void TKvSpriteControl::SetBackground(TKvFill* value)
{
    if (ChangeField(FBackground, value))
        Invalidate();
}

void TKvSpriteControl::SetHovered(TKvSprite* sprite)
{
    if (sprite == FHovered)
        return;
    if (FHovered)
        FHovered->SetHovered(false);
    FHovered = sprite;
    if (sprite)
        sprite->SetHovered(true);
    DoHoveredChanged();
}

bool TKvSpriteControl::GetDragging() const
{
    return FDragger && FDragger->GetActive();
}

void TKvSpriteControl::SetScale(float sx, float sy)
{
    // At least 0.1; not a number counts as too small.
    sx = sx >= 0.1f ? sx : 0.1f;
    sy = sy >= 0.1f ? sy : 0.1f;
    if (sx == FScaleX && sy == FScaleY)
        return;
    FScaleX = sx;
    FScaleY = sy;
    ScaleChanged();
}

void TKvSpriteControl::ScaleChanged()
{
    Invalidate();
    Update();
}

void TKvSpriteControl::SetScrollX(int value)
{
    if (ChangeField(FScrollX, std::max(value, 0)))
        ScrollChanged();
}

void TKvSpriteControl::SetScrollY(int value)
{
    if (ChangeField(FScrollY, std::max(value, 0)))
        ScrollChanged();
}

void TKvSpriteControl::ScrollChanged()
{
    Invalidate();
    Update();
    if (!FScrollRect.IsEmpty())
        UpdateScrollBars();
}

void TKvSpriteControl::SetScrollRect(const TRectF& value)
{
    if (ChangeField(FScrollRect, value))
        UpdateScrollBars();
}

void TKvSpriteControl::SetScrollWindow(const TRect& rect, int delta, const TRect& clipRect)
{
    FScrollWindowRect = rect;
    FScrollWindowDelta = delta;
    FScrollWindowClipRect = clipRect;
    const bool again = FScrollWindow || FScrollWindowRefused;
    FScrollWindow = false;
    FScrollWindowDirty = TRect{};
    if (rect.IsEmpty() || delta == 0)
        return;
    // The moved block reaches the window only where the paint may draw.
    InvalidateElementRect(rect);
    FScrollWindow = !again && IsShowing() && !IsDestroying();
    FScrollWindowRefused = !FScrollWindow;
}

void TKvSpriteControl::InvalidateElement(TKvSprite* sprite)
{
    if (FPainting || !sprite)
        return;
    InvalidateElementRect(GetInvalidateRect(sprite));
}

TRect TKvSpriteControl::GetInvalidateRect(const TKvSprite* sprite) const
{
    TRect r = sprite->UpdateBounds();
    r.Offset(-FScrollX, -FScrollY);
    return TRect{static_cast<int>(std::trunc(r.Left * static_cast<double>(FScaleX))),
                 static_cast<int>(std::trunc(r.Top * static_cast<double>(FScaleY))),
                 RoundToEven(r.Right * static_cast<double>(FScaleX)), RoundToEven(r.Bottom * static_cast<double>(FScaleY))};
}

void TKvSpriteControl::InvalidateElementRect(const TRect& rect)
{
    if (IgnoresInvalidation())
        return;
    // The layout of a paint: what the paint covers is drawn after it, a mark would only
    // paint it again.
    if (FLayoutInPaint && !FScrollWindow && PaintCovers(rect))
        return;
    InvalidateRect(&rect);
}

void TKvSpriteControl::InvalidateRect(const TRect* rect)
{
    if (FScrollWindow)
        FScrollWindowDirty = UnionRect(FScrollWindowDirty, IntersectRect(rect ? *rect : GetClientRect(), GetClientRect()));
    TCustomControl::InvalidateRect(rect);
}

void TKvSpriteControl::Invalidate()
{
    if (FPainting)
        return;
    TCustomControl::Invalidate();
}

void TKvSpriteControl::DoDrawBackground(TKvDrawingContext* context, const TRectF& rect)
{
    if (!FBackground)
        return;
    // A gradient is laid over the whole client, so a partial repaint gives the pixels of a full
    // one; the canvas's clip keeps the fill inside the paint.
    TRectF area = rect;
    if (FBackground->AsGradient()) {
        const TRect client = GetClientRect();
        area = TRectF(float(client.Left), float(client.Top), float(client.Right), float(client.Bottom));
    }
    context->FillUncovered(FBackground, TRectF(area.Left - 1, area.Top - 1, area.Right + 1, area.Bottom + 1));
}

void TKvSpriteControl::Paint()
{
    if (FPainting)
        return;
    FPainting = true;
    std::unique_ptr<TKvDrawingContext> context;
    {
        TScopeExit restore([&] {
            FDrawingContext = nullptr;
            FPainting = false;
        });
        context = std::make_unique<TKvDrawingContext>(GetCanvas());
        FDrawingContext = context.get();
        FLayoutInPaint = true;
        {
            TScopeExit laidOut([&] { FLayoutInPaint = false; });
            LayoutElements();
        }
        context->SetSmoothing(FSmoothing);
        const TRect clip = GetCanvasClipRect(GetCanvas());
        const TRectF r(clip);
        // The canvas keeps the rectangles of this paint within its clip.
        std::vector<TRect> region;
        for (const TRect& p : FPaintParts)
            if (const TRect part = IntersectRect(p, clip); !part.IsEmpty())
                region.push_back(part);
        if (region.empty() && !clip.IsEmpty())
            region.push_back(clip);
        context->SetPaintRegion(region);
        DoDrawBackground(context.get(), r);
        const TRectF dirty(r.Left / FScaleX + FScrollX, r.Top / FScaleY + FScrollY, r.Right / FScaleX + FScrollX,
                           r.Bottom / FScaleY + FScrollY);
        const TKvDrawingState state(context.get());
        if (FScaleX != 1.0f || FScaleY != 1.0f)
            context->Scale(FScaleX, FScaleY);
        context->Translate(-FScrollX, -FScrollY);
        std::vector<TRectF> parts;
        for (const TRect& p : FPaintParts)
            parts.emplace_back(p.Left / FScaleX + FScrollX, p.Top / FScaleY + FScrollY, p.Right / FScaleX + FScrollX,
                               p.Bottom / FScaleY + FScrollY);
        FRoot->DrawElement(context.get(), dirty, parts.empty() ? nullptr : &parts);
        restore.Dismiss();
    }
    FDrawingContext = nullptr;
    context.reset();
    FPainting = false;
}

void TKvSpriteControl::LayoutElementsUnpainted()
{
    if (FPainting)
        return;
    FPainting = true;
    FLayingOut = true;
    TScopeExit restore([&] {
        FPainting = false;
        FLayingOut = false;
    });
    LayoutElements();
}

void TKvSpriteControl::PaintInto(const TRect& clip)
{
    if (clip.IsEmpty())
        return;
    TCanvas* canvas = FBuffer->BeginPaint(clip);
    if (!canvas)
        return;
    {
        TScopeExit endPaint([&] { FBuffer->EndPaint(); });
        TMessage m{WM_PAINT, reinterpret_cast<std::intptr_t>(canvas), 0, 0};
        WndProc(m);
    }
}

void TKvSpriteControl::PaintRect(TCanvas* window, const TRect& clip)
{
    PaintInto(clip);
    FBuffer->CopyTo(window, clip);
}

bool TKvSpriteControl::SyncBuffer() const
{
    if (!FBufferBehind)
        return true;
    if (!FBuffer->TakeWindowPicture(this))
        return false;
    FBufferBehind = false;
    return true;
}

const TPaintBuffer& TKvSpriteControl::GetBuffer() const
{
    if (!FPainting)
        SyncBuffer();
    return *FBuffer;
}

namespace {

// The parts of a paint region painted one by one: its rectangles when they cover much less
// than their bounding box (sprites far apart), else the box in one pass.
std::vector<TRect> PaintParts(const std::vector<TRect>& rects, const TRect& box)
{
    constexpr size_t MaxParts = 8;
    if (rects.size() < 2 || rects.size() > MaxParts)
        return {box};
    std::int64_t area = 0;
    for (const TRect& r : rects)
        area += static_cast<std::int64_t>(r.Width()) * r.Height();
    if (area * 2 > static_cast<std::int64_t>(box.Width()) * box.Height())
        return {box};
    return rects;
}

} // namespace

void TKvSpriteControl::WMPaint(TMessage& message)
{
    if (message.WParam != 0) {
        TCustomControl::WMPaint(message);
        return;
    }
    TPaintStruct ps;
    if (!BeginPaint(ps))
        return;
    // Straight into the window's image when the paint goes there; else through the buffer,
    // copied to the window.
    const bool direct = FBuffer->BeginWindowPaint(this, ps.Rects);
    if (!direct) {
        const TRect client = GetClientRect();
        FBuffer->EnsureSize(client.Width(), client.Height());
    } else {
        FBufferBehind = true;
    }
    TScopeExit endPaint([&] {
        FBuffer->EndWindowPaint();
        EndScrollWindow();
        EndPaint(ps);
    });
    const auto paint = [&](const TRect& clip) {
        PaintInto(clip);
        if (!direct)
            FBuffer->CopyTo(ps.Canvas, clip);
    };
    // A buffer behind the window cannot move its pixels, nor can the window outside what
    // this paint shows: the block is painted anew.
    const bool move = FScrollWindow && (direct ? PaintCovers(FScrollWindowRect) : SyncBuffer());
    if (!move) {
        if (!ps.rcPaint.IsEmpty()) {
            // On the window the paint keeps to the region: one pass over the box draws only
            // what meets one of its rectangles, each sprite once. The buffer is copied to the
            // window by whole parts.
            const std::vector<TRect> parts = direct ? std::vector<TRect>{ps.rcPaint} : PaintParts(ps.Rects, ps.rcPaint);
            TRestore<std::vector<TRect>> only(FPaintParts, direct && ps.Rects.size() > 1 ? ps.Rects : std::vector<TRect>{});
            for (const TRect& part : parts)
                paint(part);
        }
    } else {
        const TRect r = FScrollWindowRect;
        const int d = FScrollWindowDelta;
        FBuffer->MoveRect(d >= 0 ? r : TRect{r.Left, r.Top - d, r.Right, r.Bottom}, 0, d);
        PaintInto(FScrollWindowClipRect);
        // What was invalidated since the scroll was armed, and everything outside the
        // moved block, is painted as well: no invalidation is lost.
        PaintInto(FScrollWindowDirty);
        if (!direct) {
            FBuffer->CopyTo(ps.Canvas, r);
            FBuffer->CopyTo(ps.Canvas, FScrollWindowDirty);
        }
        for (const TRect& part : ps.Rects)
            if (IntersectRect(part, r) != part)
                paint(part);
    }
}

void TKvSpriteControl::EndScrollWindow()
{
    FScrollWindow = false;
    FScrollWindowRefused = false;
    FScrollWindowDirty = TRect{};
}

// Each bar gets the scroll rectangle's extent as its range and the control's extent less
// the other bar as its page. Under scroll-info rules a page larger than the range is cut to
// the range and the bar hides, so a rectangle wider than the control but lower than it
// (400 by 100 in 300 by 300) shows only the horizontal bar.
void TKvSpriteControl::UpdateScrollBars()
{
    const bool narrow = FScrollRect.Width() < GetWidth();
    const bool low = FScrollRect.Height() < GetHeight();
    if (FScrollRect.IsEmpty() || (narrow && low)) {
        TScrollInfo hide;
        hide.fMask = SIF_RANGE | SIF_PAGE;
        hide.nMin = 0;
        hide.nMax = 0;
        hide.nPage = 1;
        SetScrollInfo(SB_VERT, hide, true);
        SetScrollInfo(SB_HORZ, hide, true);
        return;
    }
    TScrollInfo v;
    v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    v.nMin = 0;
    v.nMax = RoundToEven(FScrollRect.Height());
    v.nPage = static_cast<unsigned>(std::max(0, GetHeight() - GetSystemMetrics(SM_CYHSCROLL)));
    v.nPos = FScrollY;
    SetScrollInfo(SB_VERT, v, true);
    TScrollInfo h;
    h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    h.nMin = 0;
    h.nMax = RoundToEven(FScrollRect.Width());
    h.nPage = static_cast<unsigned>(std::max(0, GetWidth() - GetSystemMetrics(SM_CXVSCROLL)));
    h.nPos = FScrollX;
    SetScrollInfo(SB_HORZ, h, true);
    SetScrollY(GetScrollPos(SB_VERT));
    SetScrollX(GetScrollPos(SB_HORZ));
}

void TKvSpriteControl::WMScroll(TMessage& message)
{
    if (!HandleAllocated())
        return;
    if (CanFocus() && GetTabStop() && !IsDesigning())
        SetFocus();
    const bool vertical = message.Msg == WM_VSCROLL;
    const int bar = vertical ? SB_VERT : SB_HORZ;
    TScrollInfo info;
    info.fMask = SIF_ALL;
    GetScrollInfo(bar, info);
    int value = vertical ? FScrollY : FScrollX;
    const int step = vertical ? FVScrollStep : FHScrollStep;
    switch (LoWordSigned(message.WParam)) {
    case SB_LINEUP: value -= step; break;
    case SB_LINEDOWN: value += step; break;
    case SB_PAGEUP: value -= static_cast<int>(info.nPage); break;
    case SB_PAGEDOWN: value += static_cast<int>(info.nPage); break;
    case SB_THUMBTRACK: value = info.nTrackPos; break;
    default: break;
    }
    value = std::max(value, 0);
    if (vertical)
        SetScrollY(value);
    else
        SetScrollX(value);
}

void TKvSpriteControl::Resize()
{
    TCustomControl::Resize();
    if (!FScrollRect.IsEmpty())
        UpdateScrollBars();
}

void TKvSpriteControl::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    params.WindowClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TKvSpriteControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_GETDLGCODE: message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; break;
    case WM_ERASEBKGND: message.Result = 1; break;
    default: TCustomControl::WndProc(message); break;
    }
}

void TKvSpriteControl::KeyDown(std::uint16_t& key, TShiftState shift)
{
    TCustomControl::KeyDown(key, shift);
    DoKeyDown(key, shift);
}

void TKvSpriteControl::KeyPress(QChar& key)
{
    TCustomControl::KeyPress(key);
    DoKeyPress(key);
}

void TKvSpriteControl::KeyUp(std::uint16_t& key, TShiftState shift)
{
    TCustomControl::KeyUp(key, shift);
    DoKeyUp(key, shift);
}

void TKvSpriteControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseDown(button, shift, x, y);
    if (FFocusable && CanFocus())
        SetFocus();
    DoMouseDown(button, shift, x, y);
}

void TKvSpriteControl::MouseMove(TShiftState shift, int x, int y)
{
    TCustomControl::MouseMove(shift, x, y);
    DoMouseMove(shift, x, y);
}

void TKvSpriteControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomControl::MouseUp(button, shift, x, y);
    SetMouseCapture(false);
    DoMouseUp(button, shift, x, y);
}

void TKvSpriteControl::DoMouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    FSelected = FindElementAt(x, y);
    if (FSelected)
        StartDragging(FSelected, x, y);
}

void TKvSpriteControl::DoMouseMove(TShiftState shift, int x, int y)
{
    SetHovered(FindElementAt(x, y));
    if (FDragger && shift.Contains(ssLeft)) {
        if (FDragger->GetActive())
            FDragger->Drag(x, y);
        else
            FDragger->Start(x, y);
    }
}

void TKvSpriteControl::DoMouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (FDragger) {
        FDragger->Drop(x, y);
        FDragger.reset();
    }
}

bool TKvSpriteControl::StartDragging(TKvSprite* sprite, int x, int y)
{
    if (!sprite || !sprite->GetDraggable())
        return false;
    FDragger.reset();
    FDragger = std::make_unique<TKvSpriteDragger>(this, sprite, x, y);
    return true;
}

void TKvSpriteControl::ElementDragging(TKvSprite* sprite, float x, float y)
{
    sprite->SetLocation(x, y);
}

} // namespace kv
