// THintWindow: a tool-tip window that shows a text word-wrapped at a given width.
#pragma once

#include "platform/graphics/Types.h"
#include "platform/rtl/Classes.h"

#include <QtCore/QString>

class QLabel;
class QWidget;

namespace kv {

class THintWindow : public TObject
{
public:
    THintWindow();
    ~THintWindow() override;

    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);

    // The window rectangle (at 0, 0) that shows text wrapped at maxWidth pixels, frame and
    // margins included.
    TRect CalcHintRect(int maxWidth, const QString& text) const;
    // Shows text in the screen rectangle, above other windows, without taking the focus.
    void ActivateHint(const TRect& rect, const QString& text);
    // Hides the window and lets go of it; the next activation makes a new one.
    void ReleaseHandle();

    bool IsShowing() const;
    // The screen rectangle of the window; empty when it is not made.
    TRect GetBoundsRect() const;
    // The tool-tip window, null when not made.
    QWidget* Widget() const;

private:
    QLabel* FLabel = nullptr;
    QString FCaption;
};

} // namespace kv
