// Form streaming: the text form-file writer (the reader and the entry points are in
// Streaming.cpp).
//
// Call flow: WriteComponentText -> WriteComponent -> the component's WriteState -> WriteData:
// WriteProperties (published, then DefineProperties), then the children from GetChildren.
// Values are written as the reader reads them: QuotedFormString for texts, FloatText for
// floats that always read back as floats.

#include "platform/rtl/Streaming.h"

#include "platform/rtl/Collections.h"
#include "platform/rtl/ScopeGuard.h"

#include <cmath>

namespace kv {

namespace detail {
QString FloatText(double value);
QString ComponentPath(const TComponent* component);
} // namespace detail

using namespace detail;

// --- TWriter ------------------------------------------------------------------------------

TWriter::TWriter(TComponent* root)
{
    FRoot = root;
}

void TWriter::WriteLine(const QString& text)
{
    FText += QString(FIndent * 2, QLatin1Char(' ')) + text + QLatin1Char('\n');
}

void TWriter::WriteComponent(TComponent* component)
{
    if (std::find(FWritten.begin(), FWritten.end(), component) != FWritten.end())
        return;
    FWritten.push_back(component);
    const TClassInfo* info = GetClassInfo(component);
    const QString className =
        info && info->TypeId() == typeid(*component) ? info->Name() : component->ClassName();
    WriteLine(QStringLiteral("object ") +
              (component->GetName().isEmpty() ? QString() : component->GetName() + QStringLiteral(": ")) + className);
    ++FIndent;
    const bool wasWriting = component->FComponentState.Contains(csWriting);
    component->FComponentState.Include(csWriting);
    {
        TScopeExit restoreWriting([&] {
            if (!wasWriting)
                component->FComponentState.Exclude(csWriting);
        });
        component->WriteState(*this);
    }
    --FIndent;
    WriteLine(QStringLiteral("end"));
}

void TWriter::WriteData(TComponent* instance)
{
    WriteProperties(instance, QString());
    std::vector<TComponent*> children;
    instance->GetChildren([&children](TComponent* child) { children.push_back(child); }, FRoot);
    for (TComponent* child : children)
        if (child && child != FRoot && child != instance)
            WriteComponent(child);
}

void TWriter::WriteProperties(const TObject* instance, const QString& prefix)
{
    if (std::find(FObjectStack.begin(), FObjectStack.end(), instance) != FObjectStack.end())
        throw EWriteError(QStringLiteral("Error writing %1: circular object reference").arg(prefix));
    FObjectStack.push_back(instance);
    if (const TClassInfo* info = GetClassInfo(instance))
        for (const TPropInfo* prop : info->Properties())
            WriteProperty(instance, *prop, prefix);
    if (auto* persistent = dynamic_cast<TPersistent*>(const_cast<TObject*>(instance))) {
        const QString oldPrefix = FDefinePrefix;
        FDefinePrefix = prefix;
        persistent->DefineProperties(*this);
        FDefinePrefix = oldPrefix;
    }
    FObjectStack.pop_back();
}

QString TWriter::ReferenceName(const TComponent* component, const QString& context) const
{
    // The reader finds references by their owner path below the root, so nothing else can be
    // written.
    QStringList names;
    const TComponent* c = component;
    for (; c && c != FRoot; c = c->GetOwner())
        names.prepend(c->GetName());
    if (!c)
        throw EWriteError(QStringLiteral("Error writing %1: the referenced component %2 does not belong to %3")
                              .arg(context, ComponentPath(component), ComponentPath(FRoot)));
    if (names.isEmpty())
        names << FRoot->GetName();
    if (names.contains(QString()))
        throw EWriteError(QStringLiteral("Error writing %1: the referenced component has no name").arg(context));
    return names.join(QLatin1Char('.'));
}

void TWriter::WriteProperty(const TObject* instance, const TPropInfo& prop, const QString& prefix)
{
    if (prop.Indexed || !IsStoredProp(instance, prop))
        return;
    const QString name = prefix + prop.Name;
    const QString context = QStringLiteral("%1.%2").arg(ComponentPath(FObjectStack.empty() ? nullptr : dynamic_cast<const TComponent*>(FObjectStack.front())), name);
    switch (prop.Kind) {
    case pkObject: {
        if (TObject* sub = prop.GetObject(instance))
            WriteProperties(sub, name + QLatin1Char('.'));
        return;
    }
    case pkCollection: {
        if (IsDefaultPropValue(instance, prop))
            return;
        auto* collection = static_cast<TCollection*>(prop.GetObject(instance));
        WriteLine(name + QStringLiteral(" = <"));
        ++FIndent;
        for (int i = 0; i < collection->Count(); ++i) {
            WriteLine(QStringLiteral("item"));
            ++FIndent;
            WriteProperties(collection->GetItem(i), QString());
            --FIndent;
            WriteLine(QStringLiteral("end"));
        }
        --FIndent;
        FText.chop(1);
        FText += QStringLiteral(">\n");
        return;
    }
    case pkComponent: {
        if (!prop.Writable)
            return;
        const TComponent* reference = static_cast<const TComponent*>(prop.GetObject(instance));
        if (!reference || reference->IsDestroying())
            return;
        WriteLine(name + QStringLiteral(" = ") + ReferenceName(reference, context));
        return;
    }
    case pkMethod: {
        const Variant handler = prop.GetRaw(instance);
        if (!handler.IsString() || handler.AsString().isEmpty() || prop.GetMethodInstance(instance) != FRoot)
            return;
        WriteLine(name + QStringLiteral(" = ") + handler.AsString());
        return;
    }
    default:
        break;
    }
    if (!prop.Writable || IsDefaultPropValue(instance, prop))
        return;
    const Variant value = prop.GetRaw(instance);
    QString text;
    try {
        switch (prop.Kind) {
        case pkInteger:
            text = QString::number(value.AsInt());
            break;
        case pkFloat:
            text = FloatText(value.AsDouble());
            break;
        case pkBoolean:
            text = value.AsBool() ? QStringLiteral("True") : QStringLiteral("False");
            break;
        case pkEnumeration:
            text = prop.EnumType->NameOf(static_cast<int>(value.AsInt()));
            if (text.isEmpty())
                throw EPropertyConvertError(QStringLiteral("Invalid enumeration value %1").arg(value.AsInt()));
            break;
        case pkSet:
            text = SetToString(*prop.EnumType, static_cast<std::uint64_t>(value.AsInt()), true);
            break;
        case pkString:
            text = QuotedFormString(value.AsString());
            break;
        case pkStringList:
        case pkVariant: {
            FValueLine.clear();
            FListDepth = 0;
            WriteVariant(value);
            text = FValueLine;
            FValueLine.clear();
            break;
        }
        default:
            return;
        }
    } catch (const EWriteError&) {
        throw;
    } catch (const Exception& e) {
        throw EWriteError(QStringLiteral("Error writing %1: %2").arg(context, e.Message()));
    }
    WriteLine(name + QStringLiteral(" = ") + text);
}

void TWriter::DefineProperty(const QString& name, const TReaderProc&, const TWriterProc& writeData, bool hasData)
{
    if (!hasData || !writeData)
        return;
    const QString fullName = FDefinePrefix + name;
    FValueLine.clear();
    FValueCount = 0;
    FListDepth = 0;
    FInDefine = true;
    try {
        writeData(*this);
    } catch (const EWriteError&) {
        FInDefine = false;
        throw;
    } catch (const Exception& e) {
        FInDefine = false;
        throw EWriteError(QStringLiteral("Error writing %1: %2").arg(fullName, e.Message()));
    }
    FInDefine = false;
    if (FValueCount != 1 || FListDepth != 0)
        throw EWriteError(QStringLiteral("Error writing %1: a defined property writes exactly one value").arg(fullName));
    WriteLine(fullName + QStringLiteral(" = ") + FValueLine);
    FValueLine.clear();
}

void TWriter::WriteValueText(const QString& text)
{
    if (FListDepth == 0)
        ++FValueCount;
    else if (!FValueLine.endsWith(QLatin1Char('(')))
        FValueLine += QLatin1Char(' ');
    FValueLine += text;
}

void TWriter::WriteString(const QString& value)
{
    WriteValueText(QuotedFormString(value));
}

void TWriter::WriteInteger(std::int64_t value)
{
    WriteValueText(QString::number(value));
}

void TWriter::WriteFloat(double value)
{
    WriteValueText(FloatText(value));
}

void TWriter::WriteBoolean(bool value)
{
    WriteValueText(value ? QStringLiteral("True") : QStringLiteral("False"));
}

void TWriter::WriteIdent(const QString& value)
{
    if (!IsValidIdent(value))
        throw EPropertyConvertError(QStringLiteral("Invalid identifier '%1'").arg(value));
    WriteValueText(value);
}

void TWriter::WriteVariant(const Variant& value)
{
    switch (value.Kind()) {
    case TVarKind::Empty:
        WriteValueText(QStringLiteral("nil"));
        return;
    case TVarKind::Null:
        WriteValueText(QStringLiteral("Null"));
        return;
    case TVarKind::Boolean:
        WriteBoolean(value.AsBool());
        return;
    case TVarKind::Integer:
        WriteInteger(value.AsInt());
        return;
    case TVarKind::Double:
    case TVarKind::DateTime:
        WriteFloat(value.AsDouble());
        return;
    case TVarKind::String:
        WriteString(value.AsString());
        return;
    case TVarKind::Array:
        WriteListBegin();
        for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i)
            WriteVariant(value.ArrayItem(i));
        WriteListEnd();
        return;
    }
}

void TWriter::WriteListBegin()
{
    WriteValueText(QStringLiteral("("));
    ++FListDepth;
}

void TWriter::WriteListEnd()
{
    if (FListDepth == 0)
        throw EPropertyConvertError(QStringLiteral("List end without a list"));
    --FListDepth;
    FValueLine += QLatin1Char(')');
}

} // namespace kv
