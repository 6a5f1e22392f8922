// Dynamic styles: style assignments ("name=value;...") applied to a bag while a criteria
// expression holds, kept in a collection that columns and the grid body publish.
#pragma once

#include "graphics/KvGrids.Styles.h"
#include "model/KvGrids.Expressions.h"
#include "platform/rtl/Collections.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kv {

// Parses the text of an expression property; nil for empty text. Text that does not parse
// (with whole, also text left after the expression) raises TKvSyntaxError (or EConvertError)
// naming the property, the text and the position. Text read from a form is parsed without
// whole, as it always was.
std::unique_ptr<TKvExpressionTree> ParsePropertyExpression(const QString& property, const QString& text,
                                                           bool whole = true);

// Whether the nearest component above a persistent is being read from a form: values that
// name what is read later (columns, styles) are checked only once it has been read.
bool IsOwnerLoading(const TPersistent* object);

class TKvGridDynamicStyle : public TCollectionItem
{
protected:
    friend class TCreateAccess;
    friend class TKvGridDynamicStyleCollection;
    explicit TKvGridDynamicStyle(TCollection* collection);

public:
    ~TKvGridDynamicStyle() override;

    bool GetActive() const { return FActive; }
    void SetActive(bool value);
    const QString& GetCriteria() const { return FCriteria; }
    // Parses the text first: text that does not parse raises TKvSyntaxError (or
    // EConvertError) and leaves the item as it was.
    void SetCriteria(const QString& value);
    const QString& GetStyles() const { return FStyles; }
    // Reads "name=value;..." first: a repeated name raises EListError "Duplicates not allowed",
    // and (unless its owner is being read from a form) an unknown style name or a value that
    // does not convert raises EConvertError naming it; either leaves the item as it was.
    void SetStyles(const QString& value);

    // Parses the criteria again.
    void BuildExpression();
    // Reads the styles text again.
    void BuildStyles();

    // When the item has styles and its criteria evaluates to true (any other result counts as
    // false), writes its values into the bag in text order. Style table values were converted
    // once when the styles were set; other names go through the bag's text access. An unknown
    // name or a value that did not convert raises here.
    void Apply(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag);
    // Apply for painting: false, without raising, where Apply raises for an unordered
    // comparison, an unknown name or a value that did not convert (the bag then holds what
    // Apply had written before raising).
    bool TryApply(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag);

    // Apply for painting, without raising: false where Apply fails, with the reason in report
    // the first time this item fails (until its criteria or styles change), else report stays
    // as it was. A criteria error fails without evaluating.
    bool PaintApply(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag, QString& report);
    // Why the criteria cannot hold, found when it was set: a name that the runtime of the
    // collection's owner does not know. Empty otherwise.
    const QString& GetCriteriaError() const { return FCriteriaError; }

    bool HasStyleMap() const { return FStyleMap != nullptr; }
    // The (name, value text) pairs in text order; empty without a map.
    std::vector<std::pair<QString, QString>> GetStylePairs() const;
    TKvExpressionTree* GetExpressionTree() const { return FExprTree.get(); }

    void Assign(const TPersistent* source) override;

private:
    // One assignment, converted once.
    struct TStyleValue
    {
        QString Name;
        QString Text;
        const TKvStylePropertyRecord* Property = nullptr;
        int Ordinal = -1;
        QString String;
        TKvSharedGraphic Graphic;
        QString Error;
    };
    using TStyleMap = std::vector<TStyleValue>;

    bool Write(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag, bool raise);
    // Sets the styles text; with check, an unknown name or a value that does not convert
    // raises EConvertError naming it and leaves the item as it was.
    void StoreStyles(const QString& value, bool check);
    // Looks for a name in the criteria that the collection's runtime does not know.
    void CheckIdentifiers();
    static std::unique_ptr<TKvExpressionTree> ParseCriteria(const QString& text, bool whole);
    static std::unique_ptr<TStyleMap> ParseStyles(const QString& text);

    std::unique_ptr<TKvExpressionTree> FExprTree;
    std::unique_ptr<TStyleMap> FStyleMap;
    bool FActive = true;
    QString FCriteria;
    QString FStyles;
    QString FCriteriaError;
    // The failure was reported; a change of criteria or styles clears it.
    bool FReported = false;
};

class TKvGridDynamicStyleCollection : public TOwnedCollection
{
public:
    explicit TKvGridDynamicStyleCollection(TPersistent* owner);

    TKvGridDynamicStyle* GetItem(int index) const { return static_cast<TKvGridDynamicStyle*>(TCollection::GetItem(index)); }
    TKvGridDynamicStyle* Add() { return static_cast<TKvGridDynamicStyle*>(TCollection::Add()); }
    // A new item with the criteria and styles; nothing is added when either does not parse.
    TKvGridDynamicStyle* Add(const QString& criteria, const QString& styles);

    // Parses every criteria again, last first.
    void ResetStyles();
    // Counts the active items; painting skips dynamic styles while the count is 0.
    void Prepare();
    int GetActiveCount() const { return FActiveCount; }
    // Applies every active item in order; later items overwrite earlier ones.
    void ApplyTo(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag);
    // ApplyTo with TryApply: false at the first item that fails, without raising.
    bool TryApplyTo(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag);
    // ApplyTo for painting: false at the first item that fails, without raising. Report gets
    // the reason of an item's failure once, until the item changes.
    bool PaintApplyTo(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag, QString& report);

    // Answers whether the runtime the owner evaluates with knows a name; criteria are checked
    // against it when they are set. Without it nothing is checked.
    using TKnowsIdentifier = std::function<bool(const QString& name)>;
    void SetKnowsIdentifier(TKnowsIdentifier knows);
    const TKnowsIdentifier& GetKnowsIdentifier() const { return FKnowsIdentifier; }

    QString GetNamePath() const override { return QStringLiteral("DynamicStyle"); }

protected:
    void Update(TCollectionItem* item) override;

private:
    int FActiveCount = 0;
    TKnowsIdentifier FKnowsIdentifier;
};

} // namespace kv
