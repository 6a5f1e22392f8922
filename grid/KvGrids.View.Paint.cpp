// What a paint of the grid need not fill: the covers.
//
// Call flow: the host's Paint lays out the elements and calls DoDrawBackground, which makes
// the covers from the laid-out body views and their cells (MakePaintCovers) and fills the
// window's background without the window cover. Each body view then sets its own cover on the
// drawing context while its renderer runs (GetPaintCover), so that the stock renderers' fills
// (FillUncovered) leave out what its cells fill next. The covers hold device pixels only for
// the paint that made them; Paint forgets them when it ends.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.Elements.h"
#include "platform/rtl/ScopeGuard.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace kv {

namespace {

TRect Intersect(const TRect& a, const TRect& b)
{
    const TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}

bool Whole(float v)
{
    return v == std::floor(v) && std::fabs(v) <= 1e7f;
}

// The exact stock classes are told by their type alone; only others take a cast.
template <typename T, typename Stock, typename Object>
T* As(Object* object)
{
    if (!object)
        return nullptr;
    if (typeid(*object) == typeid(Stock))
        return static_cast<T*>(static_cast<Stock*>(object));
    return dynamic_cast<T*>(object);
}

// A solid fill's colour; false for none and for a gradient.
bool SolidColor(TKvFill* fill, TKvColor& color)
{
    auto* solid = As<TKvSolidBrush, TKvSolidBrush>(fill);
    if (!solid || fill->AsGradient())
        return false;
    color = solid->GetColor();
    return true;
}

bool Opaque(TKvFill* fill)
{
    TKvColor color;
    return SolidColor(fill, color) && color.GetAlpha() == 0xFF;
}

// A sprite drawn unrotated at a whole-pixel offset: its device origin and the clip that it and
// its parents set, cut to clip; false when it is hidden or not on whole pixels.
bool Place(const TKvSprite* sprite, const TPoint& parentOrigin, const TRect& parentClip, TPoint& origin, TRect& clip)
{
    if (!sprite->GetVisible() || sprite->GetRotation() != 0 || !Whole(sprite->GetLeft()) || !Whole(sprite->GetTop()))
        return false;
    origin = TPoint{parentOrigin.X + int(sprite->GetLeft()), parentOrigin.Y + int(sprite->GetTop())};
    clip = parentClip;
    if (sprite->IsBounded()) {
        const TRectF c = sprite->GetClipRect();
        if (!c.IsEmpty()) {
            if (!Whole(c.Left) || !Whole(c.Top) || !Whole(c.Right) || !Whole(c.Bottom))
                return false;
            clip = Intersect(clip, TRect{origin.X + int(c.Left), origin.Y + int(c.Top), origin.X + int(c.Right),
                                         origin.Y + int(c.Bottom)});
        }
    }
    return !clip.IsEmpty();
}

// Adds the content of each stock data cell below sprite: to cover when its fill is opaque or
// the body's own solid colour (the body's fill under it would blend that colour twice), and
// to window when opaque.
void AddCells(TKvSprite* sprite, const TPoint& parentOrigin, const TRect& parentClip, TKvFill* own,
              std::vector<TRect>& cover, std::vector<TRect>* window)
{
    TPoint origin;
    TRect clip;
    if (!Place(sprite, parentOrigin, parentClip, origin, clip))
        return;
    // Below a body: rows, then their data cells.
    const bool row = typeid(*sprite) == typeid(TKvGridRowElement);
    if (auto* cell = row ? nullptr : As<TKvGridDataCellElement, TKvGridDataCellElement>(sprite)) {
        TRect content;
        TKvFill* fill = cell->GetContentFill(content);
        TKvColor color, ownColor;
        if (fill && SolidColor(fill, color)) {
            content.Offset(origin.X, origin.Y);
            const TRect r = Intersect(content, clip);
            const bool opaque = color.GetAlpha() == 0xFF;
            if (!r.IsEmpty() && (opaque || (SolidColor(own, ownColor) && ownColor.Value == color.Value)))
                cover.push_back(r);
            if (!r.IsEmpty() && opaque && window)
                window->push_back(r);
        }
    }
    auto* element = row ? static_cast<TKvGridRowElement*>(sprite) : As<TKvSpriteElement, TKvGridDataCellElement>(sprite);
    if (!element)
        return;
    for (int i = 0, n = element->GetChildCount(); i < n; ++i)
        AddCells(element->GetChild(i), origin, clip, own, cover, window);
}

} // namespace

void TKvGridView::MakePaintCovers(const TRect& clip)
{
    FWindowCover.clear();
    FBodyCover.clear();
    FFixedBodyCover.clear();
    if (GetScaleX() != 1.0f || GetScaleY() != 1.0f)
        return;
    for (TKvGridBodyElement* view : {FBodyView, FFixedBodyView}) {
        if (!view || view->GetWidth() == 0 || view->GetHeight() == 0)
            continue;
        // The device origin and clip of the view's parent.
        std::vector<const TKvSprite*> chain;
        for (const TKvSprite* s = view->GetParent(); s; s = s->GetParent())
            chain.push_back(s);
        TPoint origin{-GetScrollX(), -GetScrollY()};
        TRect box = clip;
        bool placed = true;
        for (auto it = chain.rbegin(); placed && it != chain.rend(); ++it)
            placed = Place(*it, origin, box, origin, box);
        TPoint viewOrigin;
        TRect viewClip;
        if (!placed || !Place(view, origin, box, viewOrigin, viewClip))
            continue;
        TKvFill* own = view->GetStockFill();
        const bool opaque = Opaque(own) && Whole(view->GetWidth()) && Whole(view->GetHeight());
        std::vector<TRect>& cover = view == FBodyView ? FBodyCover : FFixedBodyCover;
        for (int i = 0, n = view->GetChildCount(); i < n; ++i)
            AddCells(view->GetChild(i), viewOrigin, viewClip, own, cover, opaque ? nullptr : &FWindowCover);
        // The view's own opaque fill hides the window under all of it.
        if (opaque)
            FWindowCover.push_back(viewClip);
    }
}

void TKvGridView::DoDrawBackground(TKvDrawingContext* context, const TRectF& rect)
{
    FCoverContext = nullptr;
    MakePaintCovers(TRect{int(std::floor(rect.Left)), int(std::floor(rect.Top)), int(std::ceil(rect.Right)),
                          int(std::ceil(rect.Bottom))});
    FCoverContext = context;
    const std::vector<TRect>* old = context->GetCover();
    context->SetCover(&FWindowCover);
    TScopeExit restore([&] { context->SetCover(old); });
    TKvSpriteControl::DoDrawBackground(context, rect);
}

const std::vector<TRect>* TKvGridView::GetPaintCover(const TKvGridBodyElement* view, const TKvDrawingContext* context) const
{
    if (!context || context != FCoverContext)
        return nullptr;
    if (view == FBodyView)
        return &FBodyCover;
    if (view == FFixedBodyView)
        return &FFixedBodyCover;
    return nullptr;
}

} // namespace kv
