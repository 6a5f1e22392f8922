#include "graphics/KvGrids.Common.GdiPlus.h"

namespace kv {

QString EGdipError::StatusText(TGPStatus status)
{
    switch (status) {
    case GenericError: return QStringLiteral("Generic Error");
    case InvalidParameter: return QStringLiteral("One of the arguments passed to the method was not valid");
    case OutOfMemory: return QStringLiteral("Out of Memory");
    case ObjectBusy: return QStringLiteral("One of the arguments is already in use in another thread");
    case InsufficientBuffer:
        return QStringLiteral("The specified buffer is not large enough to hold the data to be received");
    case NotImplemented: return QStringLiteral("Method is not implemented");
    case Win32Error: return QStringLiteral("Win32 Error: ") + gfx::GetLastErrorText();
    case WrongState: return QStringLiteral("The object is in an invalid state");
    case Aborted: return QStringLiteral("The method was aborted");
    case FileNotFound: return QStringLiteral("The specified image file or metafile cannot be found");
    case ValueOverflow:
        return QStringLiteral("The method performed an arithmetic operation that produces a numeric overflow");
    case AccessDenied: return QStringLiteral("A write operation is not allowed on the specified file");
    case UnknownImageFormat: return QStringLiteral("The specified image file format is not known");
    case FontFamilyNotFound: return QStringLiteral("The specified font family cannot be found");
    case FontStyleNotFound: return QStringLiteral("The specified style is not available for the specified font family");
    case NotTrueTypeFont: return QStringLiteral("The specified font is not a TrueType font");
    case UnsupportedGdiplusVersion:
        return QStringLiteral("The version of GDI+ installed on the system is incompatible with the requested version");
    case GdiplusNotInitialized: return QStringLiteral("GDI+ is not initialized");
    case PropertyNotFound: return QStringLiteral("The specified property does not exist in the image");
    case PropertyNotSupported: return QStringLiteral("The specified property is not supported by the format of the image");
    default: return QStringLiteral("Unknown");
    }
}

EGdipError::EGdipError(TGPStatus status)
    : Exception(QStringLiteral("(KvGraphics Error: ") + QString::number(int(status)) + QStringLiteral(") ")
                + StatusText(status)),
      FStatus(status)
{
}

} // namespace kv
