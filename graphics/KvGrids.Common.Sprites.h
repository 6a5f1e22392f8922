// The sprite tree and its host control. Sprites are named rectangles in float coordinates
// (X and Y in the parent's space) that draw themselves through a drawing context, are culled
// against the area being repainted, hit-tested front to back, and invalidate their own area.
// TKvSpriteControl hosts a tree: it owns the sprites, paints them double-buffered under a
// scale and a scroll offset, maps device points to world points (p / scale + scroll), tracks
// the hovered sprite, drags draggable sprites and shows scroll bars for a scroll rectangle.
#pragma once

#include "graphics/KvGrids.Common.Drawing.h"
#include "platform/graphics/Types.h"
#include "platform/ui/Controls.h"

#include <QtCore/QString>
#include <memory>
#include <typeinfo>
#include <vector>

namespace kv {

class TKvSpriteControl;
class TKvSpriteElement;
class TPaintBuffer;

enum TKvSpriteSmoothing { SmoothingInherent, SmoothingFalse, SmoothingTrue };

// Rounds to the nearest integer, ties to even.
int RoundToEven(double value);

class TKvSprite : public TObject
{
protected:
    friend class TCreateAccess;
    TKvSprite(TKvSpriteControl* control, const QString& name);

public:
    // Made with kv::Create<T>(control, name): a sprite given a control is owned and freed
    // by it; without one, the caller frees it. Freeing a sprite detaches it from its parent.
    ~TKvSprite() override;
    void AfterConstruction() override;

    virtual TKvSpriteControl* GetContainer() const;

    const QString& GetName() const { return FName; }
    TKvSpriteElement* GetParent() const { return FParent; }
    bool GetActivated() const { return FActivated; }

    float GetLeft() const { return FX; }
    float GetTop() const { return FY; }
    float GetWidth() const { return FWidth; }
    float GetHeight() const { return FHeight; }
    float GetRight() const { return FX + FWidth; }
    float GetBottom() const { return FY + FHeight; }
    float GetRotation() const { return FRotation; }
    float GetAlpha() const { return FAlpha; }
    bool GetVisible() const { return FVisible; }
    int GetUpdateInflation() const { return FUpdateInflation; }
    bool GetMouseEnabled() const { return FMouseEnabled; }
    bool GetDraggable() const { return FDraggable; }
    bool GetHovered() const { return FHovered; }
    bool GetDragging() const { return FDragging; }
    TKvSpriteSmoothing GetSmoothing() const { return FSmoothing; }

    void SetLeft(float value);
    void SetTop(float value);
    void SetWidth(float value);
    void SetHeight(float value);
    void SetRotation(float value);
    virtual void SetLocation(float x, float y);
    virtual void SetSize(float width, float height);
    void SetBounds(float x, float y, float width, float height);
    void SetBounds(const TRectF& rect);
    void SetBounds(const TRect& rect);
    void SetAlpha(float value);
    void SetVisible(bool value);
    void SetUpdateInflation(int value);
    void SetMouseEnabled(bool value) { FMouseEnabled = value; }
    void SetDraggable(bool value) { FDraggable = value; }
    void SetSmoothing(TKvSpriteSmoothing value) { FSmoothing = value; }
    void SetHovered(bool value);
    void SetDragging(bool value);

    // Bounds in the parent's space and in the container (world) space.
    virtual TRectF GetBounds() const;
    TRectF BoundsByContainer() const;
    TRectF SpriteToContainer(const TRectF& rect) const;
    TPointF SpriteToContainer(const TPointF& point) const;
    TPoint SpriteToContainer(const TPoint& point) const;
    TRectF ContainerToSprite(const TRectF& rect) const;
    TPointF ContainerToSprite(const TPointF& point) const;
    TPoint ContainerToSprite(const TPoint& point) const;
    // The area culled against and invalidated: the container bounds rounded to integers
    // and grown by the update inflation on every side.
    virtual TRect UpdateBounds() const;

    // Asks the container to repaint this sprite's area.
    void Invalidate();

