// The sprite tree: structure, activation, hit testing, culling and update bounds.
#include "test_sprites_support.h"

#include "TestSupport.h"

#include <QtGui/QImage>

using namespace kv;
using namespace kvtest;

namespace {

struct TTree
{
    TOwned<TTestHost> Host{Create<TTestHost>(nullptr)};
    TKvRootSprite* Root() const { return Host->GetRoot(); }
};

} // namespace

TEST(Sprites, AddRemoveAndOrderOfChildren)
{
    TTree t;
    TBox* parent = MakeBox(t.Host.get(), "parent", 0, 0, 100, 100);
    TBox* other = MakeBox(t.Host.get(), "other", 0, 0, 100, 100);
    TBox* a = MakeBox(t.Host.get(), "a", 0, 0, 10, 10);
    TBox* b = MakeBox(t.Host.get(), "b", 0, 0, 10, 10);
    TBox* c = MakeBox(t.Host.get(), "c", 0, 0, 10, 10);
    EXPECT_EQ(t.Host->GetOwnedSpriteCount(), 5);

    KV_EXPECT_THROW_MSG(parent->GetChild(0), Exception, "Element has no child.");
    KV_EXPECT_THROW_MSG(parent->Add(nullptr), EArgumentNilException, "child is nil in TKvSpriteElement.Add()");
    EXPECT_EQ(parent->Add(a), a);
    EXPECT_EQ(parent->Add(b), b);
    EXPECT_EQ(parent->Add(c), c);
    EXPECT_EQ(parent->Add(a), nullptr); // already there: nothing changes
    EXPECT_EQ(parent->GetChildCount(), 3);
    EXPECT_THROW(parent->GetChild(3), EListError);
    KV_EXPECT_THROW_MSG(parent->RemoveAt(3), EArgumentOutOfRangeException, "index is invalid");
    KV_EXPECT_THROW_MSG(parent->RemoveAt(-1), EArgumentOutOfRangeException, "index is invalid");

    // A cycle would never end drawing or hit testing: refused.
    other->Add(parent);
    EXPECT_THROW(a->Add(other), EArgumentException);
    EXPECT_THROW(parent->Add(parent), EArgumentException);
    EXPECT_EQ(other->GetChildCount(), 1);

    // Front and back swap with the last or first child; the middle one stays.
    parent->BringToFront(a);
    EXPECT_EQ(parent->GetChild(0), c);
    EXPECT_EQ(parent->GetChild(1), b);
    EXPECT_EQ(parent->GetChild(2), a);
    parent->BringToBack(a);
    EXPECT_EQ(parent->GetChild(0), a);
    EXPECT_EQ(parent->GetChild(2), c);
    EXPECT_EQ(parent->FindChild(QStringLiteral("b")), b);
    EXPECT_EQ(parent->FindChild(QStringLiteral("B")), nullptr);

    // Adding to another element moves the child.
    other->Add(b);
    EXPECT_EQ(b->GetParent(), other);
    EXPECT_FALSE(parent->Contains(b));
    EXPECT_EQ(parent->GetChildCount(), 2);

    // Clear detaches and resets, frees nothing.
    a->SetHovered(true);
    parent->Clear();
    EXPECT_EQ(parent->GetChildCount(), 0);
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_FALSE(a->GetHovered());
    EXPECT_EQ(t.Host->GetOwnedSpriteCount(), 5);
    // Freeing a sprite that is in a tree takes it out of the tree.
    other->Add(a);
    a->Free();
    EXPECT_EQ(other->GetChildCount(), 2);
    EXPECT_FALSE(other->Contains(a));
    EXPECT_EQ(t.Host->GetOwnedSpriteCount(), 4);
    // Freeing an element leaves its children parentless, not dangling.
    other->Free();
    EXPECT_EQ(b->GetParent(), nullptr);
    EXPECT_EQ(parent->GetParent(), nullptr);
}

TEST(Sprites, OwnershipIsHeldByOneHost)
{
    TOwned<TTestHost> first(Create<TTestHost>(nullptr));
    TOwned<TTestHost> second(Create<TTestHost>(nullptr));
    std::vector<TBox*> boxes;
    for (int i = 0; i < 5; ++i)
        boxes.push_back(MakeBox(first.get(), QStringLiteral("b%1").arg(i), 0, 0, 1, 1));
    auto* loose = Create<TBox>(nullptr, QStringLiteral("loose"));
    second->AddOwnedSprite(loose);
    second->AddOwnedSprite(loose);
    second->AddOwnedSprite(nullptr);
    EXPECT_EQ(second->GetOwnedSpriteCount(), 1);

    // Handing a sprite to another host moves it: only that host frees it.
    second->AddOwnedSprite(boxes[1]);
    EXPECT_EQ(first->GetOwnedSpriteCount(), 4);
    EXPECT_EQ(second->GetOwnedSpriteCount(), 2);
    boxes[0]->Free(); // the last one takes its place
    boxes[4]->Free();
    EXPECT_EQ(first->GetOwnedSpriteCount(), 2);
    boxes[3]->Free();
    EXPECT_EQ(first->GetOwnedSpriteCount(), 1);
    first.reset(); // frees boxes[2]
    EXPECT_EQ(second->GetOwnedSpriteCount(), 2);
    boxes[1]->Free();
    EXPECT_EQ(second->GetOwnedSpriteCount(), 1);
    second.reset(); // frees the loose one (the sanitizers check the rest)
}

