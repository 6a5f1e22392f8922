// Form streaming: the text form-file reader and writer.
//
//     object Form1: TSampleForm
//       Caption = 'It''s'#13#10'two lines'
//       Count = 3
//       Ratio = 0.25
//       Align = AlignCenter
//       Options = [OptionA, OptionC]
//       Visible = True
//       Source = Provider1              (a component reference, fixed up after loading)
//       Font.Size = 9                   (a published sub-object)
//       Columns = <
//         item
//           Caption = 'A'
//         end>
//       Data = (1 2.5 'x' Null)         (a variant array)
//       OnChange = HandleChange         (an event bound to a published method of the root)
//       object Provider1: TSampleProvider
//       end
//     end
//
// Written: every stored, writable published property whose value is not its default, the
// values of DefineProperties, and the children that GetChildren yields. Read: classes come
// from the class registry; children are made by two-phase creation with the owner that the
// enclosing component's GetChildOwner names (the root by default); component references are
// resolved against the root once everything is read; then Loaded runs on the root and on
// every component read, in reading order. Numbers use '.' whatever the locale; files are
// UTF-8 without a byte-order mark. References are written as owner paths below the root; a
// reference that the reader could not resolve (to an unnamed component, or to one outside
// the root) raises EWriteError instead.
//
// A form text that does not read raises EReadError "<what> on line N", also for errors raised
// by a component's own ReadState or Loaded, and for objects or values nested more than 200
// deep. Components made by a failed read are freed and leave their owner as it was; when
// reading into an existing root, the values already read into it stay, and its name is
// restored.
#pragma once

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kv {

KV_DECLARE_EXCEPTION(EReadError, EFilerError)
KV_DECLARE_EXCEPTION(EWriteError, EFilerError)

enum TValueType { vaNull, vaNil, vaInt, vaFloat, vaString, vaIdent, vaFalse, vaTrue, vaSet, vaList, vaCollection };

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;

class TFiler
{
public:
    TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;
    virtual ~TFiler() = default;

    // Declares an unpublished value `name`: the reader calls readData when the form names it;
    // the writer writes it with writeData when hasData is true. writeData writes exactly one
    // value (a scalar or a list).
    virtual void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                                bool hasData) = 0;

    TComponent* GetRoot() const { return FRoot; }

protected:
    TComponent* FRoot = nullptr;
};

namespace detail {
struct TFormValue;
struct TFormObject;
struct TFormProperty;
class TReaderGuard;
} // namespace detail

class TReader : public TFiler
{
public:
    ~TReader() override;

    void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;

    // The owner given to the components being read, and the component they are nested in.
    TComponent* GetOwner() const { return FOwner; }
    TComponent* GetParent() const { return FParent; }

    // Reads the properties and nested components of instance (TComponent::ReadState).
    void ReadData(TComponent* instance);

    // Value access inside a DefineProperty read procedure. A value of another kind raises
    // EPropertyConvertError "Invalid property value".
    TValueType NextValue() const;
    QString ReadString();
    int ReadInteger();
    std::int64_t ReadInt64();
    double ReadFloat();
    bool ReadBoolean();
    // An identifier, also True, False, Null and nil.
    QString ReadIdent();
    Variant ReadVariant();
    void ReadListBegin();
    bool EndOfList() const;
    void ReadListEnd();

private:
    friend TComponent* ReadComponentText(const QString&, TComponent*, TComponent*);
    friend TComponent* ReadDesignComponentText(const QString&, TComponent*, TComponent*);
    struct TPathStep
    {
        QString Name;
        int Index; // item index inside a collection property, else -1
    };
    struct TFixup
    {
        TComponent* Base;
        std::vector<TPathStep> Path;
        QString Reference;
        QString Context;
        int Line;
    };
    struct TCursor
    {
        const detail::TFormValue* List; // nil: the single value being read
        size_t Index;
    };