    // In the sprite's own space: true inside 0 <= x < Width, 0 <= y < Height; never a layer.
    virtual bool HitTest(float x, float y) const;
    virtual bool ContainsPoint(float x, float y) const { return HitTest(x, y); }
    virtual bool IsLayer() const { return false; }
    virtual bool IsBounded() const { return true; }
    // A clip rectangle in the sprite's own space; empty for none.
    virtual TRectF GetClipRect() const { return TRectF(); }
    virtual TSizeF MeasureSize() { return TSizeF(); }
    virtual void Reset();

    void Activate();
    void Deactivate();

    void Draw(TKvDrawingContext* context);
    // Draws the sprite and those children whose update bounds meet dirty (container space)
    // and, when parts are given, one of them (dirty is then their bounding box).
    void DrawElement(TKvDrawingContext* context, const TRectF& dirty, const std::vector<TRectF>* parts = nullptr);
    // False when the sprite's clip rectangle (container space) meets neither dirty nor, when
    // given, any of parts: nothing it draws would show there.
    bool ClipMeets(const TRectF& dirty, const std::vector<TRectF>* parts) const;

    // Another object standing for this sprite when asked for the class of type; null in
    // the base. Descendants answer, say, the column of a header handle.
    virtual TObject* GetAdapter(const std::type_info& type) { return nullptr; }
    // The adapter for T, else the sprite itself when it is a T, else null; FindAdapter asks
    // the sprite and then each parent in turn. (Not overloads of GetAdapter, which an
    // override would hide.)
    template <typename T>
    T* AdapterAs()
    {
        if (TObject* adapter = GetAdapter(typeid(T)))
            return dynamic_cast<T*>(adapter);
        return dynamic_cast<T*>(this);
    }
    template <typename T>
    T* FindAdapter();

protected:
    friend class TKvSpriteElement;
    friend class TKvSpriteControl;

    virtual void Initialize() {}
    virtual void DoActivated() {}
    virtual void DoDeactivated() {}
    virtual void DoLayoutChildren() {}
    virtual void DoDraw(TKvDrawingContext* context) {}
    virtual void HoveredChanged() {}
    virtual void DraggingChanged() { Invalidate(); }

    // The child list: created by the first Add, not owning.
    std::vector<TKvSprite*> FChildren;
    bool FHasChildList = false;

private:
    void ChangeGeometry(float x, float y, float width, float height);
    // The host that owns this sprite, told when the sprite goes, and its place in the host's
    // list.
    TKvSpriteControl* FOwnerControl;
    size_t FOwnedIndex = 0;

    TKvSpriteSmoothing FSmoothing = SmoothingInherent;
    QString FName;
    TKvSpriteElement* FParent = nullptr;
    bool FActivated = false;
    float FX = 0;
    float FY = 0;
    float FWidth = 0;
    float FHeight = 0;
    float FRotation = 0;
    float FAlpha = 1.0f;
    bool FVisible = true;
    int FUpdateInflation = 2;
    bool FMouseEnabled = true;
    bool FDraggable = false;
    bool FHovered = false;
    bool FDragging = false;
};

// A sprite with children (not owned: the host control owns the sprites).
class TKvSpriteElement : public TKvSprite
{
public:
    using TKvSprite::TKvSprite;
    ~TKvSpriteElement() override;

    int GetChildCount() const { return static_cast<int>(FChildren.size()); }
    // Raises "Element has no child." for an element that never had one, and the list's
    // index error for a bad index.
    TKvSprite* GetChild(int index) const;
    bool Contains(const TKvSprite* sprite) const;

    // Appends the child (taking it from its old parent); null when it is already a child.
    // Raises EArgumentNilException for null and EArgumentException for the element itself
    // or one of its ancestors.
    virtual TKvSprite* Add(TKvSprite* child);
    void Remove(TKvSprite* child);
    void RemoveAt(int index);
    void Clear();
    void BringToBack(TKvSprite* child);
    void BringToFront(TKvSprite* child);