TEST(Sprites, ActivationFollowsTheParent)
{
    TTree t;
    TBox* p = MakeBox(t.Host.get(), "p", 0, 0, 10, 10);
    TBox* c = MakeBox(t.Host.get(), "c", 0, 0, 10, 10);
    TBox* g = MakeBox(t.Host.get(), "g", 0, 0, 10, 10);
    c->Add(g);
    p->Activate();
    p->Add(c);
    EXPECT_TRUE(c->GetActivated());
    EXPECT_TRUE(g->GetActivated());
    EXPECT_EQ(g->Activations, 1);
    p->Activate();
    EXPECT_EQ(g->Activations, 1);
    p->Remove(c);
    EXPECT_FALSE(c->GetActivated());
    EXPECT_FALSE(g->GetActivated());
    EXPECT_EQ(g->Deactivations, 1);
}

TEST(Sprites, HitTestingFindsTheFrontmostDeepestVisibleSprite)
{
    TTree t;
    TKvRootSprite* root = t.Root();
    TBox* back = MakeBox(t.Host.get(), "back", 0, 0, 100, 100);
    TBox* front = MakeBox(t.Host.get(), "front", 50, 50, 100, 100);
    TBox* inner = MakeBox(t.Host.get(), "inner", 10, 10, 20, 20); // in front's space
    auto* layer = Create<TKvLayerElement>(t.Host.get(), QStringLiteral("layer"));
    layer->SetBounds(0.0f, 0.0f, 500.0f, 500.0f);
    TBox* onLayer = MakeBox(t.Host.get(), "onLayer", 300, 300, 10, 10);
    root->Add(back);
    root->Add(front);
    front->Add(inner);
    root->Add(layer);
    layer->Add(onLayer);

    EXPECT_TRUE(back->HitTest(0, 0));
    EXPECT_FALSE(back->HitTest(100, 0));
    EXPECT_FALSE(back->HitTest(0, 100));
    EXPECT_FALSE(back->HitTest(-0.5f, 0));
    EXPECT_FALSE(layer->HitTest(1, 1));

    EXPECT_EQ(t.Host->FindElement(5, 5), back);
    EXPECT_EQ(t.Host->FindElement(70, 70), inner); // descendants win
    EXPECT_EQ(t.Host->FindElement(55, 55), front); // later siblings win
    EXPECT_EQ(t.Host->FindElement(305, 305), onLayer);
    EXPECT_EQ(t.Host->FindElement(400, 400), nullptr); // layers are never hit themselves
    TKvSprite* found = nullptr;
    EXPECT_EQ(t.Host->FindElement<TBox>(70, 70, &found), inner);
    EXPECT_EQ(found, inner);
    EXPECT_EQ(inner->FindAdapter<TKvLayerElement>(), nullptr);
    EXPECT_EQ(onLayer->FindAdapter<TKvLayerElement>(), layer);

    // An invisible sprite is not hit, and neither is anything below it.
    front->SetVisible(false);
    EXPECT_EQ(t.Host->FindElement(70, 70), back);
    EXPECT_EQ(t.Host->FindElement(120, 120), nullptr);
    layer->SetVisible(false);
    EXPECT_EQ(t.Host->FindElement(305, 305), nullptr);
    front->SetVisible(true);
    layer->SetVisible(true);

    // Clickable: mouse-disabled sprites let the search go on behind them.
    inner->SetMouseEnabled(false);
    EXPECT_EQ(t.Host->FindClickableElement(70, 70), front);
    EXPECT_EQ(t.Host->FindElement(70, 70), inner);
}

TEST(Sprites, UpdateBoundsRoundToEvenAndGrowByTheInflation)
{
    TTree t;
    TBox* p = MakeBox(t.Host.get(), "p", 10.5f, 20, 100, 100);
    TBox* c = MakeBox(t.Host.get(), "c", 1, 2.5f, 10, 10);
    p->Add(c);
    EXPECT_EQ(c->BoundsByContainer(), (TRectF(11.5f, 22.5f, 21.5f, 32.5f)));
    // 11.5 -> 12, 22.5 -> 22, 21.5 -> 22, 32.5 -> 32; then 2 pixels around.
    EXPECT_EQ(c->UpdateBounds(), (TRect{10, 20, 24, 34}));
    c->SetUpdateInflation(0);
    EXPECT_EQ(c->UpdateBounds(), (TRect{12, 22, 22, 32}));
    EXPECT_EQ(c->SpriteToContainer(TPointF{1, 1}).X, 12.5f);
    EXPECT_EQ(c->ContainerToSprite(TPointF{12.5f, 23.5f}).Y, 1.0f);
    // The integer forms round each position first: 10.5 -> 10 and 1 -> 1.
    EXPECT_EQ(c->SpriteToContainer(TPoint{0, 0}).X, 11);
}

