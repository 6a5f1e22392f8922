// Style texts and dynamic styles. The input's first line is a dynamic style's assignments
// ("name=value;..."), the second its criteria, and every further line one "name=value" for a
// bag's text access. Whatever a bag takes as text it gives back as a text that another bag
// takes to the same text; a bag's assigned values survive a form file; a dynamic style that
// reads applies or raises the library's error, and its assignments read back the same.
#include "FuzzSupport.h"

#include "graphics/KvGrids.Styles.Dynamic.h"
#include "graphics/KvGrids.Styles.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

using namespace kv;
using namespace kvfuzz;

namespace {

// A component owning a dynamic style collection.
class TFuzzRules : public TComponent
{
public:
    explicit TFuzzRules(TComponent* owner) : TComponent(owner), FRules(std::make_unique<TKvGridDynamicStyleCollection>(this)) {}
    TKvGridDynamicStyleCollection* GetRules() const { return FRules.get(); }

private:
    std::unique_ptr<TKvGridDynamicStyleCollection> FRules;
};

void TextAccess(TKvGridStyleBag& bag, const QString& name, const QString& value)
{
    if (!Refusable([&] { bag.SetValue(name, value); }) || !TKvStyleProperties::FindText(name))
        return;
    const QString text = bag.GetValue(name);
    TKvGridStyleBag other(nullptr, QStringLiteral("other"));
    QString error;
    Check(Refusable([&] { other.SetValue(name, text); }, &error), "a style text does not read back",
          name + QLatin1Char('=') + text + QLatin1Char(' ') + error);
    Check(other.GetValue(name) == text, "a style text changes when read back",
          name + QLatin1Char('=') + value + QStringLiteral(" -> ") + text + QStringLiteral(" -> ") + other.GetValue(name));
}

void FormRoundTrip(const TKvGridStyleBag& bag)
{
    TOwned<TKvGridStyleObject> object(Create<TKvGridStyleObject>(nullptr));
    object->SetName(QStringLiteral("Styles1"));
    object->GetStyles()->Assign(&bag);
    QString text;
    QString error;
    Check(Refusable([&] { text = WriteComponentText(object.get()); }, &error), "style bag does not write", error);
    TComponent* read = nullptr;
    Check(Refusable([&] { read = ReadComponentText(text); }, &error), "written style bag does not read",
          error + QLatin1Char('\n') + text);
    TOwned<TComponent> copy(read);
    const TKvGridStyleBag* copied = static_cast<TKvGridStyleObject*>(read)->GetStyles();
    Check(copied->GetValues() == bag.GetValues(), "assigned bits change through a form file", text);
    for (const QString& name : TKvGridStyleBag::GetNames())
        Check(copied->GetValue(name) == bag.GetValue(name), "a style value changes through a form file",
              name + QLatin1Char('\n') + text);
}

void Dynamic(TKvGridStyleBag& bag, const QString& styles, const QString& criteria)
{
    static TFuzzRuntime runtime;
    TOwned<TFuzzRules> owner(Create<TFuzzRules>(nullptr));
    TKvGridDynamicStyle* item = nullptr;
    if (!Refusable([&] { item = owner->GetRules()->Add(criteria, styles); }))
        return;
    Check(item != nullptr, "Add returned nothing", styles);
    owner->GetRules()->Prepare();
    (void)Refusable([&] { owner->GetRules()->ApplyTo(&runtime, &bag); });
    // The assignments, written out again, read to the same assignments.
    QStringList parts;
    for (const auto& [name, text] : item->GetStylePairs())
        parts << name + QLatin1Char('=') + text;
    TKvGridDynamicStyle* again = owner->GetRules()->Add();
    QString error;
    Check(Refusable([&] { again->SetStyles(parts.join(QLatin1Char(';'))); }, &error),
          "dynamic style assignments do not read back", parts.join(QLatin1Char(';')) + QLatin1Char(' ') + error);
    Check(again->GetStylePairs() == item->GetStylePairs(), "dynamic style assignments change", styles);
}

} // namespace

KV_PUBLISH(TFuzzRules, TComponent).Property("Rules", &TFuzzRules::GetRules);

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartQt();
    RegisterClasses<TKvGridStyleObject, TFuzzRules>();
    TKvGridStyleSheet::Default();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList lines = Text(data, size).split(QLatin1Char('\n'));
    const QString styles = lines.value(0);
    const QString criteria = lines.value(1);
    TKvGridStyleBag bag(nullptr, QStringLiteral("bag"));
    for (const QString& part : styles.split(QLatin1Char(';'))) {
        const auto [name, value] = SplitOnce(part, QLatin1Char('='));
        TextAccess(bag, name.trimmed(), value.trimmed());
    }
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const auto [name, value] = SplitOnce(lines.at(i), QLatin1Char('='));
        TextAccess(bag, name, value);
    }
    FormRoundTrip(bag);
    Dynamic(bag, styles, criteria);
    return 0;
}