    TReader();
    static TComponent* CreateLoading(const TClassInfo& info, TComponent* owner, bool designing);
    TComponent* Read(const detail::TFormObject& node, TComponent* instance, TComponent* owner);
    void ReadComponent(const detail::TFormObject& node, int order);
    void ReadProperty(TObject* instance, const detail::TFormProperty& prop, const QString& context);
    void ReadPropValue(TObject* instance, const TPropInfo& prop, const detail::TFormValue& value);
    void ReadCollection(TCollection* collection, const detail::TFormValue& value, const QString& context);
    Variant ValueToVariant(const detail::TFormValue& value) const;
    void ResolveFixups();
    TComponent* FindReference(const QString& name) const;
    void Track(TComponent* component);
    void Untrack(TComponent* component);
    void RollBack();
    const detail::TFormValue* Peek() const;
    const detail::TFormValue& Take();
    [[noreturn]] static void Fail(int line, const QString& message);

    TComponent* FOwner = nullptr;
    TComponent* FParent = nullptr;
    const detail::TFormObject* FNode = nullptr;
    TComponent* FPathBase = nullptr;
    std::vector<TPathStep> FPath;
    std::vector<TFixup> FFixups;
    std::vector<TComponent*> FCreated;
    std::vector<TComponent*> FLoaded;
    // The line of each component's object block, for errors of its own code.
    std::unordered_map<const TComponent*, int> FLines;
    detail::TReaderGuard* FGuard = nullptr;
    // A designer's read: what it makes starts in design state.
    bool FDesigning = false;
    // Defined-property reading.
    QString FDefineName;
    bool FDefineHandled = false;
    const detail::TFormValue* FDefineValue = nullptr;
    std::vector<TCursor> FCursor;

    friend class detail::TReaderGuard;
};

class TWriter : public TFiler
{
public:
    void DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;

    // Writes the properties and children of instance (TComponent::WriteState).
    void WriteData(TComponent* instance);

    // Value output inside a DefineProperty write procedure.
    void WriteString(const QString& value);
    void WriteInteger(std::int64_t value);
    void WriteFloat(double value);
    void WriteBoolean(bool value);
    void WriteIdent(const QString& value);
    void WriteVariant(const Variant& value);
    void WriteListBegin();
    void WriteListEnd();

    const QString& Text() const { return FText; }

private:
    friend QString WriteComponentText(TComponent*);
    explicit TWriter(TComponent* root);
    void WriteComponent(TComponent* component);
    void WriteProperties(const TObject* instance, const QString& prefix);
    void WriteProperty(const TObject* instance, const TPropInfo& prop, const QString& prefix);
    void WriteLine(const QString& text);
    void WriteValueText(const QString& text);
    QString ReferenceName(const TComponent* component, const QString& context) const;

    QString FText;
    int FIndent = 0;
    QString FDefinePrefix;
    QString FValueLine;
    int FValueCount = 0;
    int FListDepth = 0;
    bool FInDefine = false;
    std::vector<const TObject*> FObjectStack;
    std::vector<const TComponent*> FWritten;
};

// The form text of root and everything it streams.
QString WriteComponentText(TComponent* root);
// Reads a form text into instance, or, when instance is nil, into a new component of the
// registered class named by the text, owned by owner. Returns the root read.
TComponent* ReadComponentText(const QString& text, TComponent* instance = nullptr, TComponent* owner = nullptr);

// The same through a UTF-8 file; a failed write leaves an existing file as it was. File
// errors raise EFilerError.
void WriteComponentFile(const QString& fileName, TComponent* root);
TComponent* ReadComponentFile(const QString& fileName, TComponent* instance = nullptr, TComponent* owner = nullptr);

// Reading as a form designer opens a form: the root and every component the read makes are
// in design state from their construction on, so that their setters and Loaded follow the
// design-time rules. An instance is put into design state first (and back when the read
// fails).
TComponent* ReadDesignComponentText(const QString& text, TComponent* instance = nullptr, TComponent* owner = nullptr);
TComponent* ReadDesignComponentFile(const QString& fileName, TComponent* instance = nullptr,
                                    TComponent* owner = nullptr);

// A string in form-file syntax: 'text' with '' for a quote and #nnn for control characters.
QString QuotedFormString(const QString& value);

} // namespace kv