    TKvSprite* FindChild(const QString& name) const;
    // Front to back, in this element's space: the deepest visible sprite hit. Invisible
    // children and everything below them are skipped; layers are never returned.
    virtual TKvSprite* FindChild(float x, float y);
    // The same, counting only mouse-enabled sprites.
    virtual TKvSprite* FindClickable(float x, float y);

protected:
    static void ResetChild(TKvSprite* child);

private:
    // The front-to-back walk behind FindChild and FindClickable; Find descends into elements.
    TKvSprite* HitChild(float x, float y, TKvSprite* (TKvSpriteElement::*Find)(float, float),
                        bool MouseOnly);
};

// A child container that is always drawn (never culled) and never hit itself.
class TKvLayerElement : public TKvSpriteElement
{
public:
    using TKvSpriteElement::TKvSpriteElement;
    bool IsLayer() const override { return true; }
};

// The root of a host's tree; its container is the host.
class TKvRootSprite : public TKvSpriteElement
{
protected:
    friend class TCreateAccess;
    explicit TKvRootSprite(TKvSpriteControl* container);

public:
    TKvSpriteControl* GetContainer() const override { return FContainer; }

private:
    TKvSpriteControl* FContainer;
};

// Moves a draggable sprite once the pointer has left the press point by 3 pixels.
class TKvSpriteDragger
{
public:
    TKvSpriteDragger(TKvSpriteControl* host, TKvSprite* source, int x, int y);
    // Cancels an active drag.
    ~TKvSpriteDragger();
    TKvSpriteDragger(const TKvSpriteDragger&) = delete;
    TKvSpriteDragger& operator=(const TKvSpriteDragger&) = delete;

    TKvSprite* GetSource() const { return FSource; }
    bool GetActive() const { return FActive; }
    int OffsetX() const { return FCurrentX - FStartX; }
    int OffsetY() const { return FCurrentY - FStartY; }
    float GetOriginX() const { return FOriginX; }
    float GetOriginY() const { return FOriginY; }

    void Start(int x, int y);
    void Drag(int x, int y);
    void Drop(int x, int y);
    void Cancel();
    // The source is gone: forget it without touching it.
    void Detach();

    static constexpr int Threshold = 3;

private:
    TKvSpriteControl* FHost;
    TKvSprite* FSource;
    int FStartX;
    int FStartY;
    bool FActive = false;
    int FCurrentX = 0;
    int FCurrentY = 0;
    float FOriginX = 0;
    float FOriginY = 0;
};

class TKvSpriteControl : public TCustomControl
{
protected:
    friend class TCreateAccess;
    explicit TKvSpriteControl(TComponent* owner);

public:
    ~TKvSpriteControl() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    TKvRootSprite* GetRoot() const { return FRoot; }
    int GetCount() const { return FRoot->GetChildCount(); }
    TKvSprite* GetElement(int index) const { return FRoot->GetChild(index); }
    TKvSprite* AddElement(TKvSprite* sprite) { return FRoot->Add(sprite); }
    void RemoveElement(TKvSprite* sprite) { FRoot->Remove(sprite); }
    void ClearElements() { FRoot->Clear(); }
    // Takes ownership of the sprite once (from another host that owned it); null and
    // repeats are ignored.
    void AddOwnedSprite(TKvSprite* sprite);
    int GetOwnedSpriteCount() const { return static_cast<int>(FOwnedSprites.size()); }

    // World coordinates. The form with a class answers the sprite found or its nearest
    // parent that is a T, and gives the sprite found through found.
    virtual TKvSprite* FindElement(float x, float y);
    template <typename T>
    T* FindElement(float x, float y, TKvSprite** found = nullptr);
    virtual TKvSprite* FindClickableElement(float x, float y);
    // Device (client) coordinates.
    TKvSprite* FindElementAt(int x, int y);
    template <typename T>
    T* FindElementAt(int x, int y, TKvSprite** found = nullptr);
    TKvSprite* FindClickableElementAt(int x, int y);
    TPointF DeviceToWorld(float x, float y) const;