TEST(Sprites, DrawingCullsAgainstTheDirtyRectangle)
{
    TTree t;
    TKvRootSprite* root = t.Root();
    std::vector<std::string> log;
    TBox* a = MakeBox(t.Host.get(), "a", 0, 0, 20, 20, 0xFFFF0000u);
    TBox* b = MakeBox(t.Host.get(), "b", 40, 0, 20, 20, 0xFF00FF00u);
    TBox* zero = MakeBox(t.Host.get(), "zero", 0, 40, 0, 20);
    TBox* child = MakeBox(t.Host.get(), "child", 5, 5, 10, 10, 0xFF0000FFu); // inside zero
    // The layer lies far from every dirty area; its child does not.
    auto* layer = Create<TKvLayerElement>(t.Host.get(), QStringLiteral("layer"));
    layer->SetBounds(150.0f, 150.0f, 10.0f, 10.0f);
    TBox* onLayer = MakeBox(t.Host.get(), "onLayer", -145, -145, 10, 10);
    TBox* hidden = MakeBox(t.Host.get(), "hidden", 0, 0, 20, 20);
    for (TBox* s : {a, b, zero, child, onLayer, hidden})
        s->Log = &log;
    root->Add(a);
    root->Add(b);
    root->Add(zero);
    zero->Add(child);
    root->Add(layer);
    layer->Add(onLayer);
    root->Add(hidden);
    hidden->SetVisible(false);

    TBitmap bitmap(200, 200);
    {
        TKvDrawingContext context(bitmap.GetCanvas());
        context.SetSmoothing(false);
        // Everything: a zero-width sprite draws nothing itself but still draws its children.
        root->DrawElement(&context, TRectF(0, 0, 200, 200));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "child", "onLayer"}));
    bitmap.ReleaseCanvas();
    const QImage& img = bitmap.GetImage();
    EXPECT_EQ(img.pixel(18, 18) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(50, 10) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(img.pixel(10, 50) & 0xFFFFFF, 0x0000FFu); // child at zero (0,40) + (5,5)

    // b's update bounds (38..62) only touch a dirty area that ends at 38: not drawn. The
    // layer is never culled, so its child is drawn where it meets the dirty area.
    log.clear();
    {
        TKvDrawingContext context(bitmap.GetCanvas());
        root->DrawElement(&context, TRectF(0, 0, 38, 10));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"a", "onLayer"}));
    log.clear();
    {
        TKvDrawingContext context(bitmap.GetCanvas());
        root->DrawElement(&context, TRectF(0, 0, 38.5f, 10));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "onLayer"}));
}

namespace {

// A sprite that stands for another object, as a header handle answers its column.
class TStandIn : public TKvSpriteElement
{
public:
    TStandIn(TKvSpriteControl* control, const QString& name, TObject* target)
        : TKvSpriteElement(control, name), FTarget(target)
    {
    }

    TObject* GetAdapter(const std::type_info& type) override
    {
        return type == typeid(TComponent) ? FTarget : TKvSpriteElement::GetAdapter(type);
    }

private:
    TObject* FTarget;
};

} // namespace

TEST(Sprites, AdaptersMayAnswerAnotherObject)
{
    TTree t;
    TOwned<TComponent> column(Create<TComponent>(nullptr));
    auto* handle = Create<TStandIn>(t.Host.get(), QStringLiteral("handle"), column.get());
    handle->SetBounds(0.0f, 0.0f, 50.0f, 50.0f);
    TBox* inner = MakeBox(t.Host.get(), "inner", 10, 10, 10, 10);
    t.Root()->Add(handle);
    handle->Add(inner);

    EXPECT_EQ(handle->AdapterAs<TComponent>(), column.get());
    EXPECT_EQ(handle->AdapterAs<TKvSpriteElement>(), handle); // itself, for its own classes
    EXPECT_EQ(inner->AdapterAs<TComponent>(), nullptr);
    EXPECT_EQ(inner->FindAdapter<TComponent>(), column.get()); // asked of each parent
    // Finding by class looks at the sprites themselves.
    TKvSprite* found = nullptr;
    EXPECT_EQ(t.Host->FindElement<TComponent>(15, 15, &found), nullptr);
    EXPECT_EQ(t.Host->FindElement<TStandIn>(15, 15, &found), handle);
    EXPECT_EQ(found, inner);
    EXPECT_EQ(t.Host->FindElement<TStandIn>(100, 100, &found), nullptr);
    EXPECT_EQ(found, nullptr);
}
