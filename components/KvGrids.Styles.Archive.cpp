#include "components/KvGrids.Styles.Archive.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.View.h"
#include "graphics/KvGrids.Styles.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextEncoding.h"

#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <nlohmann/json.hpp>
#include <QtCore/QSaveFile>
#include <QtCore/QStringDecoder>
#include <utility>
#include <vector>

namespace kv {

using json = nlohmann::json;

// ---- files -------------------------------------------------------------------------------

QString TKvGridViewStylesArchive::LoadFromFile(const QString& Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot open file %1: %2").arg(Path, file.errorString()));
    const QByteArray bytes = file.readAll();
    const qsizetype bad = TEncoding::FindInvalidUtf8(bytes);
    if (bad >= 0)
        throw EConvertError(QStringLiteral("File %1 is not UTF-8 text: invalid byte at offset %2").arg(Path).arg(bad));
    // The mark stays in the text, as U+FEFF.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

void TKvGridViewStylesArchive::SaveToFile(const QString& Path, const QString& Text)
{
    QSaveFile file(Path);
    const QByteArray bytes = Text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(Path, file.errorString()));
}

// ---- sections ----------------------------------------------------------------------------

namespace {

// One style set of the archive: a member of the root, or of the root's member Parent.
struct TSection
{
    const char* Parent;
    const char* Name;
    TKvGridStyleBag* Styles;

    QString Path() const
    {
        return Parent ? QStringLiteral("%1.%2").arg(QLatin1String(Parent), QLatin1String(Name)) : QLatin1String(Name);
    }
};

std::vector<TSection> Sections(TKvGridView* grid)
{
    return {{nullptr, "grid", grid->GetStyles()},
            {nullptr, "panel", grid->GetPanel()->GetStyles()},
            {nullptr, "body", grid->GetBody()->GetStyles()},
            {nullptr, "empty", grid->GetBody()->GetEmptyStyles()},
            {nullptr, "header", grid->GetHeader()->GetStyles()},
            {"header", "group", grid->GetHeader()->GetGroupStyles()},
            {nullptr, "footer", grid->GetFooter()->GetStyles()},
            {"rowGroup", "header", grid->GetRowGroup()->GetHeaderStyles()},
            {"rowGroup", "footer", grid->GetRowGroup()->GetFooterStyles()},
            {nullptr, "indicator", grid->GetIndicator()->GetStyles()},
            {nullptr, "checkBar", grid->GetCheckBar()->GetStyles()},
            {nullptr, "statesBar", grid->GetStatesBar()->GetStyles()}};
}

std::string Utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

using TValues = std::vector<std::pair<QString, QString>>;

// " of section \"body\"" (before "is"), or nothing for a style set on its own.
QString OfSection(const QString& section)
{
    return section.isEmpty() ? QString() : QStringLiteral(" of section \"%1\"").arg(section);
}

QString InSection(const QString& section)
{
    return section.isEmpty() ? QString() : QStringLiteral(" in section \"%1\"").arg(section);
}

// The style values an object holds, by property name: strings as they are, numbers and
// Booleans as their JSON text; anything else raises naming the section and member.
TValues MemberTexts(const json& object, const QString& section)
{
    TValues values;
    for (const QString& name : TKvGridStylesAgent::GetNames()) {
        const auto found = object.find(Utf8(name));
        if (found == object.end())
            continue;
        if (found->is_string())
            values.emplace_back(name, FromUtf8(found->get<std::string>()));
        else if (found->is_number() || found->is_boolean())
            values.emplace_back(name, FromUtf8(found->dump()));
        else
            throw EConvertError(QStringLiteral("Style archive member \"%1\"%2 is not a string, a number or a Boolean")
                                    .arg(name, OfSection(section)));
    }
    return values;
}

// Whether an integer style reads the text as the number it spells: the style set reads text
// that is no integer as 0, so 0 must come from a spelling of zero.
bool IsIntegerText(const QString& text)
{
    if (TKvStyleProperties::TextToInteger(text) != 0)
        return true;
    static const QRegularExpression zero(QStringLiteral("^\\s*[+-]?(\\$|0[xX])?0+\\s*$"));
    return zero.match(text).hasMatch();
}

// The values of one section object, each checked on a scratch style set; raises naming the
// section and member of the first value its style property refuses.
TValues CheckedValues(const json& object, const QString& section)
{
    TValues values = MemberTexts(object, section);
    TKvGridStyleBag scratch(nullptr, QStringLiteral("scratch"));
    for (const auto& [name, text] : values) {
        const auto refused = [&, &name = name, &text = text](const QString& reason) {
            return EConvertError(QStringLiteral("Style archive value \"%1\" of member \"%2\"%3 is refused: %4")
                                     .arg(text, name, InSection(section), reason));
        };
        const TKvStylePropertyRecord* rec = TKvStyleProperties::Find(name);
        if (rec && rec->Kind == svkInteger && !IsIntegerText(text))
            throw refused(QStringLiteral("not an integer"));
        try {
            scratch.SetValue(name, text);
        } catch (const Exception& e) {
            throw refused(e.Message());
        }
    }
    return values;
}

// Into the agent's style set, one notification for all.
void ApplyValues(TKvGridStylesAgent& agent, const TValues& values)
{
    TKvGridStyleBag* styles = agent.GetStyles();
    if (!styles)
        return;
    styles->BeginUpdate();
    {
        TScopeExit endUpdate([&] { styles->EndUpdate(); });
        for (const auto& [name, text] : values)
            agent.SetValue(name, text);
    }
}

// The line and column (1-based, in characters) of a byte offset into UTF-8 text.
std::pair<int, int> LineColumn(const QByteArray& text, qsizetype offset)
{
    int line = 1, column = 1;
    for (qsizetype i = 0; i < offset && i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

// A surrogate without its other half would reach the parser as a substitute character.
void CheckUnicode(const QString& text)
{
    int line = 1, column = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            throw EConvertError(
                QStringLiteral("Style archive text is not Unicode at line %1, column %2: a lone surrogate").arg(line).arg(column));
        } else if (c == QLatin1Char('\n')) {
            ++line;
            column = 1;
            continue;
        }
        ++column;
    }
}

// Builds the tree as the library does, but keeps where and why the parser stopped instead of
// letting the library's own exception out (a number overflow is no parse_error).
class TArchiveSax : public nlohmann::detail::json_sax_dom_parser<json>
{
public:
    explicit TArchiveSax(json& root) : json_sax_dom_parser(root, false) {}

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& ex)
    {
        Position = position;
        Reason = ex.what();
        return false;
    }