    // An object the control answers for the class of type; null in the base.
    virtual TObject* GetAdapter(const std::type_info& type) { return nullptr; }
    template <typename T>
    T* AdapterAs()
    {
        return dynamic_cast<T*>(GetAdapter(typeid(T)));
    }

    TKvFill* GetBackground() const { return FBackground; }
    void SetBackground(TKvFill* value);
    bool GetSmoothing() const { return FSmoothing; }
    void SetSmoothing(bool value) { FSmoothing = value; }
    bool GetFocusable() const { return FFocusable; }
    void SetFocusable(bool value) { FFocusable = value; }
    bool GetInitializing() const { return FInitializing; }
    bool GetDisposing() const { return FDisposing; }
    bool GetPainting() const { return FPainting; }
    TKvDrawingContext* GetDrawingContext() const { return FDrawingContext; }

    TKvSprite* GetHovered() const { return FHovered; }
    void SetHovered(TKvSprite* sprite);
    TKvSprite* GetSelected() const { return FSelected; }
    TKvSpriteDragger* GetDragger() const { return FDragger.get(); }
    bool GetDragging() const;

    float GetScaleX() const { return FScaleX; }
    float GetScaleY() const { return FScaleY; }
    void SetScaleX(float value) { SetScale(value, FScaleY); }
    void SetScaleY(float value) { SetScale(FScaleX, value); }
    void SetScale(float sx, float sy);
    int GetScrollX() const { return FScrollX; }
    int GetScrollY() const { return FScrollY; }
    void SetScrollX(int value);
    void SetScrollY(int value);
    const TRectF& GetScrollRect() const { return FScrollRect; }
    void SetScrollRect(const TRectF& value);
    int GetVScrollStep() const { return FVScrollStep; }
    int GetHScrollStep() const { return FHScrollStep; }
    void SetVScrollStep(int value) { FVScrollStep = value; }
    void SetHScrollStep(int value) { FHScrollStep = value; }
    // Arms a scroll of the window content for the next paint: the buffer's block rect moves
    // down by delta (up when negative), and in it only clipRect and what is invalidated
    // after this call are painted anew; what was invalidated inside rect before is taken
    // to have moved with the content. Outside rect the paint covers everything invalidated.
    // A second request before that paint, or one while the window is not showing, is not
    // armed: rect is simply repainted, as moving by only the last delta would be wrong.
    void SetScrollWindow(const TRect& rect, int delta, const TRect& clipRect);
    bool GetScrollWindowArmed() const { return FScrollWindow; }

    // Sprite invalidation, in device pixels.
    virtual void InvalidateElement(TKvSprite* sprite);
    TRect GetInvalidateRect(const TKvSprite* sprite) const;
    void InvalidateElementRect(const TRect& rect);
    // True while InvalidateElementRect marks nothing (no window, going away, laying out).
    bool IgnoresInvalidation() const { return IsDestroying() || !HandleAllocated() || FLayingOut; }
    void InvalidateRect(const TRect* rect) override;
    void Invalidate() override;

    void LayoutElements() { DoLayoutElements(); }
    // Lays the elements out now, outside a paint: the sprites it places, adds or removes mark
    // nothing for painting; the caller marks what changed.
    void LayoutElementsUnpainted();
    void UpdateScrollBars();
    // Begins a drag of the sprite pressed at (x, y); false when it is not draggable.
    bool StartDragging(TKvSprite* sprite, int x, int y);

    // The paint buffer (kept between paints): the picture of the last paints. Paints that
    // went straight into the window's image leave it behind; it then takes the window's picture.
    const TPaintBuffer& GetBuffer() const;

protected:
    friend class TKvSprite;
    friend class TKvSpriteDragger;

