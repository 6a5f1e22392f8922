#include "FuzzSupport.h"

#include "platform/ui/MessageBox.h"

#include <QtWidgets/QApplication>
#include <cstdio>
#include <cstdlib>

namespace kvfuzz {

void StartQt()
{
    if (QCoreApplication::instance())
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_FONT_DPI", "96", 1);
    static int argc = 1;
    static char name[] = "kv_fuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives for the whole run
    // A refused input is reported with a message; nobody is there to close a modal box.
    kv::SetExceptionHook([](const QString&) {});
    kv::SetMessageBoxHook([](const QString&, const QString&, unsigned) { return kv::IDOK; });
}

QString Text(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

std::pair<QString, QString> SplitOnce(const QString& text, QChar sep)
{
    const qsizetype at = text.indexOf(sep);
    if (at < 0)
        return {text, QString()};
    return {text.left(at), text.mid(at + 1)};
}

void Fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n%s\n", what, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

TFuzzRuntime::TFuzzRuntime()
{
    const char* names[] = {"Num", "Ratio", "Name", "Flag", "Day", "Nothing", "Blank", "Items"};
    for (int key = 0; key < 8; ++key)
        AddIdent(key, QString::fromLatin1(names[key]));
}

kv::Variant TFuzzRuntime::EvaluateIdent(int key)
{
    switch (key) {
    case 0: return kv::Variant(std::int64_t(42));
    case 1: return kv::Variant(0.25);
    case 2: return kv::Variant(QStringLiteral("Kim"));
    case 3: return kv::Variant(true);
    case 4: return kv::Variant::DateTime(45000.5);
    case 5: return kv::Variant::Null();
    case 6: return kv::Variant();
    default: return TKvExpressionRuntime::EvaluateIdent(key);
    }
}

kv::Variant TFuzzRuntime::EvaluateIndexer(int key, const kv::Variant& index)
{
    if (key != 7)
        return TKvExpressionRuntime::EvaluateIndexer(key, index);
    const kv::Variant items[] = {kv::Variant(std::int64_t(-1)), kv::Variant(1e300), kv::Variant(QStringLiteral("10")),
                                 kv::Variant(false), kv::Variant::Null()};
    const std::int64_t i = index.ToInt64();
    if (i < 0 || i >= 5)
        throw kv::EArgumentOutOfRangeException(QStringLiteral("Items index %1").arg(i));
    return items[i];
}

} // namespace kvfuzz
