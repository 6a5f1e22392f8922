// The input-tool contract of the grid view: every key and mouse event goes to the active
// tool, and the tool hears when the layout changed.
#pragma once

#include "platform/rtl/Interfaces.h"
#include "platform/ui/Controls.h"

#include <QtCore/QChar>
#include <cstdint>

namespace kv {

class IKvGridTool : public virtual IInterface
{
public:
    virtual void Activate() = 0;
    virtual void Deactivate() = 0;
    virtual void GridLayoutChanged() = 0;
    virtual void KeyDown(std::uint16_t& Key, TShiftState Shift) = 0;
    virtual void KeyPress(QChar& Key) = 0;
    virtual void KeyUp(std::uint16_t& Key, TShiftState Shift) = 0;
    virtual void DblClick(int X, int Y) = 0;
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) = 0;
    virtual void MouseMove(TShiftState Shift, int X, int Y) = 0;
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) = 0;
    virtual bool GetHovering() const = 0;
    virtual void SetHovering(bool Value) = 0;
    virtual TCursor GetDesignCursor(int X, int Y) = 0;
    virtual bool IsDesignHit(int X, int Y) = 0;
    virtual void ResetFocusedView() = 0;
    virtual void ResetHoverView() = 0;
    // Views of the grid are about to be freed: let go of every view and stop any gesture.
    virtual void ViewsDropping() {}
};

} // namespace kv
