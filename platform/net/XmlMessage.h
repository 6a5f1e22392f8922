// Request and response documents of the remote service: parse, walk elements, read and
// write attributes and texts, add and remove elements, write the document as UTF-8.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <memory>
#include <vector>

namespace kv {

class TXmlMessage;

// An element of a TXmlMessage (a handle; valid while the element is in its document).
class TXmlMessageNode
{
public:
    TXmlMessageNode() = default;

    bool IsNull() const { return FNode == nullptr; }
    explicit operator bool() const { return FNode != nullptr; }
    bool operator==(const TXmlMessageNode& other) const { return FNode == other.FNode; }

    QString Name() const;
    // The element's own text (its first text or CDATA child); '' when none.
    QString Text() const;
    // Replaces the element's text.
    void SetText(const QString& value);
    bool HasAttribute(const char* name) const;
    QString Attribute(const char* name) const;
    // Replaces the attribute's value, or adds it after the others.
    void SetAttribute(const char* name, const QString& value);

    // Element children only.
    TXmlMessageNode FirstChild() const;
    TXmlMessageNode NextSibling() const;
    TXmlMessageNode Child(const char* name) const;
    // The element child at Index (from 0); null when there are fewer.
    TXmlMessageNode ChildAt(int index) const;
    int ChildCount() const;
    // Appends every element child to Out.
    void GetChildren(std::vector<TXmlMessageNode>& out) const;
    TXmlMessageNode AppendChild(const char* name);
    // A new element before Before (at the end when Before is null).
    TXmlMessageNode InsertChildBefore(const char* name, TXmlMessageNode before);
    bool RemoveChild(TXmlMessageNode child);

private:
    friend class TXmlMessage;
    explicit TXmlMessageNode(void* node) : FNode(node) {}
    void* FNode = nullptr;
};

class TXmlMessage
{
public:
    TXmlMessage();
    ~TXmlMessage();
    TXmlMessage(const TXmlMessage&) = delete;
    TXmlMessage& operator=(const TXmlMessage&) = delete;

    // Parses bytes in the character set given (empty: as the document declares, else UTF-8).
    // False, with the document empty, when the bytes are not a well-formed document or the
    // character set is unknown.
    // UTF-8 bytes are parsed in place, without a copy.
    bool Load(QByteArray bytes, const QString& charset = QString());
    bool LoadText(const QString& text) { return Load(text.toUtf8(), QStringLiteral("utf-8")); }
    // The document element; null when none.
    TXmlMessageNode Root() const;
    // The document as UTF-8 text without indentation.
    QByteArray ToUtf8() const;

    // False when the text holds a character that XML 1.0 does not allow (control characters
    // other than tab, line feed and carriage return, lone surrogates, U+FFFE and U+FFFF).
    static bool IsValidText(const QString& text);

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

} // namespace kv