    std::size_t Position = 0;
    std::string Reason;
};

json ParseArchive(const QString& text)
{
    QString body = text;
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    CheckUnicode(body);
    const QByteArray bytes = body.toUtf8();
    json root;
    TArchiveSax sax(root);
    if (!json::sax_parse(bytes.constData(), bytes.constData() + bytes.size(), &sax)) {
        // The library counts the byte it stopped at from 1.
        const auto [line, column] = LineColumn(bytes, qsizetype(sax.Position > 0 ? sax.Position - 1 : 0));
        QString reason = QString::fromUtf8(sax.Reason);
        // Without the library's "[json.exception...] " and "parse error at ...: " heads.
        if (reason.startsWith(QLatin1Char('['))) {
            const qsizetype end = reason.indexOf(QLatin1String("] "));
            if (end >= 0)
                reason = reason.mid(end + 2);
        }
        if (reason.startsWith(QLatin1String("parse error"))) {
            const qsizetype at = reason.indexOf(QLatin1String(": "));
            if (at >= 0)
                reason = reason.mid(at + 2);
        }
        throw EConvertError(
            QStringLiteral("Style archive text does not parse at line %1, column %2: %3").arg(line).arg(column).arg(reason));
    }
    if (!root.is_object())
        throw EConvertError(QStringLiteral("Style archive text is not a JSON object"));
    return root;
}

} // namespace

// ---- saving and loading --------------------------------------------------------------------

void TKvGridStylesJsonArchive::WriteStyles(TKvGridStylesAgent& Agent, json& Object)
{
    if (!Object.is_object())
        return;
    for (const QString& name : TKvGridStylesAgent::GetNames())
        if (Agent.HasValue(name))
            Object[Utf8(name)] = Utf8(Agent.GetValue(name));
}

void TKvGridStylesJsonArchive::ReadStyles(const json& Object, TKvGridStylesAgent& Agent)
{
    if (!Object.is_object())
        return;
    ApplyValues(Agent, CheckedValues(Object, QString()));
}

QString TKvGridStylesJsonArchive::SaveStyles(TKvGridViewStyles* Styles)
{
    TKvGridStylesAgent agent(Styles);
    json object = json::object();
    WriteStyles(agent, object);
    return QString::fromLatin1(object.dump(2, ' ', true));
}

void TKvGridStylesJsonArchive::LoadStyles(const QString& Text, TKvGridViewStyles* Styles)
{
    if (!Styles)
        throw EArgumentNilException(QStringLiteral("No style set to load the style archive into"));
    TKvGridStylesAgent agent(Styles);
    ReadStyles(ParseArchive(Text), agent);
}

QString TKvGridStylesJsonArchive::SaveGrid(TKvGridView* Grid)
{
    TKvGridStylesAgent agent(nullptr);
    json root = json::object();
    for (const TSection& section : Sections(Grid)) {
        json object = json::object();
        agent.SetStyles(section.Styles);
        WriteStyles(agent, object);
        if (section.Parent) {
            json& parent = root[section.Parent];
            if (parent.is_null())
                parent = json::object();
            parent[section.Name] = std::move(object);
        } else {
            json& own = root[section.Name];
            if (own.is_null())
                own = json::object();
            own.update(object);
        }
    }
    return QString::fromLatin1(root.dump(2, ' ', true));
}

void TKvGridStylesJsonArchive::LoadGrid(const QString& Text, TKvGridView* Grid)
{
    const json root = ParseArchive(Text);
    struct TLoad
    {
        TKvGridStyleBag* Styles;
        TValues Values;
    };
    std::vector<TLoad> loads;
    // Read and check everything first.
    for (const TSection& section : Sections(Grid)) {
        const json* holder = &root;
        if (section.Parent) {
            const auto parent = root.find(section.Parent);
            if (parent == root.end())
                continue;
            if (!parent->is_object())
                throw EConvertError(
                    QStringLiteral("Style archive section \"%1\" is not an object").arg(QLatin1String(section.Parent)));
            holder = &*parent;
        }
        const auto found = holder->find(section.Name);
        if (found == holder->end())
            continue;
        if (!found->is_object())
            throw EConvertError(QStringLiteral("Style archive section \"%1\" is not an object").arg(section.Path()));
        loads.push_back({section.Styles, CheckedValues(*found, section.Path())});
    }
    // Then apply, one notification per style set.
    TKvGridStylesAgent agent(nullptr);
    for (const TLoad& load : loads) {
        agent.SetStyles(load.Styles);
        ApplyValues(agent, load.Values);
    }
}

void TKvGridStylesJsonArchive::LoadGridFromFile(const QString& Path, TKvGridView* Grid)
{
    LoadGrid(LoadFromFile(Path), Grid);
}

void TKvGridStylesJsonArchive::SaveGridToFile(TKvGridView* Grid, const QString& Path)
{
    SaveToFile(Path, SaveGrid(Grid));
}

} // namespace kv
