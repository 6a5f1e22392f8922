// Form files: any text either reads or raises EReadError and leaves nothing behind; a form
// that reads writes back, and the written text reads again to the same text.
#include "FuzzSupport.h"

#include "../tests/platform/test_streaming_classes.h"
#include "graphics/KvGrids.Styles.Dynamic.h"
#include "graphics/KvGrids.Styles.h"
#include "platform/rtl/ClassRegistry.h"

using namespace kv;
using namespace kvfuzz;

namespace {

// A component with view styles and dynamic styles, as columns have.
class TFuzzStyled : public TComponent
{
public:
    explicit TFuzzStyled(TComponent* owner)
        : TComponent(owner)
        , FCells(std::make_unique<TKvGridViewStyles>(this, QStringLiteral("cells")))
        , FRules(std::make_unique<TKvGridDynamicStyleCollection>(this))
    {
    }
    TKvGridViewStyles* GetCells() const { return FCells.get(); }
    TKvGridDynamicStyleCollection* GetRules() const { return FRules.get(); }

private:
    std::unique_ptr<TKvGridViewStyles> FCells;
    std::unique_ptr<TKvGridDynamicStyleCollection> FRules;
};

KV_PUBLISH(TFuzzStyled, TComponent)
    .Property("Cells", &TFuzzStyled::GetCells)
    .Property("Rules", &TFuzzStyled::GetRules);

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartQt();
    kvtest::RegisterSampleClasses();
    RegisterClasses<TFuzzStyled, TKvGridStyleSheet, TKvGridStyleObject>();
    TKvGridStyleSheet::Default();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = Text(data, size);
    TOwned<TComponent> owner(Create<TComponent>(nullptr));
    TComponent* read = nullptr;
    if (!Refusable([&] { read = ReadComponentText(text, nullptr, owner.get()); })) {
        Check(owner->GetComponentCount() == 0, "a failed read left a component behind", text);
        return 0;
    }
    Check(read && read->GetOwner() == owner.get() && !read->IsLoading(), "read root", text);
    QString written;
    Check(Refusable([&] { written = WriteComponentText(read); }), "a form that reads does not write", text);
    // Under another owner: names are unique per owner.
    TOwned<TComponent> otherOwner(Create<TComponent>(nullptr));
    TComponent* again = nullptr;
    QString error;
    Check(Refusable([&] { again = ReadComponentText(written, nullptr, otherOwner.get()); }, &error),
          "the written form does not read", error + QLatin1Char('\n') + written);
    QString rewritten;
    Check(Refusable([&] { rewritten = WriteComponentText(again); }), "the form read again does not write", written);
    Check(rewritten == written, "the written form changes when read again",
          written + QStringLiteral("\n--- becomes ---\n") + rewritten);
    return 0;
}
