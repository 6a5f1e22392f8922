// Edit controls on real offscreen windows: focus, typed keys and clicks.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/ui/Controls.h"

#include "TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLocale>
#include <QtGui/QImage>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

namespace kvtest {

// Shows the control as the active window, where it stands.
inline void ShowActive(kv::TWinControl* control)
{
    control->Show();
    QWidget* window = control->Widget()->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
}

// Shows the control as a window of its own and gives it the keyboard focus.
inline void ShowFocused(kv::TWinControl* control, int width, int height)
{
    control->SetBounds(40, 40, width, height);
    ShowActive(control);
    control->SetFocus();
    DeliverPosted();
}

// The widget that receives the keys of the focused control.
inline QWidget* KeyTarget()
{
    QWidget* w = QApplication::focusWidget();
    EXPECT_NE(w, nullptr);
    return w;
}

inline void Type(const QString& text)
{
    QTest::keyClicks(KeyTarget(), text);
}

inline void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(KeyTarget(), key, mods);
}

// A client point of a control as a point of its window, for QTest's window overloads.
inline QPoint WindowPoint(kv::TControl* control, int x, int y)
{
    const kv::TPoint origin = control->GetClientOrigin();
    return control->Widget()->mapTo(control->Widget()->window(), QPoint(origin.X + x, origin.Y + y));
}

inline void Click(kv::TControl* control, int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* window = control->Widget()->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, mods, WindowPoint(control, x, y));
    DeliverPosted();
}

// How many pixels of a client rectangle of the control, as shown, have the colour (0xBBGGRR).
inline int CountColor(kv::TControl* control, const kv::TRect& rect, kv::TColor color)
{
    const QImage image = control->Widget()->grab().toImage();
    const kv::TPoint origin = control->GetClientOrigin();
    const auto c = static_cast<std::uint32_t>(color);
    const QRgb rgb = qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
    int count = 0;
    for (int y = rect.Top; y < rect.Bottom; ++y)
        for (int x = rect.Left; x < rect.Right; ++x)
            if ((image.pixel(origin.X + x, origin.Y + y) & 0xFFFFFFu) == (rgb & 0xFFFFFFu))
                ++count;
    return count;
}

// Sets the default locale for a scope.
class TLocaleScope
{
public:
    explicit TLocaleScope(const QLocale& locale) : FPrevious(QLocale()) { QLocale::setDefault(locale); }
    ~TLocaleScope() { QLocale::setDefault(FPrevious); }

private:
    QLocale FPrevious;
};

// An edit of type T shown focused in an English locale, counting its OnChange events.
template <typename T>
struct TEditFixture : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    kv::TOwned<T> Edit{kv::Create<T>(nullptr)};
    int Changes = 0;

    void ShowEdit(int width, int height)
    {
        Edit->OnChange = [this](kv::TObject*) { ++Changes; };
        ShowFocused(Edit.get(), width, height);
        ASSERT_TRUE(Edit->Focused());
        Changes = 0;
    }
};

} // namespace kvtest