    void Paint() override;
    virtual void Initialize();
    virtual void Dispose() {}
    virtual void CreateElements() {}
    virtual void DoLayoutElements() {}
    virtual void DoDrawBackground(TKvDrawingContext* context, const TRectF& rect);
    virtual void DoHoveredChanged() {}
    virtual void DoKeyDown(std::uint16_t& key, TShiftState shift) {}
    virtual void DoKeyPress(QChar& key) {}
    virtual void DoKeyUp(std::uint16_t& key, TShiftState shift) {}
    virtual void DoMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseMove(TShiftState shift, int x, int y);
    virtual void DoMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void ElementDragging(TKvSprite* sprite, float x, float y);
    virtual void ElementDragCompleted(TKvSprite* sprite, float x, float y) {}
    virtual void ElementDragCanceled(TKvSprite* sprite) {}
    virtual void ScaleChanged();

    void Resize() override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void KeyUp(std::uint16_t& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void WMPaint(TMessage& message) override;
    void WMScroll(TMessage& message) override;

private:
    // The sprite is going: no reference to it stays.
    void ForgetSprite(TKvSprite* sprite);
    bool Owns(const TKvSprite* sprite) const;
    void ReleaseOwned(TKvSprite* sprite);
    // Paints clip into the buffer, or into the window's image during a paint that goes there.
    void PaintInto(const TRect& clip);
    // Paints clip into the buffer and copies it to the window canvas.
    void PaintRect(TCanvas* window, const TRect& clip);
    // The buffer takes the window's picture when paints went past it; false when it cannot.
    bool SyncBuffer() const;
    void EndScrollWindow();
    // Repaints at once after a scroll offset changed.
    void ScrollChanged();

    std::unique_ptr<TPaintBuffer> FBuffer;
    // Paints went straight into the window's image since the buffer last held the picture.
    mutable bool FBufferBehind = false;
    TKvRootSprite* FRoot = nullptr;
    // In no particular order: a freed sprite's place goes to the last one.
    std::vector<TKvSprite*> FOwnedSprites;
    bool FFreeingSprites = false;
    bool FPainting = false;
    bool FLayingOut = false;
    bool FLayoutInPaint = false;
    TKvDrawingContext* FDrawingContext = nullptr;
    // The rectangles of a window paint drawn in one pass over their bounding box, clipped to
    // them (client pixels): sprites that meet none of them are left out. Empty otherwise.
    std::vector<TRect> FPaintParts;
    bool FSmoothing = true;
    TKvFill* FBackground = nullptr;
    bool FFocusable = false;
    bool FInitializing = false;
    bool FDisposing = false;
    // Dispose has run (also when an owner going away set the destroying state first).
    bool FDisposed = false;
    TKvSprite* FHovered = nullptr;
    TKvSprite* FSelected = nullptr;
    std::unique_ptr<TKvSpriteDragger> FDragger;
    float FScaleX = 1.0f;
    float FScaleY = 1.0f;
    int FScrollX = 0;
    int FScrollY = 0;
    TRectF FScrollRect;
    int FVScrollStep = 0;
    int FHScrollStep = 0;
    bool FScrollWindow = false;
    TRect FScrollWindowRect;
    int FScrollWindowDelta = 0;
    TRect FScrollWindowClipRect;
    // Everything invalidated while the scroll is armed.
    TRect FScrollWindowDirty;
    // A request came that could not be armed: none is armed until the next paint.
    bool FScrollWindowRefused = false;
};

template <typename T>
T* TKvSprite::FindAdapter()
{
    for (TKvSprite* s = this; s; s = s->FParent)
        if (T* t = s->AdapterAs<T>())
            return t;
    return nullptr;
}

template <typename T>
T* TKvSpriteControl::FindElement(float x, float y, TKvSprite** found)
{
    TKvSprite* sprite = FindElement(x, y);
    if (found)
        *found = sprite;
    for (TKvSprite* s = sprite; s; s = s->GetParent())
        if (T* t = dynamic_cast<T*>(s))
            return t;
    return nullptr;
}

template <typename T>
T* TKvSpriteControl::FindElementAt(int x, int y, TKvSprite** found)
{
    const TPointF p = DeviceToWorld(static_cast<float>(x), static_cast<float>(y));
    return FindElement<T>(p.X, p.Y, found);
}

} // namespace kv
