// The graphics API as the drawing module uses it: status codes, the error they raise, and
// the counted start-up and shut-down of the graphics system.
#pragma once

#include "platform/graphics/VectorGraphics.h"
#include "platform/rtl/SysUtils.h"

namespace kv {

using gfx::TGPDashStyle;

// Raised by every graphics call whose status is not Ok.
class EGdipError : public Exception
{
public:
    explicit EGdipError(TGPStatus status);
    TGPStatus GetStatus() const { return FStatus; }
    QString ClassName() const override { return QStringLiteral("EGdipError"); }

    // "Generic Error", ... ; "Unknown" for Ok and codes above 20.
    static QString StatusText(TGPStatus status);

private:
    TGPStatus FStatus;
};

// Raises EGdipError unless status is Ok.
inline void GdipCheck(TGPStatus status)
{
    if (status != Ok)
        throw EGdipError(status);
}

// Counted start-up of the graphics system (version 1) and of the drawing module's stock
// objects and measuring context; the first call starts, later calls only count. Every
// drawing object starts it on first use, and it is shut down when the application object
// goes away. Raises EGdipError when the graphics system cannot start.
void KvGraphicsStartup();
// Undoes one start-up; the last one frees the stock objects and shuts the system down.
void KvGraphicsShutdown();
bool KvGraphicsStarted();
// Starts once (and shuts down when the application object goes away) unless already started.
void KvGraphicsEnsureStarted();

} // namespace kv
