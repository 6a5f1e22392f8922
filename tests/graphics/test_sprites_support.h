// Sprites and hosts for the sprite, host and effect tests.
#pragma once

#include "graphics/KvGrids.Common.Sprites.h"

#include "TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace kvtest {

using namespace kv;

// An element that fills its bounds with one colour and counts its draws.
class TBox : public TKvSpriteElement
{
public:
    TBox(TKvSpriteControl* control, const QString& name, TKvColor color = 0xFF808080u)
        : TKvSpriteElement(control, name), Color(color)
    {
    }
    TKvColor Color;
    int Draws = 0;
    int Activations = 0;
    int Deactivations = 0;
    std::vector<std::string>* Log = nullptr;
    std::function<void()> OnDraw;

protected:
    void DoDraw(TKvDrawingContext* context) override
    {
        ++Draws;
        if (Log)
            Log->push_back(GetName().toStdString());
        auto fill = TKvFill::CreateSolid(Color);
        context->DrawRect(fill.get(), nullptr, TRectF(0, 0, GetWidth(), GetHeight()));
        if (OnDraw)
            OnDraw();
    }
    void DoActivated() override { ++Activations; }
    void DoDeactivated() override { ++Deactivations; }
};

inline TBox* MakeBox(TKvSpriteControl* host, const QString& name, float x, float y, float w, float h,
                     TKvColor color = 0xFF808080u)
{
    TBox* b = Create<TBox>(host, name, color);
    b->SetBounds(x, y, w, h);
    return b;
}

// A host that records what its overridable handlers saw.
class TTestHost : public TKvSpriteControl
{
public:
    using TKvSpriteControl::TKvSpriteControl;
    int Updates = 0;
    int Paints = 0;
    std::vector<std::string> Events;

    void Update() override
    {
        ++Updates;
        TKvSpriteControl::Update();
    }

protected:
    void Paint() override
    {
        ++Paints;
        TKvSpriteControl::Paint();
    }
    void ElementDragCompleted(TKvSprite* sprite, float x, float y) override
    {
        Events.push_back("completed " + sprite->GetName().toStdString() + " " + std::to_string(int(x)) + "," +
                         std::to_string(int(y)));
    }
    void ElementDragCanceled(TKvSprite* sprite) override { Events.push_back("canceled " + sprite->GetName().toStdString()); }
    void DoHoveredChanged() override { Events.push_back("hovered"); }
};

inline void SendMouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace kvtest
