// A small XML document object model with XPath node selection: parse from text or a file,
// walk elements and text nodes, read and write attributes and texts, add child elements and
// write the document back as text.
#pragma once

#include "platform/rtl/SysUtils.h"

#include <QtCore/QString>
#include <memory>
#include <vector>

namespace kv {

KV_DECLARE_EXCEPTION(EXmlError, Exception)

class TXmlNode;
using TXmlNodeList = std::vector<TXmlNode>;

// A node of a document, valid while the document holds it. A null node answers empty values.
class TXmlNode
{
public:
    TXmlNode() = default;
    bool IsNull() const { return FNode == nullptr; }
    bool IsElement() const;
    bool IsText() const;
    // The element's name; "#text" and "#cdata-section" for text nodes.
    QString NodeName() const;
    // The text of a text node; empty for elements.
    QString NodeValue() const;
    // The text of the node's first text child (an element) or its own text.
    QString Text() const;
    void SetText(const QString& Value);

    int ChildCount() const;
    // Null when out of range.
    TXmlNode Child(int Index) const;
    // The first child element of that name, or null.
    TXmlNode Child(const QString& Name) const;
    TXmlNode FirstChild() const;
    TXmlNodeList Children() const;
    TXmlNode Parent() const;

    bool HasAttribute(const QString& Name) const;
    QString Attribute(const QString& Name) const;
    void SetAttribute(const QString& Name, const QString& Value);
    // Appends a child element.
    TXmlNode AddChild(const QString& Name);

    // The element and text nodes that an XPath expression selects from this node, in
    // document order. An expression that does not parse raises EXmlError.
    TXmlNodeList SelectNodes(const QString& XPath) const;

    friend bool operator==(const TXmlNode& a, const TXmlNode& b) { return a.FNode == b.FNode; }

private:
    friend class TXmlDocument;
    explicit TXmlNode(void* node) : FNode(node) {}
    void* FNode = nullptr;
};

class TXmlDocument
{
public:
    TXmlDocument();
    ~TXmlDocument();
    TXmlDocument(const TXmlDocument&) = delete;
    TXmlDocument& operator=(const TXmlDocument&) = delete;

    // Text that is not well-formed raises EXmlError naming the offset and the problem, and
    // leaves the document as it was.
    void LoadFromText(const QString& Text);
    void LoadFromFile(const QString& FileName);
    static std::shared_ptr<TXmlDocument> Parse(const QString& Text);

    // The document element; null for an empty document.
    TXmlNode Root() const;
    // Replaces the content by a new document element.
    TXmlNode CreateRoot(const QString& Name);
    // The document node itself (XPath from the top).
    TXmlNode Document() const;
    TXmlNodeList SelectNodes(const QString& XPath) const { return Document().SelectNodes(XPath); }
    // Indented UTF-8 text with an XML declaration.
    QString SaveToText() const;
    // Counts the loads and CreateRoot calls: nodes taken before a change are gone.
    unsigned Generation() const { return FGeneration; }

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
    unsigned FGeneration = 0;
};

} // namespace kv
